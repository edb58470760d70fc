// The two browse buttons of the main window: the system's Open dialog for
// the source, the folder browser (or, with Shift held, the Open dialog) for
// the target, on real files and folders.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_env.h"
#include "tests/support/test_main.h"

using namespace e2e;

namespace {

// The last-write time of the files the choosers pick: 5 June 1998, 14:22:08.
constexpr SYSTEMTIME Stamp{1998, 6, 5, 5, 14, 22, 8, 0};

// The main dialog as the user left it before pressing a browse button:
// texts typed (never confirmed by "&Start") and both options changed.
struct LeftAsTyped {
    std::string source, target;
    LeftAsTyped(const Program& app, const std::string& sourceText, const std::string& targetText)
        : source(sourceText), target(targetText) {
        Window main = app.mainDialog();
        main.focus(IDC_SOURCE);
        main.type(IDC_SOURCE, source);
        main.focus(IDC_TARGET);
        main.type(IDC_TARGET, target);
        app.pressAlt('c');
        app.pressAlt('m');
        app.sync();
        REQUIRE(main.text(IDC_SOURCE) == source);
        REQUIRE(main.checkState(IDC_CLEAR_READONLY) == BST_UNCHECKED);
    }
    // Everything as it was, but for `changedEdit`, which now shows `shown`.
    void check(const Program& app, int changedEdit, const std::string& shown) const {
        Window main = app.mainDialog();
        CHECK(main.text(IDC_SOURCE) == (changedEdit == IDC_SOURCE ? shown : source));
        CHECK(main.text(IDC_TARGET) == (changedEdit == IDC_TARGET ? shown : target));
        CHECK(main.checkState(IDC_CLEAR_READONLY) == BST_UNCHECKED);
        CHECK(main.checkState(IDC_MOVE_FILE) == BST_CHECKED);
        checkIdleLook(main);
        checkAlone(app);
    }
};

// The Open dialog as the program sets it up, over the main window.
Window waitForOpenDialog(const Program& app) {
    Window dialog = app.waitForWindow("Open");
    CHECK(GetWindow(dialog.handle(), GW_OWNER) == app.frame());
    CHECK(dialog.comboItems(openDialog::FilterCombo) == std::vector<std::string>{"All Files (*.*)"});
    CHECK_FALSE(IsWindowVisible(dialog.descendant(openDialog::ReadOnlyBox)));
    CHECK(windowText(dialog.descendant(openDialog::FileNameEdit)) == "");
    return dialog;
}

Window waitForFolderBrowser(const Program& app, HWND owner) {
    Window browser = app.waitForWindow(folderBrowser::Caption);
    CHECK(browser.text(folderBrowser::Title) == "Select target folder:");
    CHECK(GetWindow(browser.handle(), GW_OWNER) == owner);
    return browser;
}

// An error box over the main window; answered, the window idle again.
void answerError(const Program& app, const std::string& text) {
    Window box = waitForBox(app, "Error", text);
    CHECK(GetWindow(box.handle(), GW_OWNER) == app.frame());
    answerAndWait(app, box, IDOK);
    app.sync();
}

// A path of exactly `length` characters: `folder`, then a name of x's.
std::string pathOfLength(const std::string& folder, std::size_t length) {
    return folder + "\\" + std::string(length - folder.size() - 1, 'x');
}

}  // namespace

TEST_CASE("\"&Browse...\": the Open dialog fills the source edit") {
    Scratch scratch("browse-source");
    const std::string existing = scratch.file("report 1998.txt");
    writeFileWith(existing, "figures", Stamp, FILE_ATTRIBUTE_ARCHIVE);
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    LeftAsTyped left(app, "old source.txt", "D:\\typed\\target");

    main.click(IDC_BROWSE_SOURCE);
    Window dialog = waitForOpenDialog(app);

    SUBCASE("an existing file") {
        openDialog::choose(dialog, existing);
        app.waitWindowGone(dialog);
        app.sync();
        left.check(app, IDC_SOURCE, existing);
    }
    SUBCASE("a name that does not exist, completed to its folder") {
        openDialog::choose(dialog, scratch.path());  // the dialog goes into the folder
        app.sync();
        openDialog::choose(dialog, "not there yet.txt");
        app.waitWindowGone(dialog);
        app.sync();
        left.check(app, IDC_SOURCE, scratch.file("not there yet.txt"));
    }
    SUBCASE("Cancel") {
        answerAndWait(app, dialog, IDCANCEL);
        app.sync();
        left.check(app, IDC_SOURCE, left.source);
    }
    SUBCASE("a path of 258 characters is refused, 255 taken") {
        openDialog::choose(dialog, pathOfLength(scratch.path(), 258));
        app.waitWindowGone(dialog);
        answerError(app, "   Path is too long\t\t\t ");
        left.check(app, IDC_SOURCE, left.source);

        main.click(IDC_BROWSE_SOURCE);
        dialog = waitForOpenDialog(app);
        openDialog::choose(dialog, pathOfLength(scratch.path(), 255));
        app.waitWindowGone(dialog);
        app.sync();
        left.check(app, IDC_SOURCE, pathOfLength(scratch.path(), 255));
    }
    escapeEnds(app);
}

TEST_CASE("\"B&rowse...\": the folder browser fills the target edit; a copy then lands in that folder") {
    Scratch scratch("browse-target");
    Scratch desktop("desktop");
    CreateDirectoryA((desktop.path() + "\\Backup").c_str(), nullptr);
    const std::string source = scratch.file("budget.xls");
    const std::string bytes = writeRandomFile(source, 100000, 3, Stamp, FILE_ATTRIBUTE_ARCHIVE);
    DesktopAt desktopFolder(desktop.path());

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    LeftAsTyped left(app, source, "E:\\typed");

    main.click(IDC_BROWSE_TARGET);
    Window browser = waitForFolderBrowser(app, app.frame());

    SUBCASE("OK at once: the Desktop, without a trailing backslash") {
        answerAndWait(app, browser, IDOK);
        app.sync();
        left.check(app, IDC_TARGET, desktop.path());
    }
    SUBCASE("a folder under it, and the copy goes there under the source's name") {
        // The Desktop opens, and its one folder is the next item down.
        // The tree takes the keyboard with the Desktop selected; the
        // Desktop opens, and its one folder is the next item down.
        browser.focus(folderBrowser::Tree);
        browser.pressKey(folderBrowser::Tree, VK_RIGHT);
        browser.pressKey(folderBrowser::Tree, VK_DOWN);
        app.sync();
        answerAndWait(app, browser, IDOK);
        app.sync();
        left.check(app, IDC_TARGET, desktop.path() + "\\Backup");
        app.pressAlt('m');  // a copy, not a move
        main.click(IDC_START);
        waitForIdle(app);
        CHECK(fileBytes(desktop.path() + "\\Backup\\budget.xls") == bytes);
        CHECK(fileBytes(source) == bytes);
    }
    SUBCASE("Cancel") {
        answerAndWait(app, browser, IDCANCEL);
        app.sync();
        left.check(app, IDC_TARGET, left.target);
    }
    escapeEnds(app);
}

// A name longer than its field in bytes, though not in characters (set by
// another program, or typed in a script of several bytes a letter), in the
// edit that a browse button does not fill: it stays whole, and "&Start"
// refuses it instead of copying to a cut name.
TEST_CASE("a name too long for its field stays whole in the other edit; \"&Start\" refuses it") {
    Scratch scratch("long-other");
    const std::string chosen = scratch.file("chosen.txt");
    writeFileWith(chosen, "x", Stamp, FILE_ATTRIBUTE_ARCHIVE);
    DesktopAt desktopFolder(scratch.path());
    std::string longName = "Z:\\long\\";  // and 200 Cyrillic letters: 208 characters, 408 bytes
    for (int i = 0; i < 200; ++i) longName += "\u0434";
    int longEdit = IDC_TARGET, answer = IDOK;
    SUBCASE("a file chosen for the source") {}
    SUBCASE("the Open dialog cancelled") { answer = IDCANCEL; }
    SUBCASE("a folder chosen for the target") { longEdit = IDC_SOURCE; }
    const bool open = longEdit == IDC_TARGET;  // the source's Open dialog, else the target's folder browser
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    main.setTextW(longEdit, longName);
    main.click(open ? IDC_BROWSE_SOURCE : IDC_BROWSE_TARGET);
    Window dialog = app.waitForWindow(open ? "Open" : folderBrowser::Caption);
    if (open && answer == IDOK) {
        openDialog::choose(dialog, chosen);
        app.waitWindowGone(dialog);
    } else {
        answerAndWait(app, dialog, answer);
    }
    app.sync();
    CHECK(main.textW(longEdit) == longName);
    if (answer == IDOK) CHECK(main.text(open ? IDC_SOURCE : IDC_TARGET) == (open ? chosen : scratch.path()));
    main.click(IDC_START);
    answerError(app, open ? "   Target file name is too long\t\t\t " : "   Source file name is too long\t\t\t ");
    CHECK(main.textW(longEdit) == longName);
    escapeEnds(app);
}

TEST_CASE("\"B&rowse...\" onto a Desktop at a drive's root: the root keeps its backslash") {
    DesktopAt desktopFolder("Z:\\");
    Program app(programPath());
    app.start({"", "E:\\typed"});
    app.mainDialog().click(IDC_BROWSE_TARGET);
    Window browser = waitForFolderBrowser(app, app.frame());
    answerAndWait(app, browser, IDOK);
    app.sync();
    CHECK(app.mainDialog().text(IDC_TARGET) == "Z:\\");
    escapeEnds(app);
}

TEST_CASE("\"B&rowse...\" with Shift held: the Open dialog each time, the file as the target") {
    Scratch scratch("browse-shift");
    const std::string chosen = scratch.file("part 2.bin");
    writeFileWith(chosen, "x", Stamp, FILE_ATTRIBUTE_ARCHIVE);
    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    LeftAsTyped left(app, "typed source.txt", "E:\\typed");
    {
        HeldShift shift;
        main.click(IDC_BROWSE_TARGET);
        Window dialog = waitForOpenDialog(app);
        openDialog::choose(dialog, chosen);
        app.waitWindowGone(dialog);
        app.sync();
        left.check(app, IDC_TARGET, chosen);

        // Shift still down for a second press: the Open dialog again.
        shift.press();
        main.click(IDC_BROWSE_TARGET);
        dialog = waitForOpenDialog(app);
        answerAndWait(app, dialog, IDCANCEL);
        app.sync();
        left.check(app, IDC_TARGET, chosen);
    }
    // Shift let go: the folder browser.
    main.click(IDC_BROWSE_TARGET);
    Window browser = waitForFolderBrowser(app, app.frame());
    answerAndWait(app, browser, IDCANCEL);
    app.sync();
    left.check(app, IDC_TARGET, chosen);
    escapeEnds(app);
}

// What Wine's shell never does, through a test build of the program with a
// stand-in shell: the Desktop next to the system folder when the browser
// cannot be used, and the refusal of a folder without a file-system path.
TEST_CASE("\"B&rowse...\" when the shell fails (a stand-in shell)") {
    if (standinPath().empty()) {
        testkit::skipCase("no test build with a stand-in shell (--standin=)");
        return;
    }
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, sizeof system);
    REQUIRE((length > 0 && length < sizeof system));
    const std::string fallback = std::string(system) + "\\..\\Desktop";

    std::string mode;
    bool browserShows = true;
    std::string expected = fallback;
    SUBCASE("no desktop: the fallback at once") {
        mode = "no-desktop";
        browserShows = false;
    }
    SUBCASE("the desktop lost after the browser: the fallback") { mode = "lost-desktop"; }
    SUBCASE("a folder without a file-system path: refused") {
        mode = "no-path";
        expected = "";
    }
    SetEnvironmentVariableA("QUILLET_SHELL_STANDIN", mode.c_str());
    Program app(standinPath());
    app.start();
    SetEnvironmentVariableA("QUILLET_SHELL_STANDIN", nullptr);
    Window main = app.mainDialog();
    LeftAsTyped left(app, "typed source.txt", "E:\\typed");

    main.click(IDC_BROWSE_TARGET);
    if (browserShows) {
        Window browser = waitForFolderBrowser(app, app.frame());
        answerAndWait(app, browser, IDOK);
    }
    if (expected.empty())
        answerError(app, "Unable to copy to this folder\t\t\t ");
    else
        app.sync();
    left.check(app, IDC_TARGET, expected.empty() ? left.target : expected);

    // With Shift held the Open dialog needs no desktop.
    {
        HeldShift shift;
        main.click(IDC_BROWSE_TARGET);
        Window dialog = waitForOpenDialog(app);
        answerAndWait(app, dialog, IDCANCEL);
    }
    app.sync();
    escapeEnds(app);
}
