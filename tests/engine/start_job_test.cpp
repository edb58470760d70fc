// Starting a job: the checks of the typed paths, the questions put to the
// user, the opening of source and target, and what every way out of the
// start leaves behind (files, attributes, handles, the main dialog's look).
#include <doctest/doctest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/engine/job_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char SourcePath[] = "C:\\work\\data.bin";
constexpr char TargetPath[] = "D:\\out\\data.bin";

constexpr std::uint32_t SourceAttributes = AttrHidden | AttrArchive;        // 0x22
constexpr std::uint32_t OldTargetAttributes = AttrSystem | AttrArchive;     // 0x24
constexpr std::uint32_t ReadOnlyTarget = AttrReadOnly | AttrArchive;        // 0x21
constexpr std::uint32_t FolderAttributes = AttrDirectory | AttrHidden;      // 0x12

// 05.06.1998 14:22:08 and 31.12.2107 09:05:04.
constexpr DosStamp SourceStamp{(14 << 11) | (22 << 5) | 4, (18 << 9) | (6 << 5) | 5};
constexpr DosStamp TargetStamp{(9 << 11) | (5 << 5) | 2, (127 << 9) | (12 << 5) | 31};

constexpr unsigned OkStop = 0x10;               // MB_OK | MB_ICONHAND
constexpr unsigned OkCancelExclamation = 0x31;  // MB_OKCANCEL | MB_ICONEXCLAMATION

const char* const NotSpecified = "   Source or target file was not specified\t\t\t ";
const char* const ReadOnlyWarning = "   Target file has READ-ONLY attribute\t\t\t \r\n   Do you wish to overwrite ?\r\n ";
const char* const TooLong = "   Target file name is too long\t\t\t ";
const char* const SameFile = "   Source and target are the same file\t\t\t ";

std::string sourceError(const char* reason) { return std::string("   Error opening source file\t\t\t\r\n   ") + reason; }
std::string targetError(const char* reason) { return std::string("   Error opening target file\t\t\t\r\n   ") + reason; }

Bytes bytesOf(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

class StartJobTest : public JobFixture {
protected:
    Bytes source = bytesOf(40000, 1);
    Bytes oldTarget = bytesOf(3000, 99);

    StartJobTest() {
        fs.addFolder("C:\\work");
        fs.addFolder("D:\\out", FolderAttributes);
        fs.addFile(SourcePath, source, SourceAttributes, SourceStamp);
    }

    void addOldTarget(std::uint32_t attributes = OldTargetAttributes, const char* path = TargetPath) {
        fs.addFile(path, oldTarget, attributes, TargetStamp);
    }

    // The one box shown, with a beep right before it.
    void checkError(const std::string& text) {
        REQUIRE(view.boxes.size() == 1);
        CHECK(view.boxes[0].text == text);
        CHECK(view.boxes[0].caption == "Error");
        CHECK(view.boxes[0].flags == OkStop);
        CHECK(view.beeps == 1);
        REQUIRE(view.events.size() >= 2);
        CHECK(view.events.substr(view.events.size() - 2) == "bm");
    }

    // An abandoned start: no job, no file left open, the main dialog idle.
    void checkAbandoned() {
        CHECK(copyJob.state == Idle);
        CHECK(fs.openHandles() == 0);
        CHECK(view.runningLooks == 0);
        CHECK(view.line1.empty());
    }

    void checkSourceAsItWas() {
        CHECK(fs.contents(SourcePath) == source);
        CHECK(fs.file(SourcePath).attributes == SourceAttributes);
    }

    void checkOldTargetAsItWas(std::uint32_t attributes = OldTargetAttributes, const char* path = TargetPath) {
        CHECK(fs.contents(path) == oldTarget);
        CHECK(fs.file(path).attributes == attributes);
    }

    // A started job: both files open, the sizes counted, the running look.
    void checkStarted(std::uint64_t sourceSize) {
        REQUIRE(copyJob.state == Ready);
        CHECK(fs.openHandles() == 2);
        CHECK(copyJob.totalSize == sourceSize);
        CHECK(copyJob.sourceLength == sourceSize);
        CHECK(copyJob.lastBlock == sourceSize / 32768);
        CHECK(copyJob.blockIndex == 0);
        CHECK(copyJob.writtenBefore == 0);
        REQUIRE(view.line1.size() == 1);
        CHECK(view.line1[0] == "Total size :    " + std::to_string(sourceSize / 1024) + "Kb");
        CHECK(view.line2.empty());
        CHECK(view.progress.empty());
        CHECK(view.runningLooks == 1);
        CHECK(view.running);
    }

    // Writes a few bytes through the job's target handle, to see where the
    // mode it was opened in puts them.
    void writeProbe() {
        const std::uint8_t probe[3] = {0xAB, 0xCD, 0xEF};
        REQUIRE(fs.write(copyJob.targetFile, probe, 3) == 3);
    }
};

}  // namespace

TEST_CASE_FIXTURE(StartJobTest, "a new target: created empty, no question, the job runs") {
    std::string expectedTarget = TargetPath;
    SUBCASE("a folder with its backslash") { start(SourcePath, "D:\\out\\"); }
    SUBCASE("a file name") {
        expectedTarget = "D:\\out\\copy.bin";
        start(SourcePath, "  D:/out/copy.bin ");
    }
    SUBCASE("a bare drive: its root folder") {
        expectedTarget = "D:\\data.bin";
        start(SourcePath, "D:");
    }
    SUBCASE("a relative source") { start("data.bin", "D:\\out\\"); }

    checkStarted(40000);
    CHECK(view.boxes.empty());
    CHECK(view.beeps == 0);
    CHECK(view.overwriteQuestions == 0);
    CHECK(std::string(copyJob.targetPath) == expectedTarget);
    REQUIRE(fs.exists(expectedTarget));
    CHECK(fs.contents(expectedTarget).empty());
    CHECK(copyJob.targetLength == 0);
    CHECK(copyJob.appendMode == 0);
    CHECK(copyJob.sourceAttributes == SourceAttributes);
    CHECK(copyJob.savedTargetAttributes == SourceAttributes);
    CHECK(copyJob.blockPointer == copyJob.copyBuffer);
    CHECK(copyJob.sourceStampStatus == 0);
    CHECK(copyJob.sourceStamp.time == SourceStamp.time);
    CHECK(copyJob.sourceStamp.date == SourceStamp.date);
    CHECK(copyJob.composedTried == 0);
    checkSourceAsItWas();
    CHECK(fs.getAttributes("D:\\out") == FolderAttributes);
}

TEST_CASE_FIXTURE(StartJobTest, "the source's size: blocks to copy and the total shown") {
    std::uint64_t size = 0;
    std::uint64_t lastBlock = 0;
    const char* total = "";
    SUBCASE("empty") { total = "Total size :    0Kb"; }
    SUBCASE("1023 bytes") {
        size = 1023;
        total = "Total size :    0Kb";
    }
    SUBCASE("1024 bytes") {
        size = 1024;
        total = "Total size :    1Kb";
    }
    SUBCASE("one full block: a full block and an empty last one") {
        size = 32768;
        lastBlock = 1;
        total = "Total size :    32Kb";
    }
    SUBCASE("100000 bytes") {
        size = 100000;
        lastBlock = 3;
        total = "Total size :    97Kb";
    }
    source = bytesOf(size, 5);
    fs.addFile(SourcePath, source, SourceAttributes, SourceStamp);
    start(SourcePath, "D:\\out\\");

    REQUIRE(copyJob.state == Ready);
    CHECK(copyJob.lastBlock == lastBlock);
    CHECK(copyJob.totalSize == size);
    REQUIRE(view.line1.size() == 1);
    CHECK(view.line1[0] == total);
}

TEST_CASE_FIXTURE(StartJobTest, "sizes beyond 4 GiB are counted whole") {
    constexpr std::uint64_t sourceSize = (std::uint64_t{5} << 30) + 100000;  // 5368809120
    constexpr std::uint64_t targetSize = (std::uint64_t{6} << 30) + 2047;
    fs.fakeLength(SourcePath, sourceSize);

    SUBCASE("a new target") {
        start(SourcePath, "D:\\out\\");
        REQUIRE(copyJob.state == Ready);
        CHECK(copyJob.targetLength == 0);
    }
    SUBCASE("appended to a target of 6 GiB") {
        addOldTarget();
        fs.fakeLength(TargetPath, targetSize);
        view.onOverwrite = [&] {
            CHECK(copyJob.sourceLength == sourceSize);
            CHECK(copyJob.targetLength == targetSize);
        };
        view.overwriteAnswers = {answer::Append};
        start(SourcePath, "D:\\out\\");
        REQUIRE(copyJob.state == Ready);
        CHECK(view.overwriteQuestions == 1);
        CHECK(copyJob.targetLength == targetSize);
    }
    CHECK(copyJob.totalSize == sourceSize);
    CHECK(copyJob.sourceLength == sourceSize);
    CHECK(copyJob.lastBlock == 163843);
    REQUIRE(view.line1.size() == 1);
    CHECK(view.line1[0] == "Total size :    5242977Kb");
}

TEST_CASE_FIXTURE(StartJobTest, "an existing empty target is taken without asking") {
    fs.addFile(TargetPath, {}, OldTargetAttributes, TargetStamp);
    start(SourcePath, "D:\\out\\");

    checkStarted(40000);
    CHECK(view.boxes.empty());
    CHECK(view.overwriteQuestions == 0);
    CHECK(copyJob.targetLength == 0);
    CHECK(copyJob.appendMode == 0);
    CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
    CHECK(fs.file(TargetPath).attributes == AttrNormal);  // writable for the copy
}

TEST_CASE_FIXTURE(StartJobTest, "a target that holds data: Confirm File Overwrite") {
    addOldTarget();
    view.onOverwrite = [&] {
        // What the dialog reads, and the files as they are while it is up.
        CHECK(std::string(copyJob.targetPath) == TargetPath);
        CHECK(std::string(copyJob.sourcePath) == SourcePath);
        CHECK(copyJob.targetLength == 3000);
        CHECK(copyJob.sourceLength == 40000);
        CHECK(std::string(copyJob.sourceStampText.dateText) == "05.06.1998");
        CHECK(std::string(copyJob.sourceStampText.timeText) == "14:22:08");
        CHECK(std::string(copyJob.targetStampText.dateText) == "31.12.2107");
        CHECK(std::string(copyJob.targetStampText.timeText) == "09:05:04");
        CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
        CHECK(copyJob.sourceAttributes == SourceAttributes);
        CHECK(fs.openHandles() == 1);  // the source; the target is closed
        checkOldTargetAsItWas();
        CHECK(copyJob.state == Idle);
    };

    SUBCASE("Overwrite: written from offset 0, nothing cut yet") {
        view.overwriteAnswers = {answer::Overwrite};
        start(SourcePath, "D:\\out\\");
        checkStarted(40000);
        CHECK(copyJob.targetLength == 3000);
        CHECK(copyJob.appendMode == 0);
        CHECK(fs.file(TargetPath).attributes == AttrNormal);
        CHECK(fs.contents(TargetPath) == oldTarget);
        writeProbe();
        Bytes expected = oldTarget;
        expected[0] = 0xAB;
        expected[1] = 0xCD;
        expected[2] = 0xEF;
        CHECK(fs.contents(TargetPath) == expected);
    }
    SUBCASE("Append: written at the end") {
        view.overwriteAnswers = {answer::Append};
        start(SourcePath, "D:\\out\\");
        checkStarted(40000);
        CHECK(copyJob.targetLength == 3000);
        CHECK(copyJob.appendMode == 1);
        CHECK(fs.file(TargetPath).attributes == AttrNormal);
        writeProbe();
        Bytes expected = oldTarget;
        expected.insert(expected.end(), {0xAB, 0xCD, 0xEF});
        CHECK(fs.contents(TargetPath) == expected);
    }
    SUBCASE("Cancel: both files as they were") {
        view.overwriteAnswers = {answer::Cancel};
        start(SourcePath, "D:\\out\\");
        checkAbandoned();
        checkOldTargetAsItWas();
        checkSourceAsItWas();
    }
    SUBCASE("the target reopened after the question is refused") {
        view.overwriteAnswers = {answer::Overwrite};
        view.boxAnswers = {box::IdOk};
        view.onOverwrite = [&] { fs.refuseOpen(TargetPath, EIO); };
        start(SourcePath, "D:\\out\\");
        checkError(targetError(std::strerror(EIO)));
        CHECK(view.events == "obm");
        checkAbandoned();
        checkOldTargetAsItWas();
        checkSourceAsItWas();
    }
    CHECK(view.overwriteQuestions == 1);
}

TEST_CASE_FIXTURE(StartJobTest, "a target whose time stamp cannot be read shows no date and time") {
    addOldTarget();
    fs.unreadableStamp(TargetPath);
    view.onOverwrite = [&] {
        CHECK(std::string(copyJob.sourceStampText.dateText) == "05.06.1998");
        CHECK(std::string(copyJob.sourceStampText.timeText) == "14:22:08");
        CHECK(std::string(copyJob.targetStampText.dateText).empty());
        CHECK(std::string(copyJob.targetStampText.timeText).empty());
    };
    view.overwriteAnswers = {answer::Cancel};
    start(SourcePath, "D:\\out\\");
    CHECK(view.overwriteQuestions == 1);
    checkAbandoned();
}

TEST_CASE_FIXTURE(StartJobTest, "a read-only target is warned about before anything is opened") {
    view.onBox = [&](const ScriptedView::Box&) {
        CHECK(fs.openHandles() == 0);
        CHECK(fs.file(TargetPath).attributes == ReadOnlyTarget);
    };

    SUBCASE("Cancel: nothing changes") {
        addOldTarget(ReadOnlyTarget);
        view.boxAnswers = {box::IdCancel};
        start(SourcePath, "D:\\out\\data.bin");
        checkAbandoned();
        CHECK(view.overwriteQuestions == 0);
        checkOldTargetAsItWas(ReadOnlyTarget);
        checkSourceAsItWas();
    }
    SUBCASE("OK on an empty target: the attribute is cleared for the copy") {
        fs.addFile(TargetPath, {}, ReadOnlyTarget);
        view.boxAnswers = {box::IdOk};
        start(SourcePath, "D:\\out\\");
        checkStarted(40000);
        CHECK(copyJob.savedTargetAttributes == ReadOnlyTarget);
        CHECK(fs.file(TargetPath).attributes == AttrNormal);
    }
    SUBCASE("OK, then Cancel in Confirm File Overwrite: the attribute is put back") {
        addOldTarget(ReadOnlyTarget);
        view.boxAnswers = {box::IdOk};
        view.overwriteAnswers = {answer::Cancel};
        view.onOverwrite = [&] { CHECK(fs.file(TargetPath).attributes == ReadOnlyTarget); };
        start(SourcePath, "D:\\out\\");
        CHECK(view.events == "mo");
        checkAbandoned();
        checkOldTargetAsItWas(ReadOnlyTarget);
    }
    SUBCASE("OK, then Overwrite") {
        addOldTarget(ReadOnlyTarget);
        view.boxAnswers = {box::IdOk};
        view.overwriteAnswers = {answer::Overwrite};
        start(SourcePath, "D:\\out\\");
        checkStarted(40000);
        CHECK(copyJob.savedTargetAttributes == ReadOnlyTarget);
        CHECK(fs.file(TargetPath).attributes == AttrNormal);
    }
    SUBCASE("OK, but the source cannot be opened: the target is untouched") {
        addOldTarget(ReadOnlyTarget);
        fs.removeFile(SourcePath);
        view.boxAnswers = {box::IdOk, box::IdOk};
        start(SourcePath, "D:\\out\\");
        REQUIRE(view.boxes.size() == 2);
        CHECK(view.boxes[1].text == sourceError("No such file or directory"));
        CHECK(view.events == "mbm");
        checkAbandoned();
        checkOldTargetAsItWas(ReadOnlyTarget);
    }

    REQUIRE_FALSE(view.boxes.empty());
    CHECK(view.boxes[0].text == ReadOnlyWarning);
    CHECK(view.boxes[0].caption == "Warning");
    CHECK(view.boxes[0].flags == OkCancelExclamation);
    CHECK(view.events[0] == 'm');  // no beep before the warning
}

TEST_CASE_FIXTURE(StartJobTest, "a new target whose source is read-only gets no warning") {
    fs.file(SourcePath).attributes = AttrReadOnly | AttrArchive;
    start(SourcePath, "D:\\out\\");
    checkStarted(40000);
    CHECK(view.boxes.empty());
    CHECK(copyJob.savedTargetAttributes == (AttrReadOnly | AttrArchive));
}

TEST_CASE_FIXTURE(StartJobTest, "a folder typed without its backslash") {
    std::uint32_t folderAttributes = FolderAttributes;
    SUBCASE("a new file in it: the composed name, the source's attributes saved") {
        start(SourcePath, "D:\\out");
        checkStarted(40000);
        CHECK(view.boxes.empty());
        CHECK(std::string(copyJob.targetPath) == TargetPath);
        CHECK(fs.contents(TargetPath).empty());
        CHECK(copyJob.savedTargetAttributes == SourceAttributes);
        CHECK(copyJob.composedTried == 0);
    }
    SUBCASE("a file of that name with data in it: its own attributes saved and put back") {
        addOldTarget();
        view.overwriteAnswers = {answer::Cancel};
        view.onOverwrite = [&] {
            CHECK(std::string(copyJob.targetPath) == TargetPath);
            CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
            checkOldTargetAsItWas();
        };
        start(SourcePath, "D:/out");
        CHECK(view.overwriteQuestions == 1);
        checkAbandoned();
        checkOldTargetAsItWas();
    }
    SUBCASE("a file of that name with data in it, appended to") {
        addOldTarget();
        view.overwriteAnswers = {answer::Append};
        start(SourcePath, "D:\\out");
        checkStarted(40000);
        CHECK(std::string(copyJob.targetPath) == TargetPath);
        CHECK(copyJob.appendMode == 1);
        CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
        CHECK(fs.file(TargetPath).attributes == AttrNormal);
    }
    SUBCASE("a read-only folder is warned about; OK copies into it") {
        folderAttributes = AttrDirectory | AttrReadOnly;
        fs.addFolder("D:\\out", folderAttributes);
        view.boxAnswers = {box::IdOk};
        start(SourcePath, "D:\\out");
        REQUIRE(view.boxes.size() == 1);
        CHECK(view.boxes[0].text == ReadOnlyWarning);
        checkStarted(40000);
        CHECK(std::string(copyJob.targetPath) == TargetPath);
    }
    SUBCASE("a read-only file of that name: no warning, its attribute put back on Cancel") {
        addOldTarget(ReadOnlyTarget);
        view.overwriteAnswers = {answer::Cancel};
        view.onOverwrite = [&] {
            CHECK(copyJob.savedTargetAttributes == ReadOnlyTarget);
            CHECK(fs.file(TargetPath).attributes == ReadOnlyTarget);
        };
        start(SourcePath, "D:\\out");
        CHECK(view.events == "o");
        checkAbandoned();
        checkOldTargetAsItWas(ReadOnlyTarget);
    }
    SUBCASE("the file in it refused as well: a second EACCES ends the start") {
        addOldTarget();
        fs.refuseOpen(TargetPath, EACCES);
        view.boxAnswers = {box::IdOk};
        start(SourcePath, "D:\\out");
        checkError(targetError("Permission denied"));
        checkAbandoned();
        checkOldTargetAsItWas();
        checkSourceAsItWas();
    }
    SUBCASE("no file in it and refused: nothing is left behind") {
        fs.refuseOpen(TargetPath, EACCES);
        view.boxAnswers = {box::IdOk};
        start(SourcePath, "D:\\out");
        checkError(targetError("Permission denied"));
        checkAbandoned();
        CHECK_FALSE(fs.exists(TargetPath));
    }
    // The folder's own attributes are never touched.
    CHECK(fs.getAttributes("D:\\out") == folderAttributes);
}

TEST_CASE_FIXTURE(StartJobTest, "a folder of the source's name in the target folder is left alone") {
    constexpr std::uint32_t subfolderAttributes = AttrDirectory | AttrReadOnly | AttrSystem;
    fs.addFolder(TargetPath, subfolderAttributes);
    view.boxAnswers = {box::IdOk, box::IdOk};
    view.onBox = [&](const ScriptedView::Box&) {
        CHECK(fs.getAttributes(TargetPath) == subfolderAttributes);
        CHECK(fs.getAttributes("D:\\out") == FolderAttributes);
    };
    SUBCASE("typed with the backslash") { start(SourcePath, "D:\\out\\"); }
    SUBCASE("typed without it") { start(SourcePath, "D:\\out"); }
    REQUIRE_FALSE(view.boxes.empty());
    CHECK(view.boxes.back().text == targetError("Permission denied"));
    checkAbandoned();
    CHECK(fs.getAttributes(TargetPath) == subfolderAttributes);
    CHECK(fs.getAttributes("D:\\out") == FolderAttributes);
}

TEST_CASE_FIXTURE(StartJobTest, "a target file that cannot be opened") {
    addOldTarget();
    view.boxAnswers = {box::IdOk};

    SUBCASE("refused for another reason than access") {
        fs.refuseOpen(TargetPath, EIO);
        start(SourcePath, "D:\\out\\");
        checkError(targetError(std::strerror(EIO)));
    }
    SUBCASE("refused with EACCES, then its name as a folder is not found") {
        fs.refuseOpen(TargetPath, EACCES);
        start(SourcePath, "D:\\out\\data.bin");
        checkError(targetError("No such file or directory"));
    }
    SUBCASE("the folder refused for another reason than access: the file in it keeps its attributes") {
        fs.refuseOpen("D:\\out", EIO);
        start(SourcePath, "D:\\out");
        checkError(targetError(std::strerror(EIO)));
    }
    SUBCASE("refused with EACCES twice, typed with a folder's backslash") {
        fs.refuseOpen(TargetPath, EACCES);
        start(SourcePath, "D:\\out\\");
        checkError(targetError("Permission denied"));
    }
    checkAbandoned();
    CHECK(copyJob.composedTried == 0);
    checkOldTargetAsItWas();
    checkSourceAsItWas();
}

TEST_CASE_FIXTURE(StartJobTest, "a source that cannot be opened") {
    addOldTarget();
    view.boxAnswers = {box::IdOk};
    SUBCASE("missing") {
        fs.removeFile(SourcePath);
        start(SourcePath, "D:\\out\\");
        checkError(sourceError("No such file or directory"));
    }
    SUBCASE("refused") {
        fs.refuseOpen(SourcePath, EACCES);
        start(SourcePath, "D:\\out\\");
        checkError(sourceError("Permission denied"));
        checkSourceAsItWas();
    }
    SUBCASE("missing, to a new target: none is created") {
        fs.removeFile(SourcePath);
        start(SourcePath, "D:\\out\\new.bin");
        checkError(sourceError("No such file or directory"));
        CHECK_FALSE(fs.exists("D:\\out\\new.bin"));
    }
    checkAbandoned();
    checkOldTargetAsItWas();
}

TEST_CASE_FIXTURE(StartJobTest, "paths refused before any file is opened") {
    addOldTarget();
    view.boxAnswers = {box::IdOk};
    view.onBox = [&](const ScriptedView::Box&) { CHECK(fs.openHandles() == 0); };

    SUBCASE("an empty source or target") {
        const char* source = SourcePath;
        const char* target = "D:\\out\\";
        SUBCASE("empty source") { source = ""; }
        SUBCASE("blank target") { target = "    "; }
        SUBCASE("both") {
            source = " ";
            target = "";
        }
        start(source, target);
        checkError(NotSpecified);
    }
    SUBCASE("a reserved source name") {
        fs.addFile("C:\\work\\nul.txt", source);
        start("C:\\work\\nul.txt", "D:\\out\\");
        checkError("   Unable to copy from\t\t\t \r\n   NUL");
        CHECK_FALSE(fs.exists("D:\\out\\nul.txt"));
    }
    SUBCASE("a reserved target name") {
        start(SourcePath, "D:\\out\\lpt1.log");
        checkError("   Unable to copy to\t\t\t \r\n   LPT1");
        CHECK_FALSE(fs.exists("D:\\out\\lpt1.log"));
    }
    SUBCASE("a composed target name over 255 characters") {
        const std::string folder = "D:\\" + std::string(244, 'f');
        fs.addFolder(folder);
        const std::string composed = folder + "\\data.bin";
        REQUIRE(composed.size() == 256);
        SUBCASE("typed with the backslash") { start(SourcePath, (folder + "\\").c_str()); }
        SUBCASE("typed without it") { start(SourcePath, folder.c_str()); }
        checkError(TooLong);
        CHECK_FALSE(fs.exists(composed.substr(0, 255)));
    }
    checkAbandoned();
    checkOldTargetAsItWas();
    checkSourceAsItWas();
}

TEST_CASE_FIXTURE(StartJobTest, "a composed target of exactly 255 characters starts") {
    const std::string folder = "D:\\" + std::string(240, 'f');
    fs.addFolder(folder);
    const std::string composed = folder + "\\data.bin";
    REQUIRE(composed.size() == 252);
    const std::string longFolder = folder + "fff";
    fs.addFolder(longFolder);
    const std::string fits = longFolder + "\\data.bin";
    REQUIRE(fits.size() == 255);

    SUBCASE("typed with the backslash") { start(SourcePath, (longFolder + "\\").c_str()); }
    SUBCASE("typed without it") { start(SourcePath, longFolder.c_str()); }
    checkStarted(40000);
    CHECK(std::string(copyJob.targetPath) == fits);
    CHECK(fs.exists(fits));
}

TEST_CASE_FIXTURE(StartJobTest, "a plain file target is opened as typed when the composed name would not fit") {
    // 252 characters: with a backslash and the source's name it would be 261.
    const std::string target = "D:\\out\\" + std::string(245, 'f');
    REQUIRE(target.size() == 252);
    SUBCASE("a new file") {
        start(SourcePath, target.c_str());
        checkStarted(40000);
        CHECK(std::string(copyJob.targetPath) == target);
        CHECK(fs.exists(target));
    }
    SUBCASE("an existing file, overwritten") {
        addOldTarget(OldTargetAttributes, target.c_str());
        view.overwriteAnswers = {answer::Overwrite};
        start(SourcePath, target.c_str());
        checkStarted(40000);
        CHECK(std::string(copyJob.targetPath) == target);
    }
    SUBCASE("a file refused with EACCES: no composed name to try, the refusal is told") {
        addOldTarget(OldTargetAttributes, target.c_str());
        fs.refuseOpen(target, EACCES);
        view.boxAnswers = {box::IdOk};
        start(SourcePath, target.c_str());
        checkError(targetError("Permission denied"));
        checkAbandoned();
        checkOldTargetAsItWas(OldTargetAttributes, target.c_str());
    }
}

TEST_CASE_FIXTURE(StartJobTest, "moving a file onto itself is refused") {
    fs.file(SourcePath).attributes = AttrReadOnly | AttrArchive;
    view.boxAnswers = {box::IdOk};
    const char* target = nullptr;
    SUBCASE("the same spelling") { target = SourcePath; }
    SUBCASE("another case") { target = "c:\\WORK\\Data.BIN"; }
    SUBCASE("forward slashes") { target = "C:/work/data.bin"; }
    SUBCASE("relative to the current directory") { target = "data.bin"; }
    SUBCASE("with a detour") { target = "C:\\work\\..\\work\\.\\data.bin"; }
    SUBCASE("its folder with the backslash") { target = "C:\\work\\"; }
    SUBCASE("its folder without it") { target = "C:\\work"; }
    SUBCASE("its folder, relative") { target = "."; }
    start(SourcePath, target, false, true);

    checkError(SameFile);
    checkAbandoned();
    CHECK(fs.contents(SourcePath) == source);
    CHECK(fs.file(SourcePath).attributes == (AttrReadOnly | AttrArchive));
}

TEST_CASE_FIXTURE(StartJobTest, "a move to another file starts as a copy does") {
    SUBCASE("a new file") { start(SourcePath, "D:\\out\\", false, true); }
    SUBCASE("a file of the same name in another folder") {
        fs.addFile("C:\\other\\data.bin", {});
        start(SourcePath, "C:\\other", false, true);
    }
    checkStarted(40000);
    CHECK(view.boxes.empty());
}

TEST_CASE_FIXTURE(StartJobTest, "a copy onto itself without Move goes to Confirm File Overwrite") {
    view.overwriteAnswers = {answer::Cancel};
    view.onOverwrite = [&] {
        CHECK(copyJob.savedTargetAttributes == SourceAttributes);
        CHECK(copyJob.targetLength == 40000);
    };
    SUBCASE("the same path") { start(SourcePath, "c:/work/DATA.bin"); }
    SUBCASE("its folder") { start(SourcePath, "C:\\work"); }
    CHECK(view.boxes.empty());
    CHECK(view.overwriteQuestions == 1);
    checkAbandoned();
    checkSourceAsItWas();
}

TEST_CASE_FIXTURE(StartJobTest, "the CD-ROM rule runs after the question, and only with its box ticked") {
    constexpr std::uint32_t readOnlySource = AttrReadOnly | AttrArchive;
    fs.setDriveType("E:\\", DriveCdrom);
    fs.addFile("E:\\disk\\data.bin", source, readOnlySource, SourceStamp);
    fs.setCurrentDirectory("E:\\disk");

    SUBCASE("a new target") {
        const char* path = "E:\\disk\\data.bin";
        bool ticked = true;
        std::uint32_t after = AttrArchive;
        SUBCASE("ticked") {}
        SUBCASE("clear") {
            ticked = false;
            after = readOnlySource;
        }
        SUBCASE("ticked, a relative source") { path = "data.bin"; }
        SUBCASE("ticked, a source on a hard disk") {
            path = SourcePath;
            fs.file(SourcePath).attributes = readOnlySource;
            after = readOnlySource;
        }
        start(path, "D:\\out\\", ticked);
        checkStarted(40000);
        CHECK(copyJob.sourceAttributes == after);
        // What a stop would put back on the new file: the source's, as read.
        CHECK(copyJob.savedTargetAttributes == readOnlySource);
        CHECK(fs.file(path).attributes == readOnlySource);
    }
    SUBCASE("Confirm File Overwrite shows the attributes as read") {
        addOldTarget();
        view.onOverwrite = [&] { CHECK(copyJob.sourceAttributes == readOnlySource); };
        view.overwriteAnswers = {answer::Overwrite};
        start("E:\\disk\\data.bin", "D:\\out\\", true);
        CHECK(view.overwriteQuestions == 1);
        checkStarted(40000);
        CHECK(copyJob.sourceAttributes == AttrArchive);
        CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
    }
    SUBCASE("no rule on a start that is abandoned") {
        addOldTarget();
        view.overwriteAnswers = {answer::Cancel};
        start("E:\\disk\\data.bin", "D:\\out\\", true);
        checkAbandoned();
        CHECK(copyJob.sourceAttributes == readOnlySource);
    }
}

TEST_CASE_FIXTURE(StartJobTest, "a start after an abandoned one begins afresh") {
    addOldTarget();
    view.overwriteAnswers = {answer::Append};
    view.onOverwrite = [&] { fs.refuseOpen(TargetPath, EIO, 1); };
    view.boxAnswers = {box::IdOk};
    start(SourcePath, "D:\\out");
    checkError(targetError(std::strerror(EIO)));
    checkAbandoned();

    fs.addFile("D:\\out\\empty.bin", {}, OldTargetAttributes);
    start(SourcePath, "D:\\out\\empty.bin");
    checkStarted(40000);
    CHECK(copyJob.appendMode == 0);
    CHECK(copyJob.targetLength == 0);
    CHECK(std::string(copyJob.targetPath) == "D:\\out\\empty.bin");
    CHECK(copyJob.savedTargetAttributes == OldTargetAttributes);
}
