// What the platform tests share: their folders, and the disks that the set-up
// script mounts before they run.
#pragma once

#include <string>

#include "tests/support/folders.h"

namespace testenv {

// The Windows path of one of the disks, or "" when the disks are missing; the
// caller then returns: a missing set-up without root is reported as skipped,
// one that should be there fails the test.
std::string disk(const char* name);
// Drive R: is set up as a CD-ROM drive.
bool haveCdrom();

using testfolders::Scratch;

// Empties a folder, read-only files included; removes it too when asked.
using testfolders::removeTree;

// Whole files, written and read with the system's calls, not the ones tested.
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);

}  // namespace testenv
