// Fuzz target: the one-line rewrite of the settings. The result must read back the new
// position and every other setting exactly as the text had it.
#include "settings/IniText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using tallyvolt::ini::FindValue;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string updated =
        tallyvolt::ini::SetValue(text, "Tallyvolt", "WindowPosition", "12 -34");
    if (FindValue(updated, "Tallyvolt", "WindowPosition") != "12 -34")
        std::abort();
    for (const char* key :
         {"Delimiter", "ExtraInfo", "LogFile", "UpdatePeriod", "StartMinimized", "Other"})
        if (FindValue(text, "Tallyvolt", key) != FindValue(updated, "Tallyvolt", key))
            std::abort();
    if (FindValue(text, "Other", "WindowPosition") != FindValue(updated, "Other", "WindowPosition"))
        std::abort();
    // Setting it again to the same value changes nothing at all.
    if (tallyvolt::ini::SetValue(updated, "Tallyvolt", "WindowPosition", "12 -34") != updated)
        std::abort();
    return 0;
}
