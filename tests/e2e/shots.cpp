// Puts the main window into the states that tools/screenshots photographs,
// and tells the script over stdout when each is on the screen; a line on
// stdin moves it on.
//   e2e_shots PROGRAM SOURCE TARGET
// prints "idle", then "open-dialog" ("&Browse..." pressed, the Open dialog in
// SOURCE's folder), then "folder-browser" ("B&rowse..." pressed, with the
// Desktop moved to the folder above SOURCE's), then "copying" (the program's
// thread suspended part-way through the copy of SOURCE), then "done".
//   e2e_shots --dialogs PROGRAM SOURCE OLD_TARGET FULL_DISK_FOLDER
// prints "confirm-overwrite" (SOURCE started onto the non-empty OLD_TARGET),
// then "disk-full" (SOURCE started into FULL_DISK_FOLDER, too small for it),
// then "change-target" (its "Change &Target" pressed), then "done". The
// dialogs are modal and wait, so each picture holds still.
//   e2e_shots --about PROGRAM
// prints "about" ("&About" pressed), then "done".
#include <windows.h>

#include <cstdio>
#include <string>

#include "resources/ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/files.h"

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

using testkit::windowsPath;

// Gives the dialog time to paint, then tells the script it is there.
bool showAndWait(const e2e::Program& app, const char* state) {
    app.sync();
    Sleep(300);
    tell(state);
    return waitForLine();
}

// Moves a chooser down and to the right of the main window, so that the
// picture shows both.
void placeBelowRight(const e2e::Program& app, const e2e::Window& window, int right, int down) {
    RECT frame;
    GetWindowRect(app.frame(), &frame);
    SetWindowPos(window.handle(), nullptr, frame.left + right, frame.top + down, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Closes the program, tells "done" and gives 0 when it ended with status 0.
int closeAndTell(e2e::Program& app) {
    app.closeBox();
    DWORD status = app.waitForExit();
    tell("done");
    return status == 0 ? 0 : 1;
}

int dialogs(char** argv) {
    e2e::Program app(windowsPath(argv[2]));
    app.start({windowsPath(argv[3]), windowsPath(argv[4])});
    e2e::Window main = app.mainDialog();
    main.click(IDC_START);
    e2e::Window overwrite = app.waitForWindow("Confirm File Overwrite");
    if (!showAndWait(app, "confirm-overwrite")) return 1;
    overwrite.click(IDCANCEL);
    app.waitWindowGone(overwrite);
    app.sync();

    main.setText(IDC_TARGET, windowsPath(argv[5]) + "\\");
    main.click(IDC_START);
    e2e::Window full = app.waitForWindow("Disk is full", 60);
    if (!showAndWait(app, "disk-full")) return 1;
    full.click(IDC_CHANGE_TARGET);
    app.waitWindowGone(full);
    e2e::Window change = app.waitForWindow("Change target");
    if (!showAndWait(app, "change-target")) return 1;
    change.click(IDC_CANCEL_JOB);
    app.waitWindowGone(change);
    e2e::waitUntil("the job to end", 30, [&] { return main.text(IDC_START) == "&Start"; });
    return closeAndTell(app);
}

int about(char** argv) {
    e2e::Program app(windowsPath(argv[2]));
    app.start();
    app.mainDialog().click(IDC_ABOUT);
    e2e::Window box = app.waitForWindow("About");
    if (!showAndWait(app, "about")) return 1;
    box.click(IDOK);
    app.waitWindowGone(box);
    return closeAndTell(app);
}

// The pictures of the main window: idle, the Open dialog, the folder
// browser, a copy part-way through.
int mainWindow(char** argv) {
    // The Desktop, where the folder browser starts, is the folder that holds
    // the source's folder; the program takes it at its first chooser.
    std::string source = windowsPath(argv[2]);
    std::string reports = source.substr(0, source.rfind('\\'));
    e2e::DesktopAt desktop(reports.substr(0, reports.rfind('\\')));
    e2e::Program app(windowsPath(argv[1]));
    app.start();
    e2e::Window main = app.mainDialog();
    main.focus(IDC_SOURCE);
    main.type(IDC_SOURCE, windowsPath(argv[2]));
    main.focus(IDC_TARGET);
    main.type(IDC_TARGET, windowsPath(argv[3]));
    main.focus(IDC_START);
    app.sync();
    Sleep(300);  // the window paints
    tell("idle");
    if (!waitForLine()) return 1;

    main.click(IDC_BROWSE_SOURCE);
    e2e::Window open = app.waitForWindow("Open");
    e2e::openDialog::choose(open, reports);  // the dialog goes into the folder
    app.sync();
    placeBelowRight(app, open, 110, 100);
    SendMessageA(open.descendant(e2e::openDialog::FileNameEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(source.substr(reports.size() + 1).c_str()));
    if (!showAndWait(app, "open-dialog")) return 1;
    open.answer(IDCANCEL);
    app.waitWindowGone(open);
    app.sync();

    {
        main.click(IDC_BROWSE_TARGET);
        e2e::Window browser = app.waitForWindow(e2e::folderBrowser::Caption);
        app.sync();
        placeBelowRight(app, browser, 200, 80);
        browser.focus(e2e::folderBrowser::Tree);
        browser.pressKey(e2e::folderBrowser::Tree, VK_RIGHT);
        browser.pressKey(e2e::folderBrowser::Tree, VK_DOWN);
        if (!showAndWait(app, "folder-browser")) return 1;
        browser.answer(IDCANCEL);
        app.waitWindowGone(browser);
        app.sync();
    }

    main.click(IDC_START);
    e2e::waitUntil("the copy to pass 30 %", 60, [&] { return percentShown(main.text(IDC_PROGRESS_LINE2)) >= 30; });
    Sleep(100);  // the last texts reach the screen
    if (SuspendThread(app.threadHandle()) == static_cast<DWORD>(-1)) throw e2e::DriverError("SuspendThread failed");
    tell("copying");
    bool more = waitForLine();
    ResumeThread(app.threadHandle());
    if (!more) return 1;

    e2e::waitUntil("the copy to end", 120, [&] { return main.text(IDC_START) == "&Start"; });
    return closeAndTell(app);
}

// Runs one of the modes; a failure is told on stderr.
int run(int (*mode)(char**), char** argv) {
    try {
        return mode(argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "e2e_shots: %s\n", error.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--about") return run(about, argv);
    if (argc == 6 && std::string(argv[1]) == "--dialogs") return run(dialogs, argv);
    if (argc == 4) return run(mainWindow, argv);
    std::fprintf(stderr, "usage: e2e_shots PROGRAM SOURCE TARGET\n"
                         "       e2e_shots --dialogs PROGRAM SOURCE OLD_TARGET FULL_DISK_FOLDER\n"
                         "       e2e_shots --about PROGRAM\n");
    return 2;
}
