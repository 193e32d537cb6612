// Temporary folders and small file helpers for tests.
#include "fakes/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>
#include <sys/stat.h>

namespace tallyvolt::test {

TempFolder::TempFolder()
{
#ifdef _WIN32
    // No mkdtemp: a random name, made only if it is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
        const auto path =
            std::filesystem::temp_directory_path() / ("tallyvolt-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(path, error))
            m_path = path.string();
    }
    if (m_path.empty())
        throw std::runtime_error("no temporary folder");
#else
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tallyvolt-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
#endif
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    // Tests take permissions away; give them back so the folder can go.
#ifndef _WIN32
    for (auto& entry : std::filesystem::recursive_directory_iterator(
             m_path, std::filesystem::directory_options::skip_permission_denied, ignored))
        ::chmod(entry.path().c_str(), 0700);
#endif
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path)
{
#ifdef _WIN32
    std::error_code ignored;
    return std::filesystem::exists(std::filesystem::u8path(path), ignored);
#else
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
#endif
}

} // namespace tallyvolt::test
