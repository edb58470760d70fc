#include "tests/support/folders.h"

#include <doctest/doctest.h>
#include <windows.h>

namespace testfolders {

namespace {
std::string root;
}  // namespace

void removeTree(const std::string& folder, bool removeFolder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path, true);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    if (removeFolder) RemoveDirectoryA(folder.c_str());
}

bool makeScratchRoot(const std::string& folder) {
    root = folder;
    removeTree(root);
    return CreateDirectoryA(root.c_str(), nullptr) != FALSE;
}

const std::string& scratchRoot() { return root; }

void removeScratchRoot() { removeTree(root); }

Scratch::Scratch(const char* name) : path_(root + "\\" + name) {
    removeTree(path_);
    REQUIRE(CreateDirectoryA(path_.c_str(), nullptr));
}

Scratch::~Scratch() { removeTree(path_); }

}  // namespace testfolders
