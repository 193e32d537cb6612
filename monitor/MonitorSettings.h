// The monitor's settings, each checked as it is set: a refused value changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallyvolt {

// A window position as the settings file gives it: the numbers found in that order, each
// missing where the text stops holding one.
struct PositionText
{
    std::optional<std::int32_t> x;
    std::optional<std::int32_t> y;
};

class MonitorSettings
{
public:
    // "TAB", "COMMA" or "SEMICOLON", exactly so.
    bool SetDelimiter(const std::string& name);
    // 1: header, column line and footer around the records; 0: records only.
    bool SetExtraInfo(int value);
    // 1: a "Power Draw" column, the average power in the footer and a "Power:" figure.
    bool SetPowerDraw(int value);
    // 1 to 600 seconds.
    bool SetUpdatePeriod(int seconds);
    // 0 or 1.
    bool SetStartMinimized(int value);

    // "x y": each a "%d" number within 32 bits; reading stops at the first that is not.
    static PositionText ReadPosition(const std::string& value);

    const std::string& Delimiter() const { return m_delimiter; }
    bool ExtraInfo() const { return m_extraInfo; }
    bool PowerDraw() const { return m_powerDraw; }
    std::uint32_t UpdatePeriodMs() const { return m_updatePeriod; }
    bool StartMinimized() const { return m_startMinimized; }

private:
    std::string m_delimiter = "\t";
    bool m_extraInfo = true;
    bool m_powerDraw = false;
    std::uint32_t m_updatePeriod = 60000; // milliseconds
    bool m_startMinimized = false;
};

} // namespace tallyvolt
