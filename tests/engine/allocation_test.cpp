// Whole jobs must not touch the heap: the job's state, its block buffer and
// every text it shows live in static storage. This program counts every
// allocation of the process while jobs run over a file system and a view that
// need no heap themselves, so any count is the engine's (or something it
// calls). It replaces the allocation functions, so it runs apart from the
// other engine tests.
#include <doctest/doctest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"

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

// ---------------------------------------------------------------------------
// A file system in fixed storage: a few file slots of fixed size, a few
// folders, a capacity per drive letter.

constexpr std::size_t SlotBytes = 1100000;  // a 1 MB source and a block beyond it
constexpr int SlotCount = 6;
constexpr int FolderCount = 4;
constexpr int HandleCount = 8;
constexpr int FirstHandle = 3;

std::uint8_t slotStorage[SlotCount][SlotBytes];

bool samePath(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a == '/' ? '\\' : *a;
        char y = *b == '/' ? '\\' : *b;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

int driveIndex(const char* path) {
    char letter = path[0] != '\0' && path[1] == ':' ? path[0] : 'C';
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' : 2;
}

class FixedFileSystem final : public FileServices {
public:
    struct Slot {
        bool used;
        char path[PathSize];
        std::uint32_t attributes;
        DosStamp stamp;
        std::uint64_t length;
    };

    FixedFileSystem() {
        for (std::uint64_t& c : capacity_) c = UINT64_MAX;
    }

    void addFolder(const char* path) {
        for (auto& folder : folders_) {
            if (folder[0] == '\0') {
                std::snprintf(folder, sizeof folder, "%s", path);
                return;
            }
        }
    }
    void addFile(const char* path, const std::uint8_t* data, std::uint64_t length, std::uint32_t attributes,
                 DosStamp stamp) {
        int slot = freeSlot();
        REQUIRE(slot >= 0);
        slots_[slot] = Slot{true, {}, attributes, stamp, length};
        std::snprintf(slots_[slot].path, PathSize, "%s", path);
        std::memcpy(slotStorage[slot], data, length);
    }
    void setCapacity(char drive, std::uint64_t bytes) { capacity_[drive - 'A'] = bytes; }

    // The user takes the full disk out of the drive and puts in an empty one:
    // the files on it are kept aside, in the order they filled, on drive Z.
    void swapDisk(char drive) {
        for (Slot& slot : slots_) {
            if (!slot.used || driveIndex(slot.path) != drive - 'A') continue;
            std::snprintf(slot.path, PathSize, "Z:\\piece%d", ++piecesAside_);
        }
    }
    const Slot* find(const char* path) const {
        for (const Slot& slot : slots_)
            if (slot.used && samePath(slot.path, path)) return &slot;
        return nullptr;
    }
    const std::uint8_t* bytes(const Slot* slot) const { return slotStorage[slot - slots_]; }
    int piecesAside() const { return piecesAside_; }
    int openFiles() const {
        int count = 0;
        for (const OpenFile& h : handles_) count += h.open ? 1 : 0;
        return count;
    }

    int open(const char* path, OpenMode mode) override {
        for (const auto& folder : folders_)
            if (folder[0] != '\0' && samePath(folder, path)) return fail(EACCES, 5);
        bool writing = mode != OpenMode::Source;
        int slot = slotOf(path);
        if (slot < 0) {
            if (!writing || mode == OpenMode::Append) return fail(ENOENT, 2);
            slot = freeSlot();
            if (slot < 0) return fail(ENOSPC, ErrorDiskFull);
            slots_[slot] = Slot{true, {}, AttrArchive, DosStamp{}, 0};
            std::snprintf(slots_[slot].path, PathSize, "%s", path);
        } else if (writing && (slots_[slot].attributes & AttrReadOnly) != 0) {
            return fail(EACCES, 5);
        }
        for (int i = 0; i < HandleCount; ++i) {
            if (handles_[i].open) continue;
            bool atEnd = mode == OpenMode::FirstTarget || mode == OpenMode::Append;
            handles_[i] = OpenFile{true, slot, 0, writing, atEnd};
            return i + FirstHandle;
        }
        return fail(EMFILE, 4);
    }
    int read(int file, void* buffer, unsigned count) override {
        OpenFile* h = handle(file);
        if (!h || h->writing) return fail(EBADF, 6);
        const Slot& slot = slots_[h->slot];
        std::uint64_t left = slot.length > h->position ? slot.length - h->position : 0;
        unsigned n = left < count ? static_cast<unsigned>(left) : count;
        std::memcpy(buffer, slotStorage[h->slot] + h->position, n);
        h->position += n;
        return static_cast<int>(n);
    }
    int write(int file, const void* buffer, unsigned count) override {
        OpenFile* h = handle(file);
        if (!h || !h->writing) return fail(EBADF, 6);
        Slot& slot = slots_[h->slot];
        if (h->appending) h->position = slot.length;
        std::uint64_t end = h->position + count;
        std::uint64_t growth = end > slot.length ? end - slot.length : 0;
        if (growth > room(driveIndex(slot.path))) return fail(ENOSPC, ErrorDiskFull);
        if (end > SlotBytes) return fail(EFBIG, 223);
        std::memcpy(slotStorage[h->slot] + h->position, buffer, count);
        h->position = end;
        if (end > slot.length) slot.length = end;
        return static_cast<int>(count);
    }
    void close(int file) override {
        if (OpenFile* h = handle(file)) h->open = false;
    }
    int commit(int file) override { return handle(file) ? 0 : fail(EBADF, 6); }
    std::uint64_t fileLength(int file) override {
        OpenFile* h = handle(file);
        return h ? slots_[h->slot].length : static_cast<std::uint64_t>(fail(EBADF, 6));
    }
    int changeSize(int file, std::uint64_t length) override {
        OpenFile* h = handle(file);
        if (!h || !h->writing || length > SlotBytes) return fail(EBADF, 6);
        Slot& slot = slots_[h->slot];
        if (length > slot.length) std::memset(slotStorage[h->slot] + slot.length, 0, length - slot.length);
        slot.length = length;
        return 0;
    }
    int getFileTime(int file, DosStamp& stamp) override {
        OpenFile* h = handle(file);
        if (!h) return fail(EBADF, 6);
        stamp = slots_[h->slot].stamp;
        return 0;
    }
    int setFileTime(int file, DosStamp stamp) override {
        OpenFile* h = handle(file);
        if (!h) return fail(EBADF, 6);
        slots_[h->slot].stamp = stamp;
        return 0;
    }
    int deleteFile(const char* path) override {
        int slot = slotOf(path);
        if (slot < 0) return fail(ENOENT, 2);
        if ((slots_[slot].attributes & AttrReadOnly) != 0) return fail(EACCES, 5);
        slots_[slot].used = false;
        return 0;
    }
    std::uint32_t systemError() override { return systemError_; }
    const char* errorText(int errorNumber) override { return std::strerror(errorNumber); }
    std::uint32_t getAttributes(const char* path) override {
        int slot = slotOf(path);
        if (slot >= 0) return slots_[slot].attributes;
        for (const auto& folder : folders_)
            if (folder[0] != '\0' && samePath(folder, path)) return AttrDirectory;
        systemError_ = 2;
        return InvalidAttributes;
    }
    void setAttributes(const char* path, std::uint32_t attributes) override {
        int slot = slotOf(path);
        if (slot >= 0) slots_[slot].attributes = attributes;
    }
    unsigned driveType(const char*) override { return 3; }
    unsigned currentDirectory(char* buffer, unsigned size) override { return answer("C:\\work", buffer, size); }
    unsigned systemDirectory(char* buffer, unsigned size) override {
        return answer("C:\\windows\\system32", buffer, size);
    }
    bool sameFile(const char* first, const char* second) override {
        return samePath(first, second) && slotOf(first) >= 0;
    }

private:
    struct OpenFile {
        bool open;
        int slot;
        std::uint64_t position;
        bool writing;
        bool appending;
    };

    int fail(int errorNumber, std::uint32_t systemCode) {
        errno = errorNumber;
        systemError_ = systemCode;
        return -1;
    }
    int slotOf(const char* path) const {
        for (int i = 0; i < SlotCount; ++i)
            if (slots_[i].used && samePath(slots_[i].path, path)) return i;
        return -1;
    }
    int freeSlot() const {
        for (int i = 0; i < SlotCount; ++i)
            if (!slots_[i].used) return i;
        return -1;
    }
    OpenFile* handle(int file) {
        int i = file - FirstHandle;
        return i >= 0 && i < HandleCount && handles_[i].open ? &handles_[i] : nullptr;
    }
    std::uint64_t room(int drive) const {
        std::uint64_t used = 0;
        for (const Slot& slot : slots_)
            if (slot.used && driveIndex(slot.path) == drive) used += slot.length;
        return used >= capacity_[drive] ? 0 : capacity_[drive] - used;
    }
    static unsigned answer(const char* text, char* buffer, unsigned size) {
        auto length = static_cast<unsigned>(std::strlen(text));
        if (length + 1 > size) return length + 1;
        std::memcpy(buffer, text, length + 1);
        return length;
    }

    Slot slots_[SlotCount] = {};
    char folders_[FolderCount][PathSize] = {};
    OpenFile handles_[HandleCount] = {};
    std::uint64_t capacity_[26];
    std::uint32_t systemError_ = 0;
    int piecesAside_ = 0;
};

// ---------------------------------------------------------------------------
// A user who answers from fixed choices and remembers only counts and the
// last texts.

class QuietView final : public JobView {
public:
    MainTransfer controls{};
    FixedFileSystem* disks = nullptr;
    int diskFullAnswer = answer::Cancel;
    char newTarget[PathSize] = "";

    int diskFulls = 0;
    int changeTargets = 0;
    int boxes = 0;  // none is expected in these jobs
    int beeps = 0;
    int progressCalls = 0;
    unsigned lastProgress = 0;
    char lastLine2[64] = "";
    int idleLooks = 0;

    void saveControls() override { mainTransfer = controls; }
    void setRunningControls() override {}
    void setIdleControls() override { ++idleLooks; }
    void setProgress(unsigned percent) override {
        ++progressCalls;
        lastProgress = percent;
    }
    void setProgressLine1(const char*) override {}
    void setProgressLine2(const char* text) override { std::snprintf(lastLine2, sizeof lastLine2, "%s", text); }
    void beep() override { ++beeps; }
    int messageBox(const char*, const char*, unsigned) override {
        ++boxes;
        return box::IdCancel;
    }
    int confirmOverwrite() override {
        ++boxes;
        return answer::Cancel;
    }
    int diskFull() override {
        ++diskFulls;
        if (diskFullAnswer == answer::Continue) disks->swapDisk('D');
        return diskFullAnswer;
    }
    int changeTarget() override {
        ++changeTargets;
        std::snprintf(copyJob.changeTargetText, sizeof copyJob.changeTargetText, "%s", newTarget);
        return answer::NewTarget;
    }
};

constexpr std::size_t SourceSize = 1000000;
constexpr DosStamp SourceStamp{0x7A3C, 0x2D65};
std::uint8_t sourceBytes[SourceSize];

struct JobRun {
    long startAllocations = -1;
    long copyAllocations = -1;
    int steps = 0;
};

// Starts a job from the source to `target` and runs it to its end, counting
// the allocations of the start and of the steps.
JobRun runJob(FixedFileSystem& files, QuietView& view, const char* target) {
    std::uint32_t x = 0x2545F491u;
    for (std::uint8_t& b : sourceBytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    copyJob = CopyJob{};
    mainTransfer = MainTransfer{};
    files.addFolder("C:\\work");
    files.addFolder("D:\\out");
    files.addFolder("E:\\more");
    files.addFile("C:\\work\\data.bin", sourceBytes, SourceSize, AttrArchive, SourceStamp);
    view.disks = &files;
    std::snprintf(view.controls.sourceText, sizeof view.controls.sourceText, "%s", "C:\\work\\data.bin");
    std::snprintf(view.controls.targetText, sizeof view.controls.targetText, "%s", target);
    view.controls.clearReadOnlyFromCdrom = 1;

    JobRun run;
    run.startAllocations = allocationsIn([&] { startJob(view, files); });
    run.copyAllocations = allocationsIn([&] {
        while (copyJob.state != Idle && run.steps < 100) {
            copyStep(view, files);
            ++run.steps;
        }
    });
    return run;
}

// The pieces, in the order they filled, then the file at `last`, put end to
// end equal the source.
void checkPiecesMakeSource(const FixedFileSystem& files, const char* last) {
    std::size_t offset = 0;
    char name[PathSize];
    for (int i = 1; i <= files.piecesAside(); ++i) {
        std::snprintf(name, sizeof name, "Z:\\piece%d", i);
        const FixedFileSystem::Slot* piece = files.find(name);
        REQUIRE(piece != nullptr);
        REQUIRE(offset + piece->length <= SourceSize);
        CHECK(std::memcmp(files.bytes(piece), sourceBytes + offset, piece->length) == 0);
        offset += piece->length;
    }
    const FixedFileSystem::Slot* file = files.find(last);
    REQUIRE(file != nullptr);
    CHECK(offset + file->length == SourceSize);
    REQUIRE(offset + file->length <= SourceSize);
    CHECK(std::memcmp(files.bytes(file), sourceBytes + offset, file->length) == 0);
    CHECK(file->stamp.date == SourceStamp.date);
    CHECK(file->stamp.time == SourceStamp.time);
}

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

TEST_CASE("whole jobs allocate nothing") {
    FixedFileSystem files;
    QuietView view;

    SUBCASE("a plain copy of 1 MB") {
        JobRun run = runJob(files, view, "D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(view.diskFulls == 0);
        CHECK(std::strcmp(view.lastLine2, "") == 0);
        checkPiecesMakeSource(files, "D:\\out\\data.bin");
    }
    SUBCASE("a full disk, three times Continue") {
        files.setCapacity('D', 10 * 32768 + 5 * 512);
        view.diskFullAnswer = answer::Continue;
        JobRun run = runJob(files, view, "D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(view.diskFulls == 3);
        CHECK(files.piecesAside() == 3);
        checkPiecesMakeSource(files, "D:\\out\\data.bin");
    }
    SUBCASE("a full disk, then Change target to another drive") {
        files.setCapacity('D', 10 * 32768 + 5 * 512);
        view.diskFullAnswer = answer::ChangeTarget;
        std::snprintf(view.newTarget, sizeof view.newTarget, "%s", "E:/more/");
        JobRun run = runJob(files, view, "D:\\out\\");
        CHECK(run.startAllocations == 0);
        CHECK(run.copyAllocations == 0);
        CHECK(run.steps == 31);
        CHECK(view.diskFulls == 1);
        CHECK(view.changeTargets == 1);
        const FixedFileSystem::Slot* first = files.find("D:\\out\\data.bin");
        REQUIRE(first != nullptr);
        CHECK(first->length == 10 * 32768 + 5 * 512);
        CHECK(std::memcmp(files.bytes(first), sourceBytes, first->length) == 0);
        const FixedFileSystem::Slot* second = files.find("E:\\more\\data.bin");
        REQUIRE(second != nullptr);
        CHECK(first->length + second->length == SourceSize);
        CHECK(std::memcmp(files.bytes(second), sourceBytes + first->length, second->length) == 0);
    }
    CHECK(copyJob.state == Idle);
    CHECK(view.boxes == 0);
    CHECK(view.beeps == 0);
    CHECK(view.idleLooks == 1);
    CHECK(view.lastProgress == 0);
    CHECK(files.openFiles() == 0);
}
