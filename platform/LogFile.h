// The product log as the program holds it open: append-only, one writer, any readers.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace tallyvolt {

class LogFile
{
public:
    virtual ~LogFile() = default;
    // Opens or creates `path` for appending (never truncating) and takes the exclusive
    // writer's lock. Fails if the file cannot be opened, another process holds it, or it is
    // the same file as `protectedPath` (the settings file). False leaves nothing open.
    virtual bool Open(const std::string& path, const std::string& protectedPath) = 0;
    // Appends `text` in one piece and hands it to the operating system. On failure the file
    // is cut back to where it was, so no partial line is ever left; returns false then.
    virtual bool Append(const std::string& text) = 0;
    // True once the open file has lost its last name (deleted): whatever is appended then
    // reaches no reader. A renamed file still has a name and is not lost. False when closed.
    virtual bool IsDeleted() const = 0;
    // Releases the lock and closes the file; safe to call twice.
    virtual void Close() = 0;
};

// A new, unopened log file of the platform's kind.
std::unique_ptr<LogFile> CreateLogFile();
using LogFileFactory = std::function<std::unique_ptr<LogFile>()>;

} // namespace tallyvolt
