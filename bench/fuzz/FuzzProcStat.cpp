// Fuzz target: the processor statistic over two /proc/stat snapshots (the input split at the
// first NUL byte). A usage, when there is one, is a percentage.
#include "platform/linux/ProcStatStatistic.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/tallyvolt-fuzz-stat-" + std::to_string(::getpid());
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = std::min(input.find('\0'), input.size());
    tallyvolt::ProcStatStatistic statistic(path, std::chrono::milliseconds(0));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << input.substr(0, cut);
    statistic.StartCollecting();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << input.substr(std::min(cut + 1, input.size()));
    for (int i = 0; i < 2; ++i)
        if (std::optional<std::uint32_t> usage = statistic.ReadUsage(); usage && *usage > 100)
            std::abort();
    return 0;
}
