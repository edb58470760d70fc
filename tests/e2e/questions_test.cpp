// The questions of a start onto a file that is there already: the read-only
// warning and "Confirm File Overwrite", answered in every way, on real files.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/e2e/e2e_env.h"

using namespace e2e;

namespace {

constexpr const char* ReadOnlyWarning =
    "   Target file has READ-ONLY attribute\t\t\t \r\n   Do you wish to overwrite ?\r\n ";

// 5 June 1998, 14:22:09: shown as 14:22:08, the file's two-second step.
constexpr SYSTEMTIME SourceStamp{1998, 6, 5, 5, 14, 22, 9, 0};
constexpr SYSTEMTIME TargetStamp{2003, 1, 4, 9, 7, 5, 4, 0};

// The details line of a file as the dialog shows it, from the file's real
// size, last-write time and attributes.
std::string detailsLine(const std::string& path) {
    std::uint32_t stamp = dosStamp(path);
    unsigned date = stamp >> 16, time = stamp & 0xFFFF;
    DWORD attributes = GetFileAttributesA(path.c_str());
    std::string letters;
    if (attributes & FILE_ATTRIBUTE_READONLY) letters += 'R';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) letters += 'H';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) letters += 'S';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters += 'A';
    if (attributes & FILE_ATTRIBUTE_COMPRESSED) letters += 'C';
    char line[128];
    std::snprintf(line, sizeof line, "%lluKb , %02u.%02u.%04u, %02u:%02u:%02u, %s",
                  static_cast<unsigned long long>(fileSize(path)) >> 10, date & 31, (date >> 5) & 15,
                  1980 + (date >> 9), time >> 11, (time >> 5) & 63, (time & 31) * 2, letters.c_str());
    return line;
}

// "Confirm File Overwrite" on the screen: its fixed texts and buttons, the
// main window waiting under it, the focus on "&Overwrite", no job running.
Window waitForOverwriteQuestion(const Program& app) {
    Window dialog = app.waitForWindow("Confirm File Overwrite");
    CHECK(dialog.text(IDC_OVERWRITE) == "&Overwrite");
    CHECK(dialog.text(IDC_APPEND) == "&Append");
    CHECK(dialog.text(IDCANCEL) == "Cancel");
    std::vector<std::string> statics = dialog.staticTexts();
    for (const char* fixed :
         {"Target file already exists.", "Do you wish to write over or append?", "Target:", "Source:"}) {
        INFO("static text ", fixed);
        CHECK(std::find(statics.begin(), statics.end(), fixed) != statics.end());
    }
    // A caption and no system menu: no close box.
    CHECK((GetWindowLongPtrA(dialog.handle(), GWL_STYLE) & WS_SYSMENU) == 0);
    CHECK(GetWindow(dialog.handle(), GW_OWNER) == app.frame());
    CHECK_FALSE(IsWindowEnabled(app.frame()));
    app.sync();
    CHECK(app.focusedWindow() == dialog.control(IDC_OVERWRITE));
    // The job starts only after the answer.
    CHECK(app.mainDialog().text(IDC_START) == "&Start");
    CHECK(app.mainDialog().text(IDC_PROGRESS_LINE1) == "");
    return dialog;
}

}  // namespace

TEST_CASE("Confirm File Overwrite shows both files; Overwrite, Append and Cancel do what they say") {
    Scratch scratch("overwrite");
    const std::string source = scratch.file("report.txt");
    const std::string target = scratch.file("old report.txt");
    const std::string sourceBytes =
        writeRandomFile(source, 12345, 1, SourceStamp, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const std::string targetBytes =
        writeRandomFile(target, 50000, 2, TargetStamp, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    const std::uint32_t targetStamp = dosStamp(target);
    // The lines worked out from the files agree with the ones known by hand.
    REQUIRE(detailsLine(source) == "12Kb , 05.06.1998, 14:22:08, RA");
    REQUIRE(detailsLine(target) == "48Kb , 09.01.2003, 07:05:04, HA");
    const std::string sourceLine = detailsLine(source), targetLine = detailsLine(target);

    Program app(programPath());
    app.start({source, target});
    Window main = app.mainDialog();
    main.click(IDC_START);
    Window dialog = waitForOverwriteQuestion(app);
    CHECK(dialog.text(IDC_TARGET_NAME) == target);
    CHECK(printable(dialog.text(IDC_TARGET_DETAILS)) == printable(targetLine));
    CHECK(dialog.text(IDC_SOURCE_NAME) == source);
    CHECK(printable(dialog.text(IDC_SOURCE_DETAILS)) == printable(sourceLine));
    // Nothing was written yet: the source is open, the target closed again
    // with its attributes back.
    CHECK(fileBytes(target) == targetBytes);
    CHECK(GetFileAttributesA(target.c_str()) == (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    CHECK(openElsewhere(source));
    CHECK_FALSE(openElsewhere(target));

    enum Result { Overwrite, Append, Cancel } expected = Cancel;
    const struct {
        const char* way;
        std::function<void()> answer;
        Result result;
    } answers[] = {
        {"\"&Overwrite\"", [&] { dialog.click(IDC_OVERWRITE); }, Overwrite},
        {"Enter: the focused \"&Overwrite\"", [&] { app.pressEnter(); }, Overwrite},
        {"Alt+O", [&] { app.pressAlt('o'); }, Overwrite},
        {"\"&Append\"", [&] { dialog.click(IDC_APPEND); }, Append},
        {"Alt+A", [&] { app.pressAlt('a'); }, Append},
        {"\"Cancel\"", [&] { dialog.click(IDCANCEL); }, Cancel},
        {"Escape", [&] { app.pressEscape(); }, Cancel},
    };
    for (const auto& answer : answers) {
        SUBCASE(answer.way) {
            answer.answer();
            expected = answer.result;
        }
    }
    app.waitWindowGone(dialog);
    checkEndedIdle(app);

    std::string now = fileBytes(target);
    switch (expected) {
    case Overwrite:
        // The longer old file is cut to the source's length.
        CHECK(now.size() == sourceBytes.size());
        CHECK(now == sourceBytes);
        CHECK(dosStamp(target) == dosStamp(source));
        CHECK(GetFileAttributesA(target.c_str()) == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
        break;
    case Append:
        CHECK(now.size() == targetBytes.size() + sourceBytes.size());
        CHECK(now == targetBytes + sourceBytes);
        CHECK(dosStamp(target) == dosStamp(source));
        CHECK(GetFileAttributesA(target.c_str()) == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
        break;
    case Cancel:
        CHECK(now.size() == targetBytes.size());
        CHECK(now == targetBytes);
        CHECK(dosStamp(target) == targetStamp);
        CHECK(GetFileAttributesA(target.c_str()) == (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
        // Both files are closed again.
        CHECK_FALSE(openElsewhere(target));
        CHECK_FALSE(openElsewhere(source));
        break;
    }
    CHECK(fileBytes(source) == sourceBytes);
    CHECK(GetFileAttributesA(source.c_str()) == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    CHECK(dosStamp(source) == dosStampOf(SourceStamp));

    escapeEnds(app);
}

TEST_CASE("an empty target is written without a question") {
    Scratch scratch("empty-target");
    const std::string source = scratch.file("a.bin");
    const std::string target = scratch.file("b.bin");
    const std::string sourceBytes = writeRandomFile(source, 70000, 3, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);
    writeFileWith(target, "", TargetStamp, FILE_ATTRIBUTE_ARCHIVE);

    Program app(programPath());
    app.start({source, target});
    app.mainDialog().click(IDC_START);
    waitForIdle(app);
    checkAlone(app);
    CHECK(fileBytes(target) == sourceBytes);
    CHECK(dosStamp(target) == dosStamp(source));
    escapeEnds(app);
}

TEST_CASE("a read-only target: the warning first, then the overwrite question") {
    Scratch scratch("read-only");
    const std::string source = scratch.file("new.txt");
    const std::string target = scratch.file("locked.txt");
    const std::string sourceBytes = writeRandomFile(source, 3000, 4, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);
    const std::string targetBytes =
        writeRandomFile(target, 20000, 5, TargetStamp, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const DWORD lockedAttributes = GetFileAttributesA(target.c_str());
    REQUIRE(lockedAttributes == (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    const std::string targetLine = detailsLine(target);
    REQUIRE(targetLine == "19Kb , 09.01.2003, 07:05:04, RA");
    const std::uint32_t targetStamp = dosStamp(target);

    Program app(programPath());
    app.start({source, target});
    Window main = app.mainDialog();
    main.click(IDC_START);

    Window box = waitForBox(app, "Warning", ReadOnlyWarning);
    checkButtons(box, {IDOK, IDCANCEL}, {IDYES, IDRETRY});
    CHECK(GetWindow(box.handle(), GW_OWNER) == app.frame());
    // Nothing has been opened or changed yet.
    CHECK(app.findWindow("Confirm File Overwrite") == nullptr);
    CHECK(GetFileAttributesA(target.c_str()) == lockedAttributes);
    CHECK_FALSE(openElsewhere(source));

    bool keptAsItWas = true;
    SUBCASE("Cancel in the warning") { box.answer(IDCANCEL); }
    SUBCASE("OK, then Cancel in Confirm File Overwrite") {
        answerAndWait(app, box, IDOK);
        Window dialog = waitForOverwriteQuestion(app);
        CHECK(dialog.text(IDC_TARGET_NAME) == target);
        CHECK(printable(dialog.text(IDC_TARGET_DETAILS)) == printable(targetLine));
        CHECK(printable(dialog.text(IDC_SOURCE_DETAILS)) == printable(detailsLine(source)));
        dialog.click(IDCANCEL);
        app.waitWindowGone(dialog);
    }
    SUBCASE("OK, then \"&Overwrite\"") {
        answerAndWait(app, box, IDOK);
        Window dialog = waitForOverwriteQuestion(app);
        dialog.click(IDC_OVERWRITE);
        app.waitWindowGone(dialog);
        keptAsItWas = false;
    }
    app.waitWindowGone(box);
    checkEndedIdle(app);
    if (keptAsItWas) {
        CHECK(fileBytes(target) == targetBytes);
        CHECK(GetFileAttributesA(target.c_str()) == lockedAttributes);
        CHECK(dosStamp(target) == targetStamp);
        CHECK_FALSE(openElsewhere(source));
        CHECK_FALSE(openElsewhere(target));
    } else {
        // The copy takes the source's attributes: no longer read-only.
        CHECK(fileBytes(target) == sourceBytes);
        CHECK(GetFileAttributesA(target.c_str()) == FILE_ATTRIBUTE_ARCHIVE);
        CHECK(dosStamp(target) == dosStamp(source));
    }
    CHECK(fileBytes(source) == sourceBytes);

    escapeEnds(app);
}
