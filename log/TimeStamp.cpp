// Writing and reading the log's time stamps.
#include "log/TimeStamp.h"

#include <iterator>

namespace tallyvolt {
namespace {

// Days from 2000-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysSince2000(int year, int month, int day)
{
    // Howard Hinnant's days_from_civil, shifted to 2000.
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - static_cast<int>(era * 400);
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 - 10957;
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Two digits at `text[at]`, or -1.
int TwoDigits(std::string_view text, std::size_t at)
{
    const char a = text[at], b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

} // namespace

std::string FormatTimeStamp(const std::tm& local)
{
    // Each field is reduced to two digits so that the stamp keeps its width for any input.
    // Written digit by digit: this runs on every sample, and snprintf costs several times more.
    const int fields[] = {local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                          local.tm_hour,    local.tm_min,  local.tm_sec};
    std::string out = "00/00/00 00:00:00";
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const int v = ((fields[i] % 100) + 100) % 100;
        out[i * 3] = static_cast<char>('0' + v / 10);
        out[i * 3 + 1] = static_cast<char>('0' + v % 10);
    }
    return out;
}

namespace {

bool HasStampShape(std::string_view text)
{
    return text.size() == 17 && text[2] == '/' && text[5] == '/' && text[8] == ' ' &&
           text[11] == ':' && text[14] == ':';
}

// Seconds from 2000-01-01 00:00:00 to the start of the day "MM/DD/YY" at the text's start.
std::optional<LocalSeconds> Midnight(std::string_view text)
{
    const int month = TwoDigits(text, 0), day = TwoDigits(text, 3), year = TwoDigits(text, 6);
    if (month < 1 || month > 12 || year < 0 || day < 1 || day > DaysInMonth(2000 + year, month))
        return std::nullopt;
    return DaysSince2000(2000 + year, month, day) * 86400;
}

// Seconds into the day of "HH:MM:SS" at text[9]; a leap second is allowed.
std::optional<LocalSeconds> TimeOfDay(std::string_view text)
{
    const int hour = TwoDigits(text, 9), minute = TwoDigits(text, 12), second = TwoDigits(text, 15);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return hour * 3600 + minute * 60 + second;
}

} // namespace

std::optional<LocalSeconds> ParseTimeStamp(std::string_view text)
{
    if (!HasStampShape(text))
        return std::nullopt;
    const std::optional<LocalSeconds> midnight = Midnight(text);
    const std::optional<LocalSeconds> time = TimeOfDay(text);
    if (!midnight || !time)
        return std::nullopt;
    return *midnight + *time;
}

std::optional<LocalSeconds> TimeStampReader::Read(std::string_view text)
{
    if (!HasStampShape(text))
        return std::nullopt;
    const std::optional<LocalSeconds> time = TimeOfDay(text);
    if (!time)
        return std::nullopt;
    if (!m_haveDate || text.compare(0, sizeof m_date, m_date, sizeof m_date) != 0) {
        const std::optional<LocalSeconds> midnight = Midnight(text);
        if (!midnight)
            return std::nullopt;
        text.copy(m_date, sizeof m_date);
        m_midnight = *midnight;
        m_haveDate = true;
    }
    return m_midnight + *time;
}

} // namespace tallyvolt
