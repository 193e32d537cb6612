// The log's time stamp "MM/DD/YY HH:MM:SS": written from a local time, read back into seconds.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt {

// A time stamp of the log as written: local wall-clock time, no zone. Counted in seconds from
// 2000-01-01 00:00:00 of the same clock, so that differences are durations.
using LocalSeconds = std::int64_t;

// Every field two digits, whatever the locale: the columns must never carry a delimiter of
// their own.
std::string FormatTimeStamp(const std::tm& local);

// The date and time of day that `t` stands for, in std::tm's fields (tm_year counts from 1900,
// tm_mon from 0). The calendar is the C library's; the fields are all zero for a moment it
// cannot represent.
std::tm CalendarFields(LocalSeconds t);

// Parses "MM/DD/YY HH:MM:SS"; none unless every field is in range.
std::optional<LocalSeconds> ParseTimeStamp(std::string_view text);

// Parses the stamps of one log as ParseTimeStamp does. Consecutive stamps mostly share their
// date, which is then not worked out again.
class TimeStampReader
{
public:
    std::optional<LocalSeconds> Read(std::string_view text);

private:
    char m_date[8] = {}; // "MM/DD/YY" of the last valid stamp
    LocalSeconds m_midnight = 0;
    bool m_haveDate = false;
};

} // namespace tallyvolt
