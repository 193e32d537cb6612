// What each figure control of the window shows now, so that only a changed figure reaches the
// window: no redraw, no wake-up when nothing changed.
#pragma once

#include <string>

#include "platform/DialogWindow.h"

namespace tallyvolt {

struct Figures
{
    std::string battery;
    std::string burnRate;
    std::string cpu;
    std::string power = "Unknown";
};

class ShownFigures
{
public:
    // Brings the window's controls up to `figures`; the power figure only with `withPower`.
    void Show(DialogWindow& window, const Figures& figures, bool withPower);

private:
    // They start as the controls' initial texts.
    Figures m_shown{"100%", "Undefined", "0%", "Unknown"};
};

} // namespace tallyvolt
