// The overwrite question's texts: a file's date and time, and the details
// line of size, date, time and attribute letters.
#include <doctest/doctest.h>

#include <cstring>
#include <string>

#include "dialogs/stamp_text.h"
#include "platform/file_services.h"
#include "tests/support/mem_file_system.h"

namespace {

DosStamp dosStamp(unsigned year, unsigned month, unsigned day, unsigned hours, unsigned minutes, unsigned seconds) {
    DosStamp stamp;
    stamp.date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    stamp.time = static_cast<std::uint16_t>((hours << 11) | (minutes << 5) | (seconds / 2));
    return stamp;
}

// The texts of a file with that stamp, read through an open handle.
StampText stampOf(MemFileSystem& files, const char* path) {
    StampText stamp;
    std::memset(&stamp, 'x', sizeof stamp);
    int file = files.open(path, OpenMode::Source);
    REQUIRE(file != -1);
    formatStampText(files, file, stamp);
    files.close(file);
    return stamp;
}

std::string detailsLine(std::uint64_t length, const StampText& stamp, std::uint32_t attributes) {
    char line[DetailsLineSize];
    formatDetailsLine(line, length, stamp, attributes);
    return line;
}

}  // namespace

TEST_CASE("a file's date and time come out zero-padded, with even seconds") {
    MemFileSystem files;
    struct Case {
        DosStamp stamp;
        const char* date;
        const char* time;
    };
    // The stamp keeps seconds / 2: 59 seconds are stored, and shown, as 58.
    DosStamp oddSeconds = dosStamp(2001, 12, 31, 23, 59, 59);
    const Case cases[] = {
        {dosStamp(1998, 6, 5, 14, 22, 8), "05.06.1998", "14:22:08"},
        {dosStamp(1980, 1, 1, 0, 0, 0), "01.01.1980", "00:00:00"},
        {dosStamp(2009, 9, 9, 9, 5, 4), "09.09.2009", "09:05:04"},
        {oddSeconds, "31.12.2001", "23:59:58"},
        // The largest values the fields can hold still fit their widths.
        {DosStamp{0xFFFF, 0xFFFF}, "31.15.2107", "31:63:62"},
    };
    for (const Case& c : cases) {
        files.addFile("C:\\f.bin", {1, 2, 3}, AttrArchive, c.stamp);
        StampText stamp = stampOf(files, "C:\\f.bin");
        CHECK(std::string(stamp.dateText) == c.date);
        CHECK(std::string(stamp.timeText) == c.time);
    }
}

TEST_CASE("a stamp that cannot be read leaves both texts empty") {
    MemFileSystem files;
    files.addFile("C:\\f.bin", {1}, AttrArchive, dosStamp(1998, 6, 5, 14, 22, 8));
    files.unreadableStamp("C:\\f.bin");
    StampText stamp = stampOf(files, "C:\\f.bin");
    CHECK(std::string(stamp.dateText).empty());
    CHECK(std::string(stamp.timeText).empty());
    CHECK(detailsLine(3 * 1024 + 5, stamp, AttrArchive) == "3Kb , , , A");
}

TEST_CASE("the details line: kilobytes rounded down, then date, time and the letters R, H, S, A, C") {
    StampText stamp = {"05.06.1998", "14:22:08"};
    CHECK(detailsLine(12345, stamp, AttrReadOnly | AttrArchive) == "12Kb , 05.06.1998, 14:22:08, RA");
    CHECK(detailsLine(1023, stamp, AttrArchive) == "0Kb , 05.06.1998, 14:22:08, A");
    CHECK(detailsLine(2048, stamp, 0) == "2Kb , 05.06.1998, 14:22:08, ");
    // The order is fixed whatever is set, and other bits show nothing.
    CHECK(detailsLine(0, stamp, 0xFFFFFFFFu) == "0Kb , 05.06.1998, 14:22:08, RHSAC");
    CHECK(detailsLine(0, stamp, AttrCompressed | AttrSystem | AttrHidden | AttrDirectory) ==
          "0Kb , 05.06.1998, 14:22:08, HSC");
    // Sizes of 4 GiB and more show whole; the longest line still fits.
    CHECK(detailsLine(5ull * 1024 * 1024 * 1024 + 12345, stamp, AttrArchive) ==
          "5242892Kb , 05.06.1998, 14:22:08, A");
    std::string longest = detailsLine(~0ull, stamp, 0xFFFFFFFFu);
    CHECK(longest == "18014398509481983Kb , 05.06.1998, 14:22:08, RHSAC");
    CHECK(longest.size() < DetailsLineSize);
}
