// The settings file on disk.
#include "settings/SettingsFile.h"

#include "settings/IniText.h"
#include "settings/TextEncoding.h"

namespace tallyvolt {

SettingsFile::SettingsFile(std::string path, std::string section)
    : m_path(std::move(path)), m_section(std::move(section))
{
}

namespace {

// Reads the file as UTF-8 text, whatever its encoding on disk (`encoding`). A file in an
// encoding the program does not write (UTF-16 big-endian, UTF-32), or UTF-16 that is not valid,
// is unreadable: its keys cannot be read, and a line written into it would ruin it.
ReadResult Read(const std::string& path, std::string& text, encoding::Encoding& encoding)
{
    ReadResult result = ReadWholeFile(path, SettingsFile::kSizeLimit, text);
    encoding = encoding::Detect(text);
    if (result == ReadResult::Ok && encoding == encoding::Encoding::Utf16Le) {
        std::optional<std::string> decoded = encoding::Utf16LeToUtf8(text);
        if (decoded)
            text = std::move(*decoded);
        else
            result = ReadResult::Unreadable;
    } else if (result == ReadResult::Ok && encoding == encoding::Encoding::Unsupported) {
        result = ReadResult::Unreadable;
    }
    if (result != ReadResult::Ok)
        text.clear();
    return result;
}

} // namespace

void SettingsFile::Load()
{
    encoding::Encoding unused;
    m_state = Read(m_path, m_text, unused);
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
    encoding::Encoding onDisk;
    const ReadResult now = Read(m_path, current, onDisk);
    if (now == ReadResult::Unreadable)
        return false;
    std::string updated = ini::SetValue(current, m_section, key, value);
    if (now == ReadResult::Ok && updated == current)
        return true;
    // Written back in the encoding it came in, mark and line ends included.
    if (now == ReadResult::Ok && onDisk == encoding::Encoding::Utf16Le) {
        std::optional<std::string> encoded = encoding::Utf8ToUtf16Le(updated);
        if (!encoded)
            return false;
        updated = std::move(*encoded);
    }
    return ReplaceFileAtomically(m_path, updated);
}

} // namespace tallyvolt
