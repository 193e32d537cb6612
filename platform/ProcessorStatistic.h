// The processor-usage statistic that each sample reads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace tallyvolt {

class ProcessorStatistic
{
public:
    virtual ~ProcessorStatistic() = default;
    // Begins collecting: takes the reference the first ReadUsage measures from.
    virtual void StartCollecting() = 0;
    // Percent of processor time busy (0..100) since the previous reading or the start; the
    // first reading after the start measures at least 100 ms, waiting out the rest when called
    // sooner. nullopt when the statistic cannot be read at all.
    virtual std::optional<std::uint32_t> ReadUsage() = 0;
    // Ends collecting; ReadUsage after this measures from a fresh start.
    virtual void StopCollecting() = 0;
};

// The machine's own processor statistic.
std::unique_ptr<ProcessorStatistic> CreateProcessorStatistic();

} // namespace tallyvolt
