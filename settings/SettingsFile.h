// The program's settings file: read once at start-up, one key written back at the end.
#pragma once

#include <optional>
#include <string>

#include "platform/Files.h"

namespace tallyvolt {

class SettingsFile
{
public:
    // Settings files are small; anything larger is not taken for one.
    static constexpr std::size_t kSizeLimit = 1024 * 1024;

    SettingsFile(std::string path, std::string section);

    // Reads the file. A missing or unreadable file leaves every key at its default.
    void Load();
    // How the last Load went.
    ReadResult State() const { return m_state; }
    const std::string& Path() const { return m_path; }

    // The stripped value of `key`, or `fallback` when the key is missing.
    std::string GetString(const std::string& key, const std::string& fallback) const;
    // The integer value of `key`, `fallback` when missing, nullopt when out of 32-bit range.
    std::optional<int> GetInteger(const std::string& key, int fallback) const;

    // Sets `key` in the file as it is on disk now, changing only that line, and replaces the
    // file atomically. Refuses (false) when the file could not be read at start-up or now, so
    // that a file the program could not understand is never overwritten.
    bool WriteString(const std::string& key, const std::string& value);

private:
    std::string m_path;
    std::string m_section;
    std::string m_text;
    ReadResult m_state = ReadResult::Missing;
};

} // namespace tallyvolt
