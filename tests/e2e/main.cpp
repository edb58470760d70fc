// The end-to-end tests: the real quillet.exe under Wine, driven from here.
//   e2e_tests --program=PATH_OF_QUILLET.EXE [--probe=QUILLET_PROBE.EXE] [--standin=QUILLET_STANDIN.EXE] [--scratch=FOLDER]
//             [--disks=FOLDER] [doctest options]
// Paths may be given as Linux paths (/...: drive Z:) or as Windows paths.
// Test paths are UTF-8 (see testfolders::wide), so names in any script work.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <cstring>
#include <vector>

#include "tests/e2e/e2e_env.h"
#include "tests/support/folders.h"

namespace e2e {

namespace {

std::string program;
std::string standin;
std::string probe;
std::string scratchRoot;
std::string largeSourcePath;
std::string disks;

std::string fromOption(const char* value) { return value[0] == '/' ? windowsPath(value) : std::string(value); }


// The contents of byte `offset`: a pattern that tells every block apart.
void fillPattern(std::vector<unsigned char>& buffer, std::uint64_t offset) {
    std::uint32_t seed = static_cast<std::uint32_t>(offset / 32768) * 2654435761u + 12345u;
    for (unsigned char& byte : buffer) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
}

HANDLE openForReading(const std::string& path) {
    return CreateFileW(testfolders::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

}  // namespace

const std::string& programPath() { return program; }
const std::string& standinPath() { return standin; }
const std::string& probePath() { return probe; }

void waitForIdle(const Program& app, double seconds) {
    app.sync();
    app.waitForControl(StartButton, "\"&Start\" after the job",
                       [](const std::string& text) { return text == "&Start"; }, seconds);
    app.sync();
}

void writePatternFile(const std::string& path, std::uint64_t size, std::uint64_t patterned) {
    HANDLE file = CreateFileW(testfolders::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE_MESSAGE(file != INVALID_HANDLE_VALUE, "cannot create " << path);
    std::vector<unsigned char> block(32768);
    bool ok = true;
    std::uint64_t data = std::min(size, patterned);
    for (std::uint64_t offset = 0; ok && offset < data; offset += block.size()) {
        fillPattern(block, offset);
        DWORD length = static_cast<DWORD>(std::min<std::uint64_t>(block.size(), data - offset));
        DWORD written = 0;
        ok = WriteFile(file, block.data(), length, &written, nullptr) && written == length;
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (ok && data < size) ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    SYSTEMTIME local{2001, 2, 6, 3, 4, 5, 7, 0};
    FILETIME localTime, stamp;
    ok = ok && SystemTimeToFileTime(&local, &localTime) && LocalFileTimeToFileTime(&localTime, &stamp) &&
         SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    REQUIRE_MESSAGE(ok, "cannot write " << path);
}

bool sameStart(const std::string& path, const std::string& reference, std::int64_t length, std::string& why) {
    HANDLE file = openForReading(path);
    HANDLE original = openForReading(reference);
    bool same = file != INVALID_HANDLE_VALUE && original != INVALID_HANDLE_VALUE;
    if (!same) why = "cannot open " + path + " or " + reference;
    std::vector<char> a(1 << 20), b(1 << 20);
    std::int64_t offset = 0;
    while (same && (length < 0 || offset < length)) {
        DWORD want = static_cast<DWORD>(length < 0 ? a.size() : std::min<std::int64_t>(a.size(), length - offset));
        DWORD gotA = 0, gotB = 0;
        ReadFile(file, a.data(), want, &gotA, nullptr);
        ReadFile(original, b.data(), want, &gotB, nullptr);
        if (gotA != gotB || std::memcmp(a.data(), b.data(), gotA) != 0) {
            same = false;
            why = "the files differ within the MiB at offset " + std::to_string(offset);
        }
        if (gotA == 0 || gotB == 0) break;
        offset += gotA;
    }
    if (same && length >= 0 && offset != length) {
        same = false;
        why = "fewer than " + std::to_string(length) + " bytes to compare";
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (original != INVALID_HANDLE_VALUE) CloseHandle(original);
    return same;
}

bool fileExists(const std::string& path) { return GetFileAttributesW(testfolders::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(testfolders::wide(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = testfolders::utf8(found.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(testfolders::wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::uint32_t dosStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    WORD date = 0, time = 0;
    if (!GetFileAttributesExW(testfolders::wide(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return (static_cast<std::uint32_t>(date) << 16) | time;
}

void writeFileWith(const std::string& path, const std::string& bytes, const SYSTEMTIME& localStamp,
                   DWORD attributes) {
    SetFileAttributesW(testfolders::wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileW(testfolders::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE_MESSAGE(file != INVALID_HANDLE_VALUE, "cannot create " << path);
    DWORD written = 0;
    bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
    FILETIME localTime, stamp;
    ok = ok && SystemTimeToFileTime(&localStamp, &localTime) && LocalFileTimeToFileTime(&localTime, &stamp) &&
         SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    REQUIRE_MESSAGE(ok, "cannot write " << path);
    REQUIRE_MESSAGE(SetFileAttributesW(testfolders::wide(path).c_str(), attributes), "cannot set the attributes of " << path);
}

std::string fileBytes(const std::string& path) {
    HANDLE file = openForReading(path);
    std::string contents;
    if (file == INVALID_HANDLE_VALUE) return contents;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) contents.append(buffer, got);
    CloseHandle(file);
    return contents;
}

std::string randomBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1u;
    for (char& byte : bytes) {
        // xorshift32: no short period that a misplaced block could hide in
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<char>(x >> 24);
    }
    return bytes;
}

std::uint32_t dosStampOf(const SYSTEMTIME& local) {
    std::uint32_t date = (static_cast<std::uint32_t>(local.wYear - 1980) << 9) | (local.wMonth << 5) | local.wDay;
    std::uint32_t time = (static_cast<std::uint32_t>(local.wHour) << 11) | (local.wMinute << 5) | (local.wSecond / 2);
    return (date << 16) | time;
}

bool openElsewhere(const std::string& path) {
    HANDLE file = CreateFileW(testfolders::wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(file);
    return false;
}

const std::string& disksFolder() { return disks; }

const std::string& largeSource() {
    if (largeSourcePath.empty()) {
        std::string path = scratchRoot + "\\large-source.bin";
        writePatternFile(path, LargeSize, LargePatterned);
        largeSourcePath = path;
    }
    return largeSourcePath;
}

// Runs `cycle` `count` times after a warm-up and checks that the program's
// descriptors, memory and GDI objects stay flat; the figures go to the test's
// output. The program must be the probe build (probePath()), which counts its
// own GDI objects.
void soak(const Program& app, const char* what, int count, const std::function<void()>& cycle) {
    // Wine fills caches of its own over the first few dozen windows (once, on
    // a busy machine, 16 objects within the count after 10 cycles).
    for (int i = 0; i < 30; ++i) cycle();
    const int descriptors = app.openDescriptors();
    const std::int64_t memory = app.residentBytes();
    const long gdiObjects = app.gdiObjectCount();
    REQUIRE_MESSAGE((descriptors >= 0 && memory >= 0), what << ": the program's /proc entry cannot be read");
    for (int i = 0; i < count; ++i) cycle();
    const int descriptorsAfter = app.openDescriptors();
    const std::int64_t memoryAfter = app.residentBytes();
    const long gdiObjectsAfter = app.gdiObjectCount();
    MESSAGE(std::string(what), " x", count, ": descriptors ", descriptors, " -> ", descriptorsAfter, ", resident memory ",
            memory / 1024, " -> ", memoryAfter / 1024, " KiB, GDI objects ", gdiObjects, " -> ", gdiObjectsAfter);
    CHECK(descriptorsAfter <= descriptors + 2);
    CHECK(memoryAfter <= memory + (4 << 20));
    // Wine keeps a few objects of its own (cached device contexts) as windows
    // come and go; a leak of the program's shows as one or more a cycle.
    CHECK(gdiObjectsAfter <= gdiObjects + std::max(2, count / 20));
}

// How many times each soak runs: QUILLET_SOAK_COUNT, else the full count.
int soakCount(int full) {
    char value[16] = "";
    if (GetEnvironmentVariableA("QUILLET_SOAK_COUNT", value, sizeof value) == 0) return full;
    return std::min(full, std::max(1, std::atoi(value)));
}

void checkIdleLook(const Window& main) {
    CHECK(main.text(StartButton) == "&Start");
    for (int id : {StartButton, AboutButton, ExitButton, BrowseSourceButton, BrowseTargetButton, SourceEdit, TargetEdit,
                   ClearReadOnlyBox, MoveFileBox}) {
        INFO("control ", id);
        CHECK(main.enabled(id));
    }
    CHECK_FALSE(main.readOnly(SourceEdit));
    CHECK_FALSE(main.readOnly(TargetEdit));
    CHECK(main.text(ProgressLine1) == "");
    CHECK(main.text(ProgressLine2) == "");
    CHECK(main.progress(ProgressBar) == 0);
}

void checkRunningLook(const Window& main) {
    CHECK(main.text(StartButton) == "&Stop");
    CHECK(main.enabled(StartButton));
    for (int id : {AboutButton, ExitButton, BrowseSourceButton, BrowseTargetButton, ClearReadOnlyBox, MoveFileBox}) {
        INFO("control ", id);
        CHECK_FALSE(main.enabled(id));
    }
    CHECK(main.readOnly(SourceEdit));
    CHECK(main.readOnly(TargetEdit));
}

}  // namespace e2e

int main(int argc, char** argv) {
    using namespace e2e;
    for (int i = 1; i < argc; ++i) {
        static const char programOption[] = "--program=";
        static const char scratchOption[] = "--scratch=";
        if (std::strncmp(argv[i], programOption, sizeof programOption - 1) == 0)
            program = fromOption(argv[i] + sizeof programOption - 1);
        if (std::strncmp(argv[i], scratchOption, sizeof scratchOption - 1) == 0)
            scratchRoot = fromOption(argv[i] + sizeof scratchOption - 1);
        static const char standinOption[] = "--standin=";
        if (std::strncmp(argv[i], standinOption, sizeof standinOption - 1) == 0)
            standin = fromOption(argv[i] + sizeof standinOption - 1);
        static const char probeOption[] = "--probe=";
        if (std::strncmp(argv[i], probeOption, sizeof probeOption - 1) == 0)
            probe = fromOption(argv[i] + sizeof probeOption - 1);
        static const char disksOption[] = "--disks=";
        if (std::strncmp(argv[i], disksOption, sizeof disksOption - 1) == 0)
            disks = fromOption(argv[i] + sizeof disksOption - 1);
    }
    if (program.empty() || !fileExists(program)) {
        std::fprintf(stderr, "e2e_tests: give quillet.exe with --program= (got \"%s\")\n", program.c_str());
        return 2;
    }
    if (scratchRoot.empty()) {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof temp, temp);
        if (length == 0 || length >= sizeof temp) return 2;
        scratchRoot = std::string(temp) + "quillet-e2e";
    }
    if (!testfolders::makeScratchRoot(scratchRoot)) {
        std::fprintf(stderr, "e2e_tests: cannot make the scratch folder %s\n", scratchRoot.c_str());
        return 2;
    }

    // The full-disk tests need the small disks, which only root can mount:
    // without them the run says it was skipped (ctest's SKIP_RETURN_CODE).
    if (!disks.empty() && !fileExists(disks + "\\ready")) {
        std::fprintf(stderr, "e2e_tests: no small tmpfs disks in %s (mounting them needs root): skipped\n",
                     disks.c_str());
        testfolders::removeScratchRoot();
        return 77;
    }

    doctest::Context context(argc, argv);
    int result = context.run();
    testfolders::removeScratchRoot();
    return result;
}
