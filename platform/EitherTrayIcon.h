// One tray icon over two kinds of tray: the first that takes the icon shows it. The dialog
// sees one icon and never knows which tray it went to.
#pragma once

#include "platform/TrayIcon.h"

namespace tallyvolt {

class EitherTrayIcon : public TrayIcon
{
public:
    EitherTrayIcon(TrayIcon& preferred, TrayIcon& fallback)
        : m_preferred(preferred), m_fallback(fallback)
    {
        // Either tray's host appearing is news to whoever listens to this one.
        m_preferred.OnHostAppeared([this] { HostAppeared(); });
        m_fallback.OnHostAppeared([this] { HostAppeared(); });
    }
    ~EitherTrayIcon() override
    {
        m_preferred.OnHostAppeared(nullptr);
        m_fallback.OnHostAppeared(nullptr);
    }
    EitherTrayIcon(const EitherTrayIcon&) = delete;
    EitherTrayIcon& operator=(const EitherTrayIcon&) = delete;

    bool Add(const TrayLook& look) override
    {
        if (m_shown)
            return true;
        if (m_preferred.Add(look))
            m_shown = &m_preferred;
        else if (m_fallback.Add(look))
            m_shown = &m_fallback;
        return m_shown != nullptr;
    }
    void Modify(const TrayLook& look) override
    {
        if (m_shown)
            m_shown->Modify(look);
    }
    bool HostPresent() const override
    {
        return m_preferred.HostPresent() || m_fallback.HostPresent();
    }
    void Delete() override
    {
        if (m_shown)
            m_shown->Delete();
        m_shown = nullptr;
    }

private:
    TrayIcon& m_preferred;
    TrayIcon& m_fallback;
    TrayIcon* m_shown = nullptr;
};

} // namespace tallyvolt
