// The toolkit backend for the session, chosen before the toolkit starts.
#include "platform/linux/WindowingSystem.h"

#include <cstdlib>
#include <cstring>

namespace tallyvolt {
namespace {

bool IsSet(const char* value)
{
    return value && *value;
}

} // namespace

const char* PreferredToolkitBackend(const char* gdkBackend, const char* waylandDisplay,
                                    const char* sessionType, const char* display)
{
    // A Wayland client has no global coordinates: it can neither open where it was left nor
    // learn where it was moved to, and the compositor ignores always-on-top. Through Xwayland
    // the same window behaves as on X11.
    const bool wayland =
        IsSet(waylandDisplay) || (IsSet(sessionType) && std::strcmp(sessionType, "wayland") == 0);
    if (IsSet(gdkBackend) || !wayland || !IsSet(display))
        return nullptr;
    return "x11";
}

void ChooseToolkitBackend()
{
    if (const char* backend =
            PreferredToolkitBackend(std::getenv("GDK_BACKEND"), std::getenv("WAYLAND_DISPLAY"),
                                    std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY")))
        ::setenv("GDK_BACKEND", backend, 1);
}

} // namespace tallyvolt
