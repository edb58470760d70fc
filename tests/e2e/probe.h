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
};

}  // namespace probe
