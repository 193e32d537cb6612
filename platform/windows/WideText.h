// UTF-8 inside the program, UTF-16 at the edges where Windows takes paths and texts.
#pragma once

#include <string>

namespace tallyvolt::win {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

} // namespace tallyvolt::win
