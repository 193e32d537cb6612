// Waiting with poll() on the termination signals' self-pipe, timed on CLOCK_BOOTTIME.
#include "platform/EndRequestWait.h"

#include "platform/TerminationSignals.h"

#include <poll.h>
#include <time.h>

#include <cerrno>

namespace tallyvolt {
namespace {

class PosixEndRequestWait : public EndRequestWait
{
public:
    explicit PosixEndRequestWait(TerminationSignals* signals) : m_signals(signals) {}

    std::int64_t NowMilliseconds() override
    {
        // BOOTTIME goes on while the machine sleeps: a run of an hour ends an hour after its
        // start, however much of it was spent suspended.
        timespec now{};
        ::clock_gettime(CLOCK_BOOTTIME, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    }

    bool WaitUntil(std::int64_t deadline) override
    {
        for (;;) {
            if (m_signals && m_signals->Take())
                return true;
            const std::int64_t left = deadline - NowMilliseconds();
            if (left <= 0)
                return false;
            // poll() sleeps on the monotonic clock, which stops during suspend; the loop looks
            // at the time again after every wake-up, so a deadline passed asleep ends the wait.
            pollfd fd{m_signals ? m_signals->Handle() : -1, POLLIN, 0};
            const int timeout = left > 60000 ? 60000 : static_cast<int>(left);
            if (::poll(&fd, 1, timeout) < 0 && errno != EINTR)
                return false;
        }
    }

private:
    TerminationSignals* m_signals;
};

} // namespace

std::unique_ptr<EndRequestWait> CreateEndRequestWait(TerminationSignals* signals,
                                                     std::function<void()> /*endRun*/)
{
    // A logout reaches a Linux process as SIGHUP or SIGTERM, which the signals catch; nothing
    // here has to finish the run before answering.
    return std::make_unique<PosixEndRequestWait>(signals);
}

} // namespace tallyvolt
