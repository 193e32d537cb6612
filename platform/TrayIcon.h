// The program's one icon in the desktop's notification area.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tallyvolt {

// What the icon shows: the tip text, and the charge it draws (255 unknown) with a mark while
// on line power.
struct TrayLook
{
    std::string tip;
    std::uint8_t chargePercent = 255;
    bool onLine = false;

    bool operator==(const TrayLook& o) const
    {
        return tip == o.tip && chargePercent == o.chargePercent && onLine == o.onLine;
    }
    bool operator!=(const TrayLook& o) const { return !(*this == o); }
};

class TrayIcon
{
public:
    virtual ~TrayIcon() = default;
    // Puts the icon in the tray; false when no tray host takes it.
    virtual bool Add(const TrayLook& look) = 0;
    // Changes the shown icon and tip; nothing happens while the icon is not in the tray.
    virtual void Modify(const TrayLook& look) = 0;
    // Takes the icon out of the tray; nothing happens if it is not there.
    virtual void Delete() = 0;
    // Whether a tray host is there to take the icon now (or holds it already).
    virtual bool HostPresent() const = 0;

    // `listener` runs whenever a tray host that would take the icon appears while the icon is
    // not in a tray (a panel that starts after the program, or comes back); empty to stop.
    void OnHostAppeared(std::function<void()> listener) { m_hostAppeared = std::move(listener); }

protected:
    void HostAppeared()
    {
        if (m_hostAppeared)
            m_hostAppeared();
    }

private:
    std::function<void()> m_hostAppeared;
};

} // namespace tallyvolt
