// The running job: block steps and progress, completion, the recovery from a
// full disk into further pieces, the endings short of completion, stopping,
// moving, and sources beyond 4 GiB. Every job is started the way the user
// starts it, through startJob, over the in-memory file system.
#include <doctest/doctest.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "tests/engine/job_fixture.h"
#include "tests/support/bytes.h"
#include "tests/support/mem_file_system.h"
#include "tests/support/scripted_view.h"

namespace {


constexpr char SourcePath[] = "C:\\work\\data.bin";
constexpr char TargetPath[] = "D:\\out\\data.bin";
constexpr char OtherTarget[] = "E:\\more\\data.bin";

constexpr DosStamp SourceStamp{0x7A3C, 0x2D65};
constexpr std::uint32_t SourceAttributes = AttrArchive | AttrHidden;      // 0x22
constexpr std::uint32_t OldTargetAttributes = AttrArchive | AttrSystem;   // 0x24

// Message box flags as the platform spells them.
constexpr unsigned OkStop = 0x10;           // MB_OK | MB_ICONHAND
constexpr unsigned RetryCancelStop = 0x15;  // MB_RETRYCANCEL | MB_ICONHAND
constexpr unsigned StopQuestion = 0x124;    // MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2

constexpr std::uint64_t RoomyDisk = std::uint64_t{1} << 40;
// The disk of the full-disk cases: full at sector 5 of block 10.
constexpr std::uint64_t SmallDisk = 10 * 32768 + 5 * 512;  // 330240

Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

Bytes joined(const Bytes& first, const Bytes& second) {
    Bytes all = first;
    all.insert(all.end(), second.begin(), second.end());
    return all;
}

bool sameStamp(DosStamp a, DosStamp b) { return a.time == b.time && a.date == b.date; }

std::string listed(const std::vector<unsigned>& values) {
    std::string text;
    for (unsigned v : values) {
        if (!text.empty()) text += ',';
        text += std::to_string(v);
    }
    return text;
}

std::string listed(const std::vector<std::string>& texts) {
    std::string text;
    for (std::size_t i = 0; i < texts.size(); ++i) text += (i ? "|" : "") + texts[i];
    return text;
}

std::string withError(const char* text, int errorNumber) { return text + std::string(std::strerror(errorNumber)); }

struct Piece {
    Bytes bytes;
    DosStamp stamp;
    std::uint32_t attributes;
};

class CopyJobTest : public JobFixture {
protected:
    Bytes source;
    std::vector<Piece> pieces;  // filled pieces taken off the disk

    CopyJobTest() {
        fs.addFolder("C:\\work");
        fs.addFolder("D:\\out");
        fs.addFolder("E:\\more");
    }

    void addSource(std::size_t size, std::uint32_t attributes = SourceAttributes) {
        source = bytesOf(size);
        fs.addFile(SourcePath, source, attributes, SourceStamp);
    }

    // An empty file at the target path: the job takes it without asking and
    // keeps its attributes as the ones to put back.
    void addEmptyTarget() { fs.addFile(TargetPath, {}, OldTargetAttributes, DosStamp{}); }

    void start(const char* target = "D:\\out\\", int moveFile = 0) {
        JobFixture::start(SourcePath, target, true, moveFile == 1);
        REQUIRE(copyJob.state == Ready);
    }

    // Idle turns until the job ends; the number of steps taken.
    int run(int limit = 200) {
        int steps = 0;
        while (copyJob.state != Idle && steps < limit) {
            copyStep(view, fs);
            ++steps;
        }
        return steps;
    }

    // The user takes the filled piece away and puts in an empty disk.
    void takePiece(std::uint64_t nextDisk = RoomyDisk, const std::string& path = TargetPath) {
        MemFileSystem::File& file = fs.file(path);
        pieces.push_back({file.data, file.stamp, file.attributes});
        fs.removeFile(path);
        fs.setCapacity("D:", nextDisk);
    }

    void checkPiece(const Piece& piece, std::size_t from, std::size_t to) {
        CHECK(piece.bytes.size() == to - from);
        CHECK(piece.bytes == slice(source, from, to));
        CHECK(sameStamp(piece.stamp, SourceStamp));
        CHECK(piece.attributes == SourceAttributes);
    }

    void checkFile(const char* path, std::size_t from, std::size_t to) {
        MemFileSystem::File& file = fs.file(path);
        checkPiece({file.data, file.stamp, file.attributes}, from, to);
    }

    // What every end of a job leaves: nothing runs, the window looks idle with
    // an empty progress display, no file is open, and a further idle turn
    // does nothing.
    void checkJobOver() {
        CHECK(copyJob.state == Idle);
        CHECK(view.idleLooks == 1);
        CHECK_FALSE(view.running);
        REQUIRE_FALSE(view.progress.empty());
        CHECK(view.progress.back() == 0);
        REQUIRE_FALSE(view.line1.empty());
        CHECK(view.line1.back() == "");
        REQUIRE_FALSE(view.line2.empty());
        CHECK(view.line2.back() == "");
        CHECK(fs.openHandles() == 0);
        std::string events = view.events;
        std::size_t progressCalls = view.progress.size();
        copyStep(view, fs);
        CHECK(view.events == events);
        CHECK(view.progress.size() == progressCalls);
    }

    void checkBox(std::size_t index, const std::string& text, const char* caption, unsigned flags) {
        REQUIRE(view.boxes.size() > index);
        CHECK(view.boxes[index].text == text);
        CHECK(view.boxes[index].caption == caption);
        CHECK(view.boxes[index].flags == flags);
    }
};

}  // namespace

TEST_CASE_FIXTURE(CopyJobTest, "a job copies one block per idle turn and finishes the target as its source") {
    std::size_t size = 0;
    int steps = 0;
    std::string progress, line2, total;
    SUBCASE("an empty source") {
        size = 0, steps = 1, progress = "100,0", line2 = "", total = "Total size :    0Kb";
    }
    SUBCASE("1023 bytes") {
        size = 1023, steps = 1, progress = "100,0", line2 = "", total = "Total size :    0Kb";
    }
    SUBCASE("one full block and an empty last one") {
        size = 32768, steps = 2, progress = "100,0", line2 = "", total = "Total size :    32Kb";
    }
    SUBCASE("40000 bytes") {
        size = 40000, steps = 2, progress = "100,0", line2 = "", total = "Total size :    39Kb";
    }
    SUBCASE("65536 bytes: the first source with a moving progress display") {
        size = 65536, steps = 3, progress = "0,50,100,100,0", total = "Total size :    64Kb";
        line2 = "Current     :    0Kb  (0%)|Current     :    32Kb  (50%)|Current     :    64Kb  (100%)|";
    }
    SUBCASE("100000 bytes") {
        size = 100000, steps = 4, progress = "0,33,66,100,100,0", total = "Total size :    97Kb";
        line2 = "Current     :    0Kb  (0%)|Current     :    32Kb  (33%)|Current     :    64Kb  (66%)|"
                "Current     :    96Kb  (100%)|";
    }
    CAPTURE(size);
    addSource(size);
    start();

    // Each step writes the whole buffer; the cut to the source's length
    // comes at completion.
    for (int step = 1; step < steps; ++step) {
        copyStep(view, fs);
        REQUIRE(copyJob.state == Ready);
        CHECK(fs.file(TargetPath).data.size() == std::size_t{32768} * static_cast<std::size_t>(step));
    }
    copyStep(view, fs);

    CHECK(listed(view.progress) == progress);
    CHECK(listed(view.line2) == line2);
    CHECK(listed(view.line1) == total + "|");
    checkJobOver();
    checkFile(TargetPath, 0, size);
    CHECK(fs.contents(SourcePath) == source);
    CHECK(view.events == "");
}

TEST_CASE_FIXTURE(CopyJobTest, "a disk that fills up in the last block's full write") {
    SUBCASE("the last block's 1696 bytes still fit as four sectors: no question, exact copy") {
        addSource(100000);
        fs.setCapacity("D:", 3 * 32768 + 4 * 512);
        start();
        CHECK(run() == 4);
        CHECK(view.events == "");
        checkFile(TargetPath, 0, 100000);
        checkJobOver();
    }
    SUBCASE("a source of whole blocks on a disk that is full exactly at its end") {
        addSource(3 * 32768);
        fs.setCapacity("D:", 3 * 32768);
        start();
        CHECK(run() == 4);
        CHECK(view.events == "");
        checkFile(TargetPath, 0, 3 * 32768);
        checkJobOver();
    }
    SUBCASE("one sector short: the last 160 bytes go into a second piece") {
        addSource(100000);
        fs.setCapacity("D:", 3 * 32768 + 3 * 512);
        view.diskFullAnswers = {answer::Continue};
        view.onDiskFull = [&] { takePiece(); };
        start();
        CHECK(run() == 4);
        CHECK(listed(view.leftTexts) == "Left : 0Kb");
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 99840);
        checkFile(TargetPath, 99840, 100000);
        checkJobOver();
    }
}

TEST_CASE_FIXTURE(CopyJobTest, "a full disk in the middle of a job spreads the source over pieces") {
    addSource(1000000);
    addEmptyTarget();
    fs.setCapacity("D:", SmallDisk);
    std::uint64_t nextDisk = RoomyDisk;
    view.diskFullAnswers = {answer::Continue, answer::Continue};
    view.onDiskFull = [&] {
        // The filled piece is on the device and closed before the question
        // comes, and the question comes without a beep.
        CHECK(fs.openHandles() == 1);
        CHECK(fs.file(TargetPath).commits == 1);
        CHECK(view.beeps == 0);
        // No step and no stop while the question is up.
        std::string events = view.events;
        copyStep(view, fs);
        stopJob(view, fs);
        CHECK(view.events == events);
        CHECK(copyJob.state == InStep);
        takePiece(nextDisk);
        nextDisk = RoomyDisk;
    };

    SUBCASE("Continue onto an empty disk that takes the rest") {
        start();
        CHECK(run() == 31);
        CHECK(listed(view.leftTexts) == "Left : 654Kb");
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
    }
    SUBCASE("the next disk fills up in turn: three pieces") {
        nextDisk = SmallDisk;
        start();
        CHECK(run() == 31);
        CHECK(listed(view.leftTexts) == "Left : 654Kb|Left : 331Kb");
        REQUIRE(pieces.size() == 2);
        checkPiece(pieces[0], 0, 330240);
        checkPiece(pieces[1], 330240, 660480);
        checkFile(TargetPath, 660480, 1000000);
        Bytes all = joined(joined(pieces[0].bytes, pieces[1].bytes), fs.contents(TargetPath));
        CHECK(all == source);
    }
    CHECK(view.events.find('b') == std::string::npos);
    CHECK(view.boxes.empty());
    // The progress display goes on through the recovery.
    REQUIRE(view.line2.size() == 32);
    CHECK(view.line2[10] == "Current     :    320Kb  (33%)");
    CHECK(view.line2[30] == "Current     :    960Kb  (100%)");
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "Continue while the filled piece is still at the path") {
    addSource(1000000);
    addEmptyTarget();
    fs.setCapacity("D:", SmallDisk);
    view.diskFullAnswers = {answer::Continue};
    const std::string exists = "   Target file already exists\t\t\t ";

    SUBCASE("Retry until the path is free") {
        view.boxAnswers = {box::IdRetry, box::IdRetry};
        view.onBox = [&](const ScriptedView::Box&) {
            // Opening the piece to look at it does not cut it.
            CHECK(fs.file(TargetPath).data == slice(source, 0, 330240));
            if (view.boxes.size() == 2) takePiece();
        };
        start();
        CHECK(run() == 31);
        CHECK(view.events == "dbmbm");
        checkBox(0, exists, "Error", RetryCancelStop);
        checkBox(1, exists, "Error", RetryCancelStop);
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
        checkJobOver();
    }
    SUBCASE("Retry finds the file emptied") {
        view.boxAnswers = {box::IdRetry};
        Bytes first;
        view.onBox = [&](const ScriptedView::Box&) {
            first = fs.contents(TargetPath);
            fs.file(TargetPath).data.clear();
            fs.setCapacity("D:", RoomyDisk);
        };
        start();
        CHECK(run() == 31);
        CHECK(view.events == "dbm");
        CHECK(first == slice(source, 0, 330240));
        checkFile(TargetPath, 330240, 1000000);
        checkJobOver();
    }
    SUBCASE("Cancel keeps the filled piece") {
        view.boxAnswers = {box::IdCancel};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dbm");
        checkBox(0, exists, "Error", RetryCancelStop);
        checkFile(TargetPath, 0, 330240);
        CHECK(fs.contents(SourcePath) == source);
        checkJobOver();
    }
}

TEST_CASE_FIXTURE(CopyJobTest, "Change Target after a full disk") {
    addSource(1000000);
    addEmptyTarget();
    fs.setCapacity("D:", SmallDisk);
    view.diskFullAnswers = {answer::ChangeTarget};

    SUBCASE("to a folder typed with forward slashes and a trailing one") {
        view.changeTargetAnswers = {{answer::NewTarget, "E:/more/"}};
        start();
        CHECK(run() == 31);
        CHECK(listed(view.changeTargetTexts) == TargetPath);
        CHECK(std::string(copyJob.targetPath) == OtherTarget);
        checkFile(OtherTarget, 330240, 1000000);
        checkFile(TargetPath, 0, 330240);
        CHECK(view.events == "dc");
        checkJobOver();
    }
    SUBCASE("to an existing folder named without the trailing backslash") {
        view.changeTargetAnswers = {{answer::NewTarget, "E:\\more"}};
        start();
        CHECK(run() == 31);
        CHECK(std::string(copyJob.targetPath) == OtherTarget);
        checkFile(OtherTarget, 330240, 1000000);
        checkFile(TargetPath, 0, 330240);
        CHECK(view.events == "dc");
        checkJobOver();
    }
    SUBCASE("Don't change target: the edited text is ignored and the path stays") {
        view.onDiskFull = [&] { takePiece(); };
        view.changeTargetAnswers = {{answer::KeepTarget, "E:\\more\\"}};
        start();
        CHECK(run() == 31);
        CHECK(std::string(copyJob.targetPath) == TargetPath);
        CHECK_FALSE(fs.exists(OtherTarget));
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
        checkJobOver();
    }
    SUBCASE("a reserved device name as the new target ends the job") {
        view.changeTargetAnswers = {{answer::NewTarget, "E:\\more\\lpt1.log"}};
        view.boxAnswers = {box::IdOk};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dcbm");
        checkBox(0, "   Unable to copy to\t\t\t \r\n   LPT1", "Error", OkStop);
        CHECK_FALSE(fs.exists("E:\\more\\lpt1.log"));
        checkFile(TargetPath, 0, 330240);
        checkJobOver();
    }
    SUBCASE("a folder whose name with the source's name would pass 255 characters ends the job") {
        std::string folder = "E:\\" + std::string(250, 'x');
        fs.addFolder(folder);
        SUBCASE("with the trailing backslash") { view.changeTargetAnswers = {{answer::NewTarget, folder + "\\"}}; }
        SUBCASE("without it") { view.changeTargetAnswers = {{answer::NewTarget, folder}}; }
        view.boxAnswers = {box::IdOk};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dcbm");
        checkBox(0, "   Target file name is too long\t\t\t ", "Error", OkStop);
        checkFile(TargetPath, 0, 330240);
        checkJobOver();
    }
    SUBCASE("Cancel in Disk is full") {
        view.diskFullAnswers = {answer::Cancel};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "d");
        checkFile(TargetPath, 0, 330240);
        CHECK(fs.contents(SourcePath) == source);
        checkJobOver();
    }
    SUBCASE("Cancel in Change target") {
        view.changeTargetAnswers = {{answer::Cancel, "E:\\more\\"}};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dc");
        CHECK_FALSE(fs.exists(OtherTarget));
        checkFile(TargetPath, 0, 330240);
        checkJobOver();
    }
}

TEST_CASE_FIXTURE(CopyJobTest, "a long source name behind a folder typed with its backslash goes on after a full disk") {
    // 137 characters: with another backslash and the name again, 268.
    const std::string name = std::string(126, 'n') + ".bin";
    const std::string longSource = "C:\\work\\" + name;
    const std::string target = "D:\\out\\" + name;
    source = bytesOf(1000000);
    fs.addFile(longSource, source, SourceAttributes, SourceStamp);
    fs.setCapacity("D:", SmallDisk);
    view.onDiskFull = [&] { takePiece(RoomyDisk, target); };

    SUBCASE("Continue") { view.diskFullAnswers = {answer::Continue}; }
    SUBCASE("Don't change target") {
        view.diskFullAnswers = {answer::ChangeTarget};
        view.changeTargetAnswers = {{answer::KeepTarget, ""}};
    }
    SUBCASE("OK with the text unchanged") {
        view.diskFullAnswers = {answer::ChangeTarget};
        view.changeTargetAnswers = {{answer::NewTarget, "", false}};
    }
    SUBCASE("the next piece refused with EACCES: Retry and Cancel are offered") {
        view.diskFullAnswers = {answer::Continue};
        view.onDiskFull = [&] {
            takePiece(RoomyDisk, target);
            fs.refuseOpen(target, EACCES, 1);
        };
        view.boxAnswers = {box::IdRetry};
    }
    JobFixture::start(longSource.c_str(), "D:\\out\\");
    REQUIRE(copyJob.state == Ready);
    CHECK(std::string(copyJob.targetPath) == target);
    CHECK(run() == 31);
    if (!view.boxAnswers.empty() || !view.boxes.empty()) {
        REQUIRE(view.boxes.size() == 1);
        checkBox(0, withError("   Error opening target file\t\t\t\r\n   ", EACCES), "Error", RetryCancelStop);
    }
    REQUIRE(pieces.size() == 1);
    checkPiece(pieces[0], 0, 330240);
    checkFile(target.c_str(), 330240, 1000000);
    CHECK(fs.contents(longSource) == source);
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "the next piece cannot be opened") {
    addSource(1000000);
    addEmptyTarget();
    fs.setCapacity("D:", SmallDisk);
    view.diskFullAnswers = {answer::Continue};
    view.onDiskFull = [&] {
        takePiece();
        fs.refuseOpen(TargetPath, EIO, 2);
    };
    const std::string text = withError("   Error opening target file\t\t\t\r\n   ", EIO);

    SUBCASE("Retry until it opens") {
        view.boxAnswers = {box::IdRetry, box::IdRetry};
        start();
        CHECK(run() == 31);
        CHECK(view.events == "dbmbm");
        checkBox(0, text, "Error", RetryCancelStop);
        checkBox(1, text, "Error", RetryCancelStop);
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
    }
    SUBCASE("Cancel") {
        view.boxAnswers = {box::IdCancel};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dbm");
        checkBox(0, text, "Error", RetryCancelStop);
        CHECK_FALSE(fs.exists(TargetPath));
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 330240);
    }
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "the first sector into the next piece is not written") {
    addSource(1000000);
    addEmptyTarget();
    fs.setCapacity("D:", SmallDisk);
    view.diskFullAnswers = {answer::Continue};
    int failures = 1;
    view.onDiskFull = [&] {
        takePiece();
        fs.failSectorWrite(TargetPath, EIO, 1117, failures);
    };
    const std::string text = withError("   Error writing the file\t\t\t\r\n   ", EIO);

    SUBCASE("Cancel: the new piece is closed as it is") {
        view.boxAnswers = {box::IdCancel};
        start();
        CHECK(run() == 11);
        CHECK(view.events == "dbm");
        checkBox(0, text, "Error", RetryCancelStop);
        CHECK(fs.contents(TargetPath).empty());
        CHECK(fs.file(TargetPath).attributes != OldTargetAttributes);
        checkPiece(pieces.at(0), 0, 330240);
    }
    SUBCASE("Retry: the piece is closed, its saved attributes put back, and opened again") {
        failures = 2;
        view.boxAnswers = {box::IdRetry, box::IdRetry};
        view.onBox = [&](const ScriptedView::Box&) {
            CHECK(fs.contents(TargetPath).empty());
            if (view.boxes.size() == 2) CHECK(fs.file(TargetPath).attributes == OldTargetAttributes);
        };
        start();
        CHECK(run() == 31);
        CHECK(view.events == "dbmbm");
        checkBox(1, text, "Error", RetryCancelStop);
        checkPiece(pieces.at(0), 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
    }
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "a target that already holds data") {
    SUBCASE("Append: the old content, then the whole source") {
        Bytes old = bytesOf(5000, 77);
        fs.addFile(TargetPath, old, OldTargetAttributes, DosStamp{});
        addSource(100000);
        view.overwriteAnswers = {answer::Append};
        start();
        CHECK(run() == 4);
        CHECK(fs.contents(TargetPath) == joined(old, source));
        CHECK(sameStamp(fs.file(TargetPath).stamp, SourceStamp));
        CHECK(fs.file(TargetPath).attributes == SourceAttributes);
        checkJobOver();
    }
    SUBCASE("Append onto a disk that fills up: the next piece holds only the rest") {
        Bytes old = bytesOf(5000, 77);
        fs.addFile(TargetPath, old, OldTargetAttributes, DosStamp{});
        addSource(200000);
        fs.setCapacity("D:", 5000 + 3 * 32768 + 7 * 512);
        view.overwriteAnswers = {answer::Append};
        view.diskFullAnswers = {answer::Continue};
        view.onDiskFull = [&] { takePiece(); };
        start();
        CHECK(run() == 7);
        CHECK(listed(view.leftTexts) == "Left : 95Kb");
        REQUIRE(pieces.size() == 1);
        CHECK(pieces[0].bytes == joined(old, slice(source, 0, 101888)));
        checkFile(TargetPath, 101888, 200000);
        checkJobOver();
    }
    SUBCASE("Overwrite of a longer file: cut to the source's length") {
        fs.addFile(TargetPath, bytesOf(200000, 77), OldTargetAttributes, DosStamp{});
        addSource(100000);
        view.overwriteAnswers = {answer::Overwrite};
        start();
        CHECK(run() == 4);
        checkFile(TargetPath, 0, 100000);
        checkJobOver();
    }
    SUBCASE("Overwrite onto a full disk: the filled piece keeps none of the old bytes behind the copy") {
        // Rewriting the old file's 1000 bytes takes no room; the second
        // sector would, so the piece is full after one sector.
        fs.addFile(TargetPath, bytesOf(1000, 77), OldTargetAttributes, DosStamp{});
        addSource(100000);
        fs.setCapacity("D:", 1000);
        view.overwriteAnswers = {answer::Overwrite};
        view.diskFullAnswers = {answer::Continue};
        view.onDiskFull = [&] { takePiece(); };
        start();
        CHECK(run() == 4);
        REQUIRE(pieces.size() == 1);
        checkPiece(pieces[0], 0, 512);
        checkFile(TargetPath, 512, 100000);
        checkJobOver();
    }
    CHECK(view.overwriteQuestions == 1);
}

TEST_CASE_FIXTURE(CopyJobTest, "a source that cannot be read ends the job") {
    addSource(100000);
    addEmptyTarget();
    const std::string prefix = "   Error reading source file\t\t\t\r\n   ";
    view.boxAnswers = {box::IdOk};
    std::size_t kept = 0;
    SUBCASE("a failed read before the last block") {
        fs.failRead(SourcePath, 1, -1, EIO);
        kept = 32768;
        start();
        CHECK(run() == 2);
        checkBox(0, withError(prefix.c_str(), EIO), "Error", OkStop);
    }
    // The last: the source cut short under the job, whose copy must not
    // pass as whole with the previous block's bytes behind the last ones read.
    for (int shortBlock : {2, 3}) {
        CAPTURE(shortBlock);
        SUBCASE(shortBlock == 2 ? "a short read before the last block"
                                : "a read of the last block that gives less than the rest of the source") {
            fs.failRead(SourcePath, shortBlock, 1000);
            kept = static_cast<std::size_t>(shortBlock) * 32768;
            start();
            CHECK(run() == shortBlock + 1);
            REQUIRE(view.boxes.size() == 1);
            CHECK(view.boxes[0].text.compare(0, prefix.size(), prefix) == 0);
            CHECK(view.boxes[0].caption == "Error");
            CHECK(view.boxes[0].flags == OkStop);
        }
    }
    SUBCASE("a failed read of the last block") {
        fs.failRead(SourcePath, 3, -1, EIO);
        kept = 3 * 32768;
        start();
        CHECK(run() == 4);
        checkBox(0, withError(prefix.c_str(), EIO), "Error", OkStop);
    }
    CHECK(view.events == "bm");
    // What was written stays, with the target's own attributes back on it.
    CHECK(fs.contents(TargetPath) == slice(source, 0, kept));
    CHECK(fs.file(TargetPath).attributes == OldTargetAttributes);
    CHECK_FALSE(sameStamp(fs.file(TargetPath).stamp, SourceStamp));
    CHECK(fs.contents(SourcePath) == source);
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "a block that cannot be written") {
    addSource(100000);
    addEmptyTarget();
    start();
    copyStep(view, fs);  // block 0 goes through
    std::size_t kept = 32768;
    view.boxAnswers = {box::IdOk};

    SUBCASE("a failed write ends the job") {
        fs.failWrite(TargetPath, -1, 0, EIO, 1117);
        CHECK(run() == 1);
        CHECK(view.events == "bm");
        checkBox(0, withError("Write error : ", EIO) + "\r\n( 5 / 1117 )", "Error", OkStop);
    }
    SUBCASE("a part of the block written ends the job") {
        fs.failWrite(TargetPath, 1000, 1000, EIO, 1117);
        kept += 1000;
        CHECK(run() == 1);
        CHECK(view.events == "bm");
        checkBox(0, withError("Write error : ", EIO) + "\r\n( 5 / 1117 )", "Error", OkStop);
    }
    SUBCASE("ENOSPC without the system's disk-full code is a write error, not a full disk") {
        fs.failWrite(TargetPath, -1, 0, ENOSPC, 0);
        CHECK(run() == 1);
        CHECK(view.events == "bm");
        CHECK(view.leftTexts.empty());
        checkBox(0, withError("Write error : ", ENOSPC) + "\r\n( " + std::to_string(ENOSPC) + " / 0 )", "Error",
                 OkStop);
    }
    SUBCASE("nothing written: Cancel ends the job") {
        fs.failWrite(TargetPath, 0, 0, EIO, 1117);
        view.boxAnswers = {box::IdCancel};
        CHECK(run() == 1);
        CHECK(view.events == "bm");
        checkBox(0, withError("Write error : ", EIO) + "\r\n( 5 / 1117 )", "Error", RetryCancelStop);
    }
    SUBCASE("a sector of the full-disk recovery that fails for another reason ends the job") {
        // A skipped sector would leave a hole in the copy.
        fs.failWrite(TargetPath, -1, 0, ENOSPC, ErrorDiskFull);
        fs.failSectorWrite(TargetPath, EIO, 1117);
        CHECK(run() == 1);
        CHECK(view.events == "bm");
        CHECK(view.leftTexts.empty());
        checkBox(0, withError("Write error : ", EIO) + "\r\n( 5 / 1117 )", "Error", OkStop);
    }
    CHECK(fs.contents(TargetPath) == slice(source, 0, kept));
    CHECK(fs.file(TargetPath).attributes == OldTargetAttributes);
    CHECK_FALSE(sameStamp(fs.file(TargetPath).stamp, SourceStamp));
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "nothing written: Retry writes the block again until it goes through") {
    addSource(100000);
    start();
    copyStep(view, fs);
    fs.failWrite(TargetPath, 0, 0, EIO, 1117, 3);  // the block's write and two retries
    view.boxAnswers = {box::IdRetry, box::IdRetry, box::IdRetry};
    copyStep(view, fs);
    CHECK(copyJob.state == Ready);
    // One beep, then the same box each time.
    CHECK(view.events == "bmmm");
    const std::string text = withError("Write error : ", EIO) + "\r\n( 5 / 1117 )";
    for (std::size_t i = 0; i < 3; ++i) checkBox(i, text, "Error", RetryCancelStop);
    CHECK(run() == 2);
    CHECK(listed(view.progress) == "0,33,66,100,100,0");
    checkFile(TargetPath, 0, 100000);
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "nothing written, then a Retry that writes a part: the job ends, no bytes twice") {
    addSource(100000);
    start();
    copyStep(view, fs);
    fs.failWrite(TargetPath, 0, 0, EIO, 1117);
    fs.failWrite(TargetPath, 8192, 8192, EIO, 1117);
    view.boxAnswers = {box::IdRetry, box::IdOk};
    CHECK(run() == 1);
    CHECK(view.events == "bmbm");
    const std::string text = withError("Write error : ", EIO) + "\r\n( 5 / 1117 )";
    checkBox(0, text, "Error", RetryCancelStop);
    checkBox(1, text, "Error", OkStop);
    // What was written stays as written: a piece of the source from its start.
    CHECK(fs.contents(TargetPath) == slice(source, 0, 32768 + 8192));
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "stopping a job") {
    addSource(100000);
    addEmptyTarget();
    start();
    copyStep(view, fs);
    copyStep(view, fs);

    SUBCASE("answered No: the job goes on") {
        view.boxAnswers = {box::IdNo};
        stopJob(view, fs);
        CHECK(copyJob.state == Ready);
        CHECK(fs.openHandles() == 2);
        CHECK(run() == 2);
        checkFile(TargetPath, 0, 100000);
    }
    SUBCASE("answered Yes: the partial target stays as it is, with its own attributes back") {
        view.boxAnswers = {box::IdYes};
        stopJob(view, fs);
        CHECK(fs.contents(TargetPath) == slice(source, 0, 2 * 32768));
        CHECK(fs.file(TargetPath).attributes == OldTargetAttributes);
        CHECK_FALSE(sameStamp(fs.file(TargetPath).stamp, SourceStamp));
        CHECK(fs.contents(SourcePath) == source);
    }
    CHECK(view.events == "bm");
    checkBox(0, "   Do you want to terminate copying?  \t\t\t ", "Warning", StopQuestion);
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "a move deletes the source once the copy is complete") {
    SUBCASE("a plain source") {
        addSource(100000);
        start("D:\\out\\", 1);
        CHECK(run() == 4);
        CHECK(view.events == "");
        CHECK_FALSE(fs.exists(SourcePath));
        checkFile(TargetPath, 0, 100000);
    }
    SUBCASE("a read-only source") {
        addSource(100000, AttrReadOnly | AttrArchive);
        start("D:\\out\\", 1);
        CHECK(run() == 4);
        CHECK(view.events == "");
        CHECK_FALSE(fs.exists(SourcePath));
        CHECK(fs.contents(TargetPath) == source);
        CHECK(fs.file(TargetPath).attributes == (AttrReadOnly | AttrArchive));
    }
    SUBCASE("a source that cannot be deleted: the copy stays complete") {
        addSource(100000);
        fs.failDelete(SourcePath, EACCES);
        view.boxAnswers = {box::IdOk};
        start("D:\\out\\", 1);
        CHECK(run() == 4);
        CHECK(view.events == "bm");
        checkBox(0, withError("   Couldn't delete source file\t\t\t\r\n   ", EACCES), "Error", OkStop);
        CHECK(fs.contents(SourcePath) == source);
        checkFile(TargetPath, 0, 100000);
    }
    SUBCASE("a source spread over two pieces") {
        addSource(1000000);
        fs.setCapacity("D:", SmallDisk);
        view.diskFullAnswers = {answer::Continue};
        view.onDiskFull = [&] {
            CHECK(fs.exists(SourcePath));
            takePiece();
        };
        start("D:\\out\\", 1);
        CHECK(run() == 31);
        CHECK_FALSE(fs.exists(SourcePath));
        checkPiece(pieces.at(0), 0, 330240);
        checkFile(TargetPath, 330240, 1000000);
    }
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "a source whose time stamp cannot be read: every piece keeps its own") {
    addSource(1000000);
    fs.unreadableStamp(SourcePath);
    fs.addFile(TargetPath, {}, OldTargetAttributes, DosStamp{0x1111, 0x2222});
    copyJob.sourceStamp = SourceStamp;  // as a previous job left it
    fs.setCapacity("D:", SmallDisk);
    view.diskFullAnswers = {answer::Continue};
    view.onDiskFull = [&] { takePiece(); };
    start();
    CHECK(run() == 31);
    REQUIRE(pieces.size() == 1);
    CHECK(pieces[0].bytes == slice(source, 0, 330240));
    CHECK(sameStamp(pieces[0].stamp, DosStamp{0x1111, 0x2222}));
    CHECK(pieces[0].attributes == SourceAttributes);
    CHECK(fs.contents(TargetPath) == slice(source, 330240, 1000000));
    CHECK(sameStamp(fs.file(TargetPath).stamp, DosStamp{}));
    CHECK(fs.file(TargetPath).attributes == SourceAttributes);
    checkJobOver();
}

TEST_CASE_FIXTURE(CopyJobTest, "no step runs without a job") {
    copyStep(view, fs);
    CHECK(copyJob.state == Idle);
    CHECK(view.events == "");
    CHECK(view.progress.empty());
    CHECK(view.line2.empty());
}

namespace {

// A source of more than 4 GiB on top of the in-memory file system: its bytes
// are made from their offsets, so nothing of it is stored.
class LargeSource final : public FileServices {
public:
    static constexpr int Handle = 500;

    LargeSource(MemFileSystem& disk, std::uint64_t length) : disk_(disk), length_(length) {}

    static std::uint8_t byteAt(std::uint64_t offset) {
        return static_cast<std::uint8_t>((offset * 0x9E3779B97F4A7C15ull) >> 56);
    }
    static Bytes bytesAt(std::uint64_t from, std::uint64_t to) {
        Bytes bytes;
        for (std::uint64_t offset = from; offset < to; ++offset) bytes.push_back(byteAt(offset));
        return bytes;
    }
    // Takes the read position forward, as if the blocks before had been copied.
    void skipTo(std::uint64_t offset) { position_ = offset; }

    int open(const char* path, OpenMode mode) override {
        if (!isSource(path)) return disk_.open(path, mode);
        if (mode != OpenMode::Source) {
            errno = EACCES;
            return -1;
        }
        position_ = 0;
        return Handle;
    }
    int read(int file, void* buffer, unsigned count) override {
        if (file != Handle) return disk_.read(file, buffer, count);
        std::uint64_t left = length_ > position_ ? length_ - position_ : 0;
        unsigned n = left < count ? static_cast<unsigned>(left) : count;
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        for (unsigned i = 0; i < n; ++i) bytes[i] = byteAt(position_ + i);
        position_ += n;
        return static_cast<int>(n);
    }
    int write(int file, const void* buffer, unsigned count) override { return disk_.write(file, buffer, count); }
    void close(int file) override {
        if (file != Handle) disk_.close(file);
    }
    int commit(int file) override { return disk_.commit(file); }
    std::uint64_t fileLength(int file) override { return file == Handle ? length_ : disk_.fileLength(file); }
    int changeSize(int file, std::uint64_t length) override { return disk_.changeSize(file, length); }
    int getFileTime(int file, DosStamp& stamp) override {
        if (file != Handle) return disk_.getFileTime(file, stamp);
        stamp = SourceStamp;
        return 0;
    }
    int setFileTime(int file, DosStamp stamp) override { return disk_.setFileTime(file, stamp); }
    int deleteFile(const char* path) override { return disk_.deleteFile(path); }
    std::uint32_t systemError() override { return disk_.systemError(); }
    const char* errorText(int errorNumber) override { return disk_.errorText(errorNumber); }
    std::uint32_t getAttributes(const char* path) override {
        return isSource(path) ? SourceAttributes : disk_.getAttributes(path);
    }
    void setAttributes(const char* path, std::uint32_t attributes) override {
        if (!isSource(path)) disk_.setAttributes(path, attributes);
    }
    unsigned driveType(const char* root) override { return disk_.driveType(root); }
    unsigned currentDirectory(char* buffer, unsigned size) override { return disk_.currentDirectory(buffer, size); }
    unsigned systemDirectory(char* buffer, unsigned size) override { return disk_.systemDirectory(buffer, size); }
    bool sameFile(const char* first, const char* second) override {
        return !isSource(first) && !isSource(second) && disk_.sameFile(first, second);
    }

private:
    static bool isSource(const char* path) { return std::strcmp(path, SourcePath) == 0; }

    MemFileSystem& disk_;
    std::uint64_t length_;
    std::uint64_t position_ = 0;
};

}  // namespace

TEST_CASE_FIXTURE(CopyJobTest, "a source of more than 4 GiB") {
    constexpr std::uint64_t length = (std::uint64_t{5} << 30) + 100000;  // 5368809120
    LargeSource files(fs, length);
    fs.setCapacity("D:", 32768 + 5 * 512);
    view.diskFullAnswers = {answer::Continue};
    view.onDiskFull = [&] { takePiece(); };
    std::snprintf(view.controls.sourceText, sizeof view.controls.sourceText, "%s", SourcePath);
    std::snprintf(view.controls.targetText, sizeof view.controls.targetText, "%s", "D:\\out\\");
    startJob(view, files);
    REQUIRE(copyJob.state == Ready);
    CHECK(copyJob.lastBlock == 163843);
    CHECK(listed(view.line1) == "Total size :    5242977Kb");

    // The job is taken up six blocks before its end; the disk fills at sector
    // 5 of block 163839.
    copyJob.blockIndex = 163838;
    files.skipTo(std::uint64_t{163838} * 32768);
    int steps = 0;
    while (copyJob.state != Idle && steps < 10) {
        copyStep(view, files);
        ++steps;
    }
    CHECK(steps == 6);
    CHECK(listed(view.leftTexts) == "Left : 127Kb");
    REQUIRE(view.line2.size() == 7);
    CHECK(view.line2[0] == "Current     :    5242816Kb  (99%)");
    CHECK(view.line2[2] == "Current     :    5242880Kb  (99%)");
    CHECK(view.line2[5] == "Current     :    5242976Kb  (100%)");

    constexpr std::uint64_t writtenBefore = std::uint64_t{163839} * 32768 + 5 * 512;  // 5368678912
    REQUIRE(pieces.size() == 1);
    CHECK(pieces[0].bytes == LargeSource::bytesAt(std::uint64_t{163838} * 32768, writtenBefore));
    CHECK(fs.contents(TargetPath).size() == length - writtenBefore);
    CHECK(fs.contents(TargetPath) == LargeSource::bytesAt(writtenBefore, length));
    CHECK(sameStamp(fs.file(TargetPath).stamp, SourceStamp));
    CHECK(fs.file(TargetPath).attributes == SourceAttributes);
    CHECK(copyJob.state == Idle);
    CHECK(fs.openHandles() == 0);
}
