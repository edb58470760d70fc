// Invariants that speak in every build. ReportIf(condition) is true when the
// condition holds, that is when an invariant is broken; it then tells the
// report handler, in Release builds too, and the caller goes on by the way
// out that it names right there:
//
//     if (ReportIf(!hwnd_)) return;
//
// The program's handler writes the report to the debugger's output; the test
// programs put one of their own behind it that fails the test.
#pragma once

namespace report {

using Handler = void (*)(const char* condition, const char* file, int line);

// Puts `handler` behind ReportIf (null: the program's own) and gives the one
// it replaced.
Handler setHandler(Handler handler);

// Tells the handler when `broken`; gives `broken` back.
bool brokenIf(bool broken, const char* condition, const char* file, int line);

}  // namespace report

#define ReportIf(condition) report::brokenIf(static_cast<bool>(condition), #condition, __FILE__, __LINE__)
