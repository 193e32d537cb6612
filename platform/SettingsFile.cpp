// The settings file on disk.
#include "platform/SettingsFile.h"

#include "platform/IniText.h"

namespace tallyvolt {

SettingsFile::SettingsFile(std::string path, std::string section)
    : m_path(std::move(path)), m_section(std::move(section))
{
}

void SettingsFile::Load()
{
    m_text.clear();
    m_state = ReadWholeFile(m_path, kSizeLimit, m_text);
    if (m_state != ReadResult::Ok)
        m_text.clear();
}

std::string SettingsFile::GetString(const std::string& key, const std::string& fallback) const
{
    return ini::FindValue(m_text, m_section, key).value_or(fallback);
}

std::optional<int> SettingsFile::GetInteger(const std::string& key, int fallback) const
{
    std::optional<std::string> text = ini::FindValue(m_text, m_section, key);
    if (!text)
        return fallback;
    return ini::ParseInteger(*text);
}

bool SettingsFile::WriteString(const std::string& key, const std::string& value)
{
    if (m_state == ReadResult::Unreadable)
        return false;
    // Start from the file as it is now: the user may have edited it during a long run.
    std::string current;
    ReadResult now = ReadWholeFile(m_path, kSizeLimit, current);
    if (now == ReadResult::Unreadable)
        return false;
    if (now == ReadResult::Missing)
        current.clear();
    std::string updated = ini::SetValue(current, m_section, key, value);
    if (now == ReadResult::Ok && updated == current)
        return true;
    return ReplaceFileAtomically(m_path, updated);
}

} // namespace tallyvolt
