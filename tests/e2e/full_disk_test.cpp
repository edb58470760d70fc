// Copies onto real full disks (small tmpfs mounts that the ctest fixture
// makes as root): "Disk is full", "Change target", and the pieces that one
// source is spread over, driven through the program's windows.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_env.h"
#include "tests/support/folders.h"
#include "tests/support/handle.h"
#include "tests/support/test_main.h"
#include "tests/support/utf8.h"

using namespace e2e;

namespace {

constexpr SYSTEMTIME SourceStamp{1998, 6, 5, 5, 14, 22, 8, 0};
constexpr std::size_t SourceSize = 1000000;  // two and a half small disks
constexpr const char* TargetExists = "   Target file already exists\t\t\t ";

std::string disk(int number) { return testkit::disksFolder() + "\\small" + std::to_string(number); }

void clearFolder(const std::string& folder) { testkit::removeTree(folder, false); }

// The bytes a disk holds when it is full, from its size as the system tells.
std::uint64_t diskCapacity(const std::string& folder) {
    ULARGE_INTEGER available, total, free;
    REQUIRE(GetDiskFreeSpaceExA((folder + "\\").c_str(), &available, &total, &free));
    return total.QuadPart;
}

// The three small disks, empty before and after each test.
struct Disks {
    Disks() {
        for (int n = 1; n <= 3; ++n) clearFolder(disk(n));
    }
    ~Disks() {
        for (int n = 1; n <= 3; ++n) clearFolder(disk(n));
    }
};

// A finished piece of the target, as it was found on its disk.
struct Piece {
    std::string path;
    std::string bytes;
    std::uint32_t stamp;
    DWORD attributes;
};

Piece takePiece(const std::string& path) {
    return Piece{path, fileBytes(path), dosStamp(path), GetFileAttributesW(testkit::wide(path).c_str())};
}

// Takes the filled piece off its disk, as a user would swap the disk.
Piece movePieceOff(const std::string& path) {
    Piece piece = takePiece(path);
    SetFileAttributesW(testkit::wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK_MESSAGE(DeleteFileW(testkit::wide(path).c_str()), "cannot take " << path << " off its disk");
    return piece;
}

std::size_t bytesIn(const std::vector<Piece>& pieces) {
    std::size_t total = 0;
    for (const Piece& piece : pieces) total += piece.bytes.size();
    return total;
}

// Every piece a finished file with the source's time stamp and attributes,
// and all of them together the source, byte for byte.
void checkPieces(const std::vector<Piece>& pieces, const std::string& source, const std::string& sourceBytes) {
    std::string joined;
    for (const Piece& piece : pieces) {
        INFO("piece ", piece.path, " of ", piece.bytes.size(), " bytes");
        CHECK(piece.bytes.size() > 0);
        CHECK(piece.stamp == dosStamp(source));
        CHECK(piece.attributes == GetFileAttributesW(testkit::wide(source).c_str()));
        joined += piece.bytes;
    }
    CHECK(joined.size() == sourceBytes.size());
    CHECK_MESSAGE(joined == sourceBytes, "the pieces joined differ from the source");
}

// "Disk is full" on the screen with the piece just filled: its texts, the
// amount still to copy after the pieces so far, the main window waiting
// under it in its running look.
void checkDiskFull(const Program& app, const Window& dialog, std::size_t inPieces) {
    CHECK(dialog.text(IDC_LEFT) == leftText(SourceSize - inPieces));
    std::vector<std::string> statics = dialog.staticTexts();
    CHECK(std::find(statics.begin(), statics.end(), "There isn't enough room to copy the file") != statics.end());
    CHECK(dialog.text(IDC_CONTINUE) == "&Continue");
    CHECK(dialog.text(IDC_CHANGE_TARGET) == "Change &Target");
    CHECK(dialog.text(IDCANCEL) == "Cancel");
    // A caption and no system menu: no close box.
    CHECK((GetWindowLongPtrA(dialog.handle(), GWL_STYLE) & WS_SYSMENU) == 0);
    CHECK(GetWindow(dialog.handle(), GW_OWNER) == app.frame());
    CHECK_FALSE(IsWindowEnabled(app.frame()));
    checkRunningLook(app.mainDialog());
}

// Opens "Change target" from "Disk is full" and checks it: the current
// target in the edit, which has the focus.
Window openChangeTarget(const Program& app, const Window& diskFull, const std::string& currentTarget) {
    diskFull.click(IDC_CHANGE_TARGET);
    app.waitWindowGone(diskFull);
    Window dialog = app.waitForWindow("Change target");
    CHECK(dialog.text(IDC_NEW_TARGET) == currentTarget);
    CHECK(dialog.text(IDC_NEW_TARGET_OK) == "OK");
    CHECK(dialog.text(IDC_KEEP_TARGET) == "&Don't change target");
    CHECK(dialog.text(IDC_CANCEL_JOB) == "Cancel");
    CHECK(dialog.text(IDC_BROWSE_NEW_TARGET) == "&Browse...");
    std::vector<std::string> statics = dialog.staticTexts();
    CHECK(std::find(statics.begin(), statics.end(), "Specify new target file name") != statics.end());
    // A caption and no system menu: no close box.
    CHECK((GetWindowLongPtrA(dialog.handle(), GWL_STYLE) & WS_SYSMENU) == 0);
    CHECK(GetWindow(dialog.handle(), GW_OWNER) == app.frame());
    app.sync();
    CHECK(app.focusedWindow() == dialog.control(IDC_NEW_TARGET));
    return dialog;
}

// The job's source on the build's own disk.
struct Source {
    std::string path;
    std::string bytes;
    Source(const Scratch& scratch, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE, const char* name = "archive.bin")
        : path(scratch.file(name)), bytes(writeRandomFile(path, SourceSize, 7, SourceStamp, attributes)) {}
};

// The end of a copy spread over the disks: the pieces join to the source,
// the first disk holds its piece alone, the source is as it was; Escape then
// ends the program.
void checkSpreadAndEnd(Program& app, const std::vector<Piece>& pieces, const Source& source) {
    checkPieces(pieces, source.path, source.bytes);
    CHECK(filesIn(disk(1)) == std::vector<std::string>{"archive.bin"});
    CHECK(fileBytes(source.path) == source.bytes);
    escapeEnds(app);
}

}  // namespace

TEST_CASE("a full disk: Continue goes on in a new piece on the same path") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("continue");
    Source source(scratch);
    const std::string target = disk(1) + "\\archive.bin";
    const std::uint64_t capacity = diskCapacity(disk(1));

    Program app(programPath());
    app.start({source.path, disk(1) + "\\"});
    Window main = app.mainDialog();

    bool firstTakenLate = false;
    SUBCASE("the filled piece taken off before each Continue") {}
    SUBCASE("the path still taken: \"Target file already exists\" until it is free") { firstTakenLate = true; }

    main.click(IDC_START);
    std::vector<Piece> pieces;
    for (Window dialog; (dialog = waitForDiskFullOrEnd(app)).exists();) {
        REQUIRE(pieces.size() < 4);
        INFO("full disk number ", pieces.size() + 1);
        Piece piece = takePiece(target);
        CHECK(piece.bytes.size() == capacity);
        checkDiskFull(app, dialog, bytesIn(pieces) + piece.bytes.size());
        if (firstTakenLate && pieces.empty()) {
            dialog.click(IDC_CONTINUE);
            app.waitWindowGone(dialog);
            Window box = waitForBox(app, "Error", TargetExists);
            checkButtons(box, {IDRETRY, IDCANCEL});
            // Retry while the file is still there: asked again.
            answerAndWait(app, box, IDRETRY);
            box = waitForBox(app, "Error", TargetExists);
            // The program may hold the file open now: empty it where it
            // lies, which frees the path as well as a fresh disk does.
            testkit::Handle file(CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
            REQUIRE(file.valid());
            CHECK(SetEndOfFile(file.get()));
            file.reset();
            answerAndWait(app, box, IDRETRY);
        } else {
            movePieceOff(target);
            // The first Continue clicked, the next ones by Alt+C.
            if (pieces.empty())
                dialog.click(IDC_CONTINUE);
            else
                app.pressAlt('c');
            app.waitWindowGone(dialog);
        }
        pieces.push_back(piece);
    }
    checkEndedIdle(app);
    pieces.push_back(takePiece(target));
    CHECK(pieces.size() == 3);
    checkSpreadAndEnd(app, pieces, source);
}

TEST_CASE("a full disk: Change Target names where the rest goes") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("change-target");
    Source source(scratch);

    Program app(programPath());
    // The folder typed without its backslash: the source's name goes behind it.
    app.start({source.path, disk(1)});
    Window main = app.mainDialog();
    main.click(IDC_START);

    std::vector<Piece> pieces;
    std::vector<std::string> expectedNames;

    SUBCASE("OK: a folder on another disk, without and then with a trailing backslash") {
        Window full = waitForDiskFullOrEnd(app);
        REQUIRE(full.exists());
        pieces.push_back(takePiece(disk(1) + "\\archive.bin"));
        checkDiskFull(app, full, bytesIn(pieces));
        Window change = openChangeTarget(app, full, disk(1) + "\\archive.bin");
        change.setText(IDC_NEW_TARGET, disk(2));
        change.click(IDC_NEW_TARGET_OK);
        app.waitWindowGone(change);

        full = waitForDiskFullOrEnd(app);
        REQUIRE(full.exists());
        pieces.push_back(takePiece(disk(2) + "\\archive.bin"));
        checkDiskFull(app, full, bytesIn(pieces));
        change = openChangeTarget(app, full, disk(2) + "\\archive.bin");
        change.setText(IDC_NEW_TARGET, disk(3) + "\\");
        SUBCASE("clicked") { change.click(IDC_NEW_TARGET_OK); }
        SUBCASE("Enter in the edit") { app.pressEnter(); }
        app.waitWindowGone(change);
        expectedNames = {"archive.bin", "archive.bin", "archive.bin"};
        CHECK_FALSE(waitForDiskFullOrEnd(app).exists());
        pieces.push_back(takePiece(disk(3) + "\\archive.bin"));
        CHECK(filesIn(disk(2)) == std::vector<std::string>{"archive.bin"});
        CHECK(filesIn(disk(3)) == std::vector<std::string>{"archive.bin"});
    }
    SUBCASE("\"&Browse...\": a folder from the browser, then a file from the Open dialog with Shift held") {
        DesktopAt desktop(disk(2));
        Window full = waitForDiskFullOrEnd(app);
        REQUIRE(full.exists());
        pieces.push_back(takePiece(disk(1) + "\\archive.bin"));
        Window change = openChangeTarget(app, full, disk(1) + "\\archive.bin");
        for (int answer : {IDCANCEL, IDOK}) {
            change.click(IDC_BROWSE_NEW_TARGET);
            Window browser = app.waitForWindow(folderBrowser::Caption);
            CHECK(browser.text(folderBrowser::Title) == "Select target folder:");
            CHECK(GetWindow(browser.handle(), GW_OWNER) == change.handle());
            answerAndWait(app, browser, answer);
            app.sync();
            // The folder alone: the copy puts the source's name behind it.
            CHECK(change.text(IDC_NEW_TARGET) == (answer == IDOK ? disk(2) : disk(1) + "\\archive.bin"));
        }
        change.click(IDC_NEW_TARGET_OK);
        app.waitWindowGone(change);

        full = waitForDiskFullOrEnd(app);
        REQUIRE(full.exists());
        pieces.push_back(takePiece(disk(2) + "\\archive.bin"));
        change = openChangeTarget(app, full, disk(2) + "\\archive.bin");
        {
            HeldShift shift;
            change.click(IDC_BROWSE_NEW_TARGET);
            Window open = app.waitForWindow("Open");
            CHECK(GetWindow(open.handle(), GW_OWNER) == change.handle());
            openDialog::choose(open, disk(3) + "\\rest.bin");
            app.waitWindowGone(open);
        }
        app.sync();
        CHECK(change.text(IDC_NEW_TARGET) == disk(3) + "\\rest.bin");
        change.click(IDC_NEW_TARGET_OK);
        app.waitWindowGone(change);
        expectedNames = {"archive.bin", "archive.bin", "rest.bin"};
        CHECK_FALSE(waitForDiskFullOrEnd(app).exists());
        pieces.push_back(takePiece(disk(3) + "\\rest.bin"));
        CHECK(filesIn(disk(2)) == std::vector<std::string>{"archive.bin"});
        CHECK(filesIn(disk(3)) == std::vector<std::string>{"rest.bin"});
    }
    SUBCASE("\"&Don't change target\" keeps the path, even with another text typed") {
        const std::string target = disk(1) + "\\archive.bin";
        for (Window full; (full = waitForDiskFullOrEnd(app)).exists();) {
            REQUIRE(pieces.size() < 4);
            Piece piece = takePiece(target);
            checkDiskFull(app, full, bytesIn(pieces) + piece.bytes.size());
            Window change = openChangeTarget(app, full, target);
            // The disk is emptied while the dialog is open.
            movePieceOff(target);
            change.setText(IDC_NEW_TARGET, disk(2) + "\\elsewhere.bin");
            change.click(IDC_KEEP_TARGET);
            app.waitWindowGone(change);
            pieces.push_back(piece);
        }
        pieces.push_back(takePiece(target));
        CHECK(pieces.size() == 3);
        CHECK(filesIn(disk(2)).empty());
    }
    checkEndedIdle(app);
    checkSpreadAndEnd(app, pieces, source);
}

TEST_CASE("a full disk: a name in any script spans the disks under the names given") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("scripts-span");
    const std::string name = "中文-é.txt", renamed = "часть два – μέρος.txt";
    Source source(scratch, FILE_ATTRIBUTE_ARCHIVE, name.c_str());

    Program app(programPath());
    app.start();
    Window main = app.mainDialog();
    main.setTextW(IDC_SOURCE, source.path);
    main.setTextW(IDC_TARGET, disk(1) + "\\");
    main.click(IDC_START);

    std::vector<Piece> pieces;
    Window full = waitForDiskFullOrEnd(app);
    REQUIRE(full.exists());
    pieces.push_back(takePiece(disk(1) + "\\" + name));
    full.click(IDC_CHANGE_TARGET);
    app.waitWindowGone(full);
    Window change = app.waitForWindow("Change target");
    CHECK(change.textW(IDC_NEW_TARGET) == disk(1) + "\\" + name);
    // Too long in bytes though not in characters: refused, the dialog stays.
    std::string tooLong = disk(2) + "\\";
    for (int i = 0; i < 120; ++i) tooLong += "ä";
    change.setTextW(IDC_NEW_TARGET, tooLong);
    // "&Browse..." cancelled leaves it whole; then OK and Enter refuse it alike.
    change.click(IDC_BROWSE_NEW_TARGET);
    answerAndWait(app, app.waitForWindow(folderBrowser::Caption), IDCANCEL);
    app.sync();
    CHECK(change.textW(IDC_NEW_TARGET) == tooLong);
    change.click(IDC_NEW_TARGET_OK);
    answerAndWait(app, waitForBox(app, "Error", "   Target file name is too long\t\t\t "), IDOK);
    CHECK(change.exists());
    // Enter goes where the focus is: once the closed box has handed it back.
    app.sync();
    change.focus(IDC_NEW_TARGET);
    app.waitUntilFocus(change, IDC_NEW_TARGET);
    app.pressEnter();
    answerAndWait(app, waitForBox(app, "Error", "   Target file name is too long\t\t\t "), IDOK);
    CHECK(change.exists());
    CHECK(change.textW(IDC_NEW_TARGET) == tooLong);
    change.setTextW(IDC_NEW_TARGET, disk(2) + "\\" + renamed);
    change.click(IDC_NEW_TARGET_OK);
    app.waitWindowGone(change);

    full = waitForDiskFullOrEnd(app);
    REQUIRE(full.exists());
    pieces.push_back(takePiece(disk(2) + "\\" + renamed));
    full.click(IDC_CHANGE_TARGET);
    app.waitWindowGone(full);
    change = app.waitForWindow("Change target");
    CHECK(change.textW(IDC_NEW_TARGET) == disk(2) + "\\" + renamed);
    change.setTextW(IDC_NEW_TARGET, disk(3) + "\\");
    change.click(IDC_NEW_TARGET_OK);
    app.waitWindowGone(change);
    CHECK_FALSE(waitForDiskFullOrEnd(app).exists());
    pieces.push_back(takePiece(disk(3) + "\\" + name));

    waitForIdle(app);
    checkPieces(pieces, source.path, source.bytes);
    CHECK(filesIn(disk(1)) == std::vector<std::string>{name});
    CHECK(filesIn(disk(2)) == std::vector<std::string>{renamed});
    CHECK(filesIn(disk(3)) == std::vector<std::string>{name});
    escapeEnds(app);
}

TEST_CASE("a full disk: Cancel and Escape end the job and keep the filled piece") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("cancel");
    Source source(scratch);
    const std::string target = disk(1) + "\\archive.bin";
    const std::uint64_t capacity = diskCapacity(disk(1));

    Program app(programPath());
    app.start({source.path, target});
    Window main = app.mainDialog();
    main.click(IDC_START);
    Window full = waitForDiskFullOrEnd(app);
    REQUIRE(full.exists());
    checkDiskFull(app, full, static_cast<std::size_t>(fileSize(target)));

    SUBCASE("\"Cancel\" in Disk is full") { full.click(IDCANCEL); }
    SUBCASE("Escape in Disk is full") { app.pressEscape(); }
    SUBCASE("\"Cancel\" in Change target") {
        Window change = openChangeTarget(app, full, target);
        change.setText(IDC_NEW_TARGET, disk(2) + "\\");
        change.click(IDC_CANCEL_JOB);
        app.waitWindowGone(change);
    }
    SUBCASE("Escape in Change target") {
        Window change = openChangeTarget(app, full, target);
        change.setText(IDC_NEW_TARGET, disk(2) + "\\");
        app.pressEscape();
        app.waitWindowGone(change);
    }
    SUBCASE("Cancel when the path is still taken") {
        full.click(IDC_CONTINUE);
        app.waitWindowGone(full);
        answerAndWait(app, waitForBox(app, "Error", TargetExists), IDCANCEL);
    }
    app.waitWindowGone(full);
    checkEndedIdle(app);

    // The piece is a finished file: all the disk held, the source's stamp
    // and attributes, and closed.
    Piece piece = takePiece(target);
    CHECK(piece.bytes.size() == capacity);
    CHECK(piece.bytes == source.bytes.substr(0, piece.bytes.size()));
    CHECK(piece.stamp == dosStamp(source.path));
    CHECK(piece.attributes == GetFileAttributesA(source.path.c_str()));
    CHECK_FALSE(openElsewhere(target));
    CHECK_FALSE(openElsewhere(source.path));
    CHECK(filesIn(disk(1)) == std::vector<std::string>{"archive.bin"});
    CHECK(filesIn(disk(2)).empty());
    CHECK(fileBytes(source.path) == source.bytes);

    escapeEnds(app);
}

TEST_CASE("a full disk: a long source name behind a folder typed with its backslash goes on") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("long-name");
    // The target, folder and name, is 200 characters long: the folder, a
    // backslash and the name behind it once more would pass 255.
    const std::string folder = disk(1) + "\\";
    const std::size_t nameLength = 200 - folder.size();
    REQUIRE(nameLength > 60);
    const std::string name = std::string(nameLength - 4, 'n') + ".bin";
    const std::string target = folder + name;
    const std::string sourcePath = scratch.file(name.c_str());
    REQUIRE(sourcePath.size() <= 255);
    const std::string sourceBytes = writeRandomFile(sourcePath, SourceSize, 11, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);

    Program app(programPath());
    app.start({sourcePath, folder});
    Window main = app.mainDialog();
    main.click(IDC_START);

    enum class Way { Continue, KeepTarget, OkUnchanged } way = Way::Continue;
    SUBCASE("&Continue") {}
    SUBCASE("&Don't change target") { way = Way::KeepTarget; }
    SUBCASE("OK with the text unchanged") { way = Way::OkUnchanged; }

    std::vector<Piece> pieces;
    for (Window full; (full = waitForDiskFullOrEnd(app)).exists();) {
        REQUIRE(pieces.size() < 4);
        pieces.push_back(movePieceOff(target));
        if (way == Way::Continue) {
            full.click(IDC_CONTINUE);
            app.waitWindowGone(full);
            continue;
        }
        Window change = openChangeTarget(app, full, target);
        change.click(way == Way::KeepTarget ? IDC_KEEP_TARGET : IDC_NEW_TARGET_OK);
        app.waitWindowGone(change);
    }
    checkEndedIdle(app);
    pieces.push_back(takePiece(target));
    CHECK(pieces.size() == 3);
    checkPieces(pieces, sourcePath, sourceBytes);
    CHECK(fileBytes(sourcePath) == sourceBytes);

    escapeEnds(app);
}

TEST_CASE("a move from a read-only disk: the delete fails with its text and the copy is kept") {
    if (!testkit::haveDisks()) return;
    Scratch scratch("read-only-move");
    const std::string source = testkit::disksFolder() + "\\readonly\\source.bin";
    const std::string sourceBytes = fileBytes(source);
    REQUIRE(sourceBytes.size() == 100000);
    const DWORD sourceAttributes = GetFileAttributesA(source.c_str());
    const std::string target = scratch.file("moved.bin");

    Program app(programPath());
    app.start({source, target});
    moveEndsInError(app, "   Couldn't delete source file\t\t\t\r\n   Permission denied");
    checkIdleLook(app.mainDialog());
    CHECK(fileBytes(source) == sourceBytes);
    CHECK(GetFileAttributesA(source.c_str()) == sourceAttributes);
    CHECK(fileBytes(target) == sourceBytes);
    CHECK(dosStamp(target) == dosStamp(source));
    escapeEnds(app);
}

TEST_CASE("soak: Disk is full and Change target opened many times leave handles, memory and GDI objects flat") {
    if (!testkit::haveDisks()) return;
    Disks disks;
    Scratch scratch("soak-full");
    Source source(scratch);
    const std::string target = disk(1) + "\\archive.bin";

    REQUIRE_MESSAGE(!probePath().empty(), "give quillet_probe.exe with --probe=");
    Program app(probePath());
    app.start({source.path, target});
    Window main = app.mainDialog();
    soak(app, "Disk is full and Change target", soakCount(300), [&] {
        main.click(IDC_START);
        Window full = waitForDiskFullOrEnd(app);
        REQUIRE(full.exists());
        full.click(IDC_CHANGE_TARGET);
        app.waitWindowGone(full);
        Window change = app.waitForWindow("Change target");
        change.click(IDC_CANCEL_JOB);
        app.waitWindowGone(change);
        waitForIdle(app);
        movePieceOff(target);
    });
    CHECK(fileBytes(source.path) == source.bytes);
    escapeEnds(app);
}
