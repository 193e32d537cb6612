// The chart's file.
#include "report/ChartFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <strings.h>
#include <unistd.h>

namespace tallyvolt::report {

std::optional<Format> FormatOf(const std::string& path)
{
    auto endsWith = [&path](const char* extension) {
        const std::size_t n = std::strlen(extension);
        return path.size() > n && ::strcasecmp(path.c_str() + path.size() - n, extension) == 0;
    };
    if (endsWith(".svg"))
        return Format::Svg;
    if (endsWith(".png"))
        return Format::Png;
    return std::nullopt;
}

TempFile::TempFile(const std::string& target)
{
    std::random_device seed;
    std::mt19937 generator(seed());
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = target + ".tmp-";
        for (int i = 0; i < 6; ++i)
            path += kLetters[generator() % (sizeof kLetters - 1)];
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_path = path;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    m_error = errno;
}

TempFile::~TempFile()
{
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

bool IsComplete(const std::string& path, Format format)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return false;
    char tail[16] = {};
    const long want = sizeof tail;
    std::size_t got = 0;
    if (std::fseek(in, -want, SEEK_END) == 0)
        got = std::fread(tail, 1, sizeof tail, in);
    std::fclose(in);
    const std::string end(tail, got);
    if (format == Format::Png)
        return end.size() >= 12 &&
               end.compare(end.size() - 12, 12, std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12)) ==
                   0;
    const std::size_t close = end.rfind("</svg>");
    return close != std::string::npos &&
           end.find_first_not_of(" \r\n", close + 6) == std::string::npos;
}

} // namespace tallyvolt::report
