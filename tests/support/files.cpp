#include "tests/support/files.h"

#include <algorithm>

#include "tests/support/handle.h"
#include "tests/support/utf8.h"

namespace testkit {

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string windows = "Z:";
    for (char c : path) windows += c == '/' ? '\\' : c;
    return windows;
}

bool fileExists(const std::string& path) { return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    Search search(FindFirstFileW(wide(folder + "\\*").c_str(), &found));
    if (!search.valid()) return names;
    do {
        std::string name = utf8(found.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

std::uint32_t dosStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<std::uint32_t>(date) << 16) | time;
}

std::uint32_t dosStampOf(const SYSTEMTIME& local) {
    std::uint32_t date = (static_cast<std::uint32_t>(local.wYear - 1980) << 9) | (local.wMonth << 5) | local.wDay;
    std::uint32_t time = (static_cast<std::uint32_t>(local.wHour) << 11) | (local.wMinute << 5) | (local.wSecond / 2);
    return (date << 16) | time;
}

bool setLocalStamp(HANDLE file, const SYSTEMTIME& local) {
    FILETIME localTime, stamp;
    return SystemTimeToFileTime(&local, &localTime) && LocalFileTimeToFileTime(&localTime, &stamp) &&
           SetFileTime(file, nullptr, nullptr, &stamp);
}

bool openElsewhere(const std::string& path) {
    Handle file(CreateFileW(wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return !file.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

bool readWholeFile(const std::string& path, std::string& contents) {
    contents.clear();
    Handle file(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return false;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) contents.append(buffer, got);
    return true;
}

std::string fileBytes(const std::string& path) {
    std::string contents;
    readWholeFile(path, contents);
    return contents;
}

}  // namespace testkit
