// The About box's texts, the same whichever toolkit draws the box.
#pragma once

namespace tallyvolt::about {

constexpr const char* kCredits = "Written by the Tallyvolt developers.";
constexpr const char* kAddress = "https://tallyvolt.org";

} // namespace tallyvolt::about
