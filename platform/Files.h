// Whole-file reads and replacements, for the settings file and the report's charts.
#pragma once

#include <cstddef>
#include <string>

namespace tallyvolt {

enum class ReadResult
{
    Ok,
    Missing,    // no file there
    Unreadable, // there, but not a readable regular file within the size limit
};

// Reads all of `path` into `content`, at most `limit` bytes.
ReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string& content);

// A new file that takes the place of the one at `path` only when committed: it is made beside
// the file it replaces and renamed over it, so readers see the old file or the new one, never a
// mix. A symbolic link at `path` stays a link: the file it finally names is replaced. The new
// file keeps the old one's permissions, and its data are on disk before the rename. Until it is
// committed, the new file is removed when this goes away.
class ReplacementFile
{
public:
    explicit ReplacementFile(const std::string& path);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Whether the new file could be made; otherwise Error() holds the errno.
    bool IsOpen() const { return m_fd >= 0; }
    int Error() const { return m_error; }
    // Where the new file is, for writers that open it by name.
    const std::string& TempPath() const { return m_temp; }
    // Appends to the new file; false on a write error.
    bool Write(const std::string& content);
    // Puts the new file in the old one's place. False on failure (Error() says why), leaving the
    // old file untouched.
    bool Commit();

private:
    std::string m_target; // the file replaced, links followed
    std::string m_temp;
    int m_fd = -1;
    unsigned m_mode = 0;
    bool m_exists = false;
    int m_error = 0;
};

// Replaces the file at `path` by `content` through a temporary file beside it and a rename,
// so readers see the old file or the new one, never a mix. A symbolic link at `path` stays a
// link: the file it points to is replaced. Keeps the old file's permissions. False on failure,
// leaving the old file untouched.
bool ReplaceFileAtomically(const std::string& path, const std::string& content);

} // namespace tallyvolt
