// Cleaning and shortening the texts of a chart.
#include "report/ChartText.h"

#include <algorithm>

namespace tallyvolt::report {

std::string PlText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned char c = byte(i);
        const std::size_t length = c < 0x80                 ? 1
                                   : c >= 0xC2 && c <= 0xDF ? 2
                                   : c >= 0xE0 && c <= 0xEF ? 3
                                   : c >= 0xF0 && c <= 0xF4 ? 4
                                                            : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (byte(i + k) & 0xC0) == 0x80;
        // No overlong forms, surrogates or code points past U+10FFFF.
        if (valid && length > 2) {
            const unsigned char next = byte(i + 1);
            valid = !(c == 0xE0 && next < 0xA0) && !(c == 0xED && next >= 0xA0) &&
                    !(c == 0xF0 && next < 0x90) && !(c == 0xF4 && next >= 0x90);
        }
        if (!valid || c < 0x20 || c == 0x7F) {
            out += '?';
            ++i;
            continue;
        }
        if (c == '#')
            out += '#';
        out.append(text, i, length);
        i += length;
    }
    return out;
}

namespace {

bool StartsCharacter(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

} // namespace

std::size_t Characters(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

std::string ShortName(const std::string& file, std::size_t maxCharacters)
{
    if (Characters(file) <= maxCharacters)
        return file;
    std::size_t from = file.size();
    for (std::size_t kept = 1; kept < maxCharacters && from > 0;) // one goes to the "…"
        if (StartsCharacter(file[--from]))
            ++kept;
    return "…" + file.substr(from);
}

} // namespace tallyvolt::report
