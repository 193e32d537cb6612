// Toolkit services that wxWidgets does not expose on GTK.
#include "platform/WindowClass.h"
#include "platform/WindowingSystem.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

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

bool WindowsHaveScreenPositions()
{
#ifdef GDK_WINDOWING_WAYLAND
    // A native Wayland client learns no global position of its window, places nothing itself
    // and has no say over stacking.
    GdkDisplay* display = gdk_display_get_default();
    if (display && GDK_IS_WAYLAND_DISPLAY(display))
        return false;
#endif
    return true;
}

} // namespace tallyvolt
