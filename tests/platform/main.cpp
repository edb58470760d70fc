// The platform tests: real files under Wine, on disks that disks.sh mounts.
//   platform_tests --disks=LINUX_FOLDER [doctest options]
//   platform_tests --print-drive-type=ROOT   (for disks.sh)
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tests/platform/test_env.h"
#include "tests/support/folders.h"

namespace {

std::string disksFolder;  // Windows path
std::string scratchRoot;

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Linux's root is drive Z: under Wine.
std::string windowsPath(const char* linuxPath) {
    std::string path = "Z:";
    for (const char* c = linuxPath; *c; ++c) path += *c == '/' ? '\\' : *c;
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

namespace testenv {

std::string disk(const char* name) {
    if (disksFolder.empty()) {
        MESSAGE("skipped: no --disks folder given, so no small disks");
        return "";
    }
    if (fileExists(disksFolder + "\\disks.ready")) return disksFolder + "\\" + name;
    if (fileExists(disksFolder + "\\disks.skipped")) {
        MESSAGE("skipped: the disks were not mounted (set-up not run as root)");
        return "";
    }
    FAIL("the disks' set-up did not finish: no disks.ready in " << disksFolder);
    return "";
}

bool haveCdrom() {
    if (disksFolder.empty()) {
        MESSAGE("skipped: no --disks folder given, so drive R: was not set up");
        return false;
    }
    return true;
}


void writeFile(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    DWORD written = 0;
    BOOL ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    REQUIRE(ok);
    REQUIRE(written == contents.size());
}

std::string readFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    std::string contents;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) contents.append(buffer, got);
    CloseHandle(file);
    return contents;
}

}  // namespace testenv

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        static const char driveOption[] = "--print-drive-type=";
        static const char disksOption[] = "--disks=";
        if (std::strncmp(argv[i], driveOption, sizeof driveOption - 1) == 0) {
            std::printf("%u\n", GetDriveTypeA(argv[i] + sizeof driveOption - 1));
            return 0;
        }
        if (std::strncmp(argv[i], disksOption, sizeof disksOption - 1) == 0)
            disksFolder = windowsPath(argv[i] + sizeof disksOption - 1);
    }

    // Scratch files beside the disks, or in the temporary folder.
    if (!disksFolder.empty()) {
        scratchRoot = disksFolder + "\\scratch";
    } else {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof temp, temp);
        if (length == 0 || length >= sizeof temp) return 2;
        scratchRoot = std::string(temp) + "quillet-platform-tests";
    }
    if (!testfolders::makeScratchRoot(scratchRoot)) {
        std::fprintf(stderr, "cannot make the scratch folder %s\n", scratchRoot.c_str());
        return 2;
    }

    doctest::Context context(argc, argv);
    int result = context.run();
    testfolders::removeScratchRoot();
    return result;
}
