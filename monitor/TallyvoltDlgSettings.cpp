// The validating setters of the monitor's settings and the remembered position.
#include "monitor/TallyvoltDlg.h"

#include "settings/IniText.h"

#include <cctype>

CTallyvoltDlg::CTallyvoltDlg(tallyvolt::MonitorServices services)
    : m_clock(services.clock), m_power(services.power), m_processor(services.processor),
      m_logFiles(std::move(services.logFiles))
{
}

CTallyvoltDlg::~CTallyvoltDlg() = default;

bool CTallyvoltDlg::SetDelimiter(const std::string& name)
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

bool CTallyvoltDlg::SetExtraInfo(int value)
{
    if (value != 0 && value != 1)
        return false;
    m_extraInfo = value == 1;
    return true;
}

bool CTallyvoltDlg::SetPowerDraw(int value)
{
    if (value != 0 && value != 1)
        return false;
    m_powerDraw = value == 1;
    m_power.SetPowerDrawReading(m_powerDraw ? tallyvolt::PowerDrawReading::Read
                                            : tallyvolt::PowerDrawReading::Skipped);
    return true;
}

bool CTallyvoltDlg::SetUpdatePeriod(int seconds)
{
    if (seconds < 1 || seconds > 600)
        return false;
    m_updatePeriod = static_cast<std::uint32_t>(seconds) * 1000;
    return true;
}

bool CTallyvoltDlg::SetStartMinimized(int value)
{
    if (value != 0 && value != 1)
        return false;
    m_startMinimized = value == 1;
    return true;
}

namespace {

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
    std::optional<int> value = tallyvolt::ini::ParseInteger(text.substr(start, p - start));
    if (!value)
        return std::nullopt;
    pos = p;
    return *value;
}

} // namespace

void CTallyvoltDlg::SetWindowPosition(const std::string& value)
{
    std::size_t pos = 0;
    std::optional<std::int32_t> x = ScanInt(value, pos);
    if (!x)
        return;
    m_rememberedX = x;
    if (std::optional<std::int32_t> y = ScanInt(value, pos))
        m_rememberedY = y;
}

std::optional<std::string> CTallyvoltDlg::GetWindowPosition() const
{
    if (!m_rememberedX)
        return std::nullopt;
    std::string text = std::to_string(*m_rememberedX);
    if (m_rememberedY)
        text += " " + std::to_string(*m_rememberedY);
    return text;
}
