#include "tests/e2e/e2e_env.h"

#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/support/handle.h"
#include "tests/support/utf8.h"

namespace e2e {

namespace {

std::string largeSourcePath;

// The contents of byte `offset`: a pattern that tells every block apart.
void fillPattern(std::vector<unsigned char>& buffer, std::uint64_t offset) {
    std::uint32_t seed = static_cast<std::uint32_t>(offset / 32768) * 2654435761u + 12345u;
    for (unsigned char& byte : buffer) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
}

testkit::Handle openForReading(const std::string& path) {
    return testkit::Handle(CreateFileW(testkit::wide(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                       nullptr));
}

}  // namespace

void waitForIdle(const Program& app, double seconds) {
    app.sync();
    app.waitForControl(IDC_START, "\"&Start\" after the job",
                       [](const std::string& text) { return text == "&Start"; }, seconds);
    app.sync();
}

void checkAlone(const Program& app) { CHECK(app.describeWindows() == "\"Quillet 3.00\" (QuilletFrame)"); }

void checkEndedIdle(const Program& app) {
    waitForIdle(app);
    checkIdleLook(app.mainDialog());
    checkAlone(app);
}

void escapeEnds(Program& app) {
    app.pressEscape();
    CHECK(app.waitForExit() == 0);
}

std::string totalSizeText(std::uint64_t size) {
    char text[64];
    std::snprintf(text, sizeof text, "Total size :    %lluKb", static_cast<unsigned long long>(size >> 10));
    return text;
}

std::string leftText(std::uint64_t left) {
    char text[64];
    std::snprintf(text, sizeof text, "Left : %lluKb", static_cast<unsigned long long>(left >> 10));
    return text;
}

void waitForCopying(const Program& app) {
    app.waitForControl(IDC_PROGRESS_LINE2, "\"Current ...\"",
                       [](const std::string& text) { return text.rfind("Current", 0) == 0; });
}

Window waitForDiskFullOrEnd(const Program& app, double seconds) {
    Window found;
    app.sync();
    waitUntil(
        "\"Disk is full\" or the end of the job", seconds,
        [&] {
            if (!app.running()) throw DriverError("the program ended");
            if (HWND box = app.findWindow("Error"))
                throw DriverError("an error box came up: " + printable(Window(box).text(0xFFFF)));
            if (HWND dialog = app.findWindow("Disk is full")) {
                found = Window(dialog);
                return true;
            }
            return app.mainDialog().text(IDC_START) == "&Start";
        },
        [&] { return app.describeWindows(); });
    return found;
}

Window waitForStopQuestion(const Program& app) {
    Window box = waitForBox(app, "Warning", StopQuestion);
    checkButtons(box, {IDYES, IDNO}, {IDOK, IDCANCEL});
    CHECK(box.defaultButton() == IDNO);
    // Owned by the main window, which waits under it.
    CHECK(GetWindow(box.handle(), GW_OWNER) == app.frame());
    CHECK_FALSE(IsWindowEnabled(app.frame()));
    return box;
}

Window waitForBox(const Program& app, const std::string& caption, const std::string& text) {
    Window box = app.waitForWindow(caption);
    CHECK(printable(box.text(0xFFFF)) == printable(text));
    return box;
}

void checkButtons(const Window& box, std::initializer_list<int> present, std::initializer_list<int> absent) {
    for (int id : present) {
        INFO("button ", id);
        CHECK(GetDlgItem(box.handle(), id) != nullptr);
    }
    for (int id : absent) {
        INFO("button ", id);
        CHECK(GetDlgItem(box.handle(), id) == nullptr);
    }
}

void answerAndWait(const Program& app, const Window& window, int id) {
    window.answer(id);
    app.waitWindowGone(window);
}

void tickMoveFile(const Program& app) {
    app.mainDialog().click(IDC_MOVE_FILE);
    app.sync();
    REQUIRE(app.mainDialog().checkState(IDC_MOVE_FILE) == 1);
}

void moveEndsInError(const Program& app, const std::string& text) {
    tickMoveFile(app);
    app.mainDialog().click(IDC_START);
    answerAndWait(app, waitForBox(app, "Error", text), IDOK);
    waitForIdle(app);
}

void writePatternFile(const std::string& path, std::uint64_t size, std::uint64_t patterned) {
    testkit::Handle file(CreateFileW(testkit::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    REQUIRE_MESSAGE(file.valid(), "cannot create " << path);
    std::vector<unsigned char> block(32768);
    bool ok = true;
    std::uint64_t data = std::min(size, patterned);
    for (std::uint64_t offset = 0; ok && offset < data; offset += block.size()) {
        fillPattern(block, offset);
        DWORD length = static_cast<DWORD>(std::min<std::uint64_t>(block.size(), data - offset));
        DWORD written = 0;
        ok = WriteFile(file.get(), block.data(), length, &written, nullptr) && written == length;
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    if (ok && data < size) ok = SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get());
    ok = ok && testkit::setLocalStamp(file.get(), SYSTEMTIME{2001, 2, 6, 3, 4, 5, 7, 0});
    file.reset();
    REQUIRE_MESSAGE(ok, "cannot write " << path);
}

bool sameStart(const std::string& path, const std::string& reference, std::int64_t length, std::string& why) {
    testkit::Handle file = openForReading(path);
    testkit::Handle original = openForReading(reference);
    bool same = file.valid() && original.valid();
    if (!same) why = "cannot open " + path + " or " + reference;
    std::vector<char> a(1 << 20), b(1 << 20);
    std::int64_t offset = 0;
    while (same && (length < 0 || offset < length)) {
        DWORD want = static_cast<DWORD>(length < 0 ? a.size() : std::min<std::int64_t>(a.size(), length - offset));
        DWORD gotA = 0, gotB = 0;
        ReadFile(file.get(), a.data(), want, &gotA, nullptr);
        ReadFile(original.get(), b.data(), want, &gotB, nullptr);
        if (gotA != gotB || std::memcmp(a.data(), b.data(), gotA) != 0) {
            same = false;
            why = "the files differ within the MiB at offset " + std::to_string(offset);
        }
        if (gotA == 0 || gotB == 0) break;
        offset += gotA;
    }
    if (same && length >= 0 && offset != length) {
        same = false;
        why = "fewer than " + std::to_string(length) + " bytes to compare";
    }
    return same;
}

std::string randomBytes(std::size_t size, std::uint32_t seed) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1u;
    for (char& byte : bytes) {
        // xorshift32: no short period that a misplaced block could hide in
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        byte = static_cast<char>(x >> 24);
    }
    return bytes;
}

std::string writeRandomFile(const std::string& path, std::size_t size, std::uint32_t seed,
                            const SYSTEMTIME& localStamp, DWORD attributes) {
    std::string bytes = randomBytes(size, seed);
    writeFileWith(path, bytes, localStamp, attributes);
    return bytes;
}

const std::string& largeSource() {
    if (largeSourcePath.empty()) {
        std::string path = testkit::scratchRoot() + "\\large-source.bin";
        writePatternFile(path, LargeSize, LargePatterned);
        largeSourcePath = path;
    }
    return largeSourcePath;
}

// Runs `cycle` `count` times after a warm-up and checks that the program's
// descriptors, memory and GDI objects stay flat; the figures go to the test's
// output. The program must be the probe build (probePath()), which counts its
// own GDI objects.
void soak(const Program& app, const char* what, int count, const std::function<void()>& cycle) {
    // Wine fills caches of its own over the first few dozen windows (once, on
    // a busy machine, 16 objects within the count after 10 cycles).
    for (int i = 0; i < 30; ++i) cycle();
    const int descriptors = app.openDescriptors();
    const std::int64_t memory = app.residentBytes();
    const long gdiObjects = app.gdiObjectCount();
    REQUIRE_MESSAGE((descriptors >= 0 && memory >= 0), what << ": the program's /proc entry cannot be read");
    for (int i = 0; i < count; ++i) cycle();
    const int descriptorsAfter = app.openDescriptors();
    const std::int64_t memoryAfter = app.residentBytes();
    const long gdiObjectsAfter = app.gdiObjectCount();
    MESSAGE(std::string(what), " x", count, ": descriptors ", descriptors, " -> ", descriptorsAfter, ", resident memory ",
            memory / 1024, " -> ", memoryAfter / 1024, " KiB, GDI objects ", gdiObjects, " -> ", gdiObjectsAfter);
    CHECK(descriptorsAfter <= descriptors + 2);
    CHECK(memoryAfter <= memory + (4 << 20));
    // Wine keeps a few objects of its own (cached device contexts) as windows
    // come and go; a leak of the program's shows as one or more a cycle.
    CHECK(gdiObjectsAfter <= gdiObjects + std::max(2, count / 20));
}

// How many times each soak runs: QUILLET_SOAK_COUNT, else the full count.
int soakCount(int full) {
    char value[16] = "";
    if (GetEnvironmentVariableA("QUILLET_SOAK_COUNT", value, sizeof value) == 0) return full;
    return std::min(full, std::max(1, std::atoi(value)));
}

void checkIdleLook(const Window& main) {
    CHECK(main.text(IDC_START) == "&Start");
    for (int id : {IDC_START, IDC_ABOUT, IDC_EXIT, IDC_BROWSE_SOURCE, IDC_BROWSE_TARGET, IDC_SOURCE, IDC_TARGET,
                   IDC_CLEAR_READONLY, IDC_MOVE_FILE}) {
        INFO("control ", id);
        CHECK(main.enabled(id));
    }
    CHECK_FALSE(main.readOnly(IDC_SOURCE));
    CHECK_FALSE(main.readOnly(IDC_TARGET));
    CHECK(main.text(IDC_PROGRESS_LINE1) == "");
    CHECK(main.text(IDC_PROGRESS_LINE2) == "");
    CHECK(main.progress(IDC_PROGRESS_BAR) == 0);
}

void checkRunningLook(const Window& main) {
    CHECK(main.text(IDC_START) == "&Stop");
    CHECK(main.enabled(IDC_START));
    for (int id : {IDC_ABOUT, IDC_EXIT, IDC_BROWSE_SOURCE, IDC_BROWSE_TARGET, IDC_CLEAR_READONLY, IDC_MOVE_FILE}) {
        INFO("control ", id);
        CHECK_FALSE(main.enabled(id));
    }
    CHECK(main.readOnly(IDC_SOURCE));
    CHECK(main.readOnly(IDC_TARGET));
}

}  // namespace e2e
