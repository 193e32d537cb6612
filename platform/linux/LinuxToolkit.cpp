// Toolkit services that wxWidgets does not expose on GTK.
#include "platform/WindowClass.h"

#include <gdk/gdk.h>

namespace tallyvolt {

void RegisterWindowClass(const char* name)
{
    // The class half of WM_CLASS on X11; GDK would otherwise derive it from the executable's
    // name, which a packager or a user may change.
    gdk_set_program_class(name);
}

} // namespace tallyvolt
