// How fast Quillet copies a large cached file, and how quickly its window
// answers meanwhile, against a bare loop of the same run-time calls.
//
//   copy_bench FOLDER QUILLET_EXE [--size-mib=N] [--runs=N] [--idle-seconds=S] [--probe-ms=N]
//              [--server-pid=N] [--xvfb-pid=N]
//
// FOLDER (Windows path, or a Linux path taken as Z:) receives a source of
// pseudo-random data (1024 MiB unless told) and the targets; both are removed
// at the end. After one untimed warm-up copy, each round times a bare
// _read/_write loop of 32768-byte blocks, the same loop through the program's
// file services, then starts quillet.exe with source and target as its
// arguments, clicks "&Start" and times the job until the program shows its
// idle look again, while a second thread sends the main window WM_NULL every
// few milliseconds and records each round trip. Every target is compared
// with the source. Wall and processor times are both reported: on a machine
// shared with other work the processor times vary less.
// The first program also sits idle for a few seconds so its processor time
// can be read; --server-pid names the wineserver's Linux process, whose
// processor time is read from /proc as well, and --xvfb-pid the X server's.
//
// It prints the figures and exits 0 whatever they are; 1 when a copy came out
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
#include <io.h>
#include <share.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "platform/win_file_services.h"

namespace {

constexpr unsigned BlockSize = 32768;  // the program's block
constexpr unsigned ChunkSize = 1 << 20;  // making and checking files
constexpr int StartButton = 5;
constexpr int ProgressLine1 = 1113;
constexpr UINT ProbeTimeoutMs = 2000;
constexpr double StartSeconds = 20;
constexpr double JobSeconds = 90;
// Rounds after the first stop once the program's copies have taken this long,
// so a slow program keeps the whole run short.
constexpr double ProgramBudgetSeconds = 40;

// A failure that ends the benchmark with status 1.
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

double fileTimeSeconds(const FILETIME& time) {
    return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

double processorSeconds(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) fail(withError("GetProcessTimes failed"));
    return fileTimeSeconds(kernel) + fileTimeSeconds(user);
}

// Wine's GetProcessTimes of another process leaves out its running threads
// (it reads 0 for a busy program), while a thread's times come from the
// system: the program's main thread, which copies and pumps, is what counts.
double threadSeconds(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) fail(withError("GetThreadTimes failed"));
    return fileTimeSeconds(kernel) + fileTimeSeconds(user);
}

// Processor seconds a Linux process (the wineserver, Xvfb) has used, from its
// /proc entry; -1 when unknown. Clock ticks are 1/100 s on Linux.
double linuxProcessSeconds(int pid) {
    if (pid <= 0) return -1;
    char path[64];
    std::snprintf(path, sizeof path, "Z:\\proc\\%d\\stat", pid);
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return -1;
    char line[1024];
    std::size_t count = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[count] = '\0';
    const char* fields = std::strrchr(line, ')');  // the name may hold blanks
    unsigned long long user = 0, system = 0;
    if (!fields || std::sscanf(fields + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                               &system) != 2)
        return -1;
    return static_cast<double>(user + system) / 100;
}

std::string windowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string converted = "Z:";
    for (char c : path) converted += c == '/' ? '\\' : c;
    return converted;
}

// A run-time file handle, closed when it goes.
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
    const std::string& path() const { return path_; }
    void close() {
        int result = _close(file_);
        file_ = -1;
        if (result != 0) fail(withError("cannot close " + path_));
    }

private:
    std::string path_;
    int file_ = -1;
};

std::int64_t fileLength(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void removeFile(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (_unlink(path.c_str()) != 0) fail(withError("cannot delete " + path));
}

// Checksum of a whole file, word by word and order-sensitive, with its length.
struct Digest {
    std::int64_t length = 0;
    std::uint64_t sum = 0xcbf29ce484222325ull;
    bool operator==(const Digest&) const = default;
};

char chunk[ChunkSize];

void addToDigest(Digest& digest, const char* bytes, std::size_t count) {
    std::uint64_t sum = digest.sum;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        sum = (sum ^ word) * 0x100000001b3ull;
    }
    for (; i < count; ++i) sum = (sum ^ static_cast<unsigned char>(bytes[i])) * 0x100000001b3ull;
    digest.sum = sum;
    digest.length += static_cast<std::int64_t>(count);
}

Digest digestOf(const std::string& path) {
    RuntimeFile file(path, _O_RDONLY);
    Digest digest;
    for (;;) {
        int count = _read(file.handle(), chunk, ChunkSize);
        if (count < 0) fail(withError("cannot read " + path));
        if (count == 0) break;
        addToDigest(digest, chunk, static_cast<std::size_t>(count));
    }
    return digest;
}

// Pseudo-random bytes (xorshift64*), never a run of zeros a file system could
// keep sparse.
void makeSource(const std::string& path, std::int64_t length) {
    removeFile(path);
    RuntimeFile file(path, _O_WRONLY | _O_CREAT | _O_TRUNC);
    std::uint64_t state = 0x9e3779b97f4a7c15ull;
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

void checkCopy(const char* who, const std::string& target, const Digest& source) {
    std::int64_t length = fileLength(target);
    if (length != source.length) {
        char text[160];
        std::snprintf(text, sizeof text, "%s: the target holds %lld bytes, the source %lld", who,
                      static_cast<long long>(length), static_cast<long long>(source.length));
        fail(text);
    }
    if (!(digestOf(target) == source)) fail(std::string(who) + ": the target's bytes differ from the source's");
}

char block[BlockSize];

// Wall and processor seconds of one copy.
struct Timing {
    double seconds = 0;
    double processor = 0;
};

// Times a copy made by this thread.
class Stopwatch {
public:
    Stopwatch() : processor_(threadSeconds(GetCurrentThread())), start_(now()) {}
    Timing read() const { return {now() - start_, threadSeconds(GetCurrentThread()) - processor_}; }

private:
    double processor_;
    double start_;
};

// The bare loop: the program's run-time calls, one 32768-byte block at a time.
Timing bareCopy(const std::string& source, const std::string& target) {
    removeFile(target);
    Stopwatch stopwatch;
    RuntimeFile in(source, _O_RDONLY);
    RuntimeFile out(target, _O_WRONLY | _O_CREAT | _O_TRUNC);
    for (;;) {
        int count = _read(in.handle(), block, BlockSize);
        if (count < 0) fail(withError("bare loop: cannot read " + source));
        if (count == 0) break;
        if (_write(out.handle(), block, static_cast<unsigned>(count)) != count)
            fail(withError("bare loop: cannot write " + target));
    }
    out.close();
    in.close();
    return stopwatch.read();
}

// The same loop through the program's own file services, opened as a job
// opens a new target: where the program's time goes besides its window.
Timing servicesCopy(const std::string& source, const std::string& target) {
    removeFile(target);
    static WinFileServices files;
    Stopwatch stopwatch;
    int in = files.open(source.c_str(), OpenMode::Source);
    if (in == -1) fail(withError("file services: cannot open " + source));
    int out = files.open(target.c_str(), OpenMode::FirstTarget);
    if (out == -1) fail(withError("file services: cannot open " + target));
    for (;;) {
        int count = files.read(in, block, BlockSize);
        if (count < 0) fail(withError("file services: cannot read " + source));
        if (count == 0) break;
        if (files.write(out, block, static_cast<unsigned>(count)) != count)
            fail(withError("file services: cannot write " + target));
    }
    files.close(out);
    files.close(in);
    return stopwatch.read();
}

std::string quoted(const std::string& argument) { return "\"" + argument + "\""; }

std::string className(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string windowText(HWND hwnd) {
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->process || !IsWindowVisible(hwnd) || className(hwnd) != search->className) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// A visible top-level window of this process with this class.
HWND findTopLevel(DWORD process, const char* name) {
    WindowSearch search{process, name, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Round trips of WM_NULL sent to a window, one every `periodMs`, from a thread
// of their own until stopped.
class Prober {
public:
    Prober(HWND target, double periodMs) : target_(target), period_(periodMs / 1000) {
        samples_.reserve(65536);
        thread_ = std::thread([this] { run(); });
    }
    ~Prober() { stop(); }
    Prober(const Prober&) = delete;
    Prober& operator=(const Prober&) = delete;

    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Milliseconds, once stopped.
    const std::vector<double>& samples() const { return samples_; }
    unsigned timeouts() const { return timeouts_; }
    double seconds() const { return ended_ - started_; }

private:
    void run() {
        started_ = now();
        double next = started_;
        while (!stopping_) {
            DWORD_PTR result = 0;
            double sent = now();
            LRESULT answered = SendMessageTimeoutA(target_, WM_NULL, 0, 0, SMTO_NORMAL, ProbeTimeoutMs, &result);
            double trip = (now() - sent) * 1000;
            if (!answered) ++timeouts_;
            if (samples_.size() < samples_.capacity()) samples_.push_back(trip);
            next += period_;
            double wait = next - now();
            if (wait < 0) next = now();  // late: don't catch up with a burst
            else Sleep(static_cast<DWORD>(wait * 1000 + 0.5));
        }
        ended_ = now();
    }

    HWND target_;
    double period_;
    std::vector<double> samples_;
    unsigned timeouts_ = 0;
    double started_ = 0;
    double ended_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    std::size_t index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

double median(std::vector<double> values) { return percentile(std::move(values), 0.5); }

// Processor seconds used so far by the program's process (as Windows tells
// it), by its main thread, by the wineserver and by the X server it draws on.
struct Processor {
    double process = 0;
    double thread = 0;
    double server = -1;
    double display = -1;

    // Milliseconds per second of wall time between two samples.
    Processor perSecondSince(const Processor& start, double seconds) const {
        Processor rate;
        rate.process = (process - start.process) * 1000 / seconds;
        rate.thread = (thread - start.thread) * 1000 / seconds;
        if (server >= 0 && start.server >= 0) rate.server = (server - start.server) * 1000 / seconds;
        if (display >= 0 && start.display >= 0) rate.display = (display - start.display) * 1000 / seconds;
        return rate;
    }
};

struct ProgramRun {
    double seconds = 0;
    double processor = 0;  // the main thread's processor seconds during the job
    Processor during;  // ms per s during the job
    Processor idle;  // ms per s while idle, in the first run only
    std::vector<double> trips;
    std::vector<double> idleTrips;
    unsigned timeouts = 0;
    double probeSeconds = 0;
};

struct Options {
    std::string folder;
    std::string program;
    std::int64_t length = std::int64_t(1024) << 20;
    int runs = 5;
    double idleSeconds = 5;
    double probeMs = 10;
    int serverPid = 0;
    int displayPid = 0;
};

// One run of quillet.exe, ended (closed, or killed) when it goes.
class Program {
public:
    Program(const std::string& exe, const std::string& source, const std::string& target) {
        std::string commandLine = quoted(exe) + " " + quoted(source) + " " + quoted(target);
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
            fail(withError("cannot start " + commandLine));
        WaitForInputIdle(process_.hProcess, 10000);
        double deadline = now() + StartSeconds;
        while (!(frame_ = findTopLevel(process_.dwProcessId, "QuilletFrame"))) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) fail("quillet.exe ended before its window came up");
            if (now() > deadline) fail("quillet.exe showed no visible QuilletFrame window");
            Sleep(10);
        }
        dialog_ = FindWindowExA(frame_, nullptr, "#32770", nullptr);
        if (!dialog_) fail("the main window holds no dialog");
        startButton_ = GetDlgItem(dialog_, StartButton);
        line1_ = GetDlgItem(dialog_, ProgressLine1);
        if (!startButton_ || !line1_) fail("the main dialog lacks button 5 or static 1113");
        std::string caption = windowText(frame_);
        if (caption != "Quillet 3.00") std::printf("note: the main window's caption reads \"%s\"\n", caption.c_str());
    }
    ~Program() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
                PostMessageA(frame_, WM_CLOSE, 0, 0);
                if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
                    std::printf("note: quillet.exe did not close within 5 s; killed\n");
                    TerminateProcess(process_.hProcess, 1);
                    WaitForSingleObject(process_.hProcess, 5000);
                }
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HANDLE process() const { return process_.hProcess; }
    Processor processor(const Options& options) const {
        return {processorSeconds(process_.hProcess), threadSeconds(process_.hThread),
                linuxProcessSeconds(options.serverPid), linuxProcessSeconds(options.displayPid)};
    }
    HWND frame() const { return frame_; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0; }
    std::string buttonText() const { return windowText(startButton_); }
    std::string line1() const { return windowText(line1_); }
    void clickStart() const { PostMessageA(startButton_, BM_CLICK, 0, 0); }

    // A message box or dialog of the program, which no job of this benchmark
    // should bring up.
    std::string openBox() const {
        HWND box = findTopLevel(process_.dwProcessId, "#32770");
        if (!box) return "";
        std::string text = std::string("\"").append(windowText(box)).append("\"");
        if (HWND message = GetDlgItem(box, 0xFFFF)) text.append(": \"").append(windowText(message)).append("\"");
        return text;
    }

private:
    PROCESS_INFORMATION process_{};
    HWND frame_ = nullptr;
    HWND dialog_ = nullptr;
    HWND startButton_ = nullptr;
    HWND line1_ = nullptr;
};

ProgramRun programCopy(const Options& options, const std::string& source, const std::string& target,
                       std::int64_t length, bool measureIdle) {
    removeFile(target);
    Program program(options.program, source, target);
    ProgramRun run;

    if (measureIdle) {
        Sleep(500);  // let start-up settle
        double wallStart = now();
        Processor before = program.processor(options);
        Sleep(static_cast<DWORD>(options.idleSeconds * 1000));
        run.idle = program.processor(options).perSecondSince(before, now() - wallStart);
        // Round trips of the idle window, for comparison.
        Prober idle(program.frame(), options.probeMs);
        Sleep(500);
        idle.stop();
        run.idleTrips = idle.samples();
    }
    if (program.buttonText() != "&Start") fail("button 5 reads \"" + program.buttonText() + "\" before the click");

    Prober prober(program.frame(), options.probeMs);
    Processor before = program.processor(options);
    double start = now();
    program.clickStart();
    bool started = false;
    double ended = 0;
    for (unsigned turn = 0;; ++turn) {
        Sleep(5);
        if (!program.running()) fail("quillet.exe ended during the job");
        std::string button = program.buttonText();
        std::string line1 = program.line1();
        if (button == "&Stop" || !line1.empty()) started = true;
        if (button == "&Start" && line1.empty() && (started || fileLength(target) == length)) {
            ended = now();
            break;
        }
        if (turn % 20 == 0) {
            std::string box = program.openBox();
            if (!box.empty()) fail("the program showed " + box + " during the job");
        }
        if (now() - start > JobSeconds) {
            char text[96];
            std::snprintf(text, sizeof text, "the job did not end within %.0f s (button reads \"", JobSeconds);
            fail(text + button + "\", line 1113 \"" + line1 + "\")");
        }
    }
    run.seconds = ended - start;
    Processor after = program.processor(options);
    run.processor = after.thread - before.thread;
    run.during = after.perSecondSince(before, run.seconds);
    prober.stop();
    run.trips = prober.samples();
    run.timeouts = prober.timeouts();
    run.probeSeconds = prober.seconds();
    return run;
}

double megabytesPerSecond(std::int64_t length, double seconds) { return static_cast<double>(length) / 1e6 / seconds; }

bool parseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&](const char* name) -> const char* {
            std::size_t size = std::strlen(name);
            return argument.compare(0, size, name) == 0 ? argv[i] + size : nullptr;
        };
        if (const char* mib = value("--size-mib=")) options.length = std::int64_t(std::atoll(mib)) << 20;
        else if (const char* runs = value("--runs=")) options.runs = std::atoi(runs);
        else if (const char* idle = value("--idle-seconds=")) options.idleSeconds = std::atof(idle);
        else if (const char* probe = value("--probe-ms=")) options.probeMs = std::atof(probe);
        else if (const char* server = value("--server-pid=")) options.serverPid = std::atoi(server);
        else if (const char* display = value("--xvfb-pid=")) options.displayPid = std::atoi(display);
        else if (argument.compare(0, 2, "--") == 0) return false;
        else positional.push_back(argument);
    }
    if (positional.size() != 2 || options.length <= 0 || options.runs < 1 || options.idleSeconds < 0 ||
        options.idleSeconds > 60 || options.probeMs < 1)
        return false;
    options.folder = windowsPath(positional[0]);
    while (options.folder.size() > 3 && options.folder.back() == '\\') options.folder.pop_back();
    options.program = windowsPath(positional[1]);
    return true;
}

void printTrips(const char* label, const std::vector<double>& trips, double seconds) {
    if (trips.empty()) {
        std::printf("%-34s no probes\n", label);
        return;
    }
    std::printf("%-34s p50 %6.2f  p99 %6.2f  max %7.2f   (%zu probes", label, percentile(trips, 0.5),
                percentile(trips, 0.99), *std::max_element(trips.begin(), trips.end()), trips.size());
    if (seconds > 0) std::printf(", %.0f/s", static_cast<double>(trips.size()) / seconds);
    std::printf(")\n");
}

int benchmark(const Options& options) {
    const std::string source = options.folder + "\\quillet-bench-source.bin";
    const std::string bareTarget = options.folder + "\\quillet-bench-bare.bin";
    const std::string programTarget = options.folder + "\\quillet-bench-program.bin";
    if (GetFileAttributesA(options.program.c_str()) == INVALID_FILE_ATTRIBUTES) fail("no program at " + options.program);

    struct Cleanup {
        std::vector<std::string> paths;
        ~Cleanup() {
            for (const std::string& path : paths) {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                _unlink(path.c_str());
            }
        }
    } cleanup{{source, bareTarget, programTarget}};

    std::printf("Quillet copy benchmark: %lld MiB in %s, blocks of %u bytes, up to %d rounds\n",
                static_cast<long long>(options.length >> 20), options.folder.c_str(), BlockSize, options.runs);
    std::fflush(stdout);
    double made = now();
    makeSource(source, options.length);
    double read = now();
    Digest sourceDigest = digestOf(source);  // also brings it into the cache
    if (sourceDigest.length != options.length) fail("the source came out at the wrong length");
    std::printf("source made in %.1f s, read back in %.1f s\n", read - made, now() - read);

    // The first copy into fresh memory is slower than all later ones, whoever
    // makes it: warm up, untimed.
    double warmUp = now();
    bareCopy(source, bareTarget);
    removeFile(bareTarget);
    std::printf("warm-up copy in %.1f s (not counted)\n", now() - warmUp);

    std::vector<double> bareSeconds, bareProcessor;
    std::vector<double> servicesSeconds, servicesProcessor;
    std::vector<ProgramRun> programRuns;
    double programTotal = 0;
    for (int round = 0; round < options.runs; ++round) {
        Timing bare = bareCopy(source, bareTarget);
        checkCopy("bare loop", bareTarget, sourceDigest);
        removeFile(bareTarget);
        bareSeconds.push_back(bare.seconds);
        bareProcessor.push_back(bare.processor);
        Timing services = servicesCopy(source, bareTarget);
        checkCopy("file services loop", bareTarget, sourceDigest);
        removeFile(bareTarget);
        servicesSeconds.push_back(services.seconds);
        servicesProcessor.push_back(services.processor);
        std::printf("round %d: bare %5.2f s (cpu %5.2f)  services %5.2f s (cpu %5.2f)", round + 1, bare.seconds,
                    bare.processor, services.seconds, services.processor);
        std::fflush(stdout);

        if (round > 0 && programTotal > ProgramBudgetSeconds) {
            std::printf("   (program skipped: its copies took %.0f s already)\n", programTotal);
            continue;
        }
        ProgramRun run = programCopy(options, source, programTarget, options.length, round == 0);
        checkCopy("program", programTarget, sourceDigest);
        removeFile(programTarget);
        programTotal += run.seconds;
        std::printf("  program %5.2f s (cpu %5.2f)  probe p99 %6.2f ms\n", run.seconds, run.processor,
                    percentile(run.trips, 0.99));
        std::fflush(stdout);
        programRuns.push_back(std::move(run));
    }

    std::vector<double> programSeconds, programProcessor, roundRatios;
    std::vector<double> trips;
    std::vector<double> threadRates, processRates, serverRates, displayRates;
    unsigned timeouts = 0;
    double probeSeconds = 0;
    for (const ProgramRun& run : programRuns) {
        programSeconds.push_back(run.seconds);
        programProcessor.push_back(run.processor);
        roundRatios.push_back(bareSeconds[roundRatios.size()] / run.seconds);
        threadRates.push_back(run.during.thread);
        processRates.push_back(run.during.process);
        serverRates.push_back(run.during.server);
        displayRates.push_back(run.during.display);
        trips.insert(trips.end(), run.trips.begin(), run.trips.end());
        timeouts += run.timeouts;
        probeSeconds += run.probeSeconds;
    }
    const ProgramRun& first = programRuns.front();
    double bareMedian = median(bareSeconds);
    double programMedian = median(programSeconds);
    double bareBest = *std::min_element(bareSeconds.begin(), bareSeconds.end());
    double programBest = *std::min_element(programSeconds.begin(), programSeconds.end());

    std::printf("\n%-36s %10s %10s\n", "", "median", "best");
    std::printf("%-36s %10.1f %10.1f\n", "bare 32 KiB loop, MB/s", megabytesPerSecond(options.length, bareMedian),
                megabytesPerSecond(options.length, bareBest));
    std::printf("%-36s %10.1f %10.1f\n", "same through the file services, MB/s",
                megabytesPerSecond(options.length, median(servicesSeconds)),
                megabytesPerSecond(options.length, *std::min_element(servicesSeconds.begin(), servicesSeconds.end())));
    std::printf("%-36s %10.1f %10.1f\n", "quillet.exe, MB/s", megabytesPerSecond(options.length, programMedian),
                megabytesPerSecond(options.length, programBest));
    double ratio = bareMedian / programMedian;
    std::printf("%-36s %10.3f %10.3f   goal >= 0.9 (median: %s)\n", "ratio program / bare", ratio,
                bareBest / programBest, ratio >= 0.9 ? "met" : "not met");
    // A bare loop and a program copy of one round met much the same load.
    std::printf("%-36s %10.3f\n", "ratio within a round (median)", median(roundRatios));
    // Other people's work on the same processors stretches wall times; the
    // processor time a copy needs is steadier.
    double bareCpu = median(bareProcessor);
    double programCpu = median(programProcessor);
    std::printf("\nprocessor seconds per copy (median): bare %.2f, file services %.2f, quillet.exe %.2f (main\n"
                "thread, wineserver not counted); ratio bare / program %.3f\n",
                bareCpu, median(servicesProcessor), programCpu, programCpu > 0 ? bareCpu / programCpu : 0.0);
    std::printf("\nround trips of WM_NULL to the main window, ms (goal p99 <= 16 during a copy):\n");
    printTrips("  during the copies", trips, probeSeconds);
    if (!trips.empty()) std::printf("  (p99 goal %s)\n", percentile(trips, 0.99) <= 16 ? "met" : "not met");
    if (timeouts) std::printf("  %u probes got no answer within %u ms\n", timeouts, ProbeTimeoutMs);
    printTrips("  idle window", first.idleTrips, 0.5);
    std::printf("\nprocessor time, ms per s of wall time    %12s %12s %12s %12s\n", "main thread", "process",
                "wineserver", "Xvfb");
    auto rates = [](const char* label, double thread, double process, double server, double display) {
        std::printf("  %-38s %12.1f %12.1f", label, thread, process);
        for (double rate : {server, display}) {
            if (rate >= 0) std::printf(" %12.1f", rate);
            else std::printf(" %12s", "unknown");
        }
        std::printf("\n");
    };
    char idleLabel[64];
    std::snprintf(idleLabel, sizeof idleLabel, "idle, no job, over %.1f s", options.idleSeconds);
    rates(idleLabel, first.idle.thread, first.idle.process, first.idle.server, first.idle.display);
    rates("during the copies (median)", median(threadRates), median(processRates), median(serverRates),
          median(displayRates));
    std::printf("  (the main thread's are quillet.exe's own times; Wine's GetProcessTimes of another\n"
                "   process leaves out its running threads; the wineserver and the X server serve every\n"
                "   Wine program of the prefix and display)\n");
    std::printf("(1 MB = 10^6 bytes; %zu bare and %zu program rounds)\n", bareSeconds.size(), programRuns.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: copy_bench FOLDER QUILLET_EXE [--size-mib=N] [--runs=N] [--idle-seconds=S] "
                     "[--probe-ms=N] [--server-pid=N] [--xvfb-pid=N]\n");
        return 2;
    }
    try {
        return benchmark(options);
    } catch (const Failure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "copy_bench: %s\n", failure.what.c_str());
        return 1;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "copy_bench: %s\n", error.what());
        return 1;
    }
}
