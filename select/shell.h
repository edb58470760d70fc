// The shell as the choosers use it: the desktop, the folder browser, the
// Open dialog, and the types that own what the shell hands out.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include "platform/unique_handle.h"

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

struct FreeIdList {
    void operator()(LPITEMIDLIST list) const { CoTaskMemFree(list); }
};
struct ReleaseFolder {
    void operator()(IShellFolder* folder) const { folder->Release(); }
};

// An ID list allocated by the shell, freed with the shell's allocator.
using IdList = UniqueHandle<LPITEMIDLIST, FreeIdList>;

// A folder interface of the shell, released when it goes.
class Folder : public UniqueHandle<IShellFolder*, ReleaseFolder> {
public:
    using UniqueHandle::UniqueHandle;
    IShellFolder* operator->() const { return get(); }
    // Another reference to the same folder.
    Folder share() const {
        if (get()) get()->AddRef();
        return Folder(get());
    }
};

}  // namespace selection
