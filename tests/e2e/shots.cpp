// Puts the main window into the states that tools/screenshots photographs,
// and tells the script over stdout when each is on the screen; a line on
// stdin moves it on.
//   e2e_shots PROGRAM SOURCE TARGET
// prints "idle", then "copying" (the program's thread suspended part-way
// through the copy of SOURCE), then "done".
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/driver.h"

namespace {

void tell(const char* state) {
    std::printf("%s\n", state);
    std::fflush(stdout);
}

bool waitForLine() {
    char line[64];
    return std::fgets(line, sizeof line, stdin) != nullptr;
}

// The percentage of "Current     :    %uKb  (%u%)", or -1.
int percentShown(const std::string& line) {
    unsigned kb = 0, percent = 0;
    return std::sscanf(line.c_str(), "Current     :    %uKb  (%u", &kb, &percent) == 2 ? static_cast<int>(percent)
                                                                                         : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: e2e_shots PROGRAM SOURCE TARGET\n");
        return 2;
    }
    auto path = [](const char* given) { return given[0] == '/' ? e2e::windowsPath(given) : std::string(given); };
    try {
        e2e::Program app(path(argv[1]));
        app.start();
        e2e::Window main = app.mainDialog();
        main.focus(1101);
        main.type(1101, path(argv[2]));
        main.focus(1102);
        main.type(1102, path(argv[3]));
        main.focus(5);
        app.sync();
        Sleep(300);  // the window paints
        tell("idle");
        if (!waitForLine()) return 1;

        main.click(5);
        e2e::waitUntil("the copy to pass 30 %", 60, [&] { return percentShown(main.text(1114)) >= 30; });
        Sleep(100);  // the last texts reach the screen
        if (SuspendThread(app.threadHandle()) == static_cast<DWORD>(-1)) throw e2e::DriverError("SuspendThread failed");
        tell("copying");
        bool more = waitForLine();
        ResumeThread(app.threadHandle());
        if (!more) return 1;

        e2e::waitUntil("the copy to end", 120, [&] { return main.text(5) == "&Start"; });
        app.closeBox();
        DWORD status = app.waitForExit();
        tell("done");
        return status == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "e2e_shots: %s\n", error.what());
        return 1;
    }
}
