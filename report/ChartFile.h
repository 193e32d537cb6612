// The chart's file: its format from its name, and the check that the drawing was written whole.
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

// True when the file ends the way a whole SVG or PNG file ends.
bool IsComplete(const std::string& path, Format format);

} // namespace tallyvolt::report
