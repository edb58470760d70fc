// What a test build of the program (quillet_probe.exe) answers about itself,
// shared by the probe inside it and the driver outside: the driver sends the
// registered message ProbeMessage, with one of the questions below as
// wParam, to the program's message-only window of class ProbeClass, and the
// answer is the message's result.
#pragma once

namespace probe {

constexpr const char* ProbeClass = "QuilletProbe";
constexpr const char* ProbeMessage = "Quillet.Probe";

enum Question : unsigned {
    GdiObjects = 1,  // live GDI objects of the process (DCs, bitmaps, brushes, ...)
    HeapBytes = 2,   // bytes in use in the process's heaps
    LeakBitmap = 3,  // makes a bitmap and never deletes it; answers 1
    // Load BesideDll, which the build puts beside the program, and answer 1
    // when it loaded (it is freed again at once).
    BesideDllByName = 4,      // by its bare name
    BesideDllByFullPath = 5,  // by the full path of the program's folder
};

constexpr const char* BesideDll = "quillet_beside.dll";

}  // namespace probe
