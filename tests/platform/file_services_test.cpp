// The file services on real files under Wine: open modes, errors, attributes,
// time stamps, sizes, drives and folders, and the test for one file.
#include <doctest/doctest.h>
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>

#include "tests/platform/file_handle.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"
#include "tests/support/handle.h"
#include "tests/support/test_main.h"

using testkit::readFile;
using testkit::Scratch;
using testkit::writeFile;

namespace {

std::string readAll(WinFileServices& files, int handle) {
    std::string contents;
    char buffer[4096];
    int got;
    while ((got = files.read(handle, buffer, sizeof buffer)) > 0) contents.append(buffer, got);
    REQUIRE(got == 0);
    return contents;
}

int writeText(WinFileServices& files, int handle, const char* text) {
    return files.write(handle, text, static_cast<unsigned>(std::strlen(text)));
}

// A DOS date and time word from their parts.
DosStamp dosStamp(int year, int month, int day, int hour, int minute, int second) {
    DosStamp stamp;
    stamp.date = static_cast<std::uint16_t>((year - 1980) << 9 | month << 5 | day);
    stamp.time = static_cast<std::uint16_t>(hour << 11 | minute << 5 | second / 2);
    return stamp;
}

}  // namespace

TEST_CASE("open refuses folders and missing files with the run-time's error numbers") {
    Scratch scratch("open-errors");
    WinFileServices files;
    const char* modes[] = {"source", "first target", "overwrite", "append"};
    const OpenMode all[] = {OpenMode::Source, OpenMode::FirstTarget, OpenMode::Overwrite, OpenMode::Append};

    for (int m = 0; m < 4; ++m) {
        CAPTURE(modes[m]);
        errno = 0;
        CHECK(files.open(scratch.path().c_str(), all[m]) == -1);
        CHECK(errno == EACCES);
        CHECK(files.systemError() == ERROR_ACCESS_DENIED);
        // The folder is still a folder, nothing was created in its place.
        CHECK(files.getAttributes(scratch.path().c_str()) == AttrDirectory);
    }

    SUBCASE("a missing file to read") {
        errno = 0;
        CHECK(files.open(scratch.file("missing.txt").c_str(), OpenMode::Source) == -1);
        CHECK(errno == ENOENT);
        CHECK(files.systemError() == ERROR_FILE_NOT_FOUND);
    }
    SUBCASE("a missing file to append to is not created") {
        errno = 0;
        CHECK(files.open(scratch.file("missing.txt").c_str(), OpenMode::Append) == -1);
        CHECK(errno == ENOENT);
        CHECK(files.systemError() == ERROR_FILE_NOT_FOUND);
        CHECK(files.getAttributes(scratch.file("missing.txt").c_str()) == InvalidAttributes);
    }
    SUBCASE("a missing folder in the path") {
        errno = 0;
        CHECK(files.open(scratch.file("no-folder\\new.txt").c_str(), OpenMode::FirstTarget) == -1);
        CHECK(errno == ENOENT);
        CHECK(files.systemError() == ERROR_PATH_NOT_FOUND);
    }
    SUBCASE("the run-time's texts for the error numbers") {
        CHECK(std::string(files.errorText(EACCES)) == "Permission denied");
        CHECK(std::string(files.errorText(ENOENT)) == "No such file or directory");
        CHECK(std::string(files.errorText(ENOSPC)) == "No space left on device");
    }
}

TEST_CASE("a read-only disk is read but refuses every writing open, even to root" * doctest::test_suite("disks")) {
    std::string disk = testkit::disk("readonly");
    if (disk.empty()) return;
    WinFileServices files;
    std::string locked = disk + "\\locked.txt";

    {
        TestFile source(files, locked.c_str(), OpenMode::Source);
        CHECK(readAll(files, source.handle()) == "kept as it is\r\n");
    }
    const OpenMode writing[] = {OpenMode::FirstTarget, OpenMode::Overwrite, OpenMode::Append};
    for (OpenMode mode : writing) {
        CAPTURE(static_cast<int>(mode));
        errno = 0;
        CHECK(files.open(locked.c_str(), mode) == -1);
        CHECK(errno == EACCES);
        CHECK(files.systemError() == ERROR_ACCESS_DENIED);
    }
    errno = 0;
    CHECK(files.open((disk + "\\new.txt").c_str(), OpenMode::FirstTarget) == -1);
    CHECK(errno == EACCES);
    CHECK(files.getAttributes((disk + "\\new.txt").c_str()) == InvalidAttributes);

    // Wine's own delete reports success here and leaves the file.
    errno = 0;
    CHECK(files.deleteFile(locked.c_str()) == -1);
    CHECK(errno == EACCES);
    CHECK(readFile(locked) == "kept as it is\r\n");
}

TEST_CASE("the four open modes") {
    Scratch scratch("open-modes");
    WinFileServices files;
    std::string path = scratch.file("target.txt");

    SUBCASE("first target: created empty with normal attributes") {
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        CHECK(files.fileLength(target.handle()) == 0);
        // Files always read as archived under Wine and on Windows.
        CHECK(files.getAttributes(path.c_str()) == AttrArchive);
        CHECK(writeText(files, target.handle(), "new") == 3);
        target.close();
        CHECK(readFile(path) == "new");
    }
    SUBCASE("first target: an existing file is kept and written at its end") {
        writeFile(path, "0123456789");
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        CHECK(files.fileLength(target.handle()) == 10);
        CHECK(target.position() == 10);
        CHECK(writeText(files, target.handle(), "ab") == 2);
        CHECK(writeText(files, target.handle(), "cd") == 2);
        CHECK(target.position() == 14);
        target.close();
        CHECK(readFile(path) == "0123456789abcd");
    }
    SUBCASE("every target mode: others may read the file while it is open, but not write to it") {
        for (OpenMode mode : {OpenMode::FirstTarget, OpenMode::Overwrite, OpenMode::Append}) {
            CAPTURE(static_cast<int>(mode));
            writeFile(path, "old|");
            auto openOther = [&](DWORD access) {
                return testkit::Handle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
            };
            {
                TestFile target(files, path.c_str(), mode);
                CHECK(writeText(files, target.handle(), "new|") == 4);
                testkit::Handle writer = openOther(GENERIC_WRITE);
                const DWORD refused = writer.valid() ? 0 : GetLastError();
                CHECK(refused == ERROR_SHARING_VIOLATION);
                // The program's own second open is refused as the run-time refuses it.
                errno = 0;
                CHECK(files.open(path.c_str(), OpenMode::Overwrite) == -1);
                CHECK(errno == EACCES);
                CHECK(readFile(path) == (mode == OpenMode::Overwrite ? "new|" : "old|new|"));
                CHECK(writeText(files, target.handle(), "end") == 3);
            }
            CHECK(openOther(GENERIC_WRITE).valid());
            CHECK(readFile(path) == (mode == OpenMode::Overwrite ? "new|end" : "old|new|end"));
        }
    }
    SUBCASE("overwrite: written from offset 0 on, not truncated") {
        writeFile(path, "0123456789");
        TestFile target(files, path.c_str(), OpenMode::Overwrite);
        CHECK(files.fileLength(target.handle()) == 10);
        CHECK(target.position() == 0);
        CHECK(writeText(files, target.handle(), "ab") == 2);
        CHECK(writeText(files, target.handle(), "c") == 1);
        CHECK(target.position() == 3);
        CHECK(files.fileLength(target.handle()) == 10);
        target.close();
        CHECK(readFile(path) == "abc3456789");
    }
    SUBCASE("overwrite: created when missing") {
        TestFile target(files, path.c_str(), OpenMode::Overwrite);
        CHECK(files.getAttributes(path.c_str()) == AttrArchive);
        CHECK(writeText(files, target.handle(), "xyz") == 3);
        target.close();
        CHECK(readFile(path) == "xyz");
    }
    SUBCASE("append: an existing file is written at its end") {
        writeFile(path, "old");
        TestFile target(files, path.c_str(), OpenMode::Append);
        CHECK(files.fileLength(target.handle()) == 3);
        CHECK(target.position() == 3);
        CHECK(writeText(files, target.handle(), "+new") == 4);
        CHECK(writeText(files, target.handle(), "+more") == 5);
        target.close();
        CHECK(readFile(path) == "old+new+more");
    }
    SUBCASE("source: read only") {
        writeFile(path, "read me");
        TestFile source(files, path.c_str(), OpenMode::Source);
        CHECK(readAll(files, source.handle()) == "read me");
        char rest[4];
        CHECK(files.read(source.handle(), rest, sizeof rest) == 0);
        // Writing is refused as the run-time refuses it: a handle not opened for it.
        errno = 0;
        CHECK(writeText(files, source.handle(), "x") == -1);
        CHECK(errno == EBADF);
        CHECK(files.systemError() == ERROR_ACCESS_DENIED);
        source.close();
        CHECK(readFile(path) == "read me");
    }
    SUBCASE("binary: no translation of line ends or end-of-file characters") {
        static const char bytes[] = "a\r\nb\nc\x1a" "d";
        {
            TestFile target(files, path.c_str(), OpenMode::FirstTarget);
            CHECK(files.write(target.handle(), bytes, 8) == 8);
        }
        CHECK(readFile(path) == std::string(bytes, 8));
        TestFile source(files, path.c_str(), OpenMode::Source);
        CHECK(readAll(files, source.handle()) == std::string(bytes, 8));
    }
}

TEST_CASE("calls on bad handles and failing writes report their own codes") {
    Scratch scratch("bad-handles");
    WinFileServices files;
    std::string path = scratch.file("closed.txt");
    int closed;
    {
        TestFile file(files, path.c_str(), OpenMode::FirstTarget);
        closed = file.handle();
    }
    char buffer[8] = {};
    DosStamp stamp;

    errno = 0;
    CHECK(files.write(closed, "x", 1) == -1);
    CHECK(errno == EBADF);
    CHECK(files.systemError() == ERROR_INVALID_HANDLE);
    errno = 0;
    CHECK(files.read(closed, buffer, sizeof buffer) == -1);
    CHECK(errno == EBADF);
    errno = 0;
    CHECK(files.fileLength(closed) == ~std::uint64_t{0});
    CHECK(errno == EBADF);
    errno = 0;
    CHECK(files.changeSize(closed, 10) == -1);
    CHECK(errno == EBADF);
    CHECK(files.systemError() == ERROR_INVALID_HANDLE);
    errno = 0;
    CHECK(files.getFileTime(closed, stamp) == -1);
    CHECK(errno == EBADF);
    CHECK(files.systemError() == ERROR_INVALID_HANDLE);
    errno = 0;
    CHECK(files.setFileTime(closed, dosStamp(2001, 2, 3, 4, 5, 6)) == -1);
    CHECK(errno == EBADF);
    errno = 0;
    CHECK(files.commit(closed) == -1);
    CHECK(errno == EBADF);

    SUBCASE("a pipe nobody reads keeps the system's code") {
        int ends[2];
        REQUIRE(_pipe(ends, 512, _O_BINARY) == 0);
        _close(ends[0]);
        errno = 0;
        CHECK(files.write(ends[1], "x", 1) == -1);
        CHECK(files.systemError() == ERROR_NO_DATA);
        CHECK(errno == EINVAL);  // as the run-time maps that code
        _close(ends[1]);
    }
}

TEST_CASE("the run-time's error numbers for system codes") {
    CHECK(WinFileServices::errnoFor(ERROR_FILE_NOT_FOUND) == ENOENT);
    CHECK(WinFileServices::errnoFor(ERROR_PATH_NOT_FOUND) == ENOENT);
    CHECK(WinFileServices::errnoFor(ERROR_ACCESS_DENIED) == EACCES);
    CHECK(WinFileServices::errnoFor(ERROR_SHARING_VIOLATION) == EACCES);
    CHECK(WinFileServices::errnoFor(ERROR_LOCK_VIOLATION) == EACCES);
    CHECK(WinFileServices::errnoFor(ERROR_WRITE_PROTECT) == EACCES);
    CHECK(WinFileServices::errnoFor(ERROR_INVALID_HANDLE) == EBADF);
    CHECK(WinFileServices::errnoFor(ERROR_DISK_FULL) == ENOSPC);
    CHECK(WinFileServices::errnoFor(ERROR_HANDLE_DISK_FULL) == ENOSPC);
    CHECK(WinFileServices::errnoFor(ERROR_TOO_MANY_OPEN_FILES) == EMFILE);
    CHECK(WinFileServices::errnoFor(ERROR_BROKEN_PIPE) == EPIPE);
    CHECK(WinFileServices::errnoFor(ERROR_FILE_EXISTS) == EEXIST);
    CHECK(WinFileServices::errnoFor(ERROR_NO_DATA) == EINVAL);
    CHECK(WinFileServices::errnoFor(ERROR_INVALID_PARAMETER) == EINVAL);
}

TEST_CASE("attributes and deleting") {
    Scratch scratch("attributes");
    WinFileServices files;
    std::string path = scratch.file("marked.txt");
    writeFile(path, "data");
    // Set and read while the file is open, as the job does.
    TestFile open(files, path.c_str(), OpenMode::FirstTarget);

    struct Case {
        std::uint32_t set;
        std::uint32_t read;
    };
    // Files always carry the archive bit under Wine.
    const Case cases[] = {
        {AttrReadOnly, AttrReadOnly | AttrArchive},
        {AttrHidden, AttrHidden | AttrArchive},
        {AttrSystem, AttrSystem | AttrArchive},
        {AttrArchive, AttrArchive},
        {AttrReadOnly | AttrHidden | AttrSystem | AttrArchive, AttrReadOnly | AttrHidden | AttrSystem | AttrArchive},
        {AttrNormal, AttrArchive},
    };
    for (const Case& c : cases) {
        CAPTURE(c.set);
        files.setAttributes(path.c_str(), c.set);
        CHECK(files.getAttributes(path.c_str()) == c.read);
    }
    open.close();

    CHECK(files.getAttributes(scratch.path().c_str()) == AttrDirectory);
    CHECK(files.getAttributes(scratch.file("missing.txt").c_str()) == InvalidAttributes);
    CHECK(files.systemError() == ERROR_FILE_NOT_FOUND);
    files.setAttributes(scratch.file("missing\\x.txt").c_str(), AttrNormal);
    CHECK(files.systemError() == ERROR_PATH_NOT_FOUND);

    SUBCASE("a read-only file is deleted only once it is normal") {
        files.setAttributes(path.c_str(), AttrReadOnly);
        errno = 0;
        CHECK(files.deleteFile(path.c_str()) == -1);
        CHECK(errno == EACCES);
        CHECK(files.getAttributes(path.c_str()) == (AttrReadOnly | AttrArchive));
        files.setAttributes(path.c_str(), AttrNormal);
        CHECK(files.deleteFile(path.c_str()) == 0);
        CHECK(files.getAttributes(path.c_str()) == InvalidAttributes);
    }
    SUBCASE("deleting a missing file or a folder") {
        errno = 0;
        CHECK(files.deleteFile(scratch.file("missing.txt").c_str()) == -1);
        CHECK(errno == ENOENT);
        CHECK(files.systemError() == ERROR_FILE_NOT_FOUND);
        errno = 0;
        CHECK(files.deleteFile(scratch.path().c_str()) == -1);
        CHECK(errno == EACCES);
        CHECK(files.getAttributes(scratch.path().c_str()) == AttrDirectory);
    }
}

TEST_CASE("DOS time stamps on open files") {
    Scratch scratch("stamps");
    WinFileServices files;
    std::string path = scratch.file("stamped.txt");

    const DosStamp stamps[] = {
        dosStamp(1980, 1, 1, 0, 0, 0),
        dosStamp(1999, 12, 31, 23, 59, 58),
        dosStamp(2004, 2, 29, 13, 37, 58),
        dosStamp(2024, 7, 15, 12, 0, 2),
        dosStamp(2107, 12, 31, 23, 59, 58),
    };
    for (const DosStamp& stamp : stamps) {
        CAPTURE(stamp.date);
        CAPTURE(stamp.time);
        {
            TestFile target(files, path.c_str(), OpenMode::FirstTarget);
            CHECK(writeText(files, target.handle(), "x") == 1);
            CHECK(files.setFileTime(target.handle(), stamp) == 0);
            DosStamp read;
            CHECK(files.getFileTime(target.handle(), read) == 0);
            CHECK(read.date == stamp.date);
            CHECK(read.time == stamp.time);
        }
        // Kept after closing.
        TestFile source(files, path.c_str(), OpenMode::Source);
        DosStamp read;
        CHECK(files.getFileTime(source.handle(), read) == 0);
        CHECK(read.date == stamp.date);
        CHECK(read.time == stamp.time);
    }

    SUBCASE("odd seconds read back in two-second steps") {
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        SYSTEMTIME local = {2011, 3, 0, 14, 13, 37, 59, 123};
        FILETIME localTime;
        FILETIME written;
        REQUIRE(SystemTimeToFileTime(&local, &localTime));
        REQUIRE(LocalFileTimeToFileTime(&localTime, &written));
        REQUIRE(SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(target.handle())), nullptr, nullptr, &written));
        DosStamp read;
        CHECK(files.getFileTime(target.handle(), read) == 0);
        CHECK(read.date == dosStamp(2011, 3, 14, 0, 0, 0).date);
        CHECK(read.time == dosStamp(2000, 1, 1, 13, 37, 58).time);
    }
    SUBCASE("a time before 1980 has no DOS form") {
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        SYSTEMTIME utc = {1975, 6, 0, 15, 12, 0, 0, 0};
        FILETIME written;
        REQUIRE(SystemTimeToFileTime(&utc, &written));
        REQUIRE(SetFileTime(reinterpret_cast<HANDLE>(_get_osfhandle(target.handle())), nullptr, nullptr, &written));
        DosStamp read;
        errno = 0;
        CHECK(files.getFileTime(target.handle(), read) == -1);
        CHECK(errno == EINVAL);
        CHECK(files.systemError() == ERROR_INVALID_PARAMETER);
    }
}

TEST_CASE("changing the size, and lengths past 4 GiB") {
    Scratch scratch("sizes");
    WinFileServices files;
    std::string path = scratch.file("sized.bin");
    writeFile(path, std::string(1000, 'x'));

    SUBCASE("cut and extended with zero bytes; the position stays") {
        TestFile target(files, path.c_str(), OpenMode::Overwrite);
        CHECK(writeText(files, target.handle(), "ab") == 2);
        CHECK(files.changeSize(target.handle(), 600) == 0);
        CHECK(files.fileLength(target.handle()) == 600);
        CHECK(target.position() == 2);
        CHECK(files.changeSize(target.handle(), 5000) == 0);
        CHECK(files.fileLength(target.handle()) == 5000);
        CHECK(target.position() == 2);
        target.close();
        CHECK(readFile(path) == "ab" + std::string(598, 'x') + std::string(4400, '\0'));
    }
    SUBCASE("a write after a cut goes to the new end in the first target mode") {
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        CHECK(files.changeSize(target.handle(), 3) == 0);
        CHECK(writeText(files, target.handle(), "END") == 3);
        target.close();
        CHECK(readFile(path) == "xxxEND");
    }
    SUBCASE("cut to nothing") {
        TestFile target(files, path.c_str(), OpenMode::Append);
        CHECK(files.changeSize(target.handle(), 0) == 0);
        CHECK(files.fileLength(target.handle()) == 0);
    }
    SUBCASE("a sparse file of 5 GiB and 123 bytes") {
        const std::uint64_t length = 5ull * 1024 * 1024 * 1024 + 123;
        {
            TestFile target(files, path.c_str(), OpenMode::Overwrite);
            CHECK(files.changeSize(target.handle(), length) == 0);
            CHECK(files.fileLength(target.handle()) == length);
            CHECK(target.position() == 0);
        }
        TestFile source(files, path.c_str(), OpenMode::Source);
        CHECK(files.fileLength(source.handle()) == length);
        // The last bytes are the zeros of the extension.
        REQUIRE(_lseeki64(source.handle(), -3, SEEK_END) == static_cast<std::int64_t>(length - 3));
        char tail[8] = {1, 1, 1, 1, 1, 1, 1, 1};
        CHECK(files.read(source.handle(), tail, sizeof tail) == 3);
        CHECK(std::string(tail, 3) == std::string(3, '\0'));
        source.close();
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        CHECK(writeText(files, target.handle(), "tail") == 4);
        CHECK(files.fileLength(target.handle()) == length + 4);
        CHECK(files.changeSize(target.handle(), 10) == 0);
        CHECK(files.fileLength(target.handle()) == 10);
    }
    SUBCASE("commit") {
        TestFile target(files, path.c_str(), OpenMode::FirstTarget);
        CHECK(writeText(files, target.handle(), "y") == 1);
        CHECK(files.commit(target.handle()) == 0);
        CHECK(readFile(path) == std::string(1000, 'x') + "y");
    }
}

TEST_CASE("drive types, the current folder and the system folder") {
    WinFileServices files;

    CHECK(files.driveType("C:\\") == DRIVE_FIXED);
    CHECK(files.driveType("Z:\\") == DRIVE_FIXED);
    // Drive R: is set up by the disks' fixture, root or not.
    if (testkit::disksFolder().empty()) {
        MESSAGE("skipped: no --disks folder given, so drive R: was not set up");
    } else {
        CHECK(files.driveType("R:\\") == DriveCdrom);
        CHECK(files.driveType("r:\\") == DriveCdrom);
        // Files on it are not read-only by themselves.
        CHECK(files.getAttributes("R:\\disc.txt") == AttrArchive);
    }

    Scratch scratch("folders");
    char saved[MAX_PATH];
    REQUIRE(GetCurrentDirectoryA(sizeof saved, saved) != 0);
    REQUIRE(SetCurrentDirectoryA(scratch.path().c_str()));
    char buffer[256];
    unsigned length = files.currentDirectory(buffer, sizeof buffer);
    CHECK(length == scratch.path().size());
    CHECK(std::string(buffer) == scratch.path());
    // Too small: the length it needs, with the terminator, and nothing written.
    char small[8];
    std::memset(small, '#', sizeof small);
    CHECK(files.currentDirectory(small, sizeof small) == scratch.path().size() + 1);
    CHECK(std::string(small, sizeof small) == "########");
    REQUIRE(SetCurrentDirectoryA(saved));

    char system[260];
    CHECK(files.systemDirectory(system, sizeof system) == 19);
    CHECK(std::string(system) == "C:\\windows\\system32");
    std::memset(small, '#', sizeof small);
    CHECK(files.systemDirectory(small, sizeof small) == 20);
    CHECK(std::string(small, sizeof small) == "########");
}

TEST_CASE("one file however its path is spelled") {
    Scratch scratch("same-file");
    WinFileServices files;
    REQUIRE(CreateDirectoryA(scratch.file("Sub").c_str(), nullptr));
    std::string path = scratch.file("Sub\\Data.txt");
    writeFile(path, "one");
    writeFile(scratch.file("Sub\\Other.txt"), "one");

    CHECK(files.sameFile(path.c_str(), path.c_str()));

    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    CHECK(files.sameFile(path.c_str(), lower.c_str()));

    std::string forward = path;
    for (char& c : forward) c = c == '\\' ? '/' : c;
    CHECK(files.sameFile(forward.c_str(), path.c_str()));

    CHECK(files.sameFile(path.c_str(), scratch.file("Sub\\..\\Sub\\.\\DATA.TXT").c_str()));

    char saved[MAX_PATH];
    REQUIRE(GetCurrentDirectoryA(sizeof saved, saved) != 0);
    REQUIRE(SetCurrentDirectoryA(scratch.file("Sub").c_str()));
    CHECK(files.sameFile("Data.txt", path.c_str()));
    CHECK(files.sameFile("..\\Sub\\data.txt", path.c_str()));
    CHECK_FALSE(files.sameFile("Other.txt", path.c_str()));
    REQUIRE(SetCurrentDirectoryA(saved));

    // Another file with the same contents, a missing one, the folder.
    CHECK_FALSE(files.sameFile(path.c_str(), scratch.file("Sub\\Other.txt").c_str()));
    CHECK_FALSE(files.sameFile(path.c_str(), scratch.file("Sub\\Missing.txt").c_str()));
    CHECK_FALSE(files.sameFile(scratch.file("Sub\\Missing.txt").c_str(), path.c_str()));
    CHECK_FALSE(files.sameFile(scratch.file("Sub\\Missing.txt").c_str(), scratch.file("Sub\\Missing.txt").c_str()));
    CHECK_FALSE(files.sameFile(scratch.file("Sub").c_str(), path.c_str()));

    SUBCASE("a second name of the file (hard link)") {
        REQUIRE(CreateHardLinkA(scratch.file("Link.txt").c_str(), path.c_str(), nullptr));
        CHECK(files.sameFile(scratch.file("Link.txt").c_str(), path.c_str()));
        CHECK_FALSE(files.sameFile(scratch.file("Link.txt").c_str(), scratch.file("Sub\\Other.txt").c_str()));
    }
    SUBCASE("one file through two drive letters") {
        // Wine's C: is a folder of its prefix, which Z: reaches too.
        using UnixName = char*(CDECL*)(LPCWSTR);
        auto unixName = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        bool underWine = unixName != nullptr;
        REQUIRE_MESSAGE(underWine, "not running under Wine");
        char* name = unixName(L"C:\\windows\\win.ini");
        REQUIRE(name != nullptr);
        const std::string throughZ = testkit::windowsPath(name);
        HeapFree(GetProcessHeap(), 0, name);
        CAPTURE(throughZ);
        CHECK(files.sameFile("C:\\windows\\win.ini", throughZ.c_str()));
        CHECK_FALSE(files.sameFile("C:\\windows\\system.ini", throughZ.c_str()));
    }
}

TEST_CASE("one file however its path is spelled: two disks whose files share an index number" *
          doctest::test_suite("disks")) {
    WinFileServices files;
    std::string disks = testkit::disk("twin-a");
    if (disks.empty()) return;
    std::string a = disks + "\\first.txt";
    std::string b = testkit::disk("twin-b") + "\\first.txt";
    BY_HANDLE_FILE_INFORMATION infoA;
    BY_HANDLE_FILE_INFORMATION infoB;
    const std::string* paths[] = {&a, &b};
    BY_HANDLE_FILE_INFORMATION* infos[] = {&infoA, &infoB};
    for (int i = 0; i < 2; ++i) {
        testkit::Handle h(CreateFileA(paths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr));
        REQUIRE(h.valid());
        REQUIRE(GetFileInformationByHandle(h.get(), infos[i]));
    }
    // The system gives both the same numbers, yet they are two files.
    CHECK(infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber);
    CHECK(infoA.nFileIndexLow == infoB.nFileIndexLow);
    CHECK_FALSE(files.sameFile(a.c_str(), b.c_str()));
    CHECK(files.sameFile(a.c_str(), a.c_str()));
}
