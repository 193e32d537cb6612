// The power status record and the interface that fills it.
#pragma once

#include "log/BatteryFlags.h"

#include <cstdint>
#include <memory>
#include <optional>

// One reading of the machine's power state. Values of 255 mean "unknown".
struct PowerStatus
{
    std::uint8_t linePower = 255;     // 0 off line, 1 on line, 255 unknown
    std::uint8_t batteryState = 255;  // bit set of tallyvolt::BatteryFlag, 255 unknown status
    std::uint8_t chargePercent = 255; // 0 to 100, 255 unknown
    // Watts drawn from the system's batteries: positive while they discharge, negative while
    // they charge; none where the system cannot tell (no battery reports it, or the platform
    // has no way to read it).
    std::optional<double> powerWatts;
};

namespace tallyvolt {

enum class PowerDrawReading
{
    Skipped, // readings may leave powerWatts empty
    Read,
};

class PowerSource
{
public:
    virtual ~PowerSource() = default;
    // Reads the current power state; anything that cannot be read comes back as 255.
    virtual PowerStatus Read() = 0;
    // Whether later readings include the power draw. Skipped until asked: a source that pays
    // for it (a query of every battery device) then spares that cost.
    virtual void SetPowerDrawReading(PowerDrawReading) {}
    // Lets the source learn of supplies coming, going or changing from the returned
    // descriptor, which the caller's event loop then watches, answering each readiness with
    // TakeChanges(). -1 where there is no such descriptor: Read() keeps finding out by itself.
    virtual int WatchChanges() { return -1; }
    // The descriptor from WatchChanges() became readable.
    virtual void TakeChanges() {}
};

// The machine's own power supplies.
std::unique_ptr<PowerSource> CreatePowerSource();

} // namespace tallyvolt
