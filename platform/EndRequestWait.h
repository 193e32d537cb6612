// The wait of a run without a window: until its next sample is due, or until something outside
// asks it to end (a signal, a console's Ctrl+C, taskkill, a logoff).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tallyvolt {

class TerminationSignals;

class EndRequestWait
{
public:
    virtual ~EndRequestWait() = default;
    // Milliseconds on a steady clock that counts suspend and never jumps with the wall clock.
    virtual std::int64_t NowMilliseconds() = 0;
    // Waits until NowMilliseconds() reaches `deadline`; true as soon as a request to end the
    // run has arrived (then at once), false when the deadline came first.
    virtual bool WaitUntil(std::int64_t deadline) = 0;
};

// Waits on `signals` (may be null where the system has none). `endRun` finishes the run (footer
// written); a system that may stop the process right after telling it that the session ends
// calls it itself before it lets the session go on.
std::unique_ptr<EndRequestWait> CreateEndRequestWait(TerminationSignals* signals,
                                                     std::function<void()> endRun);

} // namespace tallyvolt
