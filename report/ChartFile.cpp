// The chart's file.
#include "report/ChartFile.h"

#include "platform/FileOpening.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

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

bool IsComplete(const std::string& path, Format format)
{
    std::FILE* in = OpenFileStream(path, "rb");
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
