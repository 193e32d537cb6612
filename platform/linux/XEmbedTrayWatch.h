// Watches the X11 system tray selection, the way XEmbed tray hosts (trayer, XFCE's, MATE's
// panels) announce themselves: a host that starts, restarts or goes away.
#pragma once

#include <functional>

namespace tallyvolt {

class XEmbedTrayWatch
{
public:
    // `onChange` runs from the main loop with true when a tray host takes the screen's tray
    // selection, false when the host holding it goes away. Off X11 it never runs.
    explicit XEmbedTrayWatch(std::function<void(bool present)> onChange);
    ~XEmbedTrayWatch();
    XEmbedTrayWatch(const XEmbedTrayWatch&) = delete;
    XEmbedTrayWatch& operator=(const XEmbedTrayWatch&) = delete;

private:
    std::function<void(bool)> m_onChange;
    void* m_clipboard = nullptr; // GtkClipboard of the selection, owned by GTK
    unsigned long m_handler = 0;
};

} // namespace tallyvolt
