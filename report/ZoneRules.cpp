// Local time through the C library's zone rules.
#include "report/ZoneRules.h"

#include "platform/FileOpening.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace tallyvolt::report {
namespace {

// Seconds from 1970-01-01 to 2000-01-01, where the log's clock counts from.
constexpr std::int64_t kFrom1970 = 946684800;

// Seconds east of UTC that the zone's wall clock showed at `instant`.
std::int64_t OffsetAt(Instant instant)
{
    const std::time_t t = static_cast<std::time_t>(instant + kFrom1970);
    std::tm local{};
#if defined(_WIN32)
    // No tm_gmtoff: the local fields read back as if they were UTC give the offset.
    if (localtime_s(&local, &t) != 0)
        return 0;
    return static_cast<std::int64_t>(_mkgmtime(&local)) - static_cast<std::int64_t>(t);
#else
    if (!localtime_r(&t, &local))
        return 0;
    return local.tm_gmtoff;
#endif
}

} // namespace

WallReading ZoneRules::Read(LocalSeconds local)
{
    // Zones change their offset on whole minutes, so one look-up serves a minute of stamps.
    const std::int64_t minute = local >= 0 ? local / 60 : (local - 59) / 60;
    const LocalSeconds second = local - minute * 60;
    if (minute != m_minute) {
        m_minute = minute;
        const LocalSeconds start = minute * 60;
        // The offsets in force a day either side cover both sides of any change near `start`.
        const std::int64_t before = OffsetAt(start - 86400);
        const std::int64_t after = OffsetAt(start + 86400);
        WallReading r;
        r.count = 0;
        Instant found[2] = {};
        for (const std::int64_t offset : {before, after}) {
            const Instant candidate = start - offset;
            if (OffsetAt(candidate) == offset && (r.count == 0 || found[0] != candidate))
                found[r.count++] = candidate;
            if (before == after)
                break;
        }
        if (r.count == 2 && found[1] < found[0])
            std::swap(found[0], found[1]);
        r.earlier = r.count == 0 ? start - before : found[0];
        r.later = r.count == 2 ? found[1] : r.earlier;
        m_reading = r;
    }
    WallReading r = m_reading;
    r.earlier += second;
    r.later += second;
    return r;
}

bool ZoneRules::UseNamedZone(const std::string& name)
{
    // Only a zone file of the installed database: the C library takes any other text for a
    // rule of its own, or for UTC, without a word.
    if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos)
        return false;
#if defined(_WIN32)
    return false; // Windows' C library knows no zone by its IANA name
#else
    const char* directory = std::getenv("TZDIR");
    const std::string path =
        std::string(directory && *directory ? directory : "/usr/share/zoneinfo") + "/" + name;
    std::FILE* file = OpenFileStream(path, "rb");
    if (!file)
        return false;
    char magic[4] = {};
    const bool zoneFile = std::fread(magic, 1, sizeof magic, file) == sizeof magic &&
                          std::memcmp(magic, "TZif", 4) == 0;
    std::fclose(file);
    if (!zoneFile || ::setenv("TZ", (":" + name).c_str(), 1) != 0)
        return false;
    ::tzset();
    return true;
#endif
}

} // namespace tallyvolt::report
