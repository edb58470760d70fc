// The platform tests: real files under Wine, on disks that disks.sh mounts.
//   platform_tests --disks=FOLDER [--scratch=FOLDER] [doctest options]
//   platform_tests --print-drive-type=ROOT   (for disks.sh)
#include <windows.h>

#include <cstdio>

#include "tests/support/test_main.h"

int main(int argc, char** argv) {
    const std::string root = testkit::option(argc, argv, "print-drive-type");
    if (!root.empty()) {
        std::printf("%u\n", GetDriveTypeA(root.c_str()));
        return 0;
    }
    return testkit::runTests(argc, argv, "quillet-platform-tests");
}
