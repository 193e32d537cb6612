// Reading the settings file into the monitor, in the order the log depends on.
#pragma once

#include <string>

#include "monitor/Monitor.h"
#include "settings/SettingsFile.h"

namespace tallyvolt {

// Applies every setting in its fixed order and opens the log in the middle of it (after the
// delimiter and extra info, which the header uses). Returns the message of the first setting
// that is refused, or nullptr when the run can go on.
const char* ApplySettings(Monitor& dlg, const SettingsFile& settings,
                          const std::string& defaultLogPath);

} // namespace tallyvolt
