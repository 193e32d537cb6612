// Processor usage from the kernel's tick counters in /proc/stat.
#pragma once

#include "platform/FirstInterval.h"
#include "platform/ProcessorStatistic.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/linux/Descriptor.h"

namespace tallyvolt {

// The busy share of all processors between two readings of the `cpu` line of /proc/stat.
class ProcStatStatistic : public ProcessorStatistic
{
public:
    // `statPath` is normally /proc/stat; `firstInterval` is shorter only for files that do not
    // tick (tests, fuzzing).
    explicit ProcStatStatistic(std::string statPath,
                               std::chrono::milliseconds firstInterval = FirstInterval::kShortest);

    // Takes the reference; if the file cannot be read now, the next good ReadUsage takes it.
    void StartCollecting() override;
    // Busy percent since the previous good reading, rounded to the nearest; the first reading
    // after the start waits until `firstInterval` has passed since it. Repeats the
    // previous figure (0 at first) when no tick passed; nullopt when the file cannot be read, or
    // when no reference was taken yet (before StartCollecting, after StopCollecting, after failed
    // reads): that reading then becomes the reference.
    std::optional<std::uint32_t> ReadUsage() override;
    // Drops the reference and the previous figure.
    void StopCollecting() override;

private:
    struct Ticks
    {
        std::uint64_t total = 0; // USER_HZ ticks, guest time not counted twice
        std::uint64_t idle = 0;  // idle and iowait ticks
    };

    std::optional<Ticks> ReadTicks() const;

    std::string m_path;
    mutable Descriptor m_file; // the stat file, kept open between readings
    std::optional<Ticks> m_previous;
    std::uint32_t m_lastUsage = 0;
    FirstInterval m_first;
};

} // namespace tallyvolt
