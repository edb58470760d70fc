#include "platform/dll_search.h"

#include <windows.h>

namespace dll_search {

bool restrictToSystemFolder() {
    // Looked up at run time: kernel32 of Vista and of Windows 7 without its
    // update lack it, and a program importing it would not start there.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (found) {
        // The cast goes through a generic function type, as GetProcAddress's
        // answer must.
        auto setDefault =
            reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(found));
        if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    }
    SetDllDirectoryA("");
    return false;
}

}  // namespace dll_search
