// Whole jobs of the copy engine, decided by the fuzzer's input: the two texts
// typed (any bytes, up to and past 255 characters), the check boxes, the files
// there with their sizes, contents and attributes, drive types, the faults
// (refused opens, reads that fail or come short, writes that fail, disks that
// fill up, disk swaps) and every answer of the user, Stop between any two
// steps included. After each job it checks what a user relies on, and stops
// with a message on the first thing wrong.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "engine/messages.h"
#include "tests/support/bytes.h"
#include "tests/support/mem_file_system.h"
#include "tests/support/scripted_view.h"

namespace {


// What the job did so far, told with a finding.
std::string (*describeJob)() = nullptr;

[[noreturn]] void finding(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "FINDING: %s %s\n%s\n", what, detail.c_str(), describeJob ? describeJob().c_str() : "");
    std::abort();
}

#define EXPECT(condition, ...) \
    do {                       \
        if (!(condition)) finding(#condition, ##__VA_ARGS__); \
    } while (0)

const std::string LongName = std::string(126, 'n') + ".bin";  // 130 characters
const std::string LongFolder = "D:\\" + std::string(200, 'f');

const char* const SourcePaths[] = {
    "C:\\work\\data.bin", "C:\\work\\nul.txt", "data.bin", "C:/work/data.bin", "C:\\com1", "\\work\\data.bin",
};

std::string targetChoice(FuzzedDataProvider& in, const std::string& source) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
    case 0: return "D:\\out\\";
    case 1: return "D:\\out";
    case 2: return "D:\\out\\data.bin";
    case 3: return "D:\\out\\copy.bin";
    case 4: return "D:";
    case 5: return "E:\\more\\";
    case 6: return LongFolder + "\\";
    case 7: return LongFolder;
    case 8: return source;
    case 9: return "D:\\out\\lpt1.log";
    case 10: return "D:\\out\\sub";
    case 11: return "D:\\out\\" + LongName;
    case 12: return "  d:/out/ ";
    case 13: return "Q:\\nowhere\\";
    default: return in.ConsumeBytesAsString(in.ConsumeIntegralInRange(0, 300));
    }
}

// Fills a 256-byte text field the way an edit hands it over; a raw text may
// fill the whole field with no terminator.
void typeInto(char (&field)[256], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), text.size() < sizeof field ? text.size() : sizeof field);
}

// Bytes without a short period, so that a block or sector put in the wrong
// place cannot go unnoticed; made once, and each file a stretch of them.
Bytes patterned(std::size_t size, std::uint32_t seed) {
    static const Bytes noise = bytesOf(3 * BlockSize + 65536);
    std::size_t from = seed % 65536;
    return Bytes(noise.begin() + static_cast<std::ptrdiff_t>(from),
                 noise.begin() + static_cast<std::ptrdiff_t>(from + size));
}

// Up to two full blocks and a last one: every kind of step (the first, a
// middle one with the progress display, a last short or empty one) while the
// files stay small enough for the fuzzer to run fast.
std::size_t sizeChoice(FuzzedDataProvider& in) {
    std::size_t blocks = in.ConsumeIntegralInRange<std::size_t>(0, 2);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return blocks * BlockSize;
    case 1: return blocks * BlockSize + in.ConsumeIntegralInRange<std::size_t>(1, 2048);
    case 2: return blocks * BlockSize - (blocks ? in.ConsumeIntegralInRange<std::size_t>(1, 2048) : 0);
    default: return in.ConsumeIntegralInRange<std::size_t>(0, 3 * BlockSize - 1);
    }
}

int errnoChoice(FuzzedDataProvider& in) {
    static const int errors[] = {EACCES, ENOENT, EIO, ENOSPC, EMFILE, EINVAL, EROFS, EBUSY};
    return in.PickValueInArray(errors);
}

// A fault to put on the target that is open when block `block` is written.
struct WriteFault {
    std::uint64_t block;
    bool sectorsOnly;
    int result;
    unsigned written;
    int errorNumber;
    std::uint32_t systemCode;
    int times;
};

struct Piece {
    std::string path;
    Bytes bytes;
    std::uint64_t from, to;  // the stretch of the source it holds
    bool prefixed;           // the target's old content in front (Append)
    bool takenOff = false;   // the disk was swapped or the piece emptied
};

bool terminated(const char* text, std::size_t size) { return std::memchr(text, '\0', size) != nullptr; }

bool endsWithErrorText(const std::string& text, const std::string& head) {
    if (text.compare(0, head.size(), head) != 0) return false;
    std::string rest = text.substr(head.size());
    for (int e = 0; e < 160; ++e)
        if (rest == std::strerror(e)) return true;
    return false;
}

// Whether a box is one the program shows, with its own caption and buttons.
bool ownBox(const ScriptedView::Box& box) {
    const std::string& t = box.text;
    auto is = [&](const char* caption, std::initializer_list<unsigned> flags) {
        if (box.caption != caption) return false;
        for (unsigned f : flags)
            if (box.flags == f) return true;
        return false;
    };
    if (t == "   Do you want to terminate copying?  \t\t\t ") return is("Warning", {0x124});
    if (t == "   Target file has READ-ONLY attribute\t\t\t \r\n   Do you wish to overwrite ?\r\n ")
        return is("Warning", {0x31});
    if (t == "   Source or target file was not specified\t\t\t " || t == "   Target file name is too long\t\t\t " ||
        t == "   Source and target are the same file\t\t\t ")
        return is("Error", {0x10});
    if (t == "   Target file already exists\t\t\t ") return is("Error", {0x15});
    for (const char* name : reservedDeviceNames)
        if (t == std::string("   Unable to copy from\t\t\t \r\n   ") + name ||
            t == std::string("   Unable to copy to\t\t\t \r\n   ") + name)
            return is("Error", {0x10});
    if (endsWithErrorText(t, "   Error opening source file\t\t\t\r\n   ") ||
        endsWithErrorText(t, "   Error reading source file\t\t\t\r\n   ") ||
        endsWithErrorText(t, "   Couldn't delete source file\t\t\t\r\n   "))
        return is("Error", {0x10});
    if (endsWithErrorText(t, "   Error opening target file\t\t\t\r\n   ")) return is("Error", {0x10, 0x15});
    if (endsWithErrorText(t, "   Error writing the file\t\t\t\r\n   ")) return is("Error", {0x15});
    int e = 0, code = 0;
    std::size_t tail = t.rfind("\r\n( ");
    if (t.compare(0, 14, "Write error : ") == 0 && tail != std::string::npos &&
        std::sscanf(t.c_str() + tail, "\r\n( %d / %d )", &e, &code) == 2) {
        char again[256];
        std::snprintf(again, sizeof again, "Write error : %s\r\n( %d / %d )", std::strerror(e), e, code);
        return t == again && is("Error", {0x10, 0x15});
    }
    return false;
}

class Job {
public:
    explicit Job(FuzzedDataProvider& in) : in_(in) {}

    static Job* current;

    static std::string describe() {
        Job& j = *current;
        std::string text = "source " + j.sourcePath_ + " (" + std::to_string(j.source_.size()) + " bytes)" +
                           (j.move_ ? ", move" : "") + "\ntyped: [" +
                           std::string(j.view_.controls.sourceText, strnlen(j.view_.controls.sourceText, 256)) +
                           "] -> [" + std::string(j.view_.controls.targetText, strnlen(j.view_.controls.targetText, 256)) +
                           "]\ntarget now " + copyJob.targetPath + "\nevents " + j.view_.events + "\n";
        for (const auto& box : j.view_.boxes) text += "box: " + box.text + "\n";
        for (const auto& f : j.writeFaults_)
            text += "write fault at block " + std::to_string(f.block) + (f.sectorsOnly ? " (sectors)" : "") + ": " +
                    std::to_string(f.result) + ", " + std::to_string(f.written) + " written, errno " +
                    std::to_string(f.errorNumber) + "/" + std::to_string(f.systemCode) + " x" + std::to_string(f.times) +
                    "\n";
        for (const auto& piece : j.pieces_)
            text += "piece " + piece.path + " " + std::to_string(piece.from) + ".." + std::to_string(piece.to) + "\n";
        return text;
    }

    void run() {
        current = this;
        describeJob = &Job::describe;
        copyJob = CopyJob{};
        mainTransfer = MainTransfer{};
        setUp();
        view_.answerer = [this](char event) { return answer(event); };
        view_.onBox = [this](const ScriptedView::Box&) { nestedCallsDoNothing(); };
        view_.onOverwrite = [this] {
            nestedCallsDoNothing();
            oldTarget_ = fs_.exists(copyJob.targetPath) ? fs_.contents(copyJob.targetPath) : Bytes{};
        };
        view_.onDiskFull = [this] { diskFull(); };

        // The file the job will take as its source, as it is before the job.
        view_.saveControls();
        if (endsInField(mainTransfer.sourceText) && endsInField(mainTransfer.targetText) && cleanPaths() &&
            fs_.exists(copyJob.sourcePath)) {
            jobSourcePath_ = copyJob.sourcePath;
            source_ = fs_.contents(jobSourcePath_);
            sourceAttributes_ = fs_.file(jobSourcePath_).attributes;
        }
        copyJob = CopyJob{};

        startJob(view_, fs_);
        started_ = copyJob.state == Ready;
        std::uint64_t steps = 0;
        while (copyJob.state != Idle) {
            EXPECT(steps <= copyJob.lastBlock + 1, "a job that does not end");
            if (stopBefore_.size() > steps && stopBefore_[steps]) stopJob(view_, fs_);
            for (const WriteFault& f : writeFaults_)
                if (f.block == copyJob.blockIndex && copyJob.state == Ready) {
                    if (f.sectorsOnly)
                        fs_.failSectorWrite(copyJob.targetPath, f.errorNumber, f.systemCode, f.times);
                    else
                        fs_.failWrite(copyJob.targetPath, f.result, f.written, f.errorNumber, f.systemCode, f.times);
                }
            copyStep(view_, fs_);
            ++steps;
        }
        check();
    }

private:
    FuzzedDataProvider& in_;
    MemFileSystem fs_;
    ScriptedView view_;
    std::string sourcePath_;
    std::string jobSourcePath_;  // empty when the typed source names no file
    Bytes source_;
    std::uint32_t sourceAttributes_ = 0;
    bool move_ = false;
    std::vector<WriteFault> writeFaults_;
    std::vector<bool> stopBefore_;
    Bytes oldTarget_;
    bool appended_ = false;
    bool started_ = false;
    bool selfCopy_ = false;
    std::vector<Piece> pieces_;
    int questions_ = 0;

    void setUp() {
        fs_.addFolder("C:\\work");
        fs_.addFolder("D:\\out");
        fs_.addFolder("D:\\out\\sub");
        fs_.addFolder("E:\\more");
        fs_.addFolder(LongFolder);
        if (in_.ConsumeBool()) fs_.setDriveType("C:\\", DriveCdrom);
        // Relative paths go from here: the source's folder or the target's.
        if (in_.ConsumeBool()) fs_.setCurrentDirectory("D:\\out");

        int sourceChoice = in_.ConsumeIntegralInRange(0, 9);
        if (sourceChoice < 6)
            sourcePath_ = SourcePaths[sourceChoice];
        else if (sourceChoice == 6)
            sourcePath_ = "C:\\work\\" + LongName;
        else if (sourceChoice == 7)
            sourcePath_ = "C:\\" + std::string(245, 's') + ".bin";
        else
            sourcePath_ = "C:\\work\\data.bin";
        source_ = patterned(sizeChoice(in_), in_.ConsumeIntegral<std::uint32_t>());
        static const std::uint32_t attributeSets[] = {AttrArchive, AttrReadOnly | AttrArchive, AttrHidden | AttrSystem,
                                                      AttrNormal, AttrReadOnly | AttrHidden | AttrArchive};
        sourceAttributes_ = in_.PickValueInArray(attributeSets);
        fs_.addFile(sourcePath_, source_, sourceAttributes_, DosStamp{0x7A3C, 0x2D65});
        if (in_.ConsumeBool()) fs_.unreadableStamp(sourcePath_);

        // A target already there: empty, holding data, perhaps read-only.
        int existing = in_.ConsumeIntegralInRange(0, 3);
        if (existing > 0) {
            static const char* const paths[] = {"D:\\out\\data.bin", "D:\\out\\copy.bin", "E:\\more\\data.bin"};
            Bytes old = existing == 1 ? Bytes{} : patterned(in_.ConsumeIntegralInRange(1, 40000), in_.ConsumeIntegral<std::uint32_t>());
            const char* path = in_.PickValueInArray(paths);
            if (!fs_.exists(path))
                fs_.addFile(path, old,
                        in_.ConsumeBool() ? AttrReadOnly | AttrArchive : AttrArchive | AttrSystem, DosStamp{1, 2});
        }
        if (in_.ConsumeBool()) fs_.setCapacity("D:", in_.ConsumeIntegralInRange<std::uint64_t>(0, 3 * 32768));
        if (in_.ConsumeBool()) fs_.setCapacity("E:", in_.ConsumeIntegralInRange<std::uint64_t>(0, 3 * 32768));

        // Faults.
        for (int n = in_.ConsumeIntegralInRange(0, 4); n > 0; --n) {
            switch (in_.ConsumeIntegralInRange(0, 5)) {
            case 0: {
                std::string path = in_.ConsumeBool() ? sourcePath_ : targetChoice(in_, sourcePath_);
                fs_.refuseOpen(path, errnoChoice(in_), in_.ConsumeIntegralInRange(1, 3));
                break;
            }
            case 1: {
                int index = in_.ConsumeIntegralInRange(0, 3);
                int result = in_.ConsumeBool() ? -1 : in_.ConsumeIntegralInRange(0, 32767);
                fs_.failRead(sourcePath_, index, result, errnoChoice(in_));
                break;
            }
            case 2:
            case 3: {
                static const std::uint32_t codes[] = {0, 5, ErrorDiskFull};
                static const int results[] = {-1, 0, 512, 8192};
                WriteFault f{in_.ConsumeIntegralInRange<std::uint64_t>(0, 3), in_.ConsumeBool(), in_.PickValueInArray(results),
                             0, errnoChoice(in_), in_.PickValueInArray(codes), in_.ConsumeIntegralInRange(1, 3)};
                if (in_.ConsumeBool()) {
                    f.errorNumber = ENOSPC;
                    f.systemCode = ErrorDiskFull;
                }
                // As the file services promise: -1 keeps nothing of the call
                // (a full disk always gives -1); a count is what was written.
                if (f.errorNumber == ENOSPC && f.systemCode == ErrorDiskFull) f.result = -1;
                f.written = f.result >= 0 ? static_cast<unsigned>(f.result) : 0;
                writeFaults_.push_back(f);
                break;
            }
            case 4: fs_.failDelete(sourcePath_, errnoChoice(in_)); break;
            default: fs_.refuseOpen(copyTargetGuess(), errnoChoice(in_), in_.ConsumeIntegralInRange(1, 3)); break;
            }
        }
        for (int n = in_.ConsumeIntegralInRange(0, 12); n > 0; --n) stopBefore_.push_back(in_.ConsumeBool());

        // What the user typed and ticked.
        typeInto(view_.controls.sourceText, in_.ConsumeBool() ? sourcePath_ : targetChoice(in_, sourcePath_));
        typeInto(view_.controls.targetText, targetChoice(in_, sourcePath_));
        view_.controls.clearReadOnlyFromCdrom = in_.ConsumeBool() ? 1 : 0;
        move_ = in_.ConsumeBool();
        view_.controls.moveFile = move_ ? 1 : 0;
    }

    // Where a folder target would put the source's name.
    std::string copyTargetGuess() const {
        std::size_t slash = sourcePath_.find_last_of("\\/:");
        return "D:\\out\\" + sourcePath_.substr(slash == std::string::npos ? 0 : slash + 1);
    }

    // The first choice of every question is the one that ends things, so a
    // job always ends once the input runs out.
    int answer(char event) {
        EXPECT(++questions_ < 10000, "endless questions");
        switch (event) {
        case 'm': {
            static const int answers[] = {box::IdCancel, box::IdOk, box::IdRetry, box::IdYes, box::IdNo};
            return in_.PickValueInArray(answers);
        }
        case 'o': {
            static const int answers[] = {answer::Cancel, answer::Overwrite, answer::Append, 0, 3};
            int a = in_.PickValueInArray(answers);
            appended_ = a == answer::Append;
            return a;
        }
        case 'd': {
            static const int answers[] = {answer::Cancel, answer::Continue, answer::ChangeTarget, 0};
            return in_.PickValueInArray(answers);
        }
        default: {
            static const int answers[] = {answer::Cancel, answer::NewTarget, answer::KeepTarget, 0};
            int a = in_.PickValueInArray(answers);
            if (a == answer::NewTarget && in_.ConsumeBool()) {
                std::string text = targetChoice(in_, sourcePath_);
                std::snprintf(copyJob.changeTargetText, sizeof copyJob.changeTargetText, "%s", text.c_str());
            }
            return a;
        }
        }
    }

    // A step or a stop that comes while a question of a start or a step is
    // up changes nothing. (The stop question itself comes between two steps,
    // while the job is Ready; there the modal box alone keeps both away.)
    void nestedCallsDoNothing() {
        if (copyJob.state == Ready) return;
        std::string events = view_.events;
        std::int32_t state = copyJob.state;
        std::uint64_t block = copyJob.blockIndex;
        copyStep(view_, fs_);
        stopJob(view_, fs_);
        EXPECT(view_.events == events && copyJob.state == state && copyJob.blockIndex == block,
               "a step or stop ran inside a question");
    }

    // The filled piece is finished; the user may swap the disk first.
    void diskFull() {
        nestedCallsDoNothing();
        std::uint64_t from = pieces_.empty() ? 0 : pieces_.back().to;
        pieces_.push_back({copyJob.targetPath, fs_.exists(copyJob.targetPath) ? fs_.contents(copyJob.targetPath) : Bytes{},
                           from, copyJob.writtenBefore, pieces_.empty() && appended_});
        EXPECT(fs_.openHandles() == 1, "the filled piece is still open");
        std::uint64_t left = copyJob.totalSize - copyJob.writtenBefore;
        EXPECT(std::string(copyJob.leftText) == "Left : " + std::to_string(left / 1024) + "Kb", copyJob.leftText);
        const std::string drive = std::string(copyJob.targetPath, 2);
        // A job copying the source onto itself: the disk holds the source.
        if (namesSource(copyJob.targetPath)) {
            selfCopy_ = true;
            return;
        }
        switch (in_.ConsumeIntegralInRange(0, 3)) {
        case 1:
            fs_.removeFile(copyJob.targetPath);
            pieces_.back().takenOff = true;
            fs_.setCapacity(drive, in_.ConsumeIntegralInRange<std::uint64_t>(0, 3 * 32768));
            break;
        case 2: fs_.setCapacity(drive, in_.ConsumeIntegralInRange<std::uint64_t>(0, 3 * 32768)); break;
        case 3:
            if (fs_.exists(copyJob.targetPath)) fs_.file(copyJob.targetPath).data.clear();
            pieces_.back().takenOff = true;
            break;
        default: break;
        }
    }

    Bytes expected(std::uint64_t from, std::uint64_t to, bool prefixed) const {
        Bytes bytes = prefixed ? oldTarget_ : Bytes{};
        bytes.insert(bytes.end(), source_.begin() + static_cast<std::ptrdiff_t>(from),
                     source_.begin() + static_cast<std::ptrdiff_t>(to));
        return bytes;
    }

    bool namesSource(const std::string& path) {
        return fs_.exists(jobSourcePath_) && fs_.exists(path) && fs_.sameFile(jobSourcePath_.c_str(), path.c_str());
    }

    void check() {
        EXPECT(copyJob.state == Idle);
        EXPECT(fs_.openHandles() == 0, "a file left open");
        EXPECT(!view_.running, "the window left in its running look");

        // No text past its field.
        EXPECT(terminated(copyJob.sourcePath, PathSize) && terminated(copyJob.targetPath, PathSize) &&
               terminated(copyJob.composedTarget, PathSize) && terminated(copyJob.sourceName, PathSize) &&
               terminated(copyJob.targetName, PathSize) && terminated(copyJob.messageText, PathSize) &&
               terminated(copyJob.progressText, sizeof copyJob.progressText) &&
               terminated(copyJob.leftText, sizeof copyJob.leftText) &&
               terminated(copyJob.changeTargetText, PathSize) &&
               terminated(copyJob.sourceStampText.dateText, sizeof copyJob.sourceStampText.dateText) &&
               terminated(copyJob.sourceStampText.timeText, sizeof copyJob.sourceStampText.timeText) &&
               terminated(copyJob.targetStampText.dateText, sizeof copyJob.targetStampText.dateText) &&
               terminated(copyJob.targetStampText.timeText, sizeof copyJob.targetStampText.timeText),
               "a text ran past its field");

        // Only the program's own texts.
        for (const ScriptedView::Box& box : view_.boxes) EXPECT(ownBox(box), box.text);
        for (const std::string& line : view_.line1)
            EXPECT(line.empty() || line.compare(0, 16, "Total size :    ") == 0, line);
        for (const std::string& line : view_.line2)
            EXPECT(line.empty() || line.compare(0, 17, "Current     :    ") == 0, line);
        for (unsigned percent : view_.progress) EXPECT(percent <= 100, std::to_string(percent));

        const bool completed = started_ && copyJob.blockIndex > copyJob.lastBlock;
        if (jobSourcePath_.empty()) {
            EXPECT(!started_, "a job without a source");
            return;
        }
        bool selfCopy = selfCopy_ || namesSource(copyJob.targetPath);
        for (const Piece& piece : pieces_) selfCopy = selfCopy || namesSource(piece.path);

        // The source as it was, unless a move completed.
        if (!(move_ && completed)) {
            EXPECT(fs_.exists(jobSourcePath_), "the source is gone");
            if (!selfCopy) {
                EXPECT(fs_.contents(jobSourcePath_) == source_, "the source changed");
                EXPECT(fs_.file(jobSourcePath_).attributes == sourceAttributes_, "the source's attributes changed");
            }
        }
        if (selfCopy) return;

        // Every finished piece a correct stretch of the source, and still there.
        for (const Piece& piece : pieces_) {
            EXPECT(piece.bytes == expected(piece.from, piece.to, piece.prefixed),
                   "a finished piece is not its stretch of the source: " + piece.path);
            if (!piece.takenOff && !piece.bytes.empty() && fs_.exists(piece.path))
                EXPECT(fs_.contents(piece.path) == piece.bytes, "a finished piece was changed later: " + piece.path);
        }
        if (completed) {
            std::uint64_t from = pieces_.empty() ? 0 : pieces_.back().to;
            EXPECT(fs_.exists(copyJob.targetPath), "the completed target is missing");
            Bytes got = fs_.contents(copyJob.targetPath);
            Bytes want = expected(from, source_.size(), pieces_.empty() && appended_);
            EXPECT(got == want, "the completed target is not the rest of the source: " + std::to_string(got.size()) +
                                    " bytes, not " + std::to_string(want.size()));
        }
    }
};

Job* Job::current = nullptr;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Job job(in);
    job.run();
    return 0;
}
