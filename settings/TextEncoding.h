// The encodings a settings file comes in, as Windows editors save it: UTF-8 (with or without a
// byte-order mark) or UTF-16 little-endian with its mark (Notepad's "Unicode").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt::encoding {

enum class Encoding
{
    Utf8,        // or any byte text: read byte for byte
    Utf16Le,     // with its mark FF FE
    Unsupported, // UTF-16 big-endian, UTF-32: left alone
};

// The encoding that `bytes` announce by their byte-order mark.
Encoding Detect(std::string_view bytes);

// UTF-16LE `bytes`, mark included, as UTF-8 without the mark; nullopt when they are not
// UTF-16LE (an odd length, an unpaired surrogate).
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

// UTF-8 `text` as UTF-16LE with the mark FF FE in front; nullopt for text that is not UTF-8.
std::optional<std::string> Utf8ToUtf16Le(std::string_view text);

} // namespace tallyvolt::encoding
