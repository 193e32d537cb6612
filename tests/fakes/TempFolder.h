// A temporary folder of a test's own, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace tallyvolt::test {

class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Absolute path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Whole contents of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes `content` to `path`, replacing it; throws on failure so a broken set-up is loud.
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

} // namespace tallyvolt::test
