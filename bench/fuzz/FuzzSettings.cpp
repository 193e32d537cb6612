// Fuzz target: the settings reader, with every key the program reads and the position parse.
#include "monitor/Monitor.h"
#include "settings/IniText.h"

#include "fakes/FakeServices.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static tallyvolt::test::FakeServices fakes;
    tallyvolt::Monitor dlg(fakes.Get());
    for (const char* key : {"Delimiter", "ExtraInfo", "LogFile", "UpdatePeriod", "StartMinimized"})
        if (std::optional<std::string> value = tallyvolt::ini::FindValue(text, "Tallyvolt", key))
            tallyvolt::ini::ParseInteger(*value);
    if (std::optional<std::string> position =
            tallyvolt::ini::FindValue(text, "Tallyvolt", "WindowPosition"))
        dlg.SetWindowPosition(*position);
    return 0;
}
