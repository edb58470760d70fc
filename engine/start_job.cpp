// The Start half of the Start/Stop command: checks the paths, asks what the
// user must decide, opens both files and leaves the job Ready.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_end.h"
#include "engine/job_view.h"
#include "engine/messages.h"

namespace {

// What the start learns about the target before it opens it.
struct Target {
    bool composedFits = false;  // folder, backslash and source name fit 255 characters
    std::uint32_t composedAttributes = InvalidAttributes;
    bool isFolder = false;          // targetPath names a folder (until it is composed)
    bool composedIsFolder = false;  // a folder is where the composed file would be
    bool known = true;              // the saved attributes are a target's, not the source's
};

bool isFolder(std::uint32_t attributes) {
    return attributes != InvalidAttributes && (attributes & AttrDirectory) != 0;
}

// Opens the target in the first target mode; a path refused with EACCES (a
// folder typed without its backslash, for one) is tried once more as the
// folder with the source's name.
bool openFirstTarget(JobView& view, FileServices& files, Target& target) {
    copyJob.composedTried = 0;
    for (;;) {
        copyJob.targetFile = files.open(copyJob.targetPath, OpenMode::FirstTarget);
        if (copyJob.targetFile != -1) {
            copyJob.composedTried = 0;
            return true;
        }
        int error = errno;
        // A refused file with no composed name to try is reported as refused.
        if (error == EACCES && copyJob.composedTried == 0 && target.composedFits) {
            // A file refused (locked by another program, say) had its
            // attributes reset; they go back before the job turns to
            // another path, since every later restore goes to that path.
            if (!target.isFolder && std::strcmp(copyJob.targetPath, copyJob.composedTarget) != 0)
                files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
            copyPath(copyJob.targetPath, copyJob.composedTarget);
            copyJob.composedTried = 1;
            // The folder keeps its own attributes; what a stop puts back on
            // the file in it is the file's own set, or the source's for a new one.
            if (target.isFolder)
                copyJob.savedTargetAttributes = target.composedAttributes != InvalidAttributes
                                                    ? target.composedAttributes
                                                    : copyJob.sourceAttributes;
            target.isFolder = false;  // targetPath names the file in it now
            continue;
        }
        copyJob.composedTried = 0;
        formatErrorMessage(files, "   Error opening target file\t\t\t\r\n   %s", error);
        showError(view, copyJob.messageText);
        // The file under the composed name had its attributes reset as well;
        // never tried, it gets its own back.
        if (target.composedFits && target.composedAttributes != InvalidAttributes && !target.composedIsFolder &&
            std::strcmp(copyJob.targetPath, copyJob.composedTarget) != 0)
            files.setAttributes(copyJob.composedTarget, target.composedAttributes);
        endJob(view, files, Ending::TargetNotOpened);
        return false;
    }
}

// Resets the target's attributes so that it can be written; a folder named
// as the target, or found where the composed file would be, keeps its own.
void makeTargetWritable(FileServices& files, const Target& target) {
    if (!target.isFolder) files.setAttributes(copyJob.targetPath, AttrNormal);
    if (!target.composedIsFolder && target.composedFits) files.setAttributes(copyJob.composedTarget, AttrNormal);
}

// The typed paths, cleaned and composed, must name a job that can run. False
// when one was refused (and the user told).
bool checkPaths(JobView& view, FileServices& files, Target& target) {
    if (!endsInField(mainTransfer.sourceText)) {
        formatErrorMessage(files, "   Error opening source file\t\t\t\r\n   %s", ENAMETOOLONG);
        showError(view, copyJob.messageText);
        return false;
    }
    if (!endsInField(mainTransfer.targetText)) {
        showError(view, "   Target file name is too long\t\t\t ");
        return false;
    }
    if (!cleanPaths()) {
        showError(view, "   Source or target file was not specified\t\t\t ");
        return false;
    }
    copyJob.appendMode = 0;

    // A composed name too long to hold is refused only where it is used: a
    // target typed as a folder, with its backslash or without; a plain file
    // target is opened as typed.
    target.composedFits = composeTarget();
    if (!target.composedFits &&
        (endsInBackslash(copyJob.targetPath) || isFolder(files.getAttributes(copyJob.targetPath)))) {
        showError(view, "   Target file name is too long\t\t\t ");
        return false;
    }
    if (checkReservedNames() == 1) {
        showError(view, copyJob.messageText);
        return false;
    }
    // A move onto the source itself would delete the only copy.
    if (mainTransfer.moveFile == 1 &&
        (files.sameFile(copyJob.sourcePath, copyJob.targetPath) ||
         (target.composedFits && files.sameFile(copyJob.sourcePath, copyJob.composedTarget)))) {
        showError(view, "   Source and target are the same file\t\t\t ");
        return false;
    }
    return true;
}

// Saves the attributes that go back on the target when the job ends: its own,
// the composed file's, or for a new file the source's.
void saveTargetAttributes(FileServices& files, Target& target) {
    copyJob.sourceAttributes = files.getAttributes(copyJob.sourcePath);
    target.composedAttributes = target.composedFits ? files.getAttributes(copyJob.composedTarget) : InvalidAttributes;
    target.composedIsFolder = isFolder(target.composedAttributes);
    copyJob.savedTargetAttributes = files.getAttributes(copyJob.targetPath);
    target.isFolder = isFolder(copyJob.savedTargetAttributes);
    if (copyJob.savedTargetAttributes == InvalidAttributes) {
        copyJob.savedTargetAttributes = target.composedAttributes;
        if (copyJob.savedTargetAttributes == InvalidAttributes) {
            copyJob.savedTargetAttributes = copyJob.sourceAttributes;
            target.known = false;
        }
    }
}

// False when the user would rather keep a read-only target than overwrite it.
bool mayOverwriteReadOnly(JobView& view, const Target& target) {
    if ((copyJob.savedTargetAttributes & AttrReadOnly) == 0 || !target.known) return true;
    int answer = view.messageBox(
        "   Target file has READ-ONLY attribute\t\t\t \r\n   Do you wish to overwrite ?\r\n ", "Warning",
        box::OkCancel | box::IconExclamation);
    return answer != box::IdCancel;
}

bool openSource(JobView& view, FileServices& files) {
    copyJob.sourceFile = files.open(copyJob.sourcePath, OpenMode::Source);
    if (copyJob.sourceFile != -1) return true;
    formatErrorMessage(files, "   Error opening source file\t\t\t\r\n   %s", errno);
    showError(view, copyJob.messageText);
    endJob(view, files, Ending::SourceNotOpened);
    return false;
}

// False when the target could not be opened; the job then ended.
bool openTarget(JobView& view, FileServices& files, Target& target) {
    makeTargetWritable(files, target);
    return openFirstTarget(view, files, target);
}

// A target that already holds data is overwritten or appended to as the user
// says, and opened again for that. False when the job ended.
bool askAboutExistingTarget(JobView& view, FileServices& files, const Target& target) {
    copyJob.targetLength = files.fileLength(copyJob.targetFile);
    if (copyJob.targetLength == 0) return true;
    formatStampText(files, copyJob.sourceFile, copyJob.sourceStampText);
    formatStampText(files, copyJob.targetFile, copyJob.targetStampText);
    files.close(copyJob.targetFile);
    files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
    copyJob.sourceLength = files.fileLength(copyJob.sourceFile);

    copyJob.dialogResult = view.confirmOverwrite();
    if (copyJob.dialogResult == answer::Overwrite) {
        copyJob.targetOpenMode = OpenMode::Overwrite;
    } else if (copyJob.dialogResult == answer::Append) {
        copyJob.targetOpenMode = OpenMode::Append;
        copyJob.appendMode = 1;
    } else {
        endJob(view, files, Ending::OverwriteCancelled);
        return false;
    }

    makeTargetWritable(files, target);
    copyJob.targetFile = files.open(copyJob.targetPath, copyJob.targetOpenMode);
    if (copyJob.targetFile != -1) return true;
    formatErrorMessage(files, "   Error opening target file\t\t\t\r\n   %s", errno);
    showError(view, copyJob.messageText);
    endJob(view, files, Ending::TargetNotReopened);
    return false;
}

// Both files are open: the job is sized, shown and left Ready for its first step.
void beginJob(JobView& view, FileServices& files) {
    copyJob.targetLength = files.fileLength(copyJob.targetFile);
    copyJob.totalSize = files.fileLength(copyJob.sourceFile);
    copyJob.sourceStampStatus = files.getFileTime(copyJob.sourceFile, copyJob.sourceStamp);
    copyJob.lastBlock = copyJob.totalSize / BlockSize;
    copyJob.sourceLength = copyJob.totalSize;

    std::snprintf(copyJob.progressText, sizeof copyJob.progressText, "Total size :    %lluKb",
                  static_cast<unsigned long long>(copyJob.totalSize >> 10));
    view.setProgressLine1(copyJob.progressText);

    copyJob.state = Ready;
    copyJob.blockIndex = 0;
    copyJob.writtenBefore = 0;
    if (mainTransfer.clearReadOnlyFromCdrom == 1) applyCdromRule(files);
    view.setRunningControls();
}

}  // namespace

void startJob(JobView& view, FileServices& files) {
    copyJob.blockPointer = copyJob.copyBuffer;
    view.saveControls();

    Target target;
    if (!checkPaths(view, files, target)) return endJob(view, files, Ending::PathsRefused);
    saveTargetAttributes(files, target);
    if (!mayOverwriteReadOnly(view, target)) return endJob(view, files, Ending::ReadOnlyKept);
    if (!openSource(view, files)) return;
    if (!openTarget(view, files, target)) return;
    if (!askAboutExistingTarget(view, files, target)) return;
    beginJob(view, files);
}
