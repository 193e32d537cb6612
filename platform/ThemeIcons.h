// Icons of the desktop's icon theme.
#pragma once

#include "platform/TrayIcon.h"

#include <string>

namespace tallyvolt {

// The theme's battery icon for the charge and line power, or "" when the theme has none.
std::string ThemeBatteryIconName(const TrayLook& look);

} // namespace tallyvolt
