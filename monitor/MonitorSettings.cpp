// The checks of every monitor setting.
#include "monitor/MonitorSettings.h"

#include "settings/IniText.h"

#include <cctype>

namespace tallyvolt {

namespace {

// The switches take 0 or 1 and nothing else.
bool SetSwitch(int value, bool& target)
{
    if (value != 0 && value != 1)
        return false;
    target = value == 1;
    return true;
}

// One "%d" conversion: blanks, an optional sign and at least one digit. Advances `pos` past
// it; nullopt for no number or one beyond 32 bits, where scanf's behaviour is undefined.
std::optional<std::int32_t> ScanInt(const std::string& text, std::size_t& pos)
{
    std::size_t p = pos;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    const std::size_t start = p;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        ++p;
    const std::size_t digits = p;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9')
        ++p;
    if (p == digits)
        return std::nullopt;
    std::optional<int> value = ini::ParseInteger(text.substr(start, p - start));
    if (!value)
        return std::nullopt;
    pos = p;
    return *value;
}

} // namespace

bool MonitorSettings::SetDelimiter(const std::string& name)
{
    if (name == "TAB")
        m_delimiter = "\t";
    else if (name == "COMMA")
        m_delimiter = ",";
    else if (name == "SEMICOLON")
        m_delimiter = ";";
    else
        return false;
    return true;
}

bool MonitorSettings::SetExtraInfo(int value)
{
    return SetSwitch(value, m_extraInfo);
}

bool MonitorSettings::SetPowerDraw(int value)
{
    return SetSwitch(value, m_powerDraw);
}

bool MonitorSettings::SetUpdatePeriod(int seconds)
{
    if (seconds < 1 || seconds > 600)
        return false;
    m_updatePeriod = static_cast<std::uint32_t>(seconds) * 1000;
    return true;
}

bool MonitorSettings::SetStartMinimized(int value)
{
    return SetSwitch(value, m_startMinimized);
}

PositionText MonitorSettings::ReadPosition(const std::string& value)
{
    PositionText position;
    std::size_t pos = 0;
    position.x = ScanInt(value, pos);
    if (position.x)
        position.y = ScanInt(value, pos);
    return position;
}

} // namespace tallyvolt
