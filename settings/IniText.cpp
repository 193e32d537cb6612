// Line-level parsing and one-line editing of settings text.
#include "settings/IniText.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace tallyvolt::ini {
namespace {

struct Line
{
    std::size_t begin; // first byte of the line
    std::size_t end;   // one past the last byte of content (before "\r\n" or "\n")
    std::size_t next;  // first byte of the following line
    bool ended;        // by a "\n"; only the text's last line can lack one
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Strip(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    // A UTF-8 byte-order mark (Windows editors write one) is no part of the first line; it
    // stays in the file.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    std::size_t pos = text.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        Line line{pos, nl == std::string_view::npos ? text.size() : nl,
                  nl == std::string_view::npos ? text.size() : nl + 1,
                  nl != std::string_view::npos};
        if (line.end > line.begin && text[line.end - 1] == '\r')
            --line.end;
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

enum class Kind
{
    Blank,
    Comment,
    Section,
    Key,
    Other,
};

struct Parsed
{
    Kind kind;
    std::string_view name;  // section or key name, stripped
    std::string_view value; // key value, stripped
    std::size_t valueStart; // offset in the line where the value part begins (after '=')
};

Parsed ParseLine(std::string_view line)
{
    std::string_view body = Strip(line);
    if (body.empty())
        return {Kind::Blank, {}, {}, 0};
    if (body.front() == ';' || body.front() == '#')
        return {Kind::Comment, {}, {}, 0};
    if (body.front() == '[') {
        std::string_view inner = body.substr(1);
        std::size_t close = inner.find(']');
        return {Kind::Section, Strip(inner.substr(0, close)), {}, 0};
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return {Kind::Other, {}, {}, 0};
    return {Kind::Key, Strip(line.substr(0, eq)), Strip(line.substr(eq + 1)), eq + 1};
}

std::string_view LineText(std::string_view text, const Line& line)
{
    return text.substr(line.begin, line.end - line.begin);
}

// Where a section and a key were found: indexes into the line list, or npos.
struct Location
{
    std::size_t section = std::string_view::npos;
    std::size_t key = std::string_view::npos;
    std::size_t lastContent = std::string_view::npos; // last non-blank line of the section
};

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key)
{
    Location loc;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Parsed parsed = ParseLine(LineText(text, lines[i]));
        if (parsed.kind == Kind::Section) {
            if (inSection)
                break; // only the first section of that name counts
            if (SameName(parsed.name, section)) {
                inSection = true;
                loc.section = loc.lastContent = i;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (parsed.kind != Kind::Blank)
            loc.lastContent = i;
        if (parsed.kind == Kind::Key && SameName(parsed.name, key)) {
            loc.key = i;
            break;
        }
    }
    return loc;
}

std::string_view LineEndOf(std::string_view text)
{
    std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r')
        return "\r\n";
    return "\n";
}

// Ends the text's unterminated last line. A carriage return already there becomes the first
// half of a "\r\n", so the line's content stays as it read before.
void EndLastLine(std::string& out, std::string_view eol)
{
    out.append(!out.empty() && out.back() == '\r' ? std::string_view("\n") : eol);
}

std::string OneLine(std::string_view value)
{
    std::string clean;
    for (char c : value)
        if (c != '\r' && c != '\n')
            clean.push_back(c);
    return clean;
}

} // namespace

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key)
{
    std::vector<Line> lines = SplitLines(text);
    Location loc = Locate(text, lines, section, key);
    if (loc.key == std::string_view::npos)
        return std::nullopt;
    return std::string(ParseLine(LineText(text, lines[loc.key])).value);
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value)
{
    const std::string newValue = OneLine(value);
    const std::string_view eol = LineEndOf(text);
    std::vector<Line> lines = SplitLines(text);
    Location loc = Locate(text, lines, section, key);
    std::string out;
    out.reserve(text.size() + key.size() + newValue.size() + section.size() + 8);

    if (loc.key != std::string_view::npos) {
        // Keep everything up to the '=' and the blanks after it, replace the rest of the
        // line's content, keep its own line end.
        const Line& line = lines[loc.key];
        std::string_view content = LineText(text, line);
        std::size_t keep = ParseLine(content).valueStart;
        while (keep < content.size() && IsBlank(content[keep]))
            ++keep;
        out.append(text.substr(0, line.begin + keep));
        out.append(newValue);
        out.append(text.substr(line.end));
        return out;
    }

    const std::string keyLine = std::string(key) + "=" + newValue;
    if (loc.section != std::string_view::npos) {
        const Line& after = lines[loc.lastContent];
        out.append(text.substr(0, after.next));
        if (!after.ended) // the last line of the text
            EndLastLine(out, eol);
        out.append(keyLine).append(eol);
        out.append(text.substr(after.next));
        return out;
    }

    out.append(text);
    if (!out.empty()) {
        if (out.back() != '\n')
            EndLastLine(out, eol);
        // A blank line before the new section (a text of just a byte-order mark has no lines).
        if (!lines.empty() && !Strip(LineText(text, lines.back())).empty())
            out.append(eol);
    }
    out.append("[").append(section).append("]").append(eol);
    out.append(keyLine).append(eol);
    return out;
}

std::optional<int> ParseInteger(std::string_view value)
{
    std::string_view s = Strip(value);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    // Accumulate in 64 bits and stop as soon as the number leaves the 32-bit range, so that no
    // run of digits can overflow.
    const std::int64_t limit = negative
                                   ? -static_cast<std::int64_t>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
    std::int64_t magnitude = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            break;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace tallyvolt::ini
