// Test paths and texts are UTF-8; the system's wide calls take them in any
// script. Free of doctest, so that programs without it (the driver's users)
// can use it.
#pragma once

#include <string>

namespace testkit {

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);

}  // namespace testkit
