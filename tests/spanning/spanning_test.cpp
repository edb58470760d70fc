// The copy engine on real files under Wine: one source spread over several
// real full disks, and a source of more than 4 GiB copied whole.
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/copy_job.h"
#include "platform/win_file_services.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"
#include "tests/support/scripted_view.h"
#include "tests/support/test_main.h"

using testkit::fileBytes;

namespace {

std::string pattern(std::size_t size) {
    std::string data(size, '\0');
    std::uint32_t x = 12345;
    for (auto& byte : data) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<char>(static_cast<std::uint8_t>(x >> 16));
    }
    return data;
}

DosStamp stampOf(WinFileServices& files, const std::string& path) {
    DosStamp stamp{};
    int file = files.open(path.c_str(), OpenMode::Source);
    REQUIRE(file != -1);
    CHECK(files.getFileTime(file, stamp) == 0);
    files.close(file);
    return stamp;
}

// 5 June 1998, 14:22:08, local time.
constexpr DosStamp SourceStamp{static_cast<std::uint16_t>((14 << 11) | (22 << 5) | 4),
                               static_cast<std::uint16_t>((18 << 9) | (6 << 5) | 5)};

struct Job {
    WinFileServices files;
    ScriptedView view;

    void start(const std::string& source, const std::string& target) {
        copyJob = CopyJob{};
        std::snprintf(view.controls.sourceText, sizeof view.controls.sourceText, "%s", source.c_str());
        std::snprintf(view.controls.targetText, sizeof view.controls.targetText, "%s", target.c_str());
        view.controls.clearReadOnlyFromCdrom = 1;
        startJob(view, files);
        REQUIRE(copyJob.state == Ready);
    }
    void run() {
        while (copyJob.state != Idle) copyStep(view, files);
    }
};

// A finished piece: its bytes, its time stamp and its attributes, checked
// before it leaves its disk.
struct Piece {
    std::string data;
    DosStamp stamp;
    DWORD attributes;
};

Piece takePiece(WinFileServices& files, const std::string& path) {
    Piece piece{fileBytes(path), stampOf(files, path), GetFileAttributesA(path.c_str())};
    return piece;
}

void makeSource(WinFileServices& files, const std::string& path, const std::string& data, DWORD attributes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    testkit::writeFile(path, data);
    int file = files.open(path.c_str(), OpenMode::Overwrite);
    REQUIRE(file != -1);
    REQUIRE(files.setFileTime(file, SourceStamp) == 0);
    files.close(file);
    SetFileAttributesA(path.c_str(), attributes);
}

void clearDisk(const std::string& folder) { testkit::removeTree(folder, false); }

void checkPieces(const std::vector<Piece>& pieces, const std::string& source, DWORD attributes) {
    std::string joined;
    for (const Piece& piece : pieces) {
        CHECK(piece.stamp.date == SourceStamp.date);
        CHECK(piece.stamp.time == SourceStamp.time);
        CHECK(piece.attributes == attributes);
        joined += piece.data;
    }
    CHECK(joined.size() == source.size());
    CHECK(joined == source);
}

}  // namespace

TEST_CASE("a copy spreads over real full disks and the pieces join to the source") {
    if (!testkit::haveDisks()) return;
    const std::string disks = testkit::disksFolder();
    const std::string work = disks + "\\work";
    const std::string source = work + "\\archive.bin";
    const auto data = pattern(1000000);
    for (const char* disk : {"small1", "small2", "small3"}) clearDisk(disks + "\\" + disk);

    SUBCASE("Continue after the filled piece was taken off the disk") {
        Job job;
        makeSource(job.files, source, data, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        const std::string target = disks + "\\small1\\archive.bin";
        std::vector<Piece> pieces;
        job.view.diskFullAnswers = {answer::Continue, answer::Continue, answer::Continue, answer::Continue};
        job.view.onDiskFull = [&] {
            // As if another disk were put in: the full piece leaves the drive.
            pieces.push_back(takePiece(job.files, target));
            std::string kept = work + "\\piece" + std::to_string(pieces.size());
            SetFileAttributesA(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(kept.c_str());
            // A read-only file does not leave a drive whole (its copy
            // would be made and the original refused); the piece's
            // attributes were taken above.
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            CHECK(MoveFileA(target.c_str(), kept.c_str()));
            CHECK(GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES);
        };
        job.start(source, disks + "\\small1\\");
        job.run();
        pieces.push_back(takePiece(job.files, target));
        CHECK(pieces.size() >= 3);
        CHECK(job.view.boxes.empty());
        checkPieces(pieces, data, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
        CHECK(fileBytes(source) == data);  // a copy leaves the source
        // The first "Left" figure is what the first piece could not hold.
        char expected[64];
        std::snprintf(expected, sizeof expected, "Left : %lluKb",
                      static_cast<unsigned long long>((data.size() - pieces[0].data.size()) / 1024));
        CHECK(job.view.leftTexts.at(0) == expected);
    }

    SUBCASE("Change Target to other disks, named with and without a trailing backslash") {
        Job job;
        makeSource(job.files, source, data, FILE_ATTRIBUTE_ARCHIVE);
        job.view.diskFullAnswers = {answer::ChangeTarget, answer::ChangeTarget};
        job.view.changeTargetAnswers = {{answer::NewTarget, disks + "\\small2"}, {answer::NewTarget, disks + "/small3/"}};
        std::vector<std::string> pieceNames;
        job.view.onDiskFull = [&] { pieceNames.push_back(copyJob.targetPath); };
        job.start(source, disks + "\\small1");  // a folder typed without its backslash
        job.run();
        pieceNames.push_back(copyJob.targetPath);
        REQUIRE(pieceNames.size() == 3);
        CHECK(pieceNames[0] == disks + "\\small1\\archive.bin");
        CHECK(pieceNames[1] == disks + "\\small2\\archive.bin");
        CHECK(pieceNames[2] == disks + "\\small3\\archive.bin");
        CHECK(job.view.changeTargetTexts.at(0) == pieceNames[0]);
        std::vector<Piece> pieces;
        for (const auto& name : pieceNames) pieces.push_back(takePiece(job.files, name));
        checkPieces(pieces, data, FILE_ATTRIBUTE_ARCHIVE);
    }
}

TEST_CASE("a source of more than 4 GiB is copied whole" * doctest::skip(std::getenv("QUILLET_LARGE") == nullptr)) {
    if (!testkit::haveDisks()) return;
    const std::string disks = testkit::disksFolder();
    const std::string source = disks + "\\work\\large.bin";
    const std::string target = disks + "\\large\\large.bin";
    const std::uint64_t size = (std::uint64_t{5} << 30) + 12345;  // 5 GiB and a bit: past 32 bits
    // A sparse source with its last bytes set, made through the same services.
    Job job;
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(target.c_str());
    DeleteFileA(source.c_str());
    const char tail[] = "the last bytes of a large file";
    {
        int file = job.files.open(source.c_str(), OpenMode::Overwrite);
        REQUIRE(file != -1);
        REQUIRE(job.files.changeSize(file, size - (sizeof tail - 1)) == 0);
        job.files.close(file);
        file = job.files.open(source.c_str(), OpenMode::Append);
        REQUIRE(job.files.write(file, tail, sizeof tail - 1) == static_cast<int>(sizeof tail - 1));
        job.files.close(file);
    }
    job.start(source, disks + "\\large\\");
    CHECK(job.view.line1.back() == "Total size :    5242892Kb");
    CHECK(copyJob.lastBlock == size >> 15);
    job.run();
    CHECK(job.view.boxes.empty());
    CHECK(job.view.line2.at(job.view.line2.size() - 2) ==
          "Current     :    " + std::to_string((size >> 15) * 32) + "Kb  (100%)");

    int copy = job.files.open(target.c_str(), OpenMode::Source);
    REQUIRE(copy != -1);
    CHECK(job.files.fileLength(copy) == size);
    job.files.close(copy);
    FILE* f = std::fopen(target.c_str(), "rb");
    REQUIRE(f != nullptr);
    REQUIRE(_fseeki64(f, -static_cast<long long>(sizeof tail - 1) - 4, SEEK_END) == 0);
    char last[sizeof tail + 4] = {};
    CHECK(std::fread(last, 1, sizeof tail - 1 + 4, f) == sizeof tail - 1 + 4);
    std::fclose(f);
    CHECK(std::memcmp(last, "\0\0\0\0", 4) == 0);
    CHECK(std::string(last + 4) == tail);
    DeleteFileA(target.c_str());
    DeleteFileA(source.c_str());
}
