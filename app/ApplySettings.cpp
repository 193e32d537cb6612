// The ordered application of the settings at start-up.
#include "app/ApplySettings.h"

#include "resources/Resource.h"

#include <functional>

namespace tallyvolt {

namespace {

// A whole-number setting handed to the monitor's setter, which checks it. A number beyond 32
// bits is refused outright rather than wrapped into range.
bool ApplyInteger(const SettingsFile& settings, const char* key, int absent,
                  const std::function<bool(int)>& set)
{
    std::optional<int> value = settings.GetInteger(key, absent);
    return value && set(*value);
}

} // namespace

const char* ApplySettings(Monitor& dlg, const SettingsFile& settings,
                          const std::string& defaultLogPath)
{
    if (!dlg.SetDelimiter(settings.GetString("Delimiter", "TAB")))
        return text::kBadDelimiter;
    if (!ApplyInteger(settings, "ExtraInfo", 1, [&](int v) { return dlg.SetExtraInfo(v); }))
        return text::kBadExtraInfo;
    // The column line depends on it, so it is read before the log is opened.
    if (!ApplyInteger(settings, "PowerDraw", 0, [&](int v) { return dlg.SetPowerDraw(v); }))
        return text::kBadPowerDraw;

    dlg.SetSettingsPath(settings.Path());
    if (!dlg.OpenLog(settings.GetString("LogFile", defaultLogPath)))
        return text::kBadLogFile;

    if (!ApplyInteger(settings, "UpdatePeriod", 60, [&](int v) { return dlg.SetUpdatePeriod(v); }))
        return text::kBadUpdatePeriod;
    if (!ApplyInteger(settings, "StartMinimized", 0,
                      [&](int v) { return dlg.SetStartMinimized(v); }))
        return text::kBadStartMinimized;

    std::string position = settings.GetString("WindowPosition", "");
    if (!position.empty())
        dlg.SetWindowPosition(position);
    return nullptr;
}

} // namespace tallyvolt
