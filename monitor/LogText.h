// The exact text of the log: time stamps, start header, records and stop footer.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace tallyvolt {

// "MM/DD/YY HH:MM:SS", every field two digits, whatever the locale: the columns must never
// carry a delimiter of their own.
std::string FormatTimeStamp(const std::tm& local);

// A number with two decimals and a '.' as the decimal point in every locale.
std::string FormatFixed2(double value);

// "On", "Off" or "Unknown" for the AC line status 1, 0 or anything else.
std::string AcText(std::uint8_t acLineStatus);
// The battery flag bits as words joined by '+' ("High+Charging"), "Unknown" for none.
std::string StateText(std::uint8_t batteryFlag);
// "87%", or "Unknown" above 100.
std::string BatteryText(std::uint8_t percent);
// "0.25%/minute": the mean fall of the charge per minute, negative while it rises.
std::string BurnRateText(double percentPerMinute);

// Name and version line plus the column line, each ended by "\r\n".
std::string StartHeader(const std::string& delimiter, const std::string& timeStamp);

// One sample: time, charge as reported (255 when unknown), AC text, state text, processor
// usage ("Unknown" when it could not be read).
std::string Record(const std::string& delimiter, const std::string& timeStamp,
                   unsigned batteryPercent, const std::string& acText,
                   const std::string& stateText, std::optional<std::uint32_t> cpuUsage);

// Name and version line, the run's burn rate and processor average, and an empty line.
std::string StopFooter(const std::string& delimiter, const std::string& timeStamp,
                       const std::string& burnRateText, double cpuAverage);

} // namespace tallyvolt
