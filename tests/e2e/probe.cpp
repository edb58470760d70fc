// Linked into quillet_probe.exe only, never into quillet.exe: a message-only
// window, made before WinMain runs, that answers the driver's questions
// about the process's GDI objects and heap (see probe.h).
//
// GetGuiResources answers 0 under Wine, so the GDI objects are counted by
// asking GetObjectType about every slot of the process's handle table: Wine
// takes a handle whose upper word is 0 as "whatever lives in slot N". Where
// GetGuiResources does answer (Windows), its answer is used.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "tests/e2e/probe.h"

namespace {

UINT probeMessage = 0;

LRESULT gdiObjects() {
    DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return counted;
    LRESULT live = 0;
    for (ULONG_PTR slot = 1; slot <= 0xFFFF; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0) ++live;
    return live;
}

LRESULT heapBytes() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    if (count > 64) count = 64;
    std::size_t used = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return static_cast<LRESULT>(used);
}

LRESULT loadsBesideDll(bool byFullPath) {
    char path[MAX_PATH] = "";
    if (byFullPath) {
        DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        char* name = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
        if (!name || (name + 1 - path) + std::strlen(probe::BesideDll) >= MAX_PATH) return 0;
        std::strcpy(name + 1, probe::BesideDll);
    } else {
        std::strcpy(path, probe::BesideDll);
    }
    HMODULE module = LoadLibraryA(path);
    if (!module) return 0;
    FreeLibrary(module);
    return 1;
}

LRESULT CALLBACK probeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != probeMessage || probeMessage == 0) return DefWindowProcA(window, message, wParam, lParam);
    switch (wParam) {
    case probe::GdiObjects:
        return gdiObjects();
    case probe::HeapBytes:
        return heapBytes();
    case probe::LeakBitmap:
        return CreateBitmap(8, 8, 1, 1, nullptr) ? 1 : 0;
    case probe::BesideDllByName:
        return loadsBesideDll(false);
    case probe::BesideDllByFullPath:
        return loadsBesideDll(true);
    default:
        return 0;
    }
}

struct ProbeWindow {
    ProbeWindow() {
        probeMessage = RegisterWindowMessageA(probe::ProbeMessage);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = probeProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = probe::ProbeClass;
        if (RegisterClassA(&windowClass))
            CreateWindowExA(0, probe::ProbeClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                            nullptr);
    }
};

const ProbeWindow probeWindow;

}  // namespace
