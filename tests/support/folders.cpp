#include "tests/support/folders.h"

#include <doctest/doctest.h>
#include <windows.h>

#include "tests/support/handle.h"

namespace testkit {

namespace {

std::string root;

// Works on the names as the file system holds them, so that names in any
// script go too.
void removeWideTree(const std::wstring& folder, bool removeFolder) {
    WIN32_FIND_DATAW found;
    Search search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (search.valid()) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeWideTree(path, true);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search.get(), &found));
        search.reset();
    }
    if (removeFolder) RemoveDirectoryW(folder.c_str());
}

}  // namespace

void removeTree(const std::string& folder, bool removeFolder) { removeWideTree(wide(folder), removeFolder); }

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

}  // namespace testkit
