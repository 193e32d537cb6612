// Toolkit services that wxWidgets does not expose on GTK.
#include "platform/TrayIconWindow.h"
#include "platform/linux/WindowClass.h"
#include "platform/linux/WindowingSystem.h"
#include "tray/IconWindowSize.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace tallyvolt {
namespace {

// The side of the picture a tray icon window is kept to, kept with the window; none (0) on a
// window not yet seen to.
constexpr const char* kPictureSide = "tallyvolt-picture-side";

// Asks for a GtkStatusIcon's window (a GtkTrayIcon) to be no larger than its picture needs.
void FitToPicture(GtkWidget* trayIcon)
{
    // The picture as drawn, not as GtkStatusIcon last scaled it to the room it had: that may
    // be a smaller standard size (16) picked while the tray was still sizing the window.
    const int side = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(trayIcon), kPictureSide));
    const WindowSize window{gtk_widget_get_allocated_width(trayIcon),
                            gtk_widget_get_allocated_height(trayIcon)};
    const WindowSize wanted = TrayIconWindowSize(window, {side, side});
    GdkWindow* native = gtk_widget_get_window(trayIcon);
    // The request goes to the tray, which holds the window and decides; lxqt-panel grants it,
    // and forwards a press on its panel's icon to the window's corner, which the window still
    // covers.
    if (native && !(wanted == window))
        gdk_window_resize(native, wanted.width, wanted.height);
}

} // namespace

void KeepTrayIconWindowsToPicture(int pictureSide)
{
    // The GtkStatusIcon behind the toolkit's tray icon keeps its window to itself; that window
    // is the process's one toplevel of type GtkTrayIcon.
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next) {
        GtkWidget* window = GTK_WIDGET(item->data);
        if (g_strcmp0(G_OBJECT_TYPE_NAME(window), "GtkTrayIcon") != 0)
            continue;
        const bool seen = g_object_get_data(G_OBJECT(window), kPictureSide) != nullptr;
        g_object_set_data(G_OBJECT(window), kPictureSide, GINT_TO_POINTER(pictureSide));
        if (seen)
            continue;
        g_signal_connect_after(
            window, "size-allocate",
            G_CALLBACK(+[](GtkWidget* widget, GdkRectangle*, gpointer) { FitToPicture(widget); }),
            nullptr);
        FitToPicture(window);
    }
    g_list_free(toplevels);
}

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
