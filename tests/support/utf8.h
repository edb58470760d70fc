// Test paths and texts are UTF-8; the system's wide calls take them in any
// script. Apart from the folders, so that programs without doctest can use it.
#pragma once

#include <string>

namespace testfolders {

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);

}  // namespace testfolders
