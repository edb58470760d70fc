// What the platform tests share: their folders, and the disks that the set-up
// script mounts before they run.
#pragma once

#include <string>

namespace testenv {

// The Windows path of one of the disks, or "" when the disks are missing; the
// caller then returns: a missing set-up without root is reported as skipped,
// one that should be there fails the test.
std::string disk(const char* name);
// Drive R: is set up as a CD-ROM drive.
bool haveCdrom();

// A fresh, empty folder for one test case, removed with all it holds.
class Scratch {
public:
    explicit Scratch(const char* name);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const char* name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Empties a folder, read-only files included; removes it too when asked.
void removeTree(const std::string& folder, bool removeFolder = true);

// Whole files, written and read with the system's calls, not the ones tested.
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);

}  // namespace testenv
