// The end-to-end tests: the real quillet.exe under Wine, driven from here.
//   e2e_tests --program=QUILLET.EXE [--probe=QUILLET_PROBE.EXE] [--standin=QUILLET_STANDIN.EXE]
//             [--scratch=FOLDER] [--disks=FOLDER] [doctest options]
// Paths may be given as Linux paths (/...: drive Z:) or as Windows paths.
// Test paths are UTF-8 (see testkit::wide), so names in any script work.
#include <cstdio>

#include "tests/e2e/e2e_env.h"
#include "tests/support/test_main.h"

namespace e2e {

namespace {

std::string program;
std::string standin;
std::string probe;

}  // namespace

const std::string& programPath() { return program; }
const std::string& standinPath() { return standin; }
const std::string& probePath() { return probe; }

}  // namespace e2e

int main(int argc, char** argv) {
    e2e::program = testkit::option(argc, argv, "program");
    e2e::standin = testkit::option(argc, argv, "standin");
    e2e::probe = testkit::option(argc, argv, "probe");
    if (e2e::program.empty() || !testkit::fileExists(e2e::program)) {
        std::fprintf(stderr, "e2e_tests: give quillet.exe with --program= (got \"%s\")\n", e2e::program.c_str());
        return 2;
    }
    return testkit::runTests(argc, argv, "quillet-e2e");
}
