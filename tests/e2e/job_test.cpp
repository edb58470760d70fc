// Copy jobs started, watched, stopped and refused through the main window,
// on real files.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_env.h"
#include "tests/support/handle.h"
#include "tests/support/utf8.h"

using namespace e2e;

namespace {

// Starts the program on the large source and `target` and its copy with
// "&Start"; gives the main dialog once the copy is under way.
Window startLargeCopy(Program& app, const std::string& target) {
    app.start({largeSource(), target});
    Window main = app.mainDialog();
    main.click(IDC_START);
    waitForCopying(app);
    return main;
}

// Escape while the job runs, the stop question answered: the window is idle
// again after Yes, the job goes on after No.
void answerStopQuestion(const Program& app, int answer) {
    app.pressEscape();
    Window box = waitForStopQuestion(app);
    answerAndWait(app, box, answer);
    app.sync();
}

// A file opened as another program opens it, sharing reading and writing.
testkit::Handle openShared(const std::string& path, DWORD access) {
    return testkit::Handle(CreateFileW(testkit::wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
}

void checkWholeCopy(const std::string& target, const std::string& source) {
    std::string why;
    CHECK(fileSize(target) == fileSize(source));
    CHECK_MESSAGE(sameStart(target, source, -1, why), why);
    CHECK(dosStamp(target) == dosStamp(source));
}

}  // namespace

TEST_CASE("a copy runs to its end and leaves the window idle") {
    Scratch scratch("copy");
    std::string source = scratch.file("source.bin");
    std::string target = scratch.file("target.bin");
    const std::uint64_t size = 5 * 1048576 + 1234;
    writePatternFile(source, size);

    Program app(programPath());
    app.start({source, target});
    Window main = app.mainDialog();

    // Escape queued together with the start is handled before the first
    // block: the stop question shows the job at its start.
    SUBCASE("started with Enter") {
        main.focus(IDC_SOURCE);
        app.sync();
        app.atOnce([&] {
            app.pressEnter();
            app.pressEscape();
        });
    }
    SUBCASE("started with \"&Start\"") {
        app.atOnce([&] {
            main.click(IDC_START);
            app.pressEscape();
        });
    }
    SUBCASE("started with Alt+S") {
        app.atOnce([&] {
            app.pressAlt('s');
            app.pressEscape();
        });
    }

    Window box = waitForStopQuestion(app);
    checkRunningLook(main);
    CHECK(main.text(IDC_PROGRESS_LINE1) == totalSizeText(size));
    CHECK(main.text(IDC_PROGRESS_LINE2) == "");
    CHECK(main.progress(IDC_PROGRESS_BAR) == 0);
    CHECK(fileExists(target));

    answerAndWait(app, box, IDNO);
    waitForIdle(app);
    checkIdleLook(main);
    checkWholeCopy(target, source);
    CHECK(main.text(IDC_SOURCE) == source);
    CHECK(main.text(IDC_TARGET) == target);

    // The window takes the next job: a new target name, straight to its end.
    std::string second = scratch.file("second.bin");
    main.setText(IDC_TARGET, second);
    main.click(IDC_START);
    waitForIdle(app);
    checkIdleLook(main);
    checkWholeCopy(second, source);

    app.closeBox();
    CHECK(app.waitForExit() == 0);
}

TEST_CASE("a copy into a folder given with a trailing backslash, typed into the edits") {
    Scratch scratch("folder");
    std::string source = scratch.file("data file.txt");
    writePatternFile(source, 100000);
    REQUIRE(CreateDirectoryA(scratch.file("out").c_str(), nullptr));

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    main.focus(IDC_SOURCE);
    main.type(IDC_SOURCE, "  " + source + "  ");
    main.focus(IDC_TARGET);
    main.type(IDC_TARGET, scratch.file("out") + "\\");
    app.pressEnter();
    app.sync();
    waitForIdle(app);
    checkIdleLook(main);
    checkWholeCopy(scratch.file("out\\data file.txt"), source);
    escapeEnds(app);
}

TEST_CASE("names in any script, typed or chosen in the Open dialog, are copied and moved under exactly those names") {
    Scratch scratch("scripts");
    const std::string copies = scratch.file("копии 副本"), moved = scratch.file("μετακινημένα");
    for (const std::string& folder : {copies, moved})
        REQUIRE(CreateDirectoryW(testkit::wide(folder).c_str(), nullptr));
    const std::vector<std::string> names = {"Ελληνικά и кириллица.dat", "中文-é.txt"};  // as filesIn sorts them
    const SYSTEMTIME stamp{2019, 5, 2, 21, 10, 30, 44, 0};

    bool chosen = false;
    SUBCASE("typed into the source edit") {}
    SUBCASE("chosen in the Open dialog") { chosen = true; }

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    for (const std::string& name : names) {
        CAPTURE(name);
        const std::string source = scratch.file(name.c_str());
        const std::string bytes =
            writeRandomFile(source, 70000, static_cast<std::uint32_t>(name.size()), stamp, FILE_ATTRIBUTE_ARCHIVE);
        if (chosen) {
            main.click(IDC_BROWSE_SOURCE);
            Window dialog = app.waitForWindow("Open");
            openDialog::choose(dialog, source);
            app.waitWindowGone(dialog);
            app.sync();
        } else {
            main.setTextW(IDC_SOURCE, source);
        }
        main.setTextW(IDC_TARGET, copies + "\\");
        CHECK(main.textW(IDC_SOURCE) == source);
        main.click(IDC_START);
        waitForIdle(app);
        checkWholeCopy(copies + "\\" + name, source);

        main.setTextW(IDC_TARGET, moved + "\\");
        main.click(IDC_MOVE_FILE);
        main.click(IDC_START);
        waitForIdle(app);
        main.click(IDC_MOVE_FILE);
        CHECK(fileBytes(moved + "\\" + name) == bytes);
        CHECK(dosStamp(moved + "\\" + name) == dosStampOf(stamp));
        CHECK_FALSE(fileExists(source));
        checkAlone(app);
    }
    // Exactly these names, not their bytes read in another code page.
    CHECK(filesIn(copies) == names);
    CHECK(filesIn(moved) == names);
    escapeEnds(app);
}

TEST_CASE("the running look and progress of a long copy") {
    Scratch scratch("progress");
    std::string target = scratch.file("target.bin");
    Program app(programPath());
    Window main = startLargeCopy(app, target);

    // The job runs with no box in front of it: the look is the running one.
    std::string line1 = main.text(IDC_PROGRESS_LINE1);
    std::string line2 = main.text(IDC_PROGRESS_LINE2);
    int bar = main.progress(IDC_PROGRESS_BAR);
    checkRunningLook(main);
    CHECK(line1 == totalSizeText(LargeSize));
    unsigned kb = 0, percent = 0;
    char closing[3] = "";
    INFO("second line ", printable(line2));
    CHECK(std::sscanf(line2.c_str(), "Current     :    %uKb  (%u%2s", &kb, &percent, closing) == 3);
    CHECK(std::string(closing) == "%)");
    CHECK(kb % 32 == 0);
    CHECK(percent <= 100);
    CHECK(bar <= 100);
    CHECK(line2 == "Current     :    " + std::to_string(kb) + "Kb  (" + std::to_string(percent) + "%)");
    // The progress moves on while the job runs.
    app.waitForControl(IDC_PROGRESS_LINE2, "more copied than " + printable(line2), [&](const std::string& text) {
        unsigned later = 0;
        return std::sscanf(text.c_str(), "Current     :    %uKb", &later) == 1 && later > kb;
    });

    // The source is too large to wait for: the job is stopped, and what it
    // copied so far is the source's start.
    answerStopQuestion(app, IDYES);
    checkIdleLook(main);
    std::string why;
    CHECK_MESSAGE(sameStart(target, largeSource(), fileSize(target), why), why);
    escapeEnds(app);
}

TEST_CASE("stopping a job asks first; Yes keeps the partial target") {
    Scratch scratch("stop");
    std::string target = scratch.file("partial.bin");
    Program app(programPath());
    Window main = startLargeCopy(app, target);

    SUBCASE("Escape") { app.pressEscape(); }
    SUBCASE("\"&Stop\" clicked") { main.click(IDC_START); }
    SUBCASE("Enter") { app.pressEnter(); }
    SUBCASE("Alt+S") { app.pressAlt('s'); }
    SUBCASE("Escape, after another program's opens of the target: for writing refused, for reading taken") {
        testkit::Handle writer = openShared(target, GENERIC_WRITE);
        const DWORD refused = writer.valid() ? 0 : GetLastError();
        CHECK(refused == ERROR_SHARING_VIOLATION);
        CHECK(openShared(target, GENERIC_READ).valid());
        app.pressEscape();
    }

    Window box = waitForStopQuestion(app);
    // Nothing is copied while the question is open.
    std::int64_t asked = fileSize(target);
    Sleep(100);
    CHECK(fileSize(target) == asked);
    checkRunningLook(main);

    answerAndWait(app, box, IDYES);
    app.sync();
    checkIdleLook(main);

    std::int64_t length = fileSize(target);
    INFO("partial target of ", length, " bytes");
    CHECK(length > 0);
    CHECK(length < static_cast<std::int64_t>(LargeSize));
    CHECK(length % 32768 == 0);
    std::string why;
    CHECK_MESSAGE(sameStart(target, largeSource(), length, why), why);
    CHECK(dosStamp(target) != dosStamp(largeSource()));

    // The target file is closed: it can be opened for writing and removed.
    CHECK(openShared(target, GENERIC_WRITE).valid());
    CHECK(DeleteFileA(target.c_str()));
    escapeEnds(app);
}

TEST_CASE("a job started from a control that the running look disables keeps the keyboard") {
    Scratch scratch("focus");
    std::string target = scratch.file("copy.bin");
    Program app(programPath());
    app.start({largeSource(), target});
    Window main = app.mainDialog();

    // Enter on a check box starts the job; the box is then disabled and the
    // keyboard must not be left with it.
    SUBCASE("the move option") { main.focus(IDC_MOVE_FILE); }
    SUBCASE("the read-only option") { main.focus(IDC_CLEAR_READONLY); }
    app.sync();
    REQUIRE(GetDlgCtrlID(app.focusedWindow()) != IDC_START);
    app.pressEnter();
    waitForCopying(app);
    HWND focus = app.focusedWindow();
    CHECK(focus == main.control(IDC_START));

    answerStopQuestion(app, IDYES);
    checkIdleLook(main);
    escapeEnds(app);
}

TEST_CASE("during a job closing, Exit and both browse commands are refused") {
    Scratch scratch("close");
    std::string source = scratch.file("source.bin");
    std::string target = scratch.file("target.bin");
    writePatternFile(source, 3 * 1048576);
    Program app(programPath());
    app.start({source, target});
    Window main = app.mainDialog();

    // All of these reach the program in the pump of the start, before the
    // first block; the stop question then proves the window and its job are
    // still there.
    std::function<void()> attempt;
    SUBCASE("the close box") { attempt = [&] { app.closeBox(); }; }
    SUBCASE("WM_CLOSE") { attempt = [&] { PostMessageA(app.frame(), WM_CLOSE, 0, 0); }; }
    SUBCASE("the Exit command") { attempt = [&] { main.post(WM_COMMAND, IDC_EXIT, 0); }; }
    SUBCASE("Alt+X") { attempt = [&] { app.pressAlt('x'); }; }
    SUBCASE("both browse commands, their buttons and their Alt letters") {
        attempt = [&] {
            main.post(WM_COMMAND, IDC_BROWSE_SOURCE, 0);
            main.post(WM_COMMAND, IDC_BROWSE_TARGET, 0);
            main.click(IDC_BROWSE_SOURCE);
            main.click(IDC_BROWSE_TARGET);
            app.pressAlt('b');
            app.pressAlt('r');
        };
    }
    app.atOnce([&] {
        main.click(IDC_START);
        attempt();
        app.pressEscape();
    });

    Window box = waitForStopQuestion(app);
    CHECK(app.running());
    checkRunningLook(main);
    answerAndWait(app, box, IDNO);
    waitForIdle(app);
    CHECK(app.running());
    checkAlone(app);
    CHECK(main.text(IDC_SOURCE) == source);
    CHECK(main.text(IDC_TARGET) == target);
    checkWholeCopy(target, source);

    app.closeBox();
    CHECK(app.waitForExit() == 0);
}

TEST_CASE("after a box the keyboard is back on the control that had it") {
    Scratch scratch("focus-back");
    Program app(programPath());
    app.start({scratch.file("missing.txt"), scratch.file("t.txt")});
    Window main = app.mainDialog();

    // Enter in the target edit starts; the missing source is reported; the
    // user goes on typing where he was.
    main.focus(IDC_TARGET);
    app.sync();
    REQUIRE(app.focusedWindow() == main.control(IDC_TARGET));
    app.pressEnter();
    answerAndWait(app, app.waitForWindow("Error"), IDOK);
    app.sync();
    app.waitUntilFocus(IDC_TARGET);
    CHECK(main.defaultButton() == IDC_START);

    // The same after the stop question of a job started from the source edit.
    main.setText(IDC_SOURCE, largeSource());
    main.focus(IDC_SOURCE);
    app.sync();
    app.pressEnter();
    waitForCopying(app);
    answerStopQuestion(app, IDNO);
    app.waitUntilFocus(IDC_SOURCE);
    answerStopQuestion(app, IDYES);
    escapeEnds(app);
}

TEST_CASE("logging off is refused during a job and agreed to without one") {
    Scratch scratch("session");
    Program app(programPath());
    auto queryEndSession = [&] {
        DWORD_PTR answer = 99;
        REQUIRE(SendMessageTimeoutA(app.frame(), WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
        return answer;
    };

    Window main = startLargeCopy(app, scratch.file("copy.bin"));
    CHECK(queryEndSession() == FALSE);
    // The job goes on after the refusal.
    std::string before = main.text(IDC_PROGRESS_LINE2);
    app.waitForControl(IDC_PROGRESS_LINE2, "the copy to go on", [&](const std::string& text) { return text != before; });
    checkRunningLook(main);

    answerStopQuestion(app, IDYES);
    CHECK(queryEndSession() == TRUE);
    // Only asked: the program still runs until the session really ends.
    CHECK(app.running());
    escapeEnds(app);
}

TEST_CASE("a start that cannot begin shows its error and leaves the window idle") {
    Scratch scratch("errors");
    std::string existing = scratch.file("exists.txt");
    writePatternFile(existing, 1000);
    std::string source, target, text;

    SUBCASE("no source") {
        target = scratch.file("t.txt");
        text = "   Source or target file was not specified\t\t\t ";
    }
    SUBCASE("no target") {
        source = existing;
        text = "   Source or target file was not specified\t\t\t ";
    }
    SUBCASE("blanks only") {
        source = "   ";
        target = "  ";
        text = "   Source or target file was not specified\t\t\t ";
    }
    SUBCASE("the target NUL") {
        source = existing;
        target = "NUL";
        text = "   Unable to copy to\t\t\t \r\n   NUL";
    }
    SUBCASE("a target named lpt1 with an extension") {
        source = existing;
        target = scratch.file("lpt1.log");
        text = "   Unable to copy to\t\t\t \r\n   LPT1";
    }
    SUBCASE("a source named nul.txt") {
        source = "c:\\x\\nul.txt";
        target = scratch.file("t.txt");
        text = "   Unable to copy from\t\t\t \r\n   NUL";
    }
    SUBCASE("both reserved: the source is named") {
        source = "C:\\x\\Com1";
        target = "d:\\out\\prn.txt";
        text = "   Unable to copy from\t\t\t \r\n   COM1";
    }
    SUBCASE("a missing source") {
        source = scratch.file("missing.txt");
        target = scratch.file("t.txt");
        text = "   Error opening source file\t\t\t\r\n   No such file or directory";
    }
    SUBCASE("CON is no reserved name: the missing source is what is reported") {
        source = scratch.file("missing.txt");
        target = scratch.file("CON");
        text = "   Error opening source file\t\t\t\r\n   No such file or directory";
    }
    // Fewer than 255 characters, but more than 255 bytes in UTF-8: refused
    // whole, never cut to a name that might be another file's.
    std::string wideName;
    for (int i = 0; i < 90; ++i) wideName += "文";
    SUBCASE("a source of more than 255 bytes") {
        source = scratch.file(wideName.c_str());
        target = scratch.file("t.txt");
        text = "   Source file name is too long\t\t\t ";
    }
    SUBCASE("a target of more than 255 bytes") {
        source = existing;
        target = scratch.file(wideName.c_str());
        text = "   Target file name is too long\t\t\t ";
    }

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    main.setTextW(IDC_SOURCE, source);
    main.setTextW(IDC_TARGET, target);
    main.click(IDC_START);

    Window box = waitForBox(app, "Error", text);
    checkButtons(box, {IDOK}, {IDCANCEL});
    CHECK(GetWindow(box.handle(), GW_OWNER) == app.frame());
    CHECK_FALSE(IsWindowEnabled(app.frame()));
    answerAndWait(app, box, IDOK);
    app.sync();
    CHECK(IsWindowEnabled(app.frame()));
    checkIdleLook(main);
    CHECK(main.textW(IDC_SOURCE) == source);
    CHECK(main.textW(IDC_TARGET) == target);
    CHECK_FALSE(fileExists(scratch.file("t.txt")));
    CHECK_FALSE(fileExists(scratch.file(wideName.c_str())));

    // The program goes on working: Escape closes it.
    escapeEnds(app);
}

// A source of `size` bytes of which only the first 4 MiB are written: the
// rest is a hole, read as zeros, so a large job needs little disk to make.
void writeSparseSource(const std::string& path, std::uint64_t size) {
    writePatternFile(path, 4 << 20);
    testkit::Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    REQUIRE(file.valid());
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    CHECK(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    CHECK(SetEndOfFile(file.get()));
}

TEST_CASE("the program killed in the middle of a job loses nothing") {
    Scratch scratch("hard-stop");
    constexpr std::uint64_t SourceSize = 2ull << 30;
    const std::string source = scratch.file("source.bin");
    writeSparseSource(source, SourceSize);
    const DWORD sourceAttributes = GetFileAttributesA(source.c_str());
    const std::uint32_t sourceStamp = dosStamp(source);
    std::string target = scratch.file("copy.bin");
    bool move = false;
    SUBCASE("a copy") {}
    SUBCASE("a move") { move = true; }

    // Several kills at different points of the job, each on a fresh target.
    for (int round = 0; round < 3; ++round) {
        CAPTURE(round);
        DeleteFileA(target.c_str());
        Program app(programPath());
        app.start({source, target});
        Window main = app.mainDialog();
        if (move) tickMoveFile(app);
        main.click(IDC_START);
        waitForCopying(app);
        if (round > 0) Sleep(static_cast<DWORD>(round * 30));
        app.kill();
        REQUIRE_FALSE(app.running());

        // The source as it was, the target a prefix of it.
        REQUIRE(fileExists(source));
        CHECK(fileSize(source) == static_cast<std::int64_t>(SourceSize));
        CHECK(GetFileAttributesA(source.c_str()) == sourceAttributes);
        CHECK(dosStamp(source) == sourceStamp);
        std::int64_t length = fileSize(target);
        INFO("the target held ", length, " bytes");
        REQUIRE(length >= 0);
        CHECK(length < static_cast<std::int64_t>(SourceSize));
        std::string why;
        CHECK_MESSAGE(sameStart(target, source, length, why), why);
    }
}

TEST_CASE("hostile paths are answered with the program's own error and change nothing on disk") {
    Scratch scratch("hostile");
    const std::string existing = scratch.file("exists.txt");
    writePatternFile(existing, 1000);
    const std::string existingBytes = fileBytes(existing);
    const std::string newTarget = scratch.file("t.txt");
    auto padded = [&](std::size_t length) {
        std::string path = scratch.file("");
        return path + std::string(length - path.size(), 'p');
    };
    auto sourceError = [](const char* reason) { return std::string("   Error opening source file\t\t\t\r\n   ") + reason; };
    auto targetError = [](const char* reason) { return std::string("   Error opening target file\t\t\t\r\n   ") + reason; };
    const std::string tooLong = "   Target file name is too long\t\t\t ";

    struct Case {
        const char* name;
        std::string source, target, text;
    };
    const Case cases[] = {
        {"a source of 255 characters", padded(255), newTarget, sourceError("No such file or directory")},
        {"a source of 256 characters", padded(256), newTarget, "   Source file name is too long\t\t\t "},
        {"a source of 4000 characters", padded(4000), newTarget, "   Source file name is too long\t\t\t "},
        {"a target of 256 characters", existing, padded(256), tooLong},
        {"a target of 4000 characters", existing, padded(4000), tooLong},
        {"a source that is a folder", scratch.file(""), newTarget, sourceError("Permission denied")},
        {"a target on a drive that does not exist", existing, "Q:\\out\\t.txt", targetError("No such file or directory")},
        {"'?' in the source", scratch.file("a?.txt"), newTarget, sourceError("Invalid argument")},
        {"'*' in the source", scratch.file("*.txt"), newTarget, sourceError("Invalid argument")},
        {"'\"' in the target", existing, scratch.file("a\"b.txt"), targetError("Invalid argument")},
        {"'<' in the target", existing, scratch.file("a<b.txt"), targetError("Invalid argument")},
        {"'>' in the target", existing, scratch.file("a>b.txt"), targetError("Invalid argument")},
        {"'|' in the target", existing, scratch.file("a|b.txt"), targetError("Invalid argument")},
        {"the device \\\\.\\NUL as the source", "\\\\.\\NUL", newTarget, "   Unable to copy from\t\t\t \r\n   NUL"},
        {"the device \\\\.\\NUL as the target", existing, "\\\\.\\NUL", "   Unable to copy to\t\t\t \r\n   NUL"},
        {"the device CON as the source", "CON", newTarget, sourceError("Bad file descriptor")},
    };

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    for (const Case& c : cases) {
        INFO(std::string(c.name));
        main.setText(IDC_SOURCE, c.source);
        main.setText(IDC_TARGET, c.target);
        main.click(IDC_START);
        answerAndWait(app, waitForBox(app, "Error", c.text), IDOK);
        app.sync();
        checkIdleLook(main);
        CHECK(fileBytes(existing) == existingBytes);
        CHECK_FALSE(fileExists(newTarget));
    }
    // Nothing but the one file in the folder.
    CHECK(filesIn(scratch.path()) == std::vector<std::string>{"exists.txt"});
    escapeEnds(app);
}

TEST_CASE("soak: starts and stops and the questions, many times over, leave handles, memory and GDI objects flat") {
    Scratch scratch("soak");
    const std::string source = scratch.file("source.bin");
    writeSparseSource(source, 1ull << 30);
    const std::string small = scratch.file("small.bin");
    writePatternFile(small, 5000);
    const std::string old = scratch.file("old.bin");
    writePatternFile(old, 3000);
    const std::string readOnly = scratch.file("read-only.bin");
    writePatternFile(readOnly, 3000);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string target = scratch.file("copy.bin");

    REQUIRE_MESSAGE(!probePath().empty(), "give quillet_probe.exe with --probe=");
    Program app(probePath());
    app.start();
    Window main = app.mainDialog();
    auto answer = [&](const char* caption, int id) { answerAndWait(app, app.waitForWindow(caption), id); };

    main.setText(IDC_SOURCE, source);
    main.setText(IDC_TARGET, target);
    soak(app, "start and stop of a copy", soakCount(200), [&] {
        main.click(IDC_START);
        waitForCopying(app);
        main.click(IDC_START);
        answer("Warning", IDYES);
        waitForIdle(app);
        DeleteFileA(target.c_str());
    });
    main.setText(IDC_SOURCE, small);
    main.setText(IDC_TARGET, old);
    soak(app, "Confirm File Overwrite", soakCount(300), [&] {
        main.click(IDC_START);
        answer("Confirm File Overwrite", IDCANCEL);
        waitForIdle(app);
    });
    main.setText(IDC_TARGET, readOnly);
    soak(app, "the read-only warning", soakCount(300), [&] {
        main.click(IDC_START);
        answer("Warning", IDCANCEL);
        waitForIdle(app);
    });
    main.setText(IDC_SOURCE, scratch.file("missing.bin"));
    main.setText(IDC_TARGET, target);
    soak(app, "an error box", soakCount(300), [&] {
        main.click(IDC_START);
        answer("Error", IDOK);
        waitForIdle(app);
    });
    CHECK(fileBytes(old).size() == 3000);
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    escapeEnds(app);
}

TEST_CASE("a move to the device CON is refused and keeps the source") {
    Scratch scratch("device-move");
    const std::string source = scratch.file("source.bin");
    writePatternFile(source, 100000);
    const std::string bytes = fileBytes(source);
    Program app(programPath());
    app.start({source, "CON"});
    moveEndsInError(app, "   Error opening target file\t\t\t\r\n   Bad file descriptor");
    CHECK(fileBytes(source) == bytes);
    escapeEnds(app);
}
