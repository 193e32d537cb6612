// The parts of a run on a Linux desktop: the catcher of the signals that end a run (logout,
// kill).
#include "app/Wiring.h"

namespace tallyvolt {

std::unique_ptr<TerminationSignals> CatchEndRequests()
{
    return CatchTerminationSignals();
}

} // namespace tallyvolt
