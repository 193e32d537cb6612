// SIGTERM, SIGINT and SIGHUP through a self-pipe: the handler only writes a byte; the event
// loop reads it and ends the run, with all the file work outside the handler.
#include "platform/TerminationSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace tallyvolt {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t g_writeEnd = -1;

extern "C" void OnTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    if (g_writeEnd >= 0)
        (void)!::write(g_writeEnd, &byte, 1); // a full pipe already holds a request
    errno = saved;
}

class PosixTerminationSignals : public TerminationSignals
{
public:
    PosixTerminationSignals(int readEnd, int writeEnd) : m_read(readEnd), m_write(writeEnd)
    {
        g_writeEnd = m_write;
        struct sigaction action = {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &action, &m_previous[i]);
    }

    ~PosixTerminationSignals() override
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i)
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        g_writeEnd = -1;
        ::close(m_read);
        ::close(m_write);
    }

    int Handle() const override { return m_read; }

    bool Take() override
    {
        bool any = false;
        char buffer[16];
        while (::read(m_read, buffer, sizeof buffer) > 0)
            any = true;
        return any;
    }

private:
    int m_read;
    int m_write;
    struct sigaction m_previous[std::size(kSignals)];
};

} // namespace

std::unique_ptr<TerminationSignals> CatchTerminationSignals()
{
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        return nullptr;
    return std::make_unique<PosixTerminationSignals>(ends[0], ends[1]);
}

} // namespace tallyvolt
