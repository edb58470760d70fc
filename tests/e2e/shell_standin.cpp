// A test build of the program whose shell fails as a user's machine can and
// Wine does not; QUILLET_SHELL_STANDIN names how:
//   no-desktop    the desktop folder cannot be had
//   lost-desktop  it can be had to show the browser, not again after it
//   no-path       the folder chosen has no file-system path
// Anything else, or nothing, is the system's shell.
#include <cstdlib>
#include <cstring>

#include "select/shell.h"

namespace selection {

namespace {

class StandIn final : public Shell {
public:
    HRESULT desktopFolder(IShellFolder** folder) override {
        ++desktopCalls_;
        if (is("no-desktop") || (is("lost-desktop") && desktopCalls_ % 2 == 0)) {
            *folder = nullptr;
            return E_FAIL;
        }
        return Shell::desktopFolder(folder);
    }

    bool pathFromIdList(LPCITEMIDLIST list, char (&path)[MAX_PATH]) override {
        if (!is("no-path")) return Shell::pathFromIdList(list, path);
        path[0] = '\0';
        return false;
    }

private:
    static bool is(const char* mode) {
        const char* given = std::getenv("QUILLET_SHELL_STANDIN");
        return given && std::strcmp(given, mode) == 0;
    }
    unsigned desktopCalls_ = 0;
};

}  // namespace

Shell& shell() {
    static StandIn standIn;
    return standIn;
}

}  // namespace selection
