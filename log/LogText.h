// The exact text of the log: start header, column line, records and stop footer, written by the
// monitor and read back by tallyvolt-report.
#pragma once

#include "log/BatteryFlags.h"
#include "log/TimeStamp.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace tallyvolt {

// The parts of the lines that the reader recognises them by.
constexpr std::string_view kStarted = " - started ";
constexpr std::string_view kStopped = " - stopped ";
constexpr std::string_view kBurnRatePrefix = "Battery Burn Rate: ";
constexpr std::string_view kCpuAveragePrefix = "CPU Average:";
constexpr std::string_view kAveragePowerPrefix = "Average Power:";
constexpr std::string_view kPerMinute = "%/minute";
constexpr std::string_view kUnknown = "Unknown";
constexpr std::string_view kAcWords[] = {"Off", "On"}; // for the AC line status 0 and 1
constexpr std::string_view kColumns[] = {"Time", "Battery Life", "AC Power", "Battery State",
                                         "CPU Usage"};
constexpr std::size_t kFieldCount = std::size(kColumns);
// The sixth column, with PowerDraw=1.
constexpr std::string_view kPowerColumn = "Power Draw";

// "Tallyvolt v": how the start header's and the stop footer's first lines begin, whatever the
// version that wrote them.
std::string NameLinePrefix();

// A number with two decimals and a '.' as the decimal point in every locale.
std::string FormatFixed2(double value);

// "On", "Off" or "Unknown" for the AC line status 1, 0 or anything else.
std::string AcText(std::uint8_t linePower);
// 1, 0 or 255 for "On", "Off" or "Unknown"; none for any other text.
std::optional<std::uint8_t> ParseAcText(std::string_view text);
// The battery flag bits as words joined by '+' ("High+Charging"), "Unknown" for none.
std::string StateText(std::uint8_t batteryState);
// The bits of such words, 0 for "Unknown"; none for an unknown or repeated word.
std::optional<std::uint8_t> ParseStateText(std::string_view text);
// "87%", or "Unknown" above 100.
std::string BatteryText(std::uint8_t percent);
// "87%": a whole number of at most `maxDigits` (up to 19) digits followed by '%'.
std::optional<std::uint32_t> ParsePercent(std::string_view text, std::size_t maxDigits);
// "0.25%/minute": the mean fall of the charge per minute, negative while it rises.
std::string BurnRateText(double percentPerMinute);
// The number of such a text; none for "Undefined" or anything else.
std::optional<double> ParseBurnRateText(std::string_view text);

// "7.42W", "-5.26W" (charging), "0.00W" (never "-0.00W"), or "Unknown".
std::string PowerText(std::optional<double> watts);
// The watts of such a text; none for "Unknown" or anything else.
std::optional<double> ParsePowerText(std::string_view text);

// Name and version line plus the column line, each ended by "\r\n"; the column line ends in
// "Power Draw" when `powerColumn`.
std::string StartHeader(const std::string& delimiter, const std::string& timeStamp,
                        bool powerColumn = false);

// One sample: time, charge as reported (255 when unknown), AC text, state text, processor
// usage ("Unknown" when it could not be read), and the power text when the log has that
// column.
std::string Record(const std::string& delimiter, const std::string& timeStamp,
                   unsigned batteryPercent, const std::string& acText, const std::string& stateText,
                   std::optional<std::uint32_t> cpuUsage,
                   const std::optional<std::string>& powerText = std::nullopt);

// Name and version line, the run's burn rate and processor average (and, when the log has the
// power column, "Average Power:" and the average power's text), and an empty line.
std::string StopFooter(const std::string& delimiter, const std::string& timeStamp,
                       const std::string& burnRateText, double cpuAverage,
                       const std::optional<std::string>& averagePowerText = std::nullopt);

// A number as written in the footer: the whole text must be the number.
std::optional<double> ParseNumber(std::string_view text);

} // namespace tallyvolt
