// The main window as the user first sees it: its frame, the command line in
// the edits, the keyboard, and the ways the program ends while no job runs.
#include <doctest/doctest.h>

#include <windows.h>

#include <ios>
#include <string>

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
    CHECK(app.describeWindows() == "\"Quillet 3.00\" (QuilletFrame)");
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
    CHECK(main.text(SourceEdit) == source);
    CHECK(main.text(TargetEdit) == target);
    CHECK(main.checkState(ClearReadOnlyBox) == BST_CHECKED);
    CHECK(main.checkState(MoveFileBox) == BST_UNCHECKED);
    checkIdleLook(main);
    CHECK(app.running());
}

TEST_CASE("an edit refuses a 256th typed character") {
    Program app(programPath());
    app.start({std::string(254, 'a'), ""});
    Window main = app.mainDialog();

    SUBCASE("the source edit, filled from the command line") {
        main.focus(SourceEdit);
        main.type(SourceEdit, "bcd");
        app.sync();
        CHECK(main.text(SourceEdit) == std::string(254, 'a') + "b");
    }
    SUBCASE("the target edit, typed from empty") {
        main.focus(TargetEdit);
        main.type(TargetEdit, std::string(255, 't') + "u");
        app.sync();
        CHECK(main.text(TargetEdit) == std::string(255, 't'));
    }
}

TEST_CASE("the keyboard: Tab order and the options' Alt letters") {
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();

    SUBCASE("Tab walks the controls in the template's order and Shift+Tab goes back") {
        const int order[] = {StartButton, AboutButton, ExitButton, BrowseSourceButton, BrowseTargetButton,
                             SourceEdit,  TargetEdit,  ClearReadOnlyBox, MoveFileBox, StartButton};
        main.focus(StartButton);
        app.sync();
        REQUIRE(GetDlgCtrlID(app.focusedWindow()) == StartButton);
        for (int i = 1; i < 10; ++i) {
            app.pressTab();
            app.sync();
            CHECK(GetDlgCtrlID(app.focusedWindow()) == order[i]);
        }
        app.pressTab(true);
        CHECK(GetDlgCtrlID(app.focusedWindow()) == MoveFileBox);
        app.pressTab(true);
        CHECK(GetDlgCtrlID(app.focusedWindow()) == ClearReadOnlyBox);
    }
    SUBCASE("Alt+M and Alt+C toggle the two options") {
        app.pressAlt('m');
        app.sync();
        CHECK(main.checkState(MoveFileBox) == BST_CHECKED);
        app.pressAlt('c');
        app.sync();
        CHECK(main.checkState(ClearReadOnlyBox) == BST_UNCHECKED);
        app.pressAlt('M');
        app.pressAlt('C');
        app.sync();
        CHECK(main.checkState(MoveFileBox) == BST_UNCHECKED);
        CHECK(main.checkState(ClearReadOnlyBox) == BST_CHECKED);
    }
    SUBCASE("About opens nothing yet") {
        main.click(AboutButton);
        app.sync();
        CHECK(app.describeWindows() == "\"Quillet 3.00\" (QuilletFrame)");
        checkIdleLook(main);
    }
}

TEST_CASE("without a job the program ends with status 0") {
    Program app(programPath());
    app.start({"a.txt", "b.txt"});
    Window main = app.mainDialog();

    SUBCASE("Escape") {
        main.focus(SourceEdit);
        app.sync();
        app.pressEscape();
    }
    SUBCASE("E&xit clicked") { main.click(ExitButton); }
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
    main.setText(SourceEdit, largeSource());
    Scratch scratch("idle");
    main.setText(TargetEdit, scratch.file("copy.bin"));
    double beforeJob = app.processorSeconds();
    main.click(StartButton);
    app.sync();
    waitUntil("the copy to end", 60, [&] { return main.text(StartButton) == "&Start"; });
    double job = app.processorSeconds() - beforeJob;
    MESSAGE("copying " << (LargeSize >> 20) << " MiB used " << job << " s of processor time");
    CHECK(job > used);
    app.pressEscape();
    CHECK(app.waitForExit() == 0);
}
