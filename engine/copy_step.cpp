// The running job: one 32768-byte block per idle turn, the recovery from a
// full disk into further target pieces, completion and stopping.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_end.h"
#include "engine/job_view.h"
#include "engine/messages.h"

namespace {

bool diskIsFull(FileServices& files) {
    return errno == ENOSPC && files.systemError() == ErrorDiskFull;
}

void formatWriteError(FileServices& files, int error, std::uint32_t systemCode) {
    std::snprintf(copyJob.messageText, sizeof copyJob.messageText, "Write error : %s\r\n( %d / %d )",
                  files.errorText(error), error, static_cast<int>(systemCode));
}

// A full-block write that failed for another reason than a full disk. True
// when a retry finally wrote the whole block.
bool handleWriteError(JobView& view, FileServices& files) {
    int error = errno;
    std::uint32_t systemCode = files.systemError();
    formatWriteError(files, error, systemCode);
    if (copyJob.lastCount != 0) {
        showError(view, copyJob.messageText);
        endJob(view, files, Ending::BlockWriteFailed);
        return false;
    }
    view.beep();
    for (;;) {
        copyJob.boxAnswer = view.messageBox(copyJob.messageText, "Error", box::RetryCancel | box::IconHand);
        if (copyJob.boxAnswer != box::IdRetry) {
            endJob(view, files, Ending::WriteRetryCancelled);
            return false;
        }
        copyJob.lastCount = files.write(copyJob.targetFile, copyJob.blockPointer, BlockSize);
        if (copyJob.lastCount == static_cast<int>(BlockSize)) return true;
        // A retry that wrote a part cannot be retried: the block would go
        // onto the disk twice. It ends the job as such a first write does.
        if (copyJob.lastCount > 0) {
            formatWriteError(files, errno, files.systemError());
            showError(view, copyJob.messageText);
            endJob(view, files, Ending::BlockWriteFailed);
            return false;
        }
    }
}

bool tooLongTarget(JobView& view, FileServices& files) {
    showError(view, "   Target file name is too long\t\t\t ");
    endJob(view, files, Ending::TargetRefused);
    return false;
}

// Opens the next piece under targetPath and writes into it the sector that
// did not fit. False when the job ended instead.
bool reopenTarget(JobView& view, FileServices& files) {
    // A composed name too long to hold matters only where it is used: a
    // target ending in a backslash, or a folder refused as a file below.
    bool composedFits = composeTarget();
    if (!composedFits && endsInBackslash(copyJob.targetPath)) return tooLongTarget(view, files);
    if (checkReservedNames() == 1) {
        showError(view, copyJob.messageText);
        endJob(view, files, Ending::TargetRefused);
        return false;
    }
    // Each turn opens the piece and, once it opens empty, writes its first sector.
    copyJob.composedTried = 0;
    for (;;) {
        copyJob.targetFile = files.open(copyJob.targetPath, OpenMode::Overwrite);
        if (copyJob.targetFile == -1) {
            int error = errno;
            if (error == EACCES && copyJob.composedTried == 0) {
                composedFits = composeTarget();
                if (composedFits) {
                    copyPath(copyJob.targetPath, copyJob.composedTarget);
                    copyJob.composedTried = 1;
                    continue;
                }
                // A refused file with no composed name to try is reported
                // as refused; a folder cannot take the piece without it.
                std::uint32_t attributes = files.getAttributes(copyJob.targetPath);
                if (attributes != InvalidAttributes && (attributes & AttrDirectory) != 0)
                    return tooLongTarget(view, files);
            }
            formatErrorMessage(files, "   Error opening target file\t\t\t\r\n   %s", error);
            if (!askRetry(view, copyJob.messageText)) {
                endJob(view, files, Ending::ReopenCancelled);
                return false;
            }
            continue;
        }
        if (files.fileLength(copyJob.targetFile) > 0) {
            // Closed before the question: while it is open no other program
            // may write to the file, and the user frees the path meanwhile.
            files.close(copyJob.targetFile);
            bool retry = askRetry(view, "   Target file already exists\t\t\t ");
            if (!retry) {
                endJob(view, files, Ending::TargetNotEmpty);
                return false;
            }
            continue;
        }

        copyJob.sectorCount = files.write(copyJob.targetFile, copyJob.sectorPointer, SectorSize);
        if (copyJob.sectorCount == static_cast<int>(SectorSize)) return true;
        formatErrorMessage(files, "   Error writing the file\t\t\t\r\n   %s", errno);
        if (!askRetry(view, copyJob.messageText)) {
            endJob(view, files, Ending::SectorWriteFailed);
            return false;
        }
        files.close(copyJob.targetFile);
        files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
        copyJob.composedTried = 0;  // a Retry of the sector may turn to the composed name again
    }
}

// The target disk is full: the filled piece is finished and the user says
// how to go on. False when the job ended.
bool recoverFromFullDisk(JobView& view, FileServices& files) {
    std::uint64_t written = copyJob.blockIndex * BlockSize + std::uint64_t{copyJob.sectorIndex} * SectorSize;
    // An overwritten file longer than what went into it would keep old bytes
    // behind the copy, and the pieces joined would not be the source.
    std::uint64_t pieceLength = written - copyJob.writtenBefore;
    if (copyJob.appendMode != 1 && files.fileLength(copyJob.targetFile) > pieceLength)
        files.changeSize(copyJob.targetFile, pieceLength);
    if (copyJob.sourceStampStatus == 0) files.setFileTime(copyJob.targetFile, copyJob.sourceStamp);
    // The piece must be on the device before the user may take the disk out.
    files.commit(copyJob.targetFile);
    files.close(copyJob.targetFile);
    files.setAttributes(copyJob.targetPath, copyJob.sourceAttributes);

    copyJob.writtenBefore = written;
    copyJob.targetLength = 0;
    copyJob.appendMode = 0;
    std::uint64_t left = copyJob.totalSize > copyJob.writtenBefore ? copyJob.totalSize - copyJob.writtenBefore : 0;
    std::snprintf(copyJob.leftText, sizeof copyJob.leftText, "Left : %lluKb",
                  static_cast<unsigned long long>(left / 1024));

    copyJob.dialogResult = view.diskFull();
    if (copyJob.dialogResult == answer::Continue) return reopenTarget(view, files);
    if (copyJob.dialogResult != answer::ChangeTarget) {
        endJob(view, files, Ending::DiskFullCancelled);
        return false;
    }

    copyPath(copyJob.changeTargetText, copyJob.targetPath);
    copyJob.changeTargetResult = view.changeTarget();
    if (copyJob.changeTargetResult == answer::NewTarget) {
        if (!endsInField(copyJob.changeTargetText)) return tooLongTarget(view, files);
        copyPath(copyJob.targetPath, copyJob.changeTargetText);
        for (char& c : copyJob.targetPath)
            if (c == '/') c = '\\';
        return reopenTarget(view, files);
    }
    if (copyJob.changeTargetResult == answer::KeepTarget) return reopenTarget(view, files);
    endJob(view, files, Ending::ChangeTargetCancelled);
    return false;
}

// Writes the block again sector by sector until the disk is full, going on
// into new pieces. False when the job ended.
bool fillSectors(JobView& view, FileServices& files) {
    unsigned sectors = BlockSize / SectorSize;
    if (copyJob.blockIndex == copyJob.lastBlock)
        sectors = static_cast<unsigned>(((copyJob.totalSize % BlockSize) + SectorSize - 1) / SectorSize);
    for (copyJob.sectorIndex = 0; copyJob.sectorIndex < sectors; ++copyJob.sectorIndex) {
        copyJob.sectorPointer = copyJob.copyBuffer + copyJob.sectorIndex * SectorSize;
        int written = files.write(copyJob.targetFile, copyJob.sectorPointer, SectorSize);
        if (written == static_cast<int>(SectorSize)) continue;
        if (written == -1 && diskIsFull(files)) {
            if (!recoverFromFullDisk(view, files)) return false;
            continue;
        }
        // Any other failure would leave a hole in the copy: it ends the job
        // as a failed block write does.
        copyJob.lastCount = written;
        formatWriteError(files, errno, files.systemError());
        showError(view, copyJob.messageText);
        endJob(view, files, Ending::BlockWriteFailed);
        return false;
    }
    return true;
}

// Puts a number's decimal digits at `out`; gives the end.
char* putDecimal(char* out, std::uint64_t value) {
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) *out++ = digits[--count];
    return out;
}

// progressText := "Current     :    %lluKb  (%u%)", put together without the
// formatted printing, which on every block would cost about one per cent of
// a copy's time.
void formatProgressText(std::uint64_t kilobytes, unsigned percent) {
    static constexpr char head[] = "Current     :    ";
    static constexpr char middle[] = "Kb  (";
    static constexpr char tail[] = "%)";
    static_assert(sizeof head + 20 + sizeof middle + 10 + sizeof tail <= sizeof copyJob.progressText);
    char* out = copyJob.progressText;
    out = std::copy(head, head + sizeof head - 1, out);
    out = putDecimal(out, kilobytes);
    out = std::copy(middle, middle + sizeof middle - 1, out);
    out = putDecimal(out, percent);
    std::memcpy(out, tail, sizeof tail);
}

void completeJob(JobView& view, FileServices& files) {
    view.setProgress(100);
    copyJob.state = Idle;
    std::uint64_t finalLength = copyJob.totalSize - copyJob.writtenBefore;
    if (copyJob.appendMode == 1) finalLength += copyJob.targetLength;
    files.changeSize(copyJob.targetFile, finalLength);
    files.close(copyJob.sourceFile);
    if (copyJob.sourceStampStatus == 0) files.setFileTime(copyJob.targetFile, copyJob.sourceStamp);
    files.close(copyJob.targetFile);
    files.setAttributes(copyJob.targetPath, copyJob.sourceAttributes);
    view.setProgressLine1("");
    view.setProgressLine2("");
    if (mainTransfer.moveFile == 1) {
        files.setAttributes(copyJob.sourcePath, AttrNormal);
        if (files.deleteFile(copyJob.sourcePath) != 0) {
            formatErrorMessage(files, "   Couldn't delete source file\t\t\t\r\n   %s", errno);
            showError(view, copyJob.messageText);
        }
    }
    view.setProgress(0);
    view.setIdleControls();
}

}  // namespace

void copyStep(JobView& view, FileServices& files) {
    if (copyJob.state != Ready) return;
    copyJob.state = InStep;

    copyJob.lastCount = files.read(copyJob.sourceFile, copyJob.blockPointer, BlockSize);
    // The last block is short by nature, but never shorter than the rest of
    // the source: a source cut under the job must not pass as copied whole.
    auto wanted = static_cast<int>(copyJob.blockIndex == copyJob.lastBlock ? copyJob.totalSize % BlockSize : BlockSize);
    if (copyJob.lastCount < 0 || copyJob.lastCount < wanted) {
        formatErrorMessage(files, "   Error reading source file\t\t\t\r\n   %s", errno);
        showError(view, copyJob.messageText);
        endJob(view, files, Ending::ReadFailed);
        return;
    }

    copyJob.lastCount = files.write(copyJob.targetFile, copyJob.blockPointer, BlockSize);
    if (copyJob.lastCount != static_cast<int>(BlockSize)) {
        if (diskIsFull(files)) {
            if (!fillSectors(view, files)) return;
        } else if (!handleWriteError(view, files)) {
            return;
        }
    }

    if (copyJob.lastBlock > 1) {
        auto percent = static_cast<unsigned>(copyJob.blockIndex * 100 / copyJob.lastBlock);
        view.setProgress(percent);
        formatProgressText(copyJob.blockIndex * (BlockSize / 1024), percent);
        view.setProgressLine2(copyJob.progressText);
    }
    ++copyJob.blockIndex;
    copyJob.state = Ready;
    if (copyJob.blockIndex > copyJob.lastBlock) completeJob(view, files);
}

void stopJob(JobView& view, FileServices& files) {
    // A question or dialog of a running step is modal; the job is only
    // stopped between two steps.
    if (copyJob.state != Ready) return;
    view.beep();
    int answer = view.messageBox("   Do you want to terminate copying?  \t\t\t ", "Warning",
                                 box::YesNo | box::IconQuestion | box::DefButton2);
    if (answer != box::IdYes) return;
    endJob(view, files, Ending::Stopped);
}
