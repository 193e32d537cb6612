// The tray icon on wxWidgets.
#include "platform/wx/WxTrayIcon.h"

#include "platform/TrayIconWindow.h"
#include "resources/Resource.h"
#include "tray/TrayGlyph.h"

#include <wx/bmpbndl.h>
#include <wx/image.h>

namespace tallyvolt {
namespace {

wxIcon ToIcon(const Glyph& glyph)
{
    wxImage image(Glyph::kSize, Glyph::kSize);
    image.InitAlpha();
    for (int y = 0; y < Glyph::kSize; ++y)
        for (int x = 0; x < Glyph::kSize; ++x) {
            const std::uint32_t p = glyph.At(x, y);
            image.SetRGB(x, y, static_cast<unsigned char>(p >> 24),
                         static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8));
            image.SetAlpha(x, y, static_cast<unsigned char>(p));
        }
    wxIcon icon;
    icon.CopyFromBitmap(wxBitmap(image));
    return icon;
}

} // namespace

WxTrayIcon::WxTrayIcon(std::function<void()> onActivated, unsigned hostGoneMs)
    : m_onActivated(std::move(onActivated)), m_hostGoneMs(hostGoneMs)
{
    m_hostGone.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (m_added && !wxTaskBarIcon::IsAvailable())
            m_onActivated(); // as a press: the window comes back and the icon goes
    });
    // The button press itself restores the window, before the release; the other buttons and
    // moves do nothing.
    m_icon.Bind(wxEVT_TASKBAR_LEFT_DOWN, [this](wxTaskBarIconEvent&) { m_onActivated(); });
}

WxTrayIcon::~WxTrayIcon()
{
    Delete();
}

bool WxTrayIcon::Show(const TrayLook& look)
{
    // Drawn again only when the charge or the line power changed, not for every tip.
    if (m_picture.IsOk() == false || look.chargePercent != m_drawn.chargePercent ||
        look.onLine != m_drawn.onLine)
        m_picture = ToIcon(DrawBatteryGlyph(look.chargePercent, look.onLine));
    m_drawn = look;
    const bool shown =
        m_icon.SetIcon(wxBitmapBundle::FromBitmap(m_picture), wxString::FromUTF8(look.tip));
    KeepTrayIconWindowsToPicture(Glyph::kSize);
    return shown;
}

bool WxTrayIcon::Add(const TrayLook& look)
{
    // No tray host (no panel, or one that speaks only StatusNotifierItem): say so, so the
    // window is iconified rather than hidden for good.
    if (!wxTaskBarIcon::IsAvailable())
        return false;
    m_added = Show(look);
    return m_added;
}

void WxTrayIcon::Modify(const TrayLook& look)
{
    if (m_added)
        Show(look);
}

void WxTrayIcon::Delete()
{
    if (m_added)
        m_icon.RemoveIcon();
    m_added = false;
    m_hostGone.Stop();
}

bool WxTrayIcon::HostPresent() const
{
    return wxTaskBarIcon::IsAvailable();
}

void WxTrayIcon::OnHostChange(bool present)
{
    if (present) {
        // GTK docks a shown icon into the new host by itself.
        m_hostGone.Stop();
        if (!m_added)
            HostAppeared();
        return;
    }
    // A panel that restarts is back within moments and takes the icon again; one that does
    // not come back must not leave the window hidden for good.
    if (m_added && !m_hostGone.IsRunning())
        m_hostGone.StartOnce(static_cast<int>(m_hostGoneMs));
}

} // namespace tallyvolt
