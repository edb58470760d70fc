// Folders of test files: emptied and removed with the system's own calls,
// read-only files included, and a fresh folder for each test case.
#pragma once

#include <string>

#include "tests/support/utf8.h"

namespace testkit {

// Removes everything in `folder`, and the folder itself when asked.
void removeTree(const std::string& folder, bool removeFolder = true);

// The folder under which a test program's scratch folders lie, made anew
// (false when it cannot be made), and removed with all it holds at the end.
bool makeScratchRoot(const std::string& root);
const std::string& scratchRoot();
void removeScratchRoot();

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

}  // namespace testkit
