// Files and their paths for the Windows tests, through the system's own calls,
// never the program's file services that are under test. Paths and names are
// UTF-8 (see wide), so names in any script work.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

// A Linux path in its Windows form: Linux's / is drive Z: under Wine, so
// "/tmp/x" gives "Z:\tmp\x". A path that does not start with / is a Windows
// path already and comes back as it is.
std::string windowsPath(const std::string& path);

bool fileExists(const std::string& path);
std::int64_t fileSize(const std::string& path);  // -1 when missing
// The names in a folder as the file system holds them, sorted.
std::vector<std::string> filesIn(const std::string& folder);
// The last-write time as the DOS date and time words (two-second steps); 0
// when it cannot be read.
std::uint32_t dosStamp(const std::string& path);
// The same words of a local time.
std::uint32_t dosStampOf(const SYSTEMTIME& local);
// Sets an open file's last-write time from a local time, taken to the file's
// own precision.
bool setLocalStamp(HANDLE file, const SYSTEMTIME& local);
// Whether some process has `path` open: an open that shares nothing fails.
bool openElsewhere(const std::string& path);

// The whole file, opened sharing everything: false when it cannot be opened.
bool readWholeFile(const std::string& path, std::string& contents);
// The same, "" when it cannot be opened.
std::string fileBytes(const std::string& path);

// The rest is for test cases: a failure ends the case (doctest's REQUIRE).
// Kept in a file of its own, so that the programs without doctest link none
// of it.

// The whole file; the case fails when it cannot be opened.
std::string readFile(const std::string& path);
// A file of exactly these bytes, made anew.
void writeFile(const std::string& path, const std::string& bytes);
// The same with this last-write time (local time) and then these attributes;
// a read-only file there is replaced too.
void writeFileWith(const std::string& path, const std::string& bytes, const SYSTEMTIME& localStamp,
                   DWORD attributes);

}  // namespace testkit
