// Fuzz target: the power-supply reader over a tree whose files hold the fuzzer's bytes. The
// input is split at NUL bytes into a battery's uevent, type, status, energy_now, energy_full
// and capacity, and a mains adapter's uevent and online.
#include "platform/linux/SysfsPowerSource.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string MakeTree()
{
    char pattern[] = "/tmp/tallyvolt-fuzz-XXXXXX";
    const std::string root = ::mkdtemp(pattern);
    ::mkdir((root + "/BAT0").c_str(), 0755);
    ::mkdir((root + "/AC").c_str(), 0755);
    return root;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string root = MakeTree();
    static const char* files[] = {"BAT0/uevent",     "BAT0/type",        "BAT0/status",
                                  "BAT0/energy_now", "BAT0/energy_full", "BAT0/capacity",
                                  "AC/uevent",       "AC/online"};
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (const char* file : files) {
        const std::size_t cut = std::min(input.find('\0'), input.size());
        const std::string path = root + "/" + file;
        if (cut == 0 && input.empty()) {
            ::unlink(path.c_str());
        } else {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << input.substr(0, cut);
        }
        input.remove_prefix(std::min(cut + 1, input.size()));
    }
    const PowerStatus status = tallyvolt::SysfsPowerSource(root).Read();
    if (status.chargePercent > 100 && status.chargePercent != 255)
        std::abort();
    if (status.linePower > 1 && status.linePower != 255)
        std::abort();
    // The kernel's values fit in 31 bits: µW below 2200 W, µA times µV below 4.7 MW.
    if (status.powerWatts && !(std::fabs(*status.powerWatts) < 4.7e6))
        std::abort();
    return 0;
}
