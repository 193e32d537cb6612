// Texts for the plotting library: PLplot reads '#' as the start of an escape sequence and wants
// valid UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace tallyvolt::report {

// `text` with '#' doubled and every byte that is no part of valid UTF-8, and every control
// character, replaced by '?'.
std::string PlText(const std::string& text);

// The characters (not bytes) of UTF-8 text.
std::size_t Characters(const std::string& text);

// "…" and the end of a long file name, at most `maxCharacters` characters: the end tells files
// apart better than the start.
std::string ShortName(const std::string& file, std::size_t maxCharacters);

} // namespace tallyvolt::report
