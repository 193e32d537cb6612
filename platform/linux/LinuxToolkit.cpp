// Toolkit services that wxWidgets does not expose on GTK.
#include "platform/ThemeIcons.h"
#include "platform/WindowClass.h"
#include "platform/WindowingSystem.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <cstdio>
#include <vector>

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

std::string ThemeBatteryIconName(const TrayLook& look)
{
    // The names of the freedesktop and GNOME themes first (battery-level-80-charging-symbolic),
    // then those of KDE's Breeze (battery-080-charging), then the coarse classic ones.
    std::vector<std::string> names;
    if (look.chargePercent > 100) {
        names = {"battery-missing-symbolic", "battery-missing"};
    } else {
        const int level = look.chargePercent / 10 * 10;
        char breeze[32];
        std::snprintf(breeze, sizeof breeze, "battery-%03d%s", level,
                      look.onLine ? "-charging" : "");
        const char* coarse = level >= 80   ? "full"
                             : level >= 50 ? "good"
                             : level >= 20 ? "low"
                             : level >= 10 ? "caution"
                                           : "empty";
        const std::string suffix = look.onLine ? "-charging" : "";
        if (look.onLine && level == 100)
            names.push_back("battery-level-100-charged-symbolic");
        names.push_back("battery-level-" + std::to_string(level) + suffix + "-symbolic");
        names.push_back(breeze);
        names.push_back(std::string("battery-") + coarse + suffix);
    }
    GtkIconTheme* theme = gtk_icon_theme_get_default();
    for (const std::string& name : names)
        if (theme && gtk_icon_theme_has_icon(theme, name.c_str()))
            return name;
    return {};
}

} // namespace tallyvolt
