// Whole jobs must not touch the heap: the job's state, its block buffer and
// every text it shows live in static storage. This program counts every
// allocation of the process while jobs run over the in-memory file system and
// the scripted view; counting pauses inside their calls, so any count is the
// engine's own. It replaces the allocation functions, so it runs apart from
// the other engine tests.
#include <doctest/doctest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "tests/support/mem_file_system.h"
#include "tests/support/scripted_view.h"

// ---------------------------------------------------------------------------
// Counting.

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void noteAllocation() {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer owns malloc and operator new; its hooks see both, and the
// C library's own allocations too.
#if __has_include(<sanitizer/allocator_interface.h>)
#include <sanitizer/allocator_interface.h>
#else
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                                        void (*freeHook)(const volatile void*));
#endif
namespace {
void onMalloc(const volatile void*, std::size_t) { noteAllocation(); }
void onFree(const volatile void*) {}
const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree);
}  // namespace
constexpr bool CountsMalloc = true;

#elif defined(__GLIBC__)
// Without the sanitizer, the C library's allocator is replaced by one that
// counts and hands on to it; the library's own calls come through here too.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* __libc_memalign(std::size_t, std::size_t);
void* __libc_valloc(std::size_t);
void* __libc_pvalloc(std::size_t);

void* malloc(std::size_t size) noexcept {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    noteAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
    noteAllocation();
    return __libc_realloc(block, size);
}
void free(void* block) noexcept { __libc_free(block); }
void* memalign(std::size_t alignment, std::size_t size) noexcept {
    noteAllocation();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    noteAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
    noteAllocation();
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *block = p;
    return 0;
}
void* valloc(std::size_t size) noexcept {
    noteAllocation();
    return __libc_valloc(size);
}
void* pvalloc(std::size_t size) noexcept {
    noteAllocation();
    return __libc_pvalloc(size);
}
}
constexpr bool CountsMalloc = true;

#else
// Elsewhere (the Windows build) only operator new is counted.
constexpr bool CountsMalloc = false;
#endif

#if !defined(__SANITIZE_ADDRESS__)
// Kept out of line: inlined into a caller, GCC would see a free() of memory
// from operator new and take it for a mismatched pair.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (!CountsMalloc) noteAllocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

// Allocations made by `work`, and none of doctest's.
template <class Work>
long allocationsIn(Work work) {
    allocations.store(0);
    counting.store(true);
    work();
    counting.store(false);
    return allocations.load();
}

// Counting stops for the length of a call into the test's own fakes.
class Paused {
public:
    Paused() : was_(counting.exchange(false)) {}
    ~Paused() { counting.store(was_); }
    Paused(const Paused&) = delete;
    Paused& operator=(const Paused&) = delete;

private:
    bool was_;
};

// The in-memory file system, its calls left out of the count.
class UncountedFiles final : public FileServices {
public:
    explicit UncountedFiles(MemFileSystem& files) : files_(files) {}

    int open(const char* path, OpenMode mode) override { Paused paused; return files_.open(path, mode); }
    int read(int file, void* buffer, unsigned count) override { Paused paused; return files_.read(file, buffer, count); }
    int write(int file, const void* buffer, unsigned count) override {
        Paused paused;
        return files_.write(file, buffer, count);
    }
    void close(int file) override { Paused paused; files_.close(file); }
    int commit(int file) override { Paused paused; return files_.commit(file); }
    std::uint64_t fileLength(int file) override { Paused paused; return files_.fileLength(file); }
    int changeSize(int file, std::uint64_t length) override { Paused paused; return files_.changeSize(file, length); }
    int getFileTime(int file, DosStamp& stamp) override { Paused paused; return files_.getFileTime(file, stamp); }
    int setFileTime(int file, DosStamp stamp) override { Paused paused; return files_.setFileTime(file, stamp); }
    int deleteFile(const char* path) override { Paused paused; return files_.deleteFile(path); }
    std::uint32_t systemError() override { Paused paused; return files_.systemError(); }
    const char* errorText(int errorNumber) override { Paused paused; return files_.errorText(errorNumber); }
    std::uint32_t getAttributes(const char* path) override { Paused paused; return files_.getAttributes(path); }
    void setAttributes(const char* path, std::uint32_t attributes) override {
        Paused paused;
        files_.setAttributes(path, attributes);
    }
    unsigned driveType(const char* root) override { Paused paused; return files_.driveType(root); }
    unsigned currentDirectory(char* buffer, unsigned size) override {
        Paused paused;
        return files_.currentDirectory(buffer, size);
    }
    unsigned systemDirectory(char* buffer, unsigned size) override {
        Paused paused;
        return files_.systemDirectory(buffer, size);
    }
    bool sameFile(const char* first, const char* second) override {
        Paused paused;
        return files_.sameFile(first, second);
    }

private:
    MemFileSystem& files_;
};

// The scripted user, its calls left out of the count.
class UncountedView final : public JobView {
public:
    explicit UncountedView(ScriptedView& view) : view_(view) {}

    void saveControls() override { Paused paused; view_.saveControls(); }
    void setRunningControls() override { Paused paused; view_.setRunningControls(); }
    void setIdleControls() override { Paused paused; view_.setIdleControls(); }
    void setProgress(unsigned percent) override { Paused paused; view_.setProgress(percent); }
    void setProgressLine1(const char* text) override { Paused paused; view_.setProgressLine1(text); }
    void setProgressLine2(const char* text) override { Paused paused; view_.setProgressLine2(text); }
    void beep() override { Paused paused; view_.beep(); }
    int messageBox(const char* text, const char* caption, unsigned flags) override {
        Paused paused;
        return view_.messageBox(text, caption, flags);
    }
    int confirmOverwrite() override { Paused paused; return view_.confirmOverwrite(); }
    int diskFull() override { Paused paused; return view_.diskFull(); }
    int changeTarget() override { Paused paused; return view_.changeTarget(); }

private:
    ScriptedView& view_;
};

constexpr char SourcePath[] = "C:\\work\\data.bin";
constexpr char TargetPath[] = "D:\\out\\data.bin";
constexpr std::size_t SourceSize = 1000000;
constexpr DosStamp SourceStamp{0x7A3C, 0x2D65};
constexpr std::uint64_t SmallDisk = 10 * 32768 + 5 * 512;

using Bytes = std::vector<std::uint8_t>;

struct JobRun {
    long startAllocations = -1;
    long copyAllocations = -1;
    int steps = 0;
};

// A 1 MB source and three drives; the job is started to `target` and run to its end, counting the
// allocations of the start and of the steps.
struct AllocationJob {
    MemFileSystem fs;
    ScriptedView view;
    Bytes source = Bytes(SourceSize);
    std::vector<Bytes> pieces;  // the filled pieces, in the order they filled

    AllocationJob() {
        std::uint32_t x = 0x2545F491u;
        for (std::uint8_t& b : source) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<std::uint8_t>(x >> 24);
        }
        copyJob = CopyJob{};
        mainTransfer = MainTransfer{};
        fs.addFolder("C:\\work");
        fs.addFolder("D:\\out");
        fs.addFolder("E:\\more");
        fs.addFile(SourcePath, source, AttrArchive, SourceStamp);
    }

    // The user takes the filled piece out of the drive and puts in an empty disk.
    void takePiece() {
        pieces.push_back(fs.contents(TargetPath));
        fs.removeFile(TargetPath);
    }

    JobRun run(const char* target) {
        std::snprintf(view.controls.sourceText, sizeof view.controls.sourceText, "%s", SourcePath);
        std::snprintf(view.controls.targetText, sizeof view.controls.targetText, "%s", target);
        view.controls.clearReadOnlyFromCdrom = 1;
        UncountedFiles files(fs);
        UncountedView quiet(view);

        JobRun run;
        run.startAllocations = allocationsIn([&] { startJob(quiet, files); });
        run.copyAllocations = allocationsIn([&] {
            while (copyJob.state != Idle && run.steps < 100) {
                copyStep(quiet, files);
                ++run.steps;
            }
        });
        return run;
    }

    // The pieces, then the file at `last`, put end to end equal the source.
    void checkPiecesMakeSource(const char* last) {
        Bytes joined;
        for (const Bytes& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
        const MemFileSystem::File& file = fs.file(last);
        joined.insert(joined.end(), file.data.begin(), file.data.end());
        CHECK(joined.size() == SourceSize);
        CHECK(joined == source);
        CHECK(file.stamp.date == SourceStamp.date);
        CHECK(file.stamp.time == SourceStamp.time);
    }
};

}  // namespace

TEST_CASE("the allocation counter sees an allocation") {
    long counted = allocationsIn([] {
        void* p = ::operator new(24);
        ::operator delete(p);
        if (CountsMalloc) {
            void* volatile q = std::malloc(24);
            std::free(q);
        }
    });
    CHECK(counted >= (CountsMalloc ? 2 : 1));
#if defined(__SANITIZE_ADDRESS__)
    CHECK(hooksInstalled > 0);
#endif
}

TEST_CASE("the counter pauses only inside the test's own fakes") {
    long counted = allocationsIn([] {
        {
            Paused paused;
            ::operator delete(::operator new(24));
        }
        ::operator delete(::operator new(24));
    });
    CHECK(counted == 1);
}

TEST_CASE("whole jobs allocate nothing") {
    AllocationJob job;

    SUBCASE("a plain copy of 1 MB") {
        JobRun run = job.run("D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(job.view.leftTexts.empty());
        CHECK(job.view.line2.back() == "");
        job.checkPiecesMakeSource(TargetPath);
    }
    SUBCASE("a full disk, three times Continue") {
        job.fs.setCapacity("D:", SmallDisk);
        job.view.diskFullAnswers = {answer::Continue, answer::Continue, answer::Continue};
        job.view.onDiskFull = [&] { job.takePiece(); };
        JobRun run = job.run("D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(job.view.leftTexts.size() == 3);
        CHECK(job.pieces.size() == 3);
        job.checkPiecesMakeSource(TargetPath);
    }
    SUBCASE("a full disk, then Change target to another drive") {
        job.fs.setCapacity("D:", SmallDisk);
        job.view.diskFullAnswers = {answer::ChangeTarget};
        job.view.changeTargetAnswers = {{answer::NewTarget, "E:/more/"}};
        JobRun run = job.run("D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(job.view.leftTexts.size() == 1);
        CHECK(job.view.changeTargetTexts.size() == 1);
        const Bytes first = job.fs.contents(TargetPath);
        CHECK(first.size() == SmallDisk);
        job.pieces.push_back(first);
        job.checkPiecesMakeSource("E:\\more\\data.bin");
    }
    CHECK(copyJob.state == Idle);
    CHECK(job.view.boxes.empty());
    CHECK(job.view.beeps == 0);
    CHECK(job.view.idleLooks == 1);
    CHECK(job.view.progress.back() == 0);
    CHECK(job.fs.openHandles() == 0);
}
