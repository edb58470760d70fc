// The shell as the choosers use it: the desktop, the folder browser, the
// Open dialog, and the types that own what the shell hands out.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <utility>

namespace selection {

// The shell calls that can fail in ways a user's machine shows and a test
// machine does not; a test build of the program puts a stand-in behind
// shell() to show them.
class Shell {
public:
    virtual ~Shell() = default;
    virtual HRESULT desktopFolder(IShellFolder** folder);
    // The desktop's ID list (CSIDL_DESKTOP), for `owner`.
    virtual HRESULT desktopList(HWND owner, LPITEMIDLIST* list);
    virtual LPITEMIDLIST browseForFolder(BROWSEINFOA& info);
    // The folder's file-system path into `path`; false when it has none.
    virtual bool pathFromIdList(LPCITEMIDLIST list, char (&path)[MAX_PATH]);
    virtual bool openFileName(OPENFILENAMEA& record);
};

// The program's shell: the system's own, or a test build's stand-in.
Shell& shell();

// Makes sure COM is set up for the GUI thread before a shell call; it is
// shut down again when the process ends, however it ends.
void useCom();

// An ID list allocated by the shell, freed with the shell's allocator.
class IdList {
public:
    IdList() = default;
    explicit IdList(LPITEMIDLIST list) : list_(list) {}
    ~IdList() { CoTaskMemFree(list_); }
    IdList(IdList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
    IdList& operator=(IdList&& other) noexcept {
        if (this != &other) {
            CoTaskMemFree(list_);
            list_ = std::exchange(other.list_, nullptr);
        }
        return *this;
    }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;

    LPITEMIDLIST get() const { return list_; }
    // For a call that hands out a new list: the old one is freed first.
    LPITEMIDLIST* receive() {
        CoTaskMemFree(std::exchange(list_, nullptr));
        return &list_;
    }
    explicit operator bool() const { return list_ != nullptr; }

private:
    LPITEMIDLIST list_ = nullptr;
};

// A folder interface of the shell, released when it goes.
class Folder {
public:
    Folder() = default;
    ~Folder() { release(); }
    Folder(Folder&& other) noexcept : folder_(std::exchange(other.folder_, nullptr)) {}
    Folder& operator=(Folder&& other) noexcept {
        if (this != &other) {
            release();
            folder_ = std::exchange(other.folder_, nullptr);
        }
        return *this;
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    IShellFolder* get() const { return folder_; }
    IShellFolder* operator->() const { return folder_; }
    IShellFolder** receive() {
        release();
        return &folder_;
    }
    // Another reference to the same folder.
    Folder share() const {
        Folder copy;
        if (folder_) {
            folder_->AddRef();
            copy.folder_ = folder_;
        }
        return copy;
    }
    explicit operator bool() const { return folder_ != nullptr; }

private:
    void release() {
        if (folder_) std::exchange(folder_, nullptr)->Release();
    }
    IShellFolder* folder_ = nullptr;
};

}  // namespace selection
