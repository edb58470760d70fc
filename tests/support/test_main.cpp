#define DOCTEST_CONFIG_IMPLEMENT
#include "tests/support/test_main.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/report.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"

namespace testkit {

namespace {

std::string disks;

// The test cases that ran and those of them that skipped themselves, for the
// exit status: a program whose every case was skipped has not passed.
int casesRun = 0;
int casesSkipped = 0;
bool skippingCase = false;

struct SkipCounter : doctest::IReporter {
    explicit SkipCounter(const doctest::ContextOptions&) {}
    void report_query(const doctest::QueryData&) override {}
    void test_run_start() override {}
    void test_run_end(const doctest::TestRunStats&) override {}
    void test_case_start(const doctest::TestCaseData&) override {
        ++casesRun;
        skippingCase = false;
    }
    void test_case_reenter(const doctest::TestCaseData&) override {}
    void test_case_end(const doctest::CurrentTestCaseStats&) override {
        if (skippingCase) ++casesSkipped;
        skippingCase = false;
    }
    void test_case_exception(const doctest::TestCaseException&) override {}
    void subcase_start(const doctest::SubcaseSignature&) override {}
    void subcase_end() override {}
    void log_assert(const doctest::AssertData&) override {}
    void log_message(const doctest::MessageData&) override {}
    void test_case_skipped(const doctest::TestCaseData&) override {}
};

REGISTER_LISTENER("skipped cases", 1, SkipCounter);

// A broken invariant of the program's code fails the case it fires in, and
// the run, wherever it fires.
int brokenInvariants = 0;
void failOnReport(const char* condition, const char* file, int line) {
    ++brokenInvariants;
    std::fprintf(stderr, "%s:%d: broken invariant: %s\n", file, line, condition);
    if (doctest::is_running_in_test) ADD_FAIL_CHECK_AT(file, line, "broken invariant: " << std::string(condition));
}

bool present(const char* marker) { return fileExists(disks + "\\" + marker); }

}  // namespace

std::string option(int argc, char** argv, const char* name) {
    const std::string prefix = std::string("--") + name + "=";
    std::string value;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) value = windowsPath(argv[i] + prefix.size());
    return value;
}

int runTests(int argc, char** argv, const char* scratchName) {
    disks = option(argc, argv, "disks");
    while (disks.size() > 3 && disks.back() == '\\') disks.pop_back();
    if (scratchName) {
        std::string scratch = option(argc, argv, "scratch");
        if (scratch.empty()) {
            char temp[MAX_PATH + 1];
            DWORD length = GetTempPathA(sizeof temp, temp);
            if (length == 0 || length >= sizeof temp) return 2;
            scratch = std::string(temp) + scratchName;
        }
        if (!makeScratchRoot(scratch)) {
            std::fprintf(stderr, "cannot make the scratch folder %s\n", scratch.c_str());
            return 2;
        }
    }

    report::setHandler(failOnReport);
    doctest::Context context(argc, argv);
    int result = context.run();
    if (result == 0 && brokenInvariants > 0) result = 1;
    if (scratchName) removeScratchRoot();
    if (result == 0 && casesRun > 0 && casesSkipped == casesRun) return 77;
    return result;
}

void skipCase(const std::string& why) {
    skippingCase = true;
    MESSAGE("skipped: ", why);
}

const std::string& disksFolder() { return disks; }

bool haveDisks() {
    if (disks.empty()) {
        skipCase("no --disks= folder given, so no small disks");
        return false;
    }
    if (present("ready")) return true;
    if (present("skipped")) {
        // disks.sh says there why it left them out.
        std::string why = fileBytes(disks + "\\skipped");
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
        skipCase("the disks were not mounted: " + (why.empty() ? std::string("mounting them needs root") : why));
        return false;
    }
    FAIL("the disks' set-up did not finish: no \"ready\" in " << disks);
    return false;
}

std::string disk(const char* name) { return haveDisks() ? disks + "\\" + name : std::string(); }

}  // namespace testkit
