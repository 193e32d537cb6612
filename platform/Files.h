// Whole-file reads and replacements used for the settings file.
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

// Replaces the file at `path` by `content` through a temporary file beside it and a rename,
// so readers see the old file or the new one, never a mix. A symbolic link at `path` stays a
// link: the file it points to is replaced. Keeps the old file's permissions. False on failure,
// leaving the old file untouched.
bool ReplaceFileAtomically(const std::string& path, const std::string& content);

} // namespace tallyvolt
