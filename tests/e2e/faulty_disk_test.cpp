// Copies onto disks that misbehave, as USB sticks do: FUSE file systems over
// a tmpfs that the ctest fixture mounts with disks.sh --faulty (see
// tests/support/faulty_disk.py), driven through the program's windows. A slow
// stick, a sector that cannot be read or written, a stick pulled out in the
// middle of a move, and a largest file size as FAT32's 4 GiB - 1 bytes.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/e2e_env.h"
#include "tests/support/handle.h"
#include "tests/support/test_main.h"
#include "tests/support/utf8.h"

using namespace e2e;

namespace {

constexpr SYSTEMTIME SourceStamp{2003, 4, 2, 9, 10, 11, 12, 0};
constexpr std::uint64_t FourGiB = 4ull << 30;

// `length` bytes of a file from `offset` on (fewer where it ends or cannot
// be read).
std::string bytesAt(const std::string& path, std::uint64_t offset, std::size_t length) {
    testkit::Handle file(CreateFileW(testkit::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(length, '\0');
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    if (!file.valid() || !SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(length), &got, nullptr))
        got = 0;
    bytes.resize(got);
    return bytes;
}

// A copy started from the main window, "&Move file" ticked when asked.
void startCopy(Program& app, const std::string& source, const std::string& target, bool move) {
    app.start({source, target});
    if (move) tickMoveFile(app);
    app.mainDialog().click(IDC_START);
}

// The program copies again after what went wrong: a move of a fresh file
// into `folder` completes, the target is the source, the source is gone.
void copiesAgain(const Program& app, const Scratch& scratch, const std::string& folder) {
    const std::string source = scratch.file("again.bin");
    const std::string bytes = writeRandomFile(source, 100000, 5, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);
    Window main = app.mainDialog();
    main.setText(IDC_SOURCE, source);
    main.setText(IDC_TARGET, folder + "\\copied.bin");
    REQUIRE(main.checkState(IDC_MOVE_FILE) == 1);
    main.click(IDC_START);
    CHECK_FALSE(waitForDiskFullOrEnd(app).exists());
    checkEndedIdle(app);
    CHECK(fileBytes(folder + "\\copied.bin") == bytes);
    CHECK_FALSE(fileExists(source));
}

}  // namespace

TEST_CASE("a disk that fails: the error box, the source kept, the program copying again") {
    if (!testkit::haveDisks()) return;
    constexpr std::size_t SourceSize = 2000000;
    constexpr std::int64_t BeforeBadBlock = 9 * 32768;  // the bad sector lies at 300000
    struct Row {
        const char* disk;
        bool sourceOnDisk;  // else the target is on it
        bool pulledOut;  // the disk goes away once the copy is under way
        const char* text;
    };
    const Row rows[] = {
        {"unreadable", true, false, "   Error reading source file\t\t\t\r\n   Invalid argument"},
        {"unwritable", false, false, "Write error : Permission denied\r\n( 13 / 21 )"},
        {"pulled", false, true, "Write error : Permission denied\r\n( 13 / 31 )"},
    };
    for (const Row& row : rows) {
        INFO("the disk ", std::string(row.disk));
        Scratch scratch(row.disk);
        const std::string disk = testkit::disk(row.disk);
        const std::string source = (row.sourceOnDisk ? disk : scratch.path()) + "\\source.bin";
        const std::string target = (row.sourceOnDisk ? scratch.path() : disk) + "\\target.bin";
        const std::string bytes = writeRandomFile(source, SourceSize, 3, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);

        Program app(programPath());
        startCopy(app, source, target, true);
        if (row.pulledOut) {
            waitForCopying(app);
            CHECK_FALSE(fileExists(disk + "\\pull-out"));
        }
        Window box = waitForBox(app, "Error", row.text);
        checkButtons(box, {IDOK}, {IDRETRY, IDCANCEL});
        answerAndWait(app, box, IDOK);
        checkEndedIdle(app);

        // The source as it was (on the medium, under the sector that fails),
        // the target what was written before the fault.
        const std::string medium = row.sourceOnDisk
                                       ? testkit::disksFolder() + "\\." + row.disk + ".store\\source.bin"
                                       : source;
        CHECK(fileBytes(medium) == bytes);
        if (!row.pulledOut) CHECK(fileBytes(target) == bytes.substr(0, BeforeBadBlock));
        copiesAgain(app, scratch, row.pulledOut ? scratch.path() : disk);
        escapeEnds(app);
    }
}

TEST_CASE("a slow disk: the stop question comes between two writes, No goes on, Yes keeps what was written") {
    if (!testkit::haveDisks()) return;
    Scratch scratch("slow");
    const std::string disk = testkit::disk("slow");
    const std::string source = scratch.file("source.bin");
    const std::string bytes = writeRandomFile(source, 8 << 20, 9, SourceStamp, FILE_ATTRIBUTE_ARCHIVE);
    const std::string target = disk + "\\target.bin";

    Program app(programPath());
    startCopy(app, source, target, true);
    waitForCopying(app);
    for (int answer : {IDNO, IDYES}) {
        app.pressEscape();
        Window box = waitForStopQuestion(app);
        // Nothing is written while the question is open.
        const std::int64_t asked = fileSize(target);
        Sleep(200);
        CHECK(fileSize(target) == asked);
        answerAndWait(app, box, answer);
        if (answer == IDNO)
            app.waitForControl(IDC_PROGRESS_LINE2, "the copy going on", [&](const std::string&) {
                return fileSize(target) > asked;
            });
    }
    checkEndedIdle(app);
    const std::int64_t length = fileSize(target);
    INFO("the partial target holds ", length, " bytes");
    CHECK(length > 0);
    CHECK(length % 32768 == 0);
    CHECK(fileBytes(target) == bytes.substr(0, static_cast<std::size_t>(length)));
    CHECK(fileBytes(source) == bytes);
    copiesAgain(app, scratch, disk);
    escapeEnds(app);
}

TEST_CASE("a largest file size: the first piece is filled to it, Change Target to a second name on the disk finishes") {
    if (!testkit::haveDisks()) return;
    struct Row {
        const char* disk;
        std::uint64_t size;
        std::uint64_t firstPiece;  // the largest size, down to whole sectors
        bool sparse;  // a hole with stretches of data around the 4 GiB marks
    };
    const Row rows[] = {
        {"limited", 500000, 299520, false},
        // FAT32: 4 GiB - 1 bytes, so 4 GiB - 512 in sectors; a 32-bit length
        // would wrap at the 4 GiB mark, 512 bytes into the second piece.
        {"fat32", FourGiB + 65536, FourGiB - 512, true},
    };
    for (const Row& row : rows) {
        INFO("the disk ", std::string(row.disk));
        Scratch scratch(row.disk);
        const std::string disk = testkit::disk(row.disk);
        // The stretches of the source that hold data, each written as random bytes.
        std::vector<std::pair<std::uint64_t, std::size_t>> stretches{{0, static_cast<std::size_t>(row.size)}};
        std::string source = scratch.file("source.bin");
        if (row.sparse) {
            stretches = {{0, 4096}, {row.firstPiece - 4096, 4352}, {FourGiB - 256, 4352}, {row.size - 4096, 4096}};
            // The hole on a tmpfs, which reads it without taking memory.
            source = testkit::disk("sources") + "\\source.bin";
        }
        {
            testkit::Handle file(CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            REQUIRE(file.valid());
            for (auto [offset, length] : stretches) {
                std::string data = randomBytes(length, static_cast<std::uint32_t>(offset >> 9));
                LARGE_INTEGER at;
                at.QuadPart = static_cast<LONGLONG>(offset);
                DWORD written = 0;
                REQUIRE(SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN));
                REQUIRE(WriteFile(file.get(), data.data(), static_cast<DWORD>(length), &written, nullptr));
                REQUIRE(written == length);
            }
        }
        REQUIRE(fileSize(source) == static_cast<std::int64_t>(row.size));
        const std::string first = disk + "\\piece.001", second = disk + "\\piece.002";

        Program app(programPath());
        startCopy(app, source, first, false);
        Window full = waitForDiskFullOrEnd(app, row.sparse ? 480 : 30);
        REQUIRE(full.exists());
        CHECK(app.mainDialog().text(IDC_PROGRESS_LINE1) == totalSizeText(row.size));
        CHECK(full.text(IDC_LEFT) == leftText(row.size - row.firstPiece));
        CHECK(fileSize(first) == static_cast<std::int64_t>(row.firstPiece));
        full.click(IDC_CHANGE_TARGET);
        app.waitWindowGone(full);
        Window change = app.waitForWindow("Change target");
        CHECK(change.text(IDC_NEW_TARGET) == first);
        change.setText(IDC_NEW_TARGET, second);
        change.click(IDC_NEW_TARGET_OK);
        app.waitWindowGone(change);
        CHECK_FALSE(waitForDiskFullOrEnd(app).exists());
        checkEndedIdle(app);

        // Both pieces finished, and each stretch of the source is in them on
        // both sides of the cut.
        CHECK(fileSize(second) == static_cast<std::int64_t>(row.size - row.firstPiece));
        for (const std::string& piece : {first, second})
            CHECK(GetFileAttributesA(piece.c_str()) == GetFileAttributesA(source.c_str()));
        for (auto [offset, length] : stretches) {
            INFO("the stretch of ", length, " bytes at ", offset);
            std::string joined;
            if (offset < row.firstPiece)
                joined = bytesAt(first, offset, static_cast<std::size_t>(std::min<std::uint64_t>(length, row.firstPiece - offset)));
            if (offset + length > row.firstPiece) {
                std::uint64_t from = offset > row.firstPiece ? offset - row.firstPiece : 0;
                joined += bytesAt(second, from, length - joined.size());
            }
            CHECK(joined == bytesAt(source, offset, length));
        }
        CHECK(filesIn(disk) == std::vector<std::string>{"piece.001", "piece.002"});
        escapeEnds(app);
        testkit::removeTree(disk, false);
        if (row.sparse) DeleteFileA(source.c_str());
    }
}
