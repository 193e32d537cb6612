// The tray icon through Shell_NotifyIconW, drawn from the battery glyph.
#include "resources/Resource.h"

#include "platform/windows/Dpi.h"
#include "platform/windows/WideText.h"
#include "platform/windows/WindowMessages.h"
#include "platform/windows/WindowsTrayIcon.h"
#include "tray/TrayGlyph.h"

#include <shellapi.h>

#include <vector>

namespace tallyvolt::win {

HICON CreateBatteryIcon(const TrayLook& look, int size)
{
    const Glyph glyph = DrawBatteryGlyph(look.chargePercent, look.onLine);
    // The glyph, scaled to the tray's size by nearest pixel, as a top-down 32-bit BGRA image
    // with its alpha.
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = size;
    header.bV5Height = -size;
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP color = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    if (!color)
        return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::uint32_t rgba = glyph.At(x * Glyph::kSize / size, y * Glyph::kSize / size);
            out[y * size + x] = (rgba >> 8) | (rgba << 24); // RRGGBBAA to AARRGGBB
        }
    std::vector<BYTE> maskBits(static_cast<std::size_t>((size + 15) / 16 * 2 * size), 0);
    HBITMAP mask = ::CreateBitmap(size, size, 1, 1, maskBits.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    HICON icon = ::CreateIconIndirect(&info);
    ::DeleteObject(color);
    ::DeleteObject(mask);
    return icon;
}

WindowsTrayIcon::~WindowsTrayIcon()
{
    if (m_icon)
        ::DestroyIcon(m_icon);
}

bool WindowsTrayIcon::Send(DWORD command)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_window;
    data.uID = kTrayIconId;
    if (command != NIM_DELETE) {
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_TRAYNOTIFY;
        if (m_icon)
            ::DestroyIcon(m_icon);
        // At the size the notification area asks for at its screen's DPI now: 16 pixels at
        // 100 %, 24 at 150 %.
        m_icon = CreateBatteryIcon(m_look, SmallIconSize(TaskbarDpi()));
        data.hIcon = m_icon ? m_icon
                            : static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                              MAKEINTRESOURCEW(IDI_MAIN),
                                                              IMAGE_ICON, 16, 16, LR_SHARED));
        const std::wstring tip = Widen(m_look.tip).substr(0, 127);
        tip.copy(data.szTip, tip.size());
    }
    return ::Shell_NotifyIconW(command, &data) != FALSE;
}

bool WindowsTrayIcon::Add(const TrayLook& look)
{
    if (m_added)
        return true;
    if (!m_window)
        return false;
    m_look = look;
    m_added = Send(NIM_ADD);
    return m_added;
}

void WindowsTrayIcon::Modify(const TrayLook& look)
{
    m_look = look;
    if (m_added)
        Send(NIM_MODIFY);
}

void WindowsTrayIcon::Delete()
{
    // Sent whether or not the icon is there.
    if (m_window)
        Send(NIM_DELETE);
    m_added = false;
}

bool WindowsTrayIcon::HostPresent() const
{
    return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void WindowsTrayIcon::Redraw()
{
    if (m_added)
        Send(NIM_MODIFY);
}

void WindowsTrayIcon::TaskbarCreated()
{
    if (m_added)
        m_added = Send(NIM_ADD) || Send(NIM_MODIFY);
    else
        HostAppeared();
}

} // namespace tallyvolt::win
