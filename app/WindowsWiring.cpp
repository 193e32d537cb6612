// The parts of a run on Windows: logoff and shutdown reach the dialog itself (WM_ENDSESSION),
// so no other catcher of requests to end is needed.
#include "app/Wiring.h"

namespace tallyvolt {

std::unique_ptr<TerminationSignals> CatchEndRequests()
{
    return nullptr;
}

} // namespace tallyvolt
