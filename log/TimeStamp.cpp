// Writing and reading the log's time stamps.
#include "log/TimeStamp.h"

#include <iterator>
#include <time.h>

namespace tallyvolt {
namespace {

// Seconds from 1970-01-01 to 2000-01-01, where the log's clock counts from.
constexpr std::int64_t kFrom1970 = 946684800;

// The seconds since 1970 of `fields` read as universal time; -1 when out of range. The C
// library does the calendar; Windows names the function otherwise.
std::time_t SecondsOfUniversalTime(std::tm fields)
{
#ifdef _WIN32
    return _mkgmtime(&fields);
#else
    return timegm(&fields);
#endif
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
    if (month < 1 || month > 12 || year < 0 || day < 1)
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = 100 + year;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    const std::time_t since1970 = SecondsOfUniversalTime(fields);
    if (since1970 == -1)
        return std::nullopt;
    // The C library carries 30 February into March: a date is valid only if it comes back as
    // it was written.
    const LocalSeconds midnight = since1970 - kFrom1970;
    const std::tm back = CalendarFields(midnight);
    if (back.tm_mday != day || back.tm_mon != month - 1)
        return std::nullopt;
    return midnight;
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

std::tm CalendarFields(LocalSeconds t)
{
    const std::time_t since1970 = static_cast<std::time_t>(t + kFrom1970);
    std::tm fields{};
#ifdef _WIN32
    const bool converted = gmtime_s(&fields, &since1970) == 0;
#else
    const bool converted = gmtime_r(&since1970, &fields) != nullptr;
#endif
    // Windows fills a failed conversion with -1s: all zero on every system.
    return converted ? fields : std::tm{};
}

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
