// The tray selection's owner changes, heard through GTK.
#include "platform/linux/XEmbedTrayWatch.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <string>

namespace tallyvolt {

XEmbedTrayWatch::XEmbedTrayWatch(std::function<void(bool)> onChange)
    : m_onChange(std::move(onChange))
{
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display))
        return;
    // A tray host owns "_NET_SYSTEM_TRAY_S<screen>". GTK hears of every change of a
    // selection's owner (through XFixes) for any selection it keeps a clipboard object for,
    // which costs nothing between changes: no polling, no wake-ups.
    const std::string name =
        "_NET_SYSTEM_TRAY_S" +
        std::to_string(gdk_x11_screen_get_screen_number(gdk_display_get_default_screen(display)));
    GtkClipboard* clipboard =
        gtk_clipboard_get_for_display(display, gdk_atom_intern(name.c_str(), FALSE));
    m_clipboard = clipboard;
    m_handler =
        g_signal_connect(clipboard, "owner-change",
                         G_CALLBACK(+[](GtkClipboard*, GdkEventOwnerChange* event, gpointer self) {
                             auto* watch = static_cast<XEmbedTrayWatch*>(self);
                             if (watch->m_onChange)
                                 watch->m_onChange(event->reason == GDK_OWNER_CHANGE_NEW_OWNER);
                         }),
                         this);
#endif
}

XEmbedTrayWatch::~XEmbedTrayWatch()
{
    if (m_clipboard && m_handler)
        g_signal_handler_disconnect(m_clipboard, m_handler);
}

} // namespace tallyvolt
