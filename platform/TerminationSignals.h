// Requests to end the program from outside (a logout, a shutdown, kill, Ctrl+C), turned into
// something the event loop can wait on, so the run ends the way the close box ends it.
#pragma once

#include <memory>

namespace tallyvolt {

class TerminationSignals
{
public:
    virtual ~TerminationSignals() = default;
    // A descriptor that becomes readable when such a request has arrived.
    virtual int Handle() const = 0;
    // Consumes the pending requests; true if there was any.
    virtual bool Take() = 0;
};

// Catches the requests from now until the returned object goes away, when the default
// handling returns. Nullptr if they cannot be caught.
std::unique_ptr<TerminationSignals> CatchTerminationSignals();

} // namespace tallyvolt
