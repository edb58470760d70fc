// The main window as the user first sees it: its frame, the command line in
// the edits, the keyboard, and the ways the program ends while no job runs.
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdint>
#include <ios>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/e2e_env.h"

using namespace e2e;

TEST_CASE("the frame window: caption, size, centred place and style") {
    Program app(programPath());
    app.start();
    HWND frame = app.frame();

    CHECK(Window(frame).caption() == "Quillet 3.00");
    RECT outer;
    REQUIRE(GetWindowRect(frame, &outer));
    CHECK(outer.right - outer.left == 513);
    CHECK(outer.bottom - outer.top == 228);
    CHECK(outer.left == GetSystemMetrics(SM_CXSCREEN) / 2 - 256);
    CHECK(outer.top == GetSystemMetrics(SM_CYSCREEN) / 2 - 114);

    LONG_PTR style = GetWindowLongPtrA(frame, GWL_STYLE);
    INFO("style ", std::hex, style);
    CHECK((style & WS_CAPTION) == WS_CAPTION);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & WS_MINIMIZEBOX) == 0);
    CHECK((style & WS_MAXIMIZEBOX) == 0);
    CHECK((style & WS_THICKFRAME) == 0);
    CHECK((style & (WS_CHILD | WS_POPUP)) == 0);
    CHECK(GetMenu(frame) == nullptr);
    CHECK((GetWindowLongPtrA(frame, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0);

    // The main dialog fills the client area as a child without a caption.
    HWND dialog = app.mainDialog().handle();
    LONG_PTR dialogStyle = GetWindowLongPtrA(dialog, GWL_STYLE);
    CHECK((dialogStyle & WS_CHILD) != 0);
    CHECK((dialogStyle & WS_CAPTION) != WS_CAPTION);
    RECT client, inner;
    REQUIRE(GetClientRect(frame, &client));
    REQUIRE(GetWindowRect(dialog, &inner));
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&inner), 2);
    CHECK(inner.left <= 0);
    CHECK(inner.top <= 0);
    CHECK(inner.right >= client.right);
    CHECK(inner.bottom >= client.bottom);

    // F2 belongs to an accelerator table that is never loaded.
    app.pressKey(VK_F2);
    app.sync();
    checkAlone(app);
    checkIdleLook(app.mainDialog());
}

TEST_CASE("the command line fills the edits") {
    Program app(programPath());
    std::string source, target;
    std::string long255(255, 's');
    long255.replace(0, 3, "Z:\\");
    std::string long256 = long255 + "x";

    SUBCASE("no arguments") { app.start(); }
    SUBCASE("one argument") {
        source = "Z:\\tmp\\one argument.txt";
        app.start({source});
    }
    SUBCASE("two arguments") {
        source = "C:\\data\\report.txt";
        target = "D:\\save\\";
        app.start({source, target});
    }
    SUBCASE("a third argument is ignored") {
        source = "first.txt";
        target = "second.txt";
        app.start({source, target, "third.txt"});
    }
    SUBCASE("an argument of 255 characters is shown whole") {
        source = long255;
        target = long255;
        app.start({source, target});
    }
    SUBCASE("an argument of 256 characters is left out") {
        target = "kept.txt";
        app.start({long256, target});
    }
    SUBCASE("a target of 256 characters is left out") {
        source = "kept.txt";
        app.start({source, long256});
    }
    SUBCASE("a very long argument is left out") {
        target = "kept.txt";
        app.start({std::string(4000, 'v'), target, std::string(4000, 'w')});
    }

    Window main = app.mainDialog();
    CHECK(main.text(IDC_SOURCE) == source);
    CHECK(main.text(IDC_TARGET) == target);
    CHECK(main.checkState(IDC_CLEAR_READONLY) == BST_CHECKED);
    CHECK(main.checkState(IDC_MOVE_FILE) == BST_UNCHECKED);
    checkIdleLook(main);
    CHECK(app.running());
}

TEST_CASE("an edit refuses a 256th typed character") {
    Program app(programPath());
    app.start({std::string(254, 'a'), ""});
    Window main = app.mainDialog();

    SUBCASE("the source edit, filled from the command line") {
        main.focus(IDC_SOURCE);
        main.type(IDC_SOURCE, "bcd");
        app.sync();
        CHECK(main.text(IDC_SOURCE) == std::string(254, 'a') + "b");
    }
    SUBCASE("the target edit, typed from empty") {
        main.focus(IDC_TARGET);
        main.type(IDC_TARGET, std::string(255, 't') + "u");
        app.sync();
        CHECK(main.text(IDC_TARGET) == std::string(255, 't'));
    }
}

TEST_CASE("the keyboard: Tab order and the options' Alt letters") {
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();

    SUBCASE("Tab walks the controls in the template's order and Shift+Tab goes back") {
        const int order[] = {IDC_START, IDC_ABOUT, IDC_EXIT, IDC_BROWSE_SOURCE, IDC_BROWSE_TARGET,
                             IDC_SOURCE,  IDC_TARGET,  IDC_CLEAR_READONLY, IDC_MOVE_FILE, IDC_START};
        main.focus(IDC_START);
        app.sync();
        REQUIRE(GetDlgCtrlID(app.focusedWindow()) == IDC_START);
        for (int i = 1; i < 10; ++i) {
            app.pressTab();
            app.sync();
            CHECK(GetDlgCtrlID(app.focusedWindow()) == order[i]);
        }
        app.pressTab(true);
        CHECK(GetDlgCtrlID(app.focusedWindow()) == IDC_MOVE_FILE);
        app.pressTab(true);
        CHECK(GetDlgCtrlID(app.focusedWindow()) == IDC_CLEAR_READONLY);
    }
    SUBCASE("Alt+M and Alt+C toggle the two options") {
        app.pressAlt('m');
        app.sync();
        CHECK(main.checkState(IDC_MOVE_FILE) == BST_CHECKED);
        app.pressAlt('c');
        app.sync();
        CHECK(main.checkState(IDC_CLEAR_READONLY) == BST_UNCHECKED);
        app.pressAlt('M');
        app.pressAlt('C');
        app.sync();
        CHECK(main.checkState(IDC_MOVE_FILE) == BST_UNCHECKED);
        CHECK(main.checkState(IDC_CLEAR_READONLY) == BST_CHECKED);
    }
}

TEST_CASE("without a job the program ends with status 0") {
    Program app(programPath());
    app.start({"a.txt", "b.txt"});
    Window main = app.mainDialog();

    SUBCASE("Escape") {
        main.focus(IDC_SOURCE);
        app.sync();
        app.pressEscape();
    }
    SUBCASE("E&xit clicked") { main.click(IDC_EXIT); }
    SUBCASE("Alt+X") { app.pressAlt('x'); }
    SUBCASE("the close box") { app.closeBox(); }
    SUBCASE("WM_CLOSE to the frame") { PostMessageA(app.frame(), WM_CLOSE, 0, 0); }

    CHECK(app.waitForExit() == 0);
}

TEST_CASE("the idle program waits for messages and uses almost no processor time") {
    Program app(programPath());
    app.start();
    app.sync();
    double before = app.processorSeconds();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Sleep(3000);
    double after = app.processorSeconds();
    QueryPerformanceCounter(&end);
    double wall = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    double used = after - before;
    MESSAGE("idle for " << wall << " s: the program used " << used << " s of processor time ("
                        << 100.0 * used / wall << " %)");
    // A loop that never waits would use about the whole wall time.
    CHECK(used < 0.5 * wall);

    // The meter itself sees a program at work: a long copy takes time.
    Window main = app.mainDialog();
    main.setText(IDC_SOURCE, largeSource());
    Scratch scratch("idle");
    main.setText(IDC_TARGET, scratch.file("copy.bin"));
    main.click(IDC_START);
    app.sync();
    double beforeJob = app.processorSeconds();
    Sleep(300);  // some hundreds of MiB onto the scratch disk
    double job = app.processorSeconds() - beforeJob;
    MESSAGE("copying for 0.3 s used " << job << " s of processor time");
    CHECK(job > used);
    CHECK(main.text(IDC_START) == "&Stop");
    // Stopped: Escape asks, Yes ends the job.
    app.pressEscape();
    Window box = app.waitForWindow("Warning");
    answerAndWait(app, box, IDYES);
    app.sync();
    escapeEnds(app);
}

TEST_CASE("the probe build counts the program's live GDI objects and sees a leaked bitmap") {
    REQUIRE_MESSAGE(!probePath().empty(), "give quillet_probe.exe with --probe=");
    Program app(probePath());
    app.start();
    app.sync();
    const long before = app.gdiObjectCount();
    MESSAGE("the idle program holds " << before << " GDI objects and " << app.memoryBytes() << " heap bytes");
    CHECK(before > 0);
    CHECK(app.memoryBytes() > 0);
    CHECK(app.gdiObjectCount() == before);
    app.leakBitmap();
    CHECK(app.gdiObjectCount() == before + 1);
    app.leakBitmap();
    app.leakBitmap();
    CHECK(app.gdiObjectCount() == before + 3);

    // The plain program has no probe to ask.
    Program plain(programPath());
    plain.start();
    CHECK_THROWS_AS(plain.gdiObjectCount(), DriverError);
}

TEST_CASE("a DLL beside the program is never loaded by its bare name") {
    REQUIRE_MESSAGE(!probePath().empty(), "give quillet_probe.exe with --probe=");
    Program app(probePath());
    app.start();
    app.sync();
    // It is there and loads when named in full; by its name alone the
    // search, limited to the system folder at start-up, does not find it.
    CHECK(app.loadsBesideDll(true));
    CHECK_FALSE(app.loadsBesideDll(false));
}

namespace {

// The colours (0xBBGGRR) of a window's pixels as the screen shows them.
std::map<COLORREF, int> screenColours(HWND window) {
    RECT area;
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::map<COLORREF, int> colours;
    for (int i = 0; bits && i < width * height; ++i) {
        const std::uint32_t pixel = static_cast<const std::uint32_t*>(bits)[i];
        ++colours[RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF)];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colours;
}

Window openAbout(const Program& app) {
    app.mainDialog().click(IDC_ABOUT);
    return app.waitForWindow("About");
}

}  // namespace

TEST_CASE("\"&About\" opens the About box with its texts and picture; OK and Escape close it") {
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    Window about = openAbout(app);
    CHECK(GetWindow(about.handle(), GW_OWNER) == app.frame());  // a child dialog's boxes belong to its frame
    const std::vector<std::string> texts = {"The Quillet, Version 3.00, Build 047", "Written by the Quillet makers",
                                            "Quillet Works, 12 Copy Lane, Diskton  -  mail: quillet@example.org",
                                            "home page :", "", "Picture1", "10 Jun 1998"};
    CHECK(about.staticTexts() == texts);
    CHECK(about.text(IDC_HOME_PAGE) == "http://quillet.example.org/");
    CHECK(about.readOnly(IDC_HOME_PAGE));
    CHECK(about.text(IDOK) == "OK");

    // The picture fills its control: its black is the dialog's face colour,
    // and the disks' colours are there.
    app.sync();
    Sleep(200);
    std::map<COLORREF, int> colours = screenColours(about.control(IDC_ABOUT_PICTURE));
    auto count = [&](COLORREF colour) { return colours.count(colour) ? colours[colour] : 0; };
    CHECK(count(RGB(0, 0, 0)) == 0);
    CHECK(count(GetSysColor(COLOR_BTNFACE)) > 100);
    CHECK(count(RGB(255, 255, 0)) > 50);   // the shutters
    CHECK(count(RGB(0, 0, 255)) > 20);     // the label lines
    CHECK(count(RGB(255, 0, 0)) > 10);     // the corners
    CHECK(count(RGB(255, 255, 255)) > 100);  // the labels

    SUBCASE("OK") { about.click(IDOK); }
    SUBCASE("Escape") { app.pressEscape(); }
    SUBCASE("Enter") { app.pressEnter(); }
    app.waitWindowGone(about);
    app.sync();
    checkAlone(app);
    checkIdleLook(main);
    CHECK(app.running());
}

TEST_CASE("\"&About\" and command 6 do nothing while a job runs") {
    Scratch scratch("about-job");
    Program app(programPath());
    app.start({largeSource(), scratch.file("copy.bin")});
    Window main = app.mainDialog();
    main.click(IDC_START);
    app.sync();
    REQUIRE(main.text(IDC_START) == "&Stop");
    main.click(IDC_ABOUT);
    main.answer(IDC_ABOUT);
    app.pressAlt('a');
    app.sync();
    CHECK(app.findWindow("About") == nullptr);
    checkRunningLook(main);
    app.pressEscape();
    Window box = app.waitForWindow("Warning");
    answerAndWait(app, box, IDYES);
    waitForIdle(app);
    // Once the job is over the box opens again.
    Window about = openAbout(app);
    about.click(IDOK);
    app.waitWindowGone(about);
}

TEST_CASE("opening and closing the About box 300 times leaves the GDI objects and the heap as they were") {
    REQUIRE_MESSAGE(!probePath().empty(), "give quillet_probe.exe with --probe=");
    Program app(probePath());
    app.start();
    auto cycle = [&] {
        Window about = openAbout(app);
        app.sync();
        // The picture is painted (and its mask made) before the box closes.
        RedrawWindow(about.control(IDC_ABOUT_PICTURE), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        about.click(IDOK);
        app.waitWindowGone(about);
        app.sync();
    };
    for (int i = 0; i < 5; ++i) cycle();  // the system's caches fill on the first openings
    const long objects = app.gdiObjectCount();
    const long long bytes = app.memoryBytes();
    for (int i = 0; i < 300; ++i) cycle();
    const long objectsAfter = app.gdiObjectCount();
    const long long bytesAfter = app.memoryBytes();
    MESSAGE("GDI objects " << objects << " -> " << objectsAfter << ", heap bytes " << bytes << " -> " << bytesAfter);
    CHECK(objectsAfter == objects);
    // A leak of even a few bytes a time would show 300 times over.
    CHECK(bytesAfter - bytes < 300 * 16);
}
