// Composition of the log's lines, and the reading of their fields.
#include "log/LogText.h"

#include "resources/Texts.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace tallyvolt {

std::string NameLinePrefix()
{
    return std::string(text::kAppName) + " v";
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

std::string AcText(std::uint8_t linePower)
{
    return std::string(linePower < std::size(kAcWords) ? kAcWords[linePower] : kUnknown);
}

std::optional<std::uint8_t> ParseAcText(std::string_view text)
{
    for (std::uint8_t status = 0; status < std::size(kAcWords); ++status)
        if (text == kAcWords[status])
            return status;
    if (text == kUnknown)
        return std::uint8_t{255};
    return std::nullopt;
}

std::string StateText(std::uint8_t batteryState)
{
    std::string text;
    for (const StateWord& w : kStateWords) {
        if (!(batteryState & w.bit))
            continue;
        if (!text.empty())
            text += "+";
        text += w.word;
    }
    return text.empty() ? std::string(kUnknown) : text;
}

std::optional<std::uint8_t> ParseStateText(std::string_view text)
{
    if (text == kUnknown)
        return 0;
    std::uint8_t bits = 0;
    while (!text.empty()) {
        const std::size_t plus = text.find('+');
        const std::string_view word = text.substr(0, plus);
        const auto known = std::find_if(std::begin(kStateWords), std::end(kStateWords),
                                        [word](const StateWord& w) { return w.word == word; });
        if (known == std::end(kStateWords) || (bits & known->bit))
            return std::nullopt;
        bits |= known->bit;
        if (plus == std::string_view::npos)
            break;
        text.remove_prefix(plus + 1);
        if (text.empty())
            return std::nullopt; // a trailing '+'
    }
    return bits == 0 ? std::nullopt : std::optional<std::uint8_t>(bits);
}

std::string BatteryText(std::uint8_t percent)
{
    return percent > 100 ? std::string(kUnknown) : std::to_string(percent) + "%";
}

std::optional<std::uint32_t> ParsePercent(std::string_view text, std::size_t maxDigits)
{
    if (text.size() < 2 || text.size() > maxDigits + 1 || text.back() != '%')
        return std::nullopt;
    // Digit by digit: this runs twice for every record a report reads, and from_chars costs
    // several times more for two or three digits.
    std::uint64_t value = 0;
    for (const char c : text.substr(0, text.size() - 1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string BurnRateText(double percentPerMinute)
{
    return FormatFixed2(percentPerMinute) + std::string(kPerMinute);
}

std::optional<double> ParseBurnRateText(std::string_view text)
{
    if (text.size() <= kPerMinute.size() ||
        text.substr(text.size() - kPerMinute.size()) != kPerMinute)
        return std::nullopt;
    return ParseNumber(text.substr(0, text.size() - kPerMinute.size()));
}

std::optional<double> ParseNumber(std::string_view text)
{
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string PowerText(std::optional<double> watts)
{
    if (!watts)
        return std::string(kUnknown);
    std::string text = FormatFixed2(*watts);
    // A draw that rounds to nothing is no draw, whichever side of zero it came from.
    if (text == "-0.00")
        text = "0.00";
    return text + "W";
}

std::optional<double> ParsePowerText(std::string_view text)
{
    if (text.size() < 2 || text.back() != 'W')
        return std::nullopt;
    return ParseNumber(text.substr(0, text.size() - 1));
}

std::string StartHeader(const std::string& delimiter, const std::string& timeStamp,
                        bool powerColumn)
{
    std::string out = std::string(text::kAppName) + " " + text::kVersion + std::string(kStarted) +
                      timeStamp + "\r\n";
    for (const std::string_view column : kColumns) {
        if (column != kColumns[0])
            out += delimiter;
        out += column;
    }
    if (powerColumn)
        out += delimiter + std::string(kPowerColumn);
    return out + "\r\n";
}

std::string Record(const std::string& delimiter, const std::string& timeStamp,
                   unsigned batteryPercent, const std::string& acText, const std::string& stateText,
                   std::optional<std::uint32_t> cpuUsage,
                   const std::optional<std::string>& powerText)
{
    // Appended into one string sized for the whole line: one allocation a record, where a
    // chain of concatenations made one for each step.
    const std::string percent = std::to_string(batteryPercent);
    const std::string cpu = cpuUsage ? std::to_string(*cpuUsage) : std::string();
    std::string line;
    line.reserve(timeStamp.size() + percent.size() + acText.size() + stateText.size() + cpu.size() +
                 kUnknown.size() + (powerText ? powerText->size() : 0) + 5 * delimiter.size() + 4);
    line.append(timeStamp).append(delimiter).append(percent).append("%").append(delimiter);
    line.append(acText).append(delimiter).append(stateText).append(delimiter);
    if (cpuUsage)
        line.append(cpu).append("%");
    else
        line.append(kUnknown);
    if (powerText)
        line.append(delimiter).append(*powerText);
    return line.append("\r\n");
}

std::string StopFooter(const std::string& delimiter, const std::string& timeStamp,
                       const std::string& burnRateText, double cpuAverage,
                       const std::optional<std::string>& averagePowerText)
{
    return std::string(text::kAppName) + " " + text::kVersion + std::string(kStopped) + timeStamp +
           "\r\n" + std::string(kBurnRatePrefix) + burnRateText + delimiter +
           std::string(kCpuAveragePrefix) + FormatFixed2(cpuAverage) + "%" +
           (averagePowerText ? delimiter + std::string(kAveragePowerPrefix) + *averagePowerText
                             : std::string()) +
           "\r\n\r\n";
}

} // namespace tallyvolt
