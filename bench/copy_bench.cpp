// How fast Quillet copies a large cached file as its user sees it, against a
// bare loop of the same run-time calls and the system's own CopyFileA, and how
// quickly its window answers meanwhile.
//
//   copy_bench FOLDER QUILLET_EXE [--size-mib=N] [--rounds=N] [--idle-seconds=S] [--probe-ms=N]
//              [--server-pid=N] [--xvfb-pid=N]
//   copy_bench FOLDER QUILLET_EXE --slow-disk=SLOW_FOLDER [--slow-mib=N] [--rounds=N] [--probe-ms=N]
//
// FOLDER (Windows path, or a Linux path taken as Z:) receives a source of
// pseudo-random data (2048 MiB unless told), a 1 MiB older file of other
// bytes, and one target at a time; all are removed at the end. The source is
// copied in the program's three ways of opening a target: a new target, an
// Overwrite of a copy of the older file, and an Append behind one. After an
// untimed warm-up copy, every round copies the source twelve ways, in an order
// shuffled afresh each round (the same shuffles in every run), so no way
// always follows the same one. Onto a new target:
//   bare      _read/_write of 32768-byte blocks, the whole buffer written
//             every time (the last block too), _chsize to the length at the end
//   bare 64K  the same with blocks of 65536 bytes, as Wine's CopyFileA copies:
//             what fewer calls per byte are worth
//   services  the same loop through the program's file services, opened as a
//             job opens a new target: the file services' share of the time
//   CopyFileA the system's own copy
//   program   quillet.exe started with source and target, driven through its
//             window by the end-to-end driver: from the click on "&Start" to
//             the idle look ("&Start" again, the first progress line empty),
//             polled every 10 ms without sending the program anything
//   answering the same with the window answering: a second thread sends the
//             main window WM_NULL every --probe-ms and times each answer
// And in each of Overwrite and Append: bare (the file opened without being
// cut, for Append one seek to its end, then the same loop), services (the
// loop through the file services in that open mode) and program (timed from
// the click on "&Overwrite" or "&Append" in the program's question).
// Every target is checked against what it must hold. Wall and processor time
// of every copy: the loops' and CopyFileA's from their own thread, the
// program's from its Linux process. Medians over the rounds; the ratio to
// the bare loop of the same open mode is also taken within each round, where
// both met much the same load from other work on the machine. Before the
// rounds one program sits idle for --idle-seconds so its processor time can
// be read.
// --server-pid and --xvfb-pid name the wineserver's and the X server's Linux
// processes, whose processor time during the program's copies is shown too.
//
// With --slow-disk the benchmark measures the window on a slow disk instead:
// SLOW_FOLDER lies on a disk whose every write is slow (tools/bench mounts
// one taking 50 ms a write), and each round the program copies a source of
// --slow-mib MiB (4 unless told) from FOLDER onto it while answering WM_NULL
// every --probe-ms: its replies, against one write plus 16 ms.
//
// Prints the figures and exits 0 whatever they are; 1 when a copy came out
// wrong or something failed, 2 on a bad command line.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <random>
#include <io.h>
#include <share.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/win_file_services.h"
#include "resources/ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/files.h"

namespace {

constexpr unsigned BlockSize = 32768;  // the program's block
constexpr unsigned ChunkSize = 1 << 20;  // making and checking files; the older file's length
constexpr UINT ProbeTimeoutMs = 2000;
constexpr DWORD PollMs = 10;
constexpr double JobSeconds = 120;
constexpr double RatioGoal = 0.95;
constexpr double ReplyGoalMs = 16;

struct Failure {
    std::string what;
};

[[noreturn]] void fail(const std::string& what) { throw Failure{what}; }

std::string withError(const std::string& what) {
    char text[96];
    std::snprintf(text, sizeof text, " (errno %d: %s, last error %lu)", errno, std::strerror(errno),
                  static_cast<unsigned long>(GetLastError()));
    return what + text;
}

double now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency;
}

// Processor seconds of this thread: the bare loops and CopyFileA run on it.
double threadSeconds() {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) fail(withError("GetThreadTimes failed"));
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double median(const std::vector<double>& values) { return percentile(values, 0.5); }

class RuntimeFile {
public:
    RuntimeFile(const std::string& path, int flags) : path_(path) {
        file_ = _sopen(path.c_str(), flags | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (file_ == -1) fail(withError("cannot open " + path));
    }
    ~RuntimeFile() {
        if (file_ != -1) _close(file_);
    }
    RuntimeFile(const RuntimeFile&) = delete;
    RuntimeFile& operator=(const RuntimeFile&) = delete;
    int handle() const { return file_; }
    void close() {
        int result = _close(file_);
        file_ = -1;
        if (result != 0) fail(withError("cannot close " + path_));
    }

private:
    std::string path_;
    int file_ = -1;
};

void removeFile(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (_unlink(path.c_str()) != 0) fail(withError("cannot delete " + path));
}

// An order-sensitive checksum of a whole file, with its length.
struct Digest {
    std::int64_t length = 0;
    std::uint64_t sum = 0xcbf29ce484222325ull;
    bool operator==(const Digest&) const = default;
};

char chunk[ChunkSize];
char block[2 * BlockSize];

// `start` is the digest of what lies before the file; for a file of whole
// chunks, the digest of it and the next file is the digest of the two joined.
Digest digestOf(const std::string& path, Digest start = {}) {
    RuntimeFile file(path, _O_RDONLY);
    Digest digest = start;
    for (;;) {
        int count = _read(file.handle(), chunk, ChunkSize);
        if (count < 0) fail(withError("cannot read " + path));
        if (count == 0) break;
        std::uint64_t sum = digest.sum;
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, chunk + i, sizeof word);
            sum = (sum ^ word) * 0x100000001b3ull;
        }
        for (; i < count; ++i) sum = (sum ^ static_cast<unsigned char>(chunk[i])) * 0x100000001b3ull;
        digest.sum = sum;
        digest.length += count;
    }
    return digest;
}

// Pseudo-random bytes (xorshift64*): no run of zeros a file system could keep sparse.
void makeSource(const std::string& path, std::int64_t length, std::uint64_t seed = 0x9e3779b97f4a7c15ull) {
    removeFile(path);
    RuntimeFile file(path, _O_WRONLY | _O_CREAT | _O_TRUNC);
    std::uint64_t state = seed;
    for (std::int64_t left = length; left > 0;) {
        for (unsigned i = 0; i < ChunkSize; i += 8) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            std::uint64_t word = state * 0x2545f4914f6cdd1dull;
            std::memcpy(chunk + i, &word, sizeof word);
        }
        unsigned count = static_cast<unsigned>(std::min<std::int64_t>(left, ChunkSize));
        if (_write(file.handle(), chunk, count) != static_cast<int>(count)) fail(withError("cannot write " + path));
        left -= count;
    }
    file.close();
}

struct Paths {
    std::string source;
    std::string target;
    std::int64_t length;
    std::string older;  // what an Overwrite or an Append finds at the target
};

// How a copy opens its target.
enum class Mode { New, Overwrite, Append };

// Wall and processor seconds of one copy.
struct Timing {
    double seconds = 0;
    double processor = 0;
};

Timing timeOnThisThread(const std::function<void()>& copy) {
    double processor = threadSeconds();
    double start = now();
    copy();
    return {now() - start, threadSeconds() - processor};
}

Timing bareCopy(const Paths& paths, unsigned size, Mode mode = Mode::New) {
    return timeOnThisThread([&] {
        RuntimeFile in(paths.source, _O_RDONLY);
        RuntimeFile out(paths.target, mode == Mode::New ? _O_WRONLY | _O_CREAT | _O_TRUNC : _O_WRONLY);
        std::int64_t before = 0;
        if (mode == Mode::Append && (before = _lseeki64(out.handle(), 0, SEEK_END)) < 0)
            fail(withError("bare loop: cannot seek to the end"));
        for (;;) {
            int count = _read(in.handle(), block, size);
            if (count < 0) fail(withError("bare loop: cannot read"));
            if (_write(out.handle(), block, size) != static_cast<int>(size)) fail(withError("bare loop: cannot write"));
            if (count < static_cast<int>(size)) break;
        }
        if (_chsize_s(out.handle(), before + paths.length) != 0) fail(withError("bare loop: cannot set the length"));
        out.close();
        in.close();
    });
}

Timing servicesCopy(const Paths& paths, Mode mode) {
    static WinFileServices files;
    return timeOnThisThread([&] {
        int in = files.open(paths.source.c_str(), OpenMode::Source);
        int out = files.open(paths.target.c_str(), mode == Mode::New         ? OpenMode::FirstTarget
                                                   : mode == Mode::Overwrite ? OpenMode::Overwrite
                                                                             : OpenMode::Append);
        if (in == -1 || out == -1) fail(withError("file services: cannot open"));
        // As a job learns it: the length the target had.
        std::uint64_t before = mode == Mode::Append ? files.fileLength(out) : 0;
        for (;;) {
            int count = files.read(in, block, BlockSize);
            if (count < 0) fail(withError("file services: cannot read"));
            if (files.write(out, block, BlockSize) != static_cast<int>(BlockSize))
                fail(withError("file services: cannot write"));
            if (count < static_cast<int>(BlockSize)) break;
        }
        if (files.changeSize(out, before + static_cast<std::uint64_t>(paths.length)) != 0)
            fail(withError("file services: cannot set the length"));
        files.close(out);
        files.close(in);
    });
}

Timing systemCopy(const Paths& paths) {
    return timeOnThisThread([&] {
        if (!CopyFileA(paths.source.c_str(), paths.target.c_str(), FALSE)) fail(withError("CopyFileA failed"));
    });
}

// Round trips of WM_NULL sent to a window, one every `periodMs`, from a
// thread of their own until stopped.
class Prober {
public:
    Prober(HWND target, double periodMs) : target_(target), period_(periodMs / 1000) {
        samples_.reserve(1 << 16);
        thread_ = std::thread([this] { run(); });
    }
    ~Prober() { stop(); }
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;

    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
    }
    const std::vector<double>& samples() const { return samples_; }  // ms, once stopped
    unsigned timeouts() const { return timeouts_; }

private:
    void run() {
        double next = now();
        while (!stopping_) {
            DWORD_PTR result = 0;
            double sent = now();
            if (!SendMessageTimeoutA(target_, WM_NULL, 0, 0, SMTO_NORMAL, ProbeTimeoutMs, &result)) ++timeouts_;
            if (samples_.size() < samples_.capacity()) samples_.push_back((now() - sent) * 1000);
            next += period_;
            double wait = next - now();
            if (wait < 0) next = now();  // late: no burst to catch up
            else Sleep(static_cast<DWORD>(wait * 1000 + 0.5));
        }
    }

    HWND target_;
    double period_;
    std::vector<double> samples_;
    unsigned timeouts_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

struct Options {
    std::string folder;
    std::string program;
    std::int64_t length = std::int64_t(2048) << 20;
    int rounds = 7;
    double idleSeconds = 5;
    double probeMs = 10;
    unsigned long serverPid = 0;
    unsigned long displayPid = 0;
    std::string slowDisk;
    std::int64_t slowLength = std::int64_t(4) << 20;
};

// A control's text as the system keeps it: read without sending the program
// a message, so the poll costs the program nothing.
std::string shownText(HWND control) {
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    return text;
}

double otherSeconds(unsigned long pid) { return pid ? e2e::linuxProcessSeconds(pid) : -1; }

struct ProgramRun {
    Timing timing;
    std::vector<double> replies;
    unsigned timeouts = 0;
    double serverRate = -1;  // processor ms per s during the job
    double displayRate = -1;
};

ProgramRun programCopy(const Options& options, const Paths& paths, bool probe, Mode mode = Mode::New) {
    e2e::Program app(options.program);
    app.start({paths.source, paths.target});
    e2e::Window main = app.mainDialog();
    HWND button = main.control(IDC_START);
    HWND line1 = main.control(IDC_PROGRESS_LINE1);
    if (shownText(button) != "&Start") fail("the Start button reads \"" + shownText(button) + "\" before the click");

    ProgramRun run;
    std::unique_ptr<Prober> prober;
    if (probe) prober = std::make_unique<Prober>(app.frame(), options.probeMs);
    // An Overwrite or an Append is timed from the answer to the question.
    e2e::Window question;
    if (mode != Mode::New) {
        main.click(IDC_START);
        question = app.waitForWindow("Confirm File Overwrite");
    }
    const std::int64_t finalLength = paths.length + (mode == Mode::Append ? ChunkSize : 0);
    double processor = app.processorSeconds();
    double server = otherSeconds(options.serverPid);
    double display = otherSeconds(options.displayPid);
    double start = now();
    if (mode == Mode::New) main.click(IDC_START);
    else question.click(mode == Mode::Overwrite ? IDC_OVERWRITE : IDC_APPEND);
    bool seenRunning = false;
    for (unsigned poll = 1;; ++poll) {
        Sleep(PollMs);
        if (!app.running()) fail("quillet.exe ended during the job");
        bool idleLook = shownText(button) == "&Start" && shownText(line1).empty();
        seenRunning = seenRunning || !idleLook;
        if (idleLook && (seenRunning || testkit::fileSize(paths.target) == finalLength)) break;
        double waited = now() - start;
        if (poll % 50 == 0 && app.describeWindows().find("(#32770)") != std::string::npos)
            fail("the program asked something during the job: " + app.describeWindows());
        if (waited > JobSeconds) fail("the job did not end in time; windows: " + app.describeWindows());
    }
    run.timing.seconds = now() - start;
    run.timing.processor = app.processorSeconds() - processor;
    auto rate = [&](double before, unsigned long pid) {
        double after = otherSeconds(pid);
        return before >= 0 && after >= 0 ? (after - before) * 1000 / run.timing.seconds : -1;
    };
    run.serverRate = rate(server, options.serverPid);
    run.displayRate = rate(display, options.displayPid);
    if (prober) {
        prober->stop();
        run.replies = prober->samples();
        run.timeouts = prober->timeouts();
    }
    app.closeBox();
    app.waitForExit();
    return run;
}

// Processor milliseconds per second of an idle program, over `seconds`.
double idleProgramRate(const Options& options, const Paths& paths) {
    e2e::Program app(options.program);
    app.start({paths.source, paths.target});
    Sleep(500);  // start-up settles
    double before = app.processorSeconds();
    double start = now();
    Sleep(static_cast<DWORD>(options.idleSeconds * 1000));
    double rate = (app.processorSeconds() - before) * 1000 / (now() - start);
    app.closeBox();
    app.waitForExit();
    return rate;
}

bool parseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* name) -> const char* {
            std::size_t size = std::strlen(name);
            return argument.compare(0, size, name) == 0 ? argv[i] + size : nullptr;
        };
        if (const char* mib = value("--size-mib=")) options.length = std::int64_t(std::atoll(mib)) << 20;
        else if (const char* rounds = value("--rounds=")) options.rounds = std::atoi(rounds);
        else if (const char* idle = value("--idle-seconds=")) options.idleSeconds = std::atof(idle);
        else if (const char* probe = value("--probe-ms=")) options.probeMs = std::atof(probe);
        else if (const char* server = value("--server-pid=")) options.serverPid = std::strtoul(server, nullptr, 10);
        else if (const char* display = value("--xvfb-pid=")) options.displayPid = std::strtoul(display, nullptr, 10);
        else if (const char* slow = value("--slow-disk=")) options.slowDisk = testkit::windowsPath(slow);
        else if (const char* mib = value("--slow-mib=")) options.slowLength = std::int64_t(std::atoll(mib)) << 20;
        else if (argument.compare(0, 2, "--") == 0) return false;
        else positional.push_back(argument);
    }
    if (positional.size() != 2 || options.length <= 0 || options.slowLength <= 0 || options.rounds < 1 || options.idleSeconds < 0 ||
        options.idleSeconds > 60 || options.probeMs < 1)
        return false;
    options.folder = testkit::windowsPath(positional[0]);
    while (options.folder.size() > 3 && options.folder.back() == '\\') options.folder.pop_back();
    options.program = testkit::windowsPath(positional[1]);
    return true;
}

struct Way {
    const char* name;
    std::vector<Timing> timings;
};

void printRow(const char* label, const std::vector<double>& values, const char* unit) {
    std::printf("  %-30s median %8.3f  min %8.3f  max %8.3f %s\n", label, median(values),
                *std::min_element(values.begin(), values.end()), *std::max_element(values.begin(), values.end()),
                unit);
}

int benchmark(const Options& options) {
    Paths paths{options.folder + "\\quillet-bench-source.bin", options.folder + "\\quillet-bench-target.bin",
                options.length, options.folder + "\\quillet-bench-older.bin"};
    if (GetFileAttributesA(options.program.c_str()) == INVALID_FILE_ATTRIBUTES) fail("no program at " + options.program);
    struct Cleanup {
        const Paths& paths;
        ~Cleanup() {
            for (const std::string* path : {&paths.source, &paths.target, &paths.older}) {
                SetFileAttributesA(path->c_str(), FILE_ATTRIBUTE_NORMAL);
                _unlink(path->c_str());
            }
        }
    } cleanup{paths};

    std::printf("Quillet copy benchmark: %lld MiB in %s, blocks of %u bytes, %d rounds\n",
                static_cast<long long>(options.length >> 20), options.folder.c_str(), BlockSize, options.rounds);
    std::fflush(stdout);
    double made = now();
    makeSource(paths.source, options.length);
    Digest source = digestOf(paths.source);  // also brings it into the cache
    if (source.length != options.length) fail("the source came out at the wrong length");
    makeSource(paths.older, ChunkSize, 0x2545f4914f6cdd1dull);
    Digest older = digestOf(paths.older);
    // What each open mode leaves at the target.
    const Digest expected[] = {source, source, digestOf(paths.source, older)};
    std::printf("source made and read back in %.1f s\n", now() - made);

    // The first copy into fresh memory is slower than all later ones.
    removeFile(paths.target);
    bareCopy(paths, BlockSize);
    removeFile(paths.target);
    double idleRate = idleProgramRate(options, paths);

    enum Kind { Bare, Wide, Services, System, Program, Answering };
    struct WayOf {
        const char* name;
        Kind kind;
        Mode mode;
        int base;  // the way whose times this one is measured against: the bare loop of its mode
    };
    static constexpr WayOf kinds[] = {
        {"bare", Bare, Mode::New, 0},
        {"bare 64K", Wide, Mode::New, 0},
        {"services", Services, Mode::New, 0},
        {"CopyFileA", System, Mode::New, 0},
        {"program", Program, Mode::New, 0},
        {"answering", Answering, Mode::New, 0},
        {"overwrite: bare", Bare, Mode::Overwrite, 6},
        {"overwrite: services", Services, Mode::Overwrite, 6},
        {"overwrite: program", Program, Mode::Overwrite, 6},
        {"append: bare", Bare, Mode::Append, 9},
        {"append: services", Services, Mode::Append, 9},
        {"append: program", Program, Mode::Append, 9},
    };
    constexpr int WayCount = sizeof kinds / sizeof kinds[0];
    Way ways[WayCount];
    for (int way = 0; way < WayCount; ++way) ways[way].name = kinds[way].name;
    std::vector<double> replies, serverRates, displayRates;
    unsigned timeouts = 0;
    std::mt19937 shuffler(12345);
    int order[WayCount];
    for (int way = 0; way < WayCount; ++way) order[way] = way;
    for (int round = 0; round < options.rounds; ++round) {
        std::shuffle(order, order + WayCount, shuffler);
        std::printf("round %d:", round + 1);
        for (int turn = 0; turn < WayCount; ++turn) {
            const int way = order[turn];
            const WayOf& kind = kinds[way];
            removeFile(paths.target);
            if (kind.mode != Mode::New && !CopyFileA(paths.older.c_str(), paths.target.c_str(), FALSE))
                fail(withError("cannot put the older file at the target"));
            Timing timing;
            switch (kind.kind) {
            case Bare: timing = bareCopy(paths, BlockSize, kind.mode); break;
            case Wide: timing = bareCopy(paths, 2 * BlockSize); break;
            case Services: timing = servicesCopy(paths, kind.mode); break;
            case System: timing = systemCopy(paths); break;
            case Program:
            case Answering: {
                ProgramRun run = programCopy(options, paths, kind.kind == Answering, kind.mode);
                timing = run.timing;
                replies.insert(replies.end(), run.replies.begin(), run.replies.end());
                timeouts += run.timeouts;
                const bool plain = kind.kind == Program && kind.mode == Mode::New;
                if (plain && run.serverRate >= 0) serverRates.push_back(run.serverRate);
                if (plain && run.displayRate >= 0) displayRates.push_back(run.displayRate);
            }
            }
            if (!(digestOf(paths.target) == expected[static_cast<int>(kind.mode)]))
                fail(std::string(kind.name) + ": the target does not hold what it must");
            removeFile(paths.target);
            ways[way].timings.push_back(timing);
            std::printf("  %s %.3f s (cpu %.2f)", kind.name, timing.seconds, timing.processor);
            std::fflush(stdout);
        }
        std::printf("\n");
    }

    auto seconds = [&](int way) {
        std::vector<double> values;
        for (const Timing& timing : ways[way].timings) values.push_back(timing.seconds);
        return values;
    };
    auto processor = [&](int way) {
        std::vector<double> values;
        for (const Timing& timing : ways[way].timings) values.push_back(timing.processor);
        return values;
    };
    // Speed as a share of the bare loop's of the same mode, round by round.
    auto ratios = [&](int way, auto values) {
        std::vector<double> base = values(kinds[way].base), own = values(way), result;
        for (std::size_t i = 0; i < own.size(); ++i) result.push_back(own[i] > 0 ? base[i] / own[i] : 0);
        return result;
    };
    double mb = static_cast<double>(options.length) / 1e6;

    std::printf("\nwall seconds per copy (MB/s of the median):\n");
    for (int way = 0; way < WayCount; ++way) {
        char label[64];
        std::snprintf(label, sizeof label, "%s (%.0f MB/s)", ways[way].name, mb / median(seconds(way)));
        printRow(label, seconds(way), "s");
    }
    std::printf("processor seconds per copy (the program's: its whole process, in 1/100 s):\n");
    for (int way = 0; way < WayCount; ++way) printRow(ways[way].name, processor(way), "s");
    std::printf("speed as a share of the bare loop's of the same mode in the same round:\n");
    for (int way = 0; way < WayCount; ++way)
        if (kinds[way].base != way) printRow(ways[way].name, ratios(way, seconds), "");
    std::printf("the same by processor time:\n");
    for (int way = 0; way < WayCount; ++way)
        if (kinds[way].base != way) printRow(ways[way].name, ratios(way, processor), "");

    double replyP99 = percentile(replies, 0.99);
    std::printf("\nreplies of the main window to WM_NULL during the answering copies, ms:\n"
                "  p50 %.2f  p99 %.2f  max %.2f  (%zu replies, %u without an answer within %u ms)\n",
                percentile(replies, 0.5), replyP99, replies.empty() ? 0.0 : *std::max_element(replies.begin(), replies.end()),
                replies.size(), timeouts, ProbeTimeoutMs);
    if (!serverRates.empty()) std::printf("wineserver during the program's copies: %.0f ms per s\n", median(serverRates));
    if (!displayRates.empty()) std::printf("Xvfb during the program's copies: %.0f ms per s\n", median(displayRates));
    std::printf("idle program's processor time: %.1f ms per s over %.1f s\n", idleRate, options.idleSeconds);

    auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("\ngoals (medians of the rounds):\n");
    for (int way : {4, 8, 11}) {
        double byTime = median(ratios(way, seconds)), byProcessor = median(ratios(way, processor));
        std::printf("  %s >= %.2f of the bare loop's speed: by processor time %.3f, %s; by wall time %.3f, %s\n",
                    ways[way].name, RatioGoal, byProcessor, verdict(byProcessor >= RatioGoal), byTime,
                    verdict(byTime >= RatioGoal));
    }
    std::printf("  (CopyFileA, the reference: %.3f of the bare loop's speed, %.3f by processor time)\n",
                median(ratios(System, seconds)), median(ratios(System, processor)));
    std::printf("  (answering %d messages a second, the program reached %.3f of the bare loop's speed)\n",
                static_cast<int>(1000 / options.probeMs + 0.5), median(ratios(Answering, seconds)));
    std::printf("  reply p99 < %.0f ms: %.2f, %s\n", ReplyGoalMs, replyP99, verdict(replyP99 < ReplyGoalMs && !timeouts));
    std::printf("  idle processor time 0: %.1f ms per s, %s\n", idleRate, verdict(idleRate == 0));
    std::printf("(1 MB = 10^6 bytes; processor times of Linux processes come in ticks of 10 ms)\n");
    return 0;
}

// The window while the program copies onto a slow disk: each round one copy
// from FOLDER onto it, answering WM_NULL all the while.
int slowDiskBenchmark(const Options& options) {
    Paths paths{options.folder + "\\quillet-slow-source.bin", options.slowDisk + "\\quillet-slow-target.bin",
                options.slowLength, ""};
    struct Cleanup {
        const Paths& paths;
        ~Cleanup() {
            _unlink(paths.source.c_str());
            _unlink(paths.target.c_str());
        }
    } cleanup{paths};
    std::printf("Quillet on a slow disk: %lld MiB onto %s, %d rounds, WM_NULL every %.0f ms\n",
                static_cast<long long>(options.slowLength >> 20), options.slowDisk.c_str(), options.rounds,
                options.probeMs);
    makeSource(paths.source, options.slowLength);
    Digest source = digestOf(paths.source);
    const double blocks = static_cast<double>(options.slowLength / BlockSize + 1);
    std::vector<double> replies, writeMs;
    unsigned timeouts = 0;
    for (int round = 0; round < options.rounds; ++round) {
        removeFile(paths.target);
        ProgramRun run = programCopy(options, paths, true);
        if (!(digestOf(paths.target) == source)) fail("slow disk: the copy differs from the source");
        replies.insert(replies.end(), run.replies.begin(), run.replies.end());
        timeouts += run.timeouts;
        writeMs.push_back(run.timing.seconds * 1000 / blocks);
        std::printf("round %d: %.2f s, %.1f ms a block, reply p50 %.1f p99 %.1f ms\n", round + 1, run.timing.seconds,
                    writeMs.back(), percentile(run.replies, 0.5), percentile(run.replies, 0.99));
        std::fflush(stdout);
    }
    if (replies.empty()) fail("slow disk: no replies were timed");
    const double write = median(writeMs), p99 = percentile(replies, 0.99);
    std::printf("\nreplies of the main window to WM_NULL, ms: p50 %.2f  p99 %.2f  max %.2f  (%zu replies, %u without "
                "an answer within %u ms)\n",
                percentile(replies, 0.5), p99, *std::max_element(replies.begin(), replies.end()), replies.size(),
                timeouts, ProbeTimeoutMs);
    std::printf("goal: reply p99 within one block's time (%.1f ms, the median) + %.0f ms: %.2f, %s\n", write,
                ReplyGoalMs, p99, p99 <= write + ReplyGoalMs && !timeouts ? "met" : "NOT met");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: copy_bench FOLDER QUILLET_EXE [--size-mib=N] [--rounds=N] [--idle-seconds=S] "
                             "[--probe-ms=N] [--server-pid=N] [--xvfb-pid=N]\n"
                             "       copy_bench FOLDER QUILLET_EXE --slow-disk=SLOW_FOLDER [--slow-mib=N] [--rounds=N] "
                             "[--probe-ms=N]\n");
        return 2;
    }
    try {
        return options.slowDisk.empty() ? benchmark(options) : slowDiskBenchmark(options);
    } catch (const Failure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "copy_bench: %s\n", failure.what.c_str());
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "copy_bench: %s\n", error.what());
    }
    return 1;
}
