// Rows of named fields as CSV (a header line, then a line per row) or as a JSON array of
// objects, appended to a string field by field: the one writer of the report's rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt::report {

enum class RowFormat
{
    Csv,
    Json
};

// `text` as a JSON string: quoted, with quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view text);
// `text` as a CSV field: as it is, or quoted (quotes doubled) when it holds a comma, a quote or
// a line end.
std::string CsvString(std::string_view text);

class RowText
{
public:
    // How JSON rows are spaced: what comes before each row's "{" (after the "," between rows),
    // between fields, and between a field's name and its value.
    struct JsonSpacing
    {
        const char* rowStart;
        const char* betweenFields;
        const char* afterName;
    };

    // `names`, `count` of them, outlive the writer; each row has a field for every name.
    RowText(RowFormat format, const char* const* names, std::size_t count, JsonSpacing spacing);

    // The CSV header line, or the JSON array's "[".
    void Start(std::string& out) const;
    void BeginRow(std::string& out);
    // The row's next field: a figure as it is, a whole number, or a whole number that may be
    // missing; a missing value (empty in CSV, null in JSON); a word that needs no escaping (as
    // it is in CSV, quoted in JSON); any text, quoted as each format needs.
    void Figure(std::string& out, std::string_view figure);
    void Number(std::string& out, std::uint64_t value);
    void Number(std::string& out, std::optional<std::uint64_t> value);
    void Missing(std::string& out);
    void Word(std::string& out, std::string_view word);
    void Text(std::string& out, std::string_view text);
    void EndRow(std::string& out);
    // Ends the JSON array; nothing for CSV.
    void Finish(std::string& out) const;

private:
    // The separator and, in JSON, the name that go before the next field.
    void Field(std::string& out);

    bool m_json;
    const char* const* m_names;
    std::size_t m_count;
    JsonSpacing m_spacing;
    std::size_t m_field = 0;
    bool m_anyRow = false;
};

} // namespace tallyvolt::report
