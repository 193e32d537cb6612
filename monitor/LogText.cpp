// Composition of the log's lines.
#include "monitor/LogText.h"

#include "resources/Resource.h"

#include <charconv>
#include <iterator>

namespace tallyvolt {

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

std::string FormatFixed2(double value)
{
    // printf's "%0.2f" follows LC_NUMERIC, which the toolkit sets from the environment; a
    // comma as decimal point would split a comma-delimited column.
    char out[64];
    auto result = std::to_chars(out, out + sizeof out, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc())
        return "0.00";
    return std::string(out, result.ptr);
}

std::string AcText(std::uint8_t acLineStatus)
{
    switch (acLineStatus) {
    case 0:
        return "Off";
    case 1:
        return "On";
    default:
        return "Unknown";
    }
}

std::string StateText(std::uint8_t batteryFlag)
{
    static const struct
    {
        std::uint8_t bit;
        const char* word;
    } kWords[] = {{0x01, "High"},     {0x02, "Low"},         {0x04, "Critical"},
                  {0x08, "Charging"}, {0x80, "No Battery"}};
    std::string text;
    for (const auto& w : kWords) {
        if (!(batteryFlag & w.bit))
            continue;
        if (!text.empty())
            text += "+";
        text += w.word;
    }
    return text.empty() ? "Unknown" : text;
}

std::string BatteryText(std::uint8_t percent)
{
    return percent > 100 ? "Unknown" : std::to_string(percent) + "%";
}

std::string BurnRateText(double percentPerMinute)
{
    return FormatFixed2(percentPerMinute) + "%/minute";
}

std::string StartHeader(const std::string& delimiter, const std::string& timeStamp)
{
    const std::string& d = delimiter;
    return std::string(text::kAppName) + " " + text::kVersion + " - started " + timeStamp +
           "\r\n" + "Time" + d + "Battery Life" + d + "AC Power" + d + "Battery State" + d +
           "CPU Usage\r\n";
}

std::string Record(const std::string& delimiter, const std::string& timeStamp,
                   unsigned batteryPercent, const std::string& acText,
                   const std::string& stateText, std::optional<std::uint32_t> cpuUsage)
{
    const std::string& d = delimiter;
    return timeStamp + d + std::to_string(batteryPercent) + "%" + d + acText + d + stateText + d +
           (cpuUsage ? std::to_string(*cpuUsage) + "%" : std::string("Unknown")) + "\r\n";
}

std::string StopFooter(const std::string& delimiter, const std::string& timeStamp,
                       const std::string& burnRateText, double cpuAverage)
{
    return std::string(text::kAppName) + " " + text::kVersion + " - stopped " + timeStamp +
           "\r\n" + "Battery Burn Rate: " + burnRateText + delimiter +
           "CPU Average:" + FormatFixed2(cpuAverage) + "%\r\n\r\n";
}

} // namespace tallyvolt
