// Only the changed figures reach the window.
#include "monitor/ShownFigures.h"

#include "resources/Resource.h"

namespace tallyvolt {

namespace {

void ShowFigure(DialogWindow& window, int controlId, const std::string& text, std::string& shown)
{
    if (text == shown)
        return;
    window.SetFigure(controlId, text);
    shown = text;
}

} // namespace

void ShownFigures::Show(DialogWindow& window, const Figures& figures, bool withPower)
{
    ShowFigure(window, IDC_BATTERY, figures.battery, m_shown.battery);
    ShowFigure(window, IDC_BURNRATE, figures.burnRate, m_shown.burnRate);
    ShowFigure(window, IDC_CPU, figures.cpu, m_shown.cpu);
    if (withPower)
        ShowFigure(window, IDC_POWER, figures.power, m_shown.power);
}

} // namespace tallyvolt
