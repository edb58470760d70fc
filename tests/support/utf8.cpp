#include "tests/support/utf8.h"

#include <windows.h>

namespace testkit {

std::wstring wide(const std::string& utf8) {
    std::wstring result(utf8.size(), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                                     static_cast<int>(result.size()));
    result.resize(length > 0 ? length : 0);
    return result;
}

std::string utf8(const std::wstring& text) {
    std::string result(text.size() * 3, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                                     static_cast<int>(result.size()), nullptr, nullptr);
    result.resize(length > 0 ? length : 0);
    return result;
}

}  // namespace testkit
