// The text rules that turn the two typed paths into a job's source and
// target: trimming, cleaning, the composed target name, the refusal of
// reserved device names, and the CD-ROM rule for the source's attributes.
#include <doctest/doctest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/engine/job_fixture.h"

namespace {

std::string trimmed(const std::string& text) {
    char buffer[PathSize];
    REQUIRE(text.size() < sizeof buffer);
    std::memset(buffer, 'X', sizeof buffer);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    trimBlanks(buffer);
    return buffer;
}

class PathRulesTest : public JobFixture {
protected:
    // The record as the main dialog fills it, then cleanPaths.
    bool clean(const char* source, const char* target) {
        type(source, target);
        mainTransfer = view.controls;
        return cleanPaths();
    }

    // cleanPaths and composeTarget, as a job's start runs them.
    void compose(const char* source, const char* target) {
        REQUIRE(clean(source, target));
        REQUIRE(composeTarget());
    }

    // Also the device test; the refusal text, or "" when accepted.
    std::string refusal(const char* source, const char* target) {
        compose(source, target);
        std::memset(copyJob.messageText, 0, sizeof copyJob.messageText);
        if (checkReservedNames() == 0) return "";
        return copyJob.messageText;
    }
};

const char* const tableNames[] = {"COM1", "COM2", "COM3", "COM4", "COM5", "LPT1",
                                  "LPT2", "LPT3", "LPT4", "LPT5", "PRN",  "NUL"};

std::string from(const std::string& name) { return "   Unable to copy from\t\t\t \r\n   " + name; }
std::string to(const std::string& name) { return "   Unable to copy to\t\t\t \r\n   " + name; }

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

TEST_CASE("trimBlanks takes blanks off both ends and nothing else") {
    CHECK(trimmed("   C:\\my files\\a b.txt  ") == "C:\\my files\\a b.txt");
    CHECK(trimmed("a") == "a");
    CHECK(trimmed("") == "");
    CHECK(trimmed(" ") == "");
    CHECK(trimmed("      ") == "");
    CHECK(trimmed("\tC:\\a.txt ") == "\tC:\\a.txt");
    CHECK(trimmed(" \t x \t ") == "\t x \t");

    SUBCASE("texts of 255 characters") {
        CHECK(trimmed(std::string(255, ' ')) == "");
        const std::string full = std::string("a").append(253, ' ').append("b");
        CHECK(trimmed(full) == full);
        CHECK(trimmed(std::string(100, ' ') + std::string(55, 'q') + std::string(100, ' ')) == std::string(55, 'q'));
        CHECK(trimmed(std::string(254, ' ') + "z") == "z");
        CHECK(trimmed(std::string("z").append(254, ' ')) == "z");
    }
}

TEST_CASE_FIXTURE(PathRulesTest, "cleanPaths") {
    SUBCASE("blanks go, slashes turn into backslashes, a bare drive gets its root") {
        CHECK(clean("   c:/temp/my file.txt  ", " d: "));
        CHECK(std::string(copyJob.sourcePath) == "c:\\temp\\my file.txt");
        CHECK(std::string(copyJob.targetPath) == "d:\\");
        REQUIRE(composeTarget());
        CHECK(std::string(copyJob.targetPath) == "d:\\my file.txt");
    }
    SUBCASE("mixed separators") {
        CHECK(clean("C:/a\\b/c.txt", "E:/x/y/"));
        CHECK(std::string(copyJob.sourcePath) == "C:\\a\\b\\c.txt");
        CHECK(std::string(copyJob.targetPath) == "E:\\x\\y\\");
    }
    SUBCASE("only a two-character target ending in a colon gets the backslash") {
        CHECK(clean("d:", "1:"));
        CHECK(std::string(copyJob.sourcePath) == "d:");
        CHECK(std::string(copyJob.targetPath) == "1:\\");
        CHECK(clean("a.txt", "d:x"));
        CHECK(std::string(copyJob.targetPath) == "d:x");
        CHECK(clean("a.txt", ":d"));
        CHECK(std::string(copyJob.targetPath) == ":d");
        CHECK(clean("a.txt", "D:\\"));
        CHECK(std::string(copyJob.targetPath) == "D:\\");
    }
    SUBCASE("a path left empty by the trimming") {
        CHECK_FALSE(clean("", "D:\\"));
        CHECK_FALSE(clean("C:\\a.txt", ""));
        CHECK_FALSE(clean("    ", "D:\\"));
        CHECK_FALSE(clean("C:\\a.txt", "   "));
        CHECK_FALSE(clean(" ", " "));
        CHECK(clean("\t", "D:\\"));  // a tab is no blank
    }
    SUBCASE("the old paths leave nothing behind the new ones") {
        CHECK(clean("C:\\a\\very\\long\\source\\name.txt", "D:\\a\\very\\long\\target\\name.txt"));
        CHECK(clean("b/c", "d:"));
        CHECK(std::string(copyJob.sourcePath) == "b\\c");
        CHECK(std::string(copyJob.targetPath) == "d:\\");
        for (std::size_t i = 4; i < PathSize; ++i) {
            CHECK(copyJob.sourcePath[i] == '\0');
            CHECK(copyJob.targetPath[i] == '\0');
        }
    }
    SUBCASE("a record text without its terminator is taken up to 255 characters") {
        std::memset(mainTransfer.sourceText, 'a', sizeof mainTransfer.sourceText);
        std::snprintf(mainTransfer.targetText, sizeof mainTransfer.targetText, "D:\\out\\");
        CHECK(cleanPaths());
        CHECK(std::string(copyJob.sourcePath) == std::string(255, 'a'));
        CHECK(std::string(copyJob.targetPath) == "D:\\out\\");

        std::snprintf(mainTransfer.sourceText, sizeof mainTransfer.sourceText, "C:\\a.txt");
        std::memset(mainTransfer.targetText, '/', sizeof mainTransfer.targetText);
        mainTransfer.clearReadOnlyFromCdrom = 0x41414141;  // 'AAAA' right behind the target text
        CHECK(cleanPaths());
        CHECK(std::string(copyJob.sourcePath) == "C:\\a.txt");
        CHECK(std::string(copyJob.targetPath) == std::string(255, '\\'));
    }
}

TEST_CASE_FIXTURE(PathRulesTest, "composeTarget puts the source's name behind a folder") {
    const char* source = "C:\\work\\Report.txt";

    SUBCASE("a folder with its backslash becomes the target file") {
        compose(source, "D:\\");
        CHECK(std::string(copyJob.targetPath) == "D:\\Report.txt");
        CHECK(std::string(copyJob.composedTarget) == "D:\\Report.txt");
        CHECK(std::string(copyJob.sourceName) == "Report.txt");
        compose(source, "D:\\save\\");
        CHECK(std::string(copyJob.targetPath) == "D:\\save\\Report.txt");
        compose(source, "D:");
        CHECK(std::string(copyJob.targetPath) == "D:\\Report.txt");
        compose(source, "D:/save/");
        CHECK(std::string(copyJob.targetPath) == "D:\\save\\Report.txt");
    }
    SUBCASE("a target without the backslash stays as typed") {
        compose(source, "D:\\save");
        CHECK(std::string(copyJob.targetPath) == "D:\\save");
        CHECK(std::string(copyJob.composedTarget) == "D:\\save\\Report.txt");
        compose(source, "D:\\save\\copy.txt");
        CHECK(std::string(copyJob.targetPath) == "D:\\save\\copy.txt");
        CHECK(std::string(copyJob.composedTarget) == "D:\\save\\copy.txt\\Report.txt");
    }
    SUBCASE("where the source's name starts") {
        compose("\\data.txt", "D:\\");
        CHECK(std::string(copyJob.sourceName) == "\\data.txt");
        CHECK(std::string(copyJob.targetPath) == "D:\\\\data.txt");
        compose("C:name.txt", "D:\\");
        CHECK(std::string(copyJob.sourceName) == "name.txt");
        CHECK(std::string(copyJob.targetPath) == "D:\\name.txt");
        compose("name.txt", "D:\\out");
        CHECK(std::string(copyJob.sourceName) == "name.txt");
        CHECK(std::string(copyJob.composedTarget) == "D:\\out\\name.txt");
        compose("C:\\a\\b\\c.d.e", "D:\\");
        CHECK(std::string(copyJob.sourceName) == "c.d.e");
    }
    SUBCASE("a composed name of 255 characters fits; one more is refused and changes no path") {
        const std::string name = "Report.txt";
        // Folders whose composition with the backslash and the name is 255 long.
        const std::string folder = "D:\\" + std::string(255 - 3 - 1 - name.size(), 'f');
        const std::string fits = folder + "\\" + name;
        REQUIRE(fits.size() == 255);

        SUBCASE("with the backslash typed") {
            compose(source, (folder + "\\").c_str());
            CHECK(std::string(copyJob.targetPath) == fits);
            CHECK(std::string(copyJob.composedTarget) == fits);

            const std::string longer = folder + "g\\";
            REQUIRE(clean(source, longer.c_str()));
            CHECK_FALSE(composeTarget());
            CHECK(std::string(copyJob.targetPath) == longer);
        }
        SUBCASE("without it") {
            compose(source, folder.c_str());
            CHECK(std::string(copyJob.targetPath) == folder);
            CHECK(std::string(copyJob.composedTarget) == fits);

            const std::string longer = folder + "g";
            REQUIRE(clean(source, longer.c_str()));
            CHECK_FALSE(composeTarget());
            CHECK(std::string(copyJob.targetPath) == longer);
        }
        SUBCASE("a source name of 252 characters behind a root") {
            const std::string longName = "C:\\" + std::string(252, 'n');
            compose(longName.c_str(), "D:\\");
            CHECK(std::string(copyJob.targetPath) == "D:\\" + std::string(252, 'n'));
            REQUIRE(clean(longName.c_str(), "D:\\x\\"));
            CHECK_FALSE(composeTarget());
            CHECK(std::string(copyJob.targetPath) == "D:\\x\\");
        }
    }
}

TEST_CASE_FIXTURE(PathRulesTest, "checkReservedNames refuses the devices of its table") {
    SUBCASE("every device of the table, as the source and as the target, in any case") {
        for (const char* name : tableNames) {
            CAPTURE(name);
            CHECK(refusal(("C:\\x\\" + lower(name) + ".txt").c_str(), "D:\\out\\") == from(name));
            CHECK(refusal(("C:\\x\\" + std::string(name)).c_str(), "D:\\out\\") == from(name));
            CHECK(refusal("C:\\x\\a.txt", ("D:\\out\\" + lower(name) + ".log").c_str()) == to(name));
            CHECK(refusal("C:\\x\\a.txt", ("D:\\out\\" + std::string(name)).c_str()) == to(name));
            // A folder target takes the source's name, and so its refusal.
            CHECK(refusal(("C:\\x\\" + std::string(name) + ".dat").c_str(), "D:\\") == from(name));
        }
    }
    SUBCASE("the name is cut at its first dot") {
        CHECK(refusal("com1.txt.bak", "D:\\out\\") == from("COM1"));
        CHECK(refusal("C:\\x\\Com1", "D:\\out\\") == from("COM1"));
        CHECK(refusal("C:\\x\\nul.", "D:\\out\\") == from("NUL"));
        CHECK(refusal("C:\\x\\a.nul", "D:\\out\\x.prn") == "");
        CHECK(refusal("C:\\x\\a.txt", "D:\\out\\Lpt3.doc.old") == to("LPT3"));
    }
    SUBCASE("where the names start") {
        CHECK(refusal("\\nul", "D:\\out\\") == from("NUL"));
        CHECK(refusal("\\prn.txt", "D:\\out\\") == from("PRN"));
        CHECK(refusal("C:nul.txt", "D:\\out\\") == from("NUL"));
        CHECK(refusal("C:\\x\\a.txt", "lpt2") == to("LPT2"));
        CHECK(refusal("C:\\x\\a.txt", "D:nul") == to("NUL"));
        CHECK(refusal("C:\\x\\a.txt", "D:\\out\\ nul.txt") == to("NUL"));
        CHECK(refusal("C:\\x\\a.txt", "D:\\out/com5.txt") == to("COM5"));
        // A reserved name as a folder on the way is no device.
        CHECK(refusal("C:\\nul\\a.txt", "D:\\com1\\b.txt") == "");
    }
    SUBCASE("other device names pass") {
        CHECK(refusal("C:\\x\\a.txt", "D:\\out\\CON") == "");
        CHECK(refusal("C:\\COM6", "D:\\out\\AUX") == "");
        CHECK(refusal("C:\\LPT6.txt", "D:\\out\\COM10") == "");
        CHECK(refusal("C:\\NU", "D:\\out\\COM") == "");
        CHECK(refusal("C:\\x\\nul1.txt", "D:\\out\\xnul") == "");
    }
    SUBCASE("when both names are reserved only the source is reported") {
        CHECK(refusal("C:\\x\\prn.txt", "D:\\nul") == from("PRN"));
        CHECK(refusal("C:\\x\\nul", "D:\\com1.txt") == from("NUL"));
    }
    SUBCASE("the source's name is left upper-case without extension; the composed target keeps the user's") {
        CHECK(refusal("C:\\work\\Report.v2.txt", "D:\\save") == "");
        CHECK(std::string(copyJob.sourceName) == "REPORT");
        CHECK(std::string(copyJob.composedTarget) == "D:\\save\\Report.v2.txt");
    }
}

TEST_CASE_FIXTURE(PathRulesTest, "applyCdromRule clears the read-only bit of a source on a CD-ROM") {
    fs.setDriveType("E:\\", DriveCdrom);
    auto ruled = [&](const char* source, std::uint32_t attributes) {
        compose(source, "D:\\");
        copyJob.sourceAttributes = attributes;
        applyCdromRule(fs);
        return copyJob.sourceAttributes;
    };

    SUBCASE("an absolute source path") {
        CHECK(ruled("E:\\disk\\a.txt", AttrReadOnly | AttrArchive) == AttrArchive);
        CHECK(ruled("e:/a.txt", AttrReadOnly | AttrHidden | AttrArchive) == (AttrHidden | AttrArchive));
        CHECK(ruled("E:a.txt", AttrReadOnly) == 0);
    }
    SUBCASE("a relative source path takes the drive of the current directory") {
        fs.setCurrentDirectory("E:\\disk");
        CHECK(ruled("a.txt", AttrReadOnly | AttrArchive) == AttrArchive);
        CHECK(ruled("\\b.txt", AttrReadOnly | AttrArchive) == AttrArchive);
        fs.setCurrentDirectory("C:\\work");
        CHECK(ruled("a.txt", AttrReadOnly | AttrArchive) == (AttrReadOnly | AttrArchive));
    }
    SUBCASE("a fixed disk keeps the bit") {
        CHECK(ruled("C:\\work\\a.txt", AttrReadOnly | AttrArchive) == (AttrReadOnly | AttrArchive));
        fs.setDriveType("F:\\", 2);  // removable
        CHECK(ruled("F:\\a.txt", AttrReadOnly) == AttrReadOnly);
    }
    SUBCASE("a source that is not read-only is left alone") {
        CHECK(ruled("E:\\disk\\a.txt", AttrArchive) == AttrArchive);
        CHECK(ruled("E:\\disk\\a.txt", AttrHidden | AttrSystem) == (AttrHidden | AttrSystem));
        fs.setCurrentDirectory("E:\\disk");
        CHECK(ruled("a.txt", 0) == 0);
    }
}
