// The chart's file: its format from its name, a temporary file to draw into, and the check
// that the drawing was written whole.
#pragma once

#include <optional>
#include <string>

namespace tallyvolt::report {

enum class Format
{
    Svg,
    Png
};

// By the name's extension, in any case; none for any other.
std::optional<Format> FormatOf(const std::string& path);

// A new file next to the target, removed again unless kept. Path() is empty, and Error() the
// errno, when none could be made.
class TempFile
{
public:
    explicit TempFile(const std::string& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return m_path; }
    int Error() const { return m_error; }
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
    int m_error = 0;
};

// True when the file ends the way a whole SVG or PNG file ends.
bool IsComplete(const std::string& path, Format format);

} // namespace tallyvolt::report
