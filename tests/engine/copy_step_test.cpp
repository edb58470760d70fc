#include <doctest/doctest.h>
#include <cstring>
#include "engine/copy_job.h"
#include "tests/support/mem_file_system.h"
#include "tests/support/scripted_view.h"

static std::vector<std::uint8_t> pattern(std::size_t n) { std::vector<std::uint8_t> v(n); for (std::size_t i=0;i<n;++i) v[i]=static_cast<std::uint8_t>(i*7+i/251); return v; }

TEST_CASE("smoke") {
    copyJob = CopyJob{};
    MemFileSystem fs; ScriptedView view;
    fs.addFile("C:\\work\\a.bin", pattern(1000000), AttrArchive, DosStamp{0x1234, 0x2345});
    fs.addFolder("D:\\out");
    fs.setCapacity("D:", 10*32768 + 5*512);
    std::strcpy(view.controls.sourceText, "C:\\work\\a.bin");
    std::strcpy(view.controls.targetText, "D:\\out\\");
    view.controls.clearReadOnlyFromCdrom = 1;
    view.diskFullAnswers = {1,1,1}; std::vector<std::uint8_t> all; int pieces=0;
    view.onDiskFull = [&]{ auto d = fs.contents("D:\\out\\a.bin"); CHECK(fs.file("D:\\out\\a.bin").commits == 1); CHECK(fs.file("D:\\out\\a.bin").stamp.date == 0x2345); all.insert(all.end(), d.begin(), d.end()); fs.removeFile("D:\\out\\a.bin"); ++pieces; };
    startJob(view, fs);
    CHECK(copyJob.state == Ready);
    int steps = 0;
    while (copyJob.state != Idle && steps < 100) { copyStep(view, fs); ++steps; }
    CHECK(steps == 31); CHECK(view.boxes.empty());
    CHECK(view.leftTexts.at(0) == "Left : 654Kb");
    auto last = fs.contents("D:\\out\\a.bin"); all.insert(all.end(), last.begin(), last.end());
    CHECK(pieces == 3); CHECK(all == pattern(1000000)); CHECK(view.leftTexts.at(1) == "Left : 331Kb");
    CHECK(fs.openHandles() == 0);
    CHECK(view.line2.back() == "");
}
