// Writes onto a real disk that fills up: 1000 KiB tmpfs disks, mounted by
// tests/support/disks.sh. A write that does not fit leaves nothing of itself behind and
// says ENOSPC with the system's disk-full code; the 512-byte writes that follow
// fill exactly the room that is left.
#include <doctest/doctest.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "tests/platform/file_handle.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"
#include "tests/support/test_main.h"

using testkit::readFile;

namespace {

constexpr unsigned BlockSize = 32768;
constexpr unsigned SectorSize = 512;
// The disks' size: 1000 KiB.
constexpr std::uint64_t DiskRoom = 1024000;

std::uint64_t freeBytes(const std::string& disk) {
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    REQUIRE(GetDiskFreeSpaceExA((disk + "\\").c_str(), &available, &total, &free));
    return available.QuadPart;
}

char blockByte(int block) { return static_cast<char>('A' + block % 26); }
char sectorByte(int sector) { return static_cast<char>('a' + sector % 26); }

// Writes pieces of one size, numbered from `first` on and each filled with the
// byte of its number, until one fails; that one must fail as a full disk and
// change neither the length nor the position. Gives the number of pieces that
// went through.
int writeUntilFull(WinFileServices& files, TestFile& target, unsigned size, char (*fill)(int), int first = 0) {
    static char buffer[BlockSize];
    for (int count = 0;; ++count) {
        REQUIRE(count < 1000);
        std::memset(buffer, fill(first + count), size);
        std::uint64_t length = files.fileLength(target.handle());
        std::int64_t position = target.position();
        errno = 0;
        int result = files.write(target.handle(), buffer, size);
        if (result == static_cast<int>(size)) continue;
        CAPTURE(count);
        CHECK(result == -1);
        CHECK(errno == ENOSPC);
        CHECK(files.systemError() == ErrorDiskFull);
        CHECK(files.fileLength(target.handle()) == length);
        CHECK(target.position() == position);
        return count;
    }
}

// One of the disks, empty while the test case has it; its path is "" when the
// disks are missing (the case then returns, noted as skipped).
struct EmptyDisk {
    std::string path;
    explicit EmptyDisk(const char* name) : path(testkit::disk(name)) { empty(); }
    ~EmptyDisk() { empty(); }
    EmptyDisk(const EmptyDisk&) = delete;
    EmptyDisk& operator=(const EmptyDisk&) = delete;
    void empty() const {
        if (!path.empty()) testkit::removeTree(path, false);
    }
};

// What the file holds after `blocks` blocks and `sectors` sectors from offset 0.
std::string expected(int blocks, int sectors) {
    std::string contents;
    for (int b = 0; b < blocks; ++b) contents.append(BlockSize, blockByte(b));
    for (int s = 0; s < sectors; ++s) contents.append(SectorSize, sectorByte(s));
    return contents;
}

}  // namespace

TEST_SUITE("disks") {

TEST_CASE("a full disk in the first target mode") {
    const EmptyDisk emptyDisk("full-first");
    const std::string& disk = emptyDisk.path;
    if (disk.empty()) return;
    WinFileServices files;
    std::string path = disk + "\\filled.bin";

    REQUIRE(freeBytes(disk) == DiskRoom);
    TestFile target(files, path.c_str(), OpenMode::FirstTarget);

    int blocks = writeUntilFull(files, target, BlockSize, blockByte);
    CHECK(blocks == 31);
    CHECK(files.fileLength(target.handle()) == 31 * BlockSize);
    // The part of the failed block that went to disk was taken back.
    CHECK(freeBytes(disk) == DiskRoom - 31 * BlockSize);

    int sectors = writeUntilFull(files, target, SectorSize, sectorByte);
    CHECK(sectors == 16);
    CHECK(files.fileLength(target.handle()) == DiskRoom);
    CHECK(target.position() == static_cast<std::int64_t>(DiskRoom));
    CHECK(freeBytes(disk) == 0);

    target.close();
    CHECK(readFile(path) == expected(31, 16));
}

TEST_CASE("a full disk in the overwrite mode, over an older file") {
    const EmptyDisk emptyDisk("full-overwrite");
    const std::string& disk = emptyDisk.path;
    if (disk.empty()) return;
    WinFileServices files;
    std::string path = disk + "\\older.bin";
    std::string neighbour = disk + "\\neighbour.txt";

    REQUIRE(freeBytes(disk) == DiskRoom);
    testkit::writeFile(neighbour, "next door\r\n");
    // The room the target can take: its own pages count as room.
    std::uint64_t room = freeBytes(disk);
    CHECK(room == DiskRoom - 4096);  // one 4 KiB page for the neighbour
    testkit::writeFile(path, std::string(200000, 'o'));

    TestFile target(files, path.c_str(), OpenMode::Overwrite);

    // Three blocks go over the older data, which is not truncated.
    static char block[BlockSize];
    for (int b = 0; b < 3; ++b) {
        std::memset(block, blockByte(b), BlockSize);
        REQUIRE(files.write(target.handle(), block, BlockSize) == static_cast<int>(BlockSize));
    }
    CHECK(files.fileLength(target.handle()) == 200000);
    CHECK(target.position() == 3 * BlockSize);
    CHECK(readFile(path) == expected(3, 0) + std::string(200000 - 3 * BlockSize, 'o'));

    // Blocks 3 to 30 follow; block 31 does not fit.
    int blocks = 3 + writeUntilFull(files, target, BlockSize, blockByte, 3);
    CHECK(blocks == static_cast<int>(room / BlockSize));
    CHECK(blocks == 31);
    CHECK(files.fileLength(target.handle()) == 31 * BlockSize);

    int sectors = writeUntilFull(files, target, SectorSize, sectorByte);
    CHECK(sectors == static_cast<int>((room - 31 * BlockSize) / SectorSize));
    CHECK(sectors == 8);
    CHECK(files.fileLength(target.handle()) == room);
    CHECK(freeBytes(disk) == 0);

    target.close();
    CHECK(readFile(path) == expected(31, 8));
    CHECK(readFile(neighbour) == "next door\r\n");
}

TEST_CASE("a full disk in the append mode keeps the older content") {
    const EmptyDisk emptyDisk("full-first");
    const std::string& disk = emptyDisk.path;
    if (disk.empty()) return;
    WinFileServices files;
    std::string path = disk + "\\appended.bin";

    // 100,000 bytes take 25 pages: 102,400 bytes of the room.
    testkit::writeFile(path, std::string(100000, 'o'));
    TestFile target(files, path.c_str(), OpenMode::Append);
    CHECK(target.position() == 100000);

    int blocks = writeUntilFull(files, target, BlockSize, blockByte);
    // 100,000 + 28 blocks = 1,017,504; one more block would need 1,050,272.
    CHECK(blocks == 28);
    CHECK(files.fileLength(target.handle()) == 100000 + 28 * BlockSize);
    int sectors = writeUntilFull(files, target, SectorSize, sectorByte);
    // 1,023,648 bytes fill 250 pages; a 13th sector would need a 251st.
    CHECK(sectors == 12);
    CHECK(files.fileLength(target.handle()) == 100000 + 28 * BlockSize + 12 * SectorSize);
    CHECK(freeBytes(disk) == 0);
    // A failed write adds nothing, and the position stays at the end.
    static const char sector[SectorSize] = {};
    errno = 0;
    CHECK(files.write(target.handle(), sector, SectorSize) == -1);
    CHECK(errno == ENOSPC);
    CHECK(files.systemError() == ErrorDiskFull);
    CHECK(files.fileLength(target.handle()) == 100000 + 28 * BlockSize + 12 * SectorSize);
    CHECK(target.position() == 100000 + 28 * BlockSize + 12 * SectorSize);

    target.close();
    CHECK(readFile(path) == std::string(100000, 'o') + expected(28, 12));
}

}  // TEST_SUITE("disks")
