// One running copy per user, and the way a second copy reaches the first.
#pragma once

#include <memory>
#include <string>

namespace tallyvolt {

class SingleInstance
{
public:
    enum class Claim
    {
        Acquired,       // this copy is the one that runs
        AlreadyRunning, // another copy holds the claim
        Unavailable,    // the claim could not be checked (no usable runtime folder)
    };

    virtual ~SingleInstance() = default;
    // Takes the per-user claim atomically; it is held until this object goes away or the
    // process ends, however it ends.
    virtual Claim TryAcquire() = 0;
    // From a second copy: asks the running copy to bring its window to the front.
    // False when no running copy listens.
    virtual bool AskRunningCopyToSurface() = 0;
    // In the running copy: a descriptor that becomes readable when a surfacing request
    // arrives, or -1 when there is none.
    virtual int SurfaceRequestHandle() const = 0;
    // In the running copy: consumes the pending requests; true if any asked to surface.
    virtual bool TakeSurfaceRequests() = 0;
    // In a running copy with no window: stops hearing surfacing requests, so that a second
    // copy learns there is no window to surface rather than asking in vain.
    virtual void StopHearingSurfaceRequests() {}
};

// The claim for the current user, kept in `runtimeFolder` (empty: the platform's usual place).
std::unique_ptr<SingleInstance> CreateSingleInstance(const std::string& runtimeFolder = {});

} // namespace tallyvolt
