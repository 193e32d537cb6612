// The settings file on disk.
#include "settings/SettingsFile.h"

#include "settings/IniText.h"

namespace tallyvolt {

SettingsFile::SettingsFile(std::string path, std::string section)
    : m_path(std::move(path)), m_section(std::move(section))
{
}

namespace {

// Text in UTF-16 or UTF-32 (Notepad's "Unicode"): its keys cannot be read byte by byte, and an
// ASCII line written into it would ruin it.
bool IsWideText(const std::string& text)
{
    return text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0 ||
           text.rfind(std::string("\0\0\xFE\xFF", 4), 0) == 0;
}

ReadResult Read(const std::string& path, std::string& text)
{
    ReadResult result = ReadWholeFile(path, SettingsFile::kSizeLimit, text);
    if (result == ReadResult::Ok && IsWideText(text))
        result = ReadResult::Unreadable;
    if (result != ReadResult::Ok)
        text.clear();
    return result;
}

} // namespace

void SettingsFile::Load() { m_state = Read(m_path, m_text); }

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
    const ReadResult now = Read(m_path, current);
    if (now == ReadResult::Unreadable)
        return false;
    std::string updated = ini::SetValue(current, m_section, key, value);
    if (now == ReadResult::Ok && updated == current)
        return true;
    return ReplaceFileAtomically(m_path, updated);
}

} // namespace tallyvolt
