// Rows of named fields as CSV or JSON.
#include "report/RowText.h"

#include <charconv>
#include <cstdio>

namespace tallyvolt::report {

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += {'\\', c};
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x",
                          static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string CsvString(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

RowText::RowText(RowFormat format, const char* const* names, std::size_t count, JsonSpacing spacing)
    : m_json(format == RowFormat::Json), m_names(names), m_count(count), m_spacing(spacing)
{
}

void RowText::Start(std::string& out) const
{
    if (m_json) {
        out += '[';
        return;
    }
    for (std::size_t i = 0; i < m_count; ++i) {
        if (i)
            out += ',';
        out += m_names[i];
    }
    out += '\n';
}

void RowText::BeginRow(std::string& out)
{
    m_field = 0;
    if (m_json) {
        if (m_anyRow)
            out += ',';
        out += m_spacing.rowStart;
        out += '{';
    }
    m_anyRow = true;
}

void RowText::Field(std::string& out)
{
    if (m_json) {
        if (m_field)
            out += m_spacing.betweenFields;
        out += '"';
        out += m_names[m_field];
        out += '"';
        out += m_spacing.afterName;
    } else if (m_field) {
        out += ',';
    }
    ++m_field;
}

void RowText::Figure(std::string& out, std::string_view figure)
{
    Field(out);
    out += figure;
}

void RowText::Number(std::string& out, std::uint64_t value)
{
    Field(out);
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void RowText::Number(std::string& out, std::optional<std::uint64_t> value)
{
    if (value)
        Number(out, *value);
    else
        Missing(out);
}

void RowText::Missing(std::string& out)
{
    Field(out);
    if (m_json)
        out += "null";
}

void RowText::Word(std::string& out, std::string_view word)
{
    Field(out);
    if (m_json)
        out += '"';
    out += word;
    if (m_json)
        out += '"';
}

void RowText::Text(std::string& out, std::string_view text)
{
    Field(out);
    out += m_json ? JsonString(text) : CsvString(text);
}

void RowText::EndRow(std::string& out)
{
    out += m_json ? '}' : '\n';
}

void RowText::Finish(std::string& out) const
{
    if (m_json)
        out += m_anyRow ? "\n]\n" : "]\n";
}

} // namespace tallyvolt::report
