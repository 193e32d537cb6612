// The ordered application of the settings at start-up.
#include "app/ApplySettings.h"

#include "resources/Resource.h"

namespace tallyvolt {

const char* ApplySettings(CTallyvoltDlg& dlg, const SettingsFile& settings,
                          const std::string& defaultLogPath)
{
    if (!dlg.SetDelimiter(settings.GetString("Delimiter", "TAB")))
        return text::kBadDelimiter;

    // A number beyond 32 bits is refused outright rather than wrapped into range.
    std::optional<int> extraInfo = settings.GetInteger("ExtraInfo", 1);
    if (!extraInfo || !dlg.SetExtraInfo(*extraInfo))
        return text::kBadExtraInfo;

    // The column line depends on it, so it is read before the log is opened.
    std::optional<int> powerDraw = settings.GetInteger("PowerDraw", 0);
    if (!powerDraw || !dlg.SetPowerDraw(*powerDraw))
        return text::kBadPowerDraw;

    dlg.SetSettingsPath(settings.Path());
    if (!dlg.OpenLog(settings.GetString("LogFile", defaultLogPath)))
        return text::kBadLogFile;

    std::optional<int> period = settings.GetInteger("UpdatePeriod", 60);
    if (!period || !dlg.SetUpdatePeriod(*period))
        return text::kBadUpdatePeriod;

    std::optional<int> minimized = settings.GetInteger("StartMinimized", 0);
    if (!minimized || !dlg.SetStartMinimized(*minimized))
        return text::kBadStartMinimized;

    std::string position = settings.GetString("WindowPosition", "");
    if (!position.empty())
        dlg.SetWindowPosition(position);
    return nullptr;
}

} // namespace tallyvolt
