#include "select/shell.h"

#include <objbase.h>

namespace selection {

HRESULT Shell::desktopFolder(IShellFolder** folder) { return SHGetDesktopFolder(folder); }

HRESULT Shell::desktopList(HWND owner, LPITEMIDLIST* list) {
    return SHGetSpecialFolderLocation(owner, CSIDL_DESKTOP, list);
}

LPITEMIDLIST Shell::browseForFolder(BROWSEINFOA& info) { return SHBrowseForFolderA(&info); }

bool Shell::pathFromIdList(LPCITEMIDLIST list, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    bool found = SHGetPathFromIDListA(list, path) != FALSE;
    path[MAX_PATH - 1] = '\0';
    return found;
}

bool Shell::openFileName(OPENFILENAMEA& record) { return GetOpenFileNameA(&record) != FALSE; }

namespace {

// COM for the GUI thread from the first chooser on. A static object, so its
// end comes with the process's: after the message loop, and in "E&xit",
// which leaves through exit().
class ComSession {
public:
    ComSession() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComSession() {
        if (started_) CoUninitialize();
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

private:
    bool started_;
};

}  // namespace

void useCom() { static ComSession session; }

}  // namespace selection
