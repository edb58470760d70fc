// What the Windows test programs' mains share: their options, the scratch
// root, the small disks that disks.sh mounts, and the test cases that cannot
// run here.
//
//   PROGRAM [--scratch=FOLDER] [--disks=FOLDER] [--NAME=VALUE ...] [doctest options]
//
// Paths may be given as Linux paths (/...: drive Z:) or as Windows paths.
#pragma once

#include <string>

namespace testkit {

// The value of the option --NAME=VALUE (the last one given), "" when there is
// none; a Linux path comes in its Windows form.
std::string option(int argc, char** argv, const char* name);

// Runs the test cases that doctest's options choose. With a `scratchName`,
// the scratch root (where Scratch makes its folders) is made first: the
// folder of --scratch=, else that name in the temporary folder; it is removed
// at the end. Gives 2 when it cannot be made; 77 (ctest's SKIP_RETURN_CODE)
// when every test case that ran skipped itself and nothing failed; else
// doctest's result.
int runTests(int argc, char** argv, const char* scratchName = nullptr);

// Notes that the running test case cannot run here, and says why; the case
// then returns at once.
void skipCase(const std::string& why);

// The folder of --disks=, where disks.sh mounted the small disks before the
// tests ran; "" when none was given.
const std::string& disksFolder();
// Whether the small disks are there. When they are not, because the set-up
// left them out (it needs root) or no --disks= was given, the running case is
// noted as skipped; a set-up that did not finish fails the case.
bool haveDisks();
// The Windows path of the disk `name`, "" when haveDisks() is false.
std::string disk(const char* name);

}  // namespace testkit
