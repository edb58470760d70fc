#include "platform/report.h"

#include <windows.h>

#include <cstdio>

namespace report {

namespace {

void toDebugger(const char* condition, const char* file, int line) {
    char text[512];
    std::snprintf(text, sizeof text, "Quillet: broken invariant (%s) at %s:%d\n", condition, file, line);
    OutputDebugStringA(text);
}

Handler current = toDebugger;

}  // namespace

Handler setHandler(Handler handler) {
    Handler previous = current;
    current = handler ? handler : toDebugger;
    return previous;
}

bool brokenIf(bool broken, const char* condition, const char* file, int line) {
    if (broken) current(condition, file, line);
    return broken;
}

}  // namespace report
