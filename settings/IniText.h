// Reading and editing the text of a sectioned key=value settings file.
//
// Section and key names match without regard to ASCII case; blanks (spaces and tabs) around
// names and values are stripped; lines whose first non-blank is ';' or '#' are comments. The
// first section of a name and the first key of a name in it are the ones that count. Lines
// end in "\n" or "\r\n"; any other byte, NUL included, is ordinary text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt::ini {

// The value of `key` in `section`, or nullopt when the section or the key is missing.
std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key);

// `text` with `key` in `section` set to `value` (line breaks in it are dropped). Only that one
// line changes; a missing key is added at the end of its section, a missing section at the end
// of the text, with the line ends the text already uses.
std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value);

// Reads an integer setting: blanks, an optional sign, then the leading decimal digits; text
// with no digits reads as 0. Nullopt when the number does not fit in 32 bits.
std::optional<int> ParseInteger(std::string_view value);

} // namespace tallyvolt::ini
