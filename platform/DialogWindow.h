// What the monitor needs from its window, whatever toolkit draws it.
#pragma once

#include <cstdint>
#include <string>

namespace tallyvolt {

class DialogWindow
{
public:
    virtual ~DialogWindow() = default;
    // Shows `text` in the figure control `controlId` (IDC_BATTERY, IDC_CPU, IDC_BURNRATE,
    // or IDC_POWER where the window has that row).
    virtual void SetFigure(int controlId, const std::string& text) = 0;
    // Starts timer `id` firing every `milliseconds`, restarting it if it runs.
    virtual void StartTimer(int id, std::uint32_t milliseconds) = 0;
    // Stops timer `id`; nothing happens if it does not run.
    virtual void StopTimer(int id) = 0;
    // Minimises the window the desktop's usual way (to its task bar or icon); nothing happens
    // if it is minimised already.
    virtual void Iconify() = 0;
    // Withdraws the window: no window, no task-bar entry.
    virtual void Withdraw() = 0;
    // Shows the window in its normal state (un-minimised) and brings it to the front.
    virtual void ShowNormal() = 0;
    // Puts the window in the always-on-top band, or takes it out.
    virtual void SetTopmost(bool topmost) = 0;
    // Sets the check mark of the window-menu item `commandId`.
    virtual void CheckMenuItem(int commandId, bool checked) = 0;
    // Runs the About box modally; sampling goes on meanwhile.
    virtual void ShowAbout() = 0;
};

} // namespace tallyvolt
