// Toolkit services that wxWidgets does not expose on GTK.
#include "platform/WindowClass.h"

#include <gtk/gtk.h>

namespace tallyvolt {

void RegisterWindowClass(const char* name)
{
    // The class half of WM_CLASS on X11; GDK would otherwise derive it from the executable's
    // name, which a packager or a user may change.
    gdk_set_program_class(name);
}

void MarkAsMainWindow(void* nativeHandle)
{
    // wxDialog maps as _NET_WM_WINDOW_TYPE_DIALOG, which some task bars leave out.
    if (nativeHandle && GTK_IS_WINDOW(nativeHandle))
        gtk_window_set_type_hint(GTK_WINDOW(nativeHandle), GDK_WINDOW_TYPE_HINT_NORMAL);
}

} // namespace tallyvolt
