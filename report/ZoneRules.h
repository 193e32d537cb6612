// Reading the log's wall-clock stamps as moments in time, through a time zone's rules.
#pragma once

#include "report/LogModel.h"

#include <cstdint>
#include <string>

namespace tallyvolt::report {

// What one wall-clock reading stands for: usually one moment; two in the hour that is repeated
// when the clocks go back (the earlier first); none in the hour skipped when they go forward.
struct WallReading
{
    int count = 1;
    Instant earlier = 0, later = 0; // with count 0: the moment as if the clocks had not moved
};

// The rules of the zone the C library reads local time in: the reading machine's own (TZ), or
// the one UseNamedZone picked. Remembers the last minute it looked up.
class ZoneRules
{
public:
    WallReading Read(LocalSeconds local);

    // Makes `name` (an IANA name such as "Europe/Berlin") the zone of every later reading in
    // this process. False when no zone of that name is installed.
    static bool UseNamedZone(const std::string& name);

private:
    std::int64_t m_minute = INT64_MIN; // the local minute `m_reading` is for
    WallReading m_reading;
};

} // namespace tallyvolt::report
