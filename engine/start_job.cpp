// The Start half of the Start/Stop command: checks the paths, asks what the
// user must decide, opens both files and leaves the job Ready.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "engine/messages.h"

namespace {

bool isFolder(std::uint32_t attributes) {
    return attributes != InvalidAttributes && (attributes & AttrDirectory) != 0;
}

// Opens the target in the first target mode; a path refused with EACCES (a
// folder typed without its backslash, for one) is tried once more as the
// folder with the source's name.
bool openFirstTarget(JobView& view, FileServices& files, bool composedFits, std::uint32_t composedAttributes,
                     bool targetIsFolder) {
    copyJob.composedTried = 0;
    for (;;) {
        copyJob.targetFile = files.open(copyJob.targetPath, OpenMode::FirstTarget);
        if (copyJob.targetFile != -1) {
            copyJob.composedTried = 0;
            return true;
        }
        int error = errno;
        // A refused file with no composed name to try is reported as refused.
        if (error == EACCES && copyJob.composedTried == 0 && composedFits) {
            // A file refused (locked by another program, say) had its
            // attributes reset; they go back before the job turns to
            // another path, since every later restore goes to that path.
            if (!targetIsFolder && std::strcmp(copyJob.targetPath, copyJob.composedTarget) != 0)
                files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
            copyPath(copyJob.targetPath, copyJob.composedTarget);
            copyJob.composedTried = 1;
            // The folder keeps its own attributes; what a stop puts back on
            // the file in it is the file's own set, or the source's for a new one.
            if (targetIsFolder)
                copyJob.savedTargetAttributes =
                    composedAttributes != InvalidAttributes ? composedAttributes : copyJob.sourceAttributes;
            continue;
        }
        copyJob.composedTried = 0;
        formatErrorMessage(files, "   Error opening target file\t\t\t\r\n   %s", error);
        showError(view, copyJob.messageText);
        files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
        // The file under the composed name had its attributes reset as well;
        // never tried, it gets its own back.
        if (composedFits && composedAttributes != InvalidAttributes && !isFolder(composedAttributes) &&
            std::strcmp(copyJob.targetPath, copyJob.composedTarget) != 0)
            files.setAttributes(copyJob.composedTarget, composedAttributes);
        files.close(copyJob.sourceFile);
        return false;
    }
}

// Resets the target's attributes so that it can be written; a folder named
// as the target, or found where the composed file would be, keeps its own.
void makeTargetWritable(FileServices& files, bool targetPathIsFolder, bool composedIsFolder, bool composedFits) {
    if (!targetPathIsFolder) files.setAttributes(copyJob.targetPath, AttrNormal);
    if (!composedIsFolder && composedFits) files.setAttributes(copyJob.composedTarget, AttrNormal);
}

}  // namespace

void startJob(JobView& view, FileServices& files) {
    copyJob.blockPointer = copyJob.copyBuffer;
    view.saveControls();

    if (!endsInField(mainTransfer.sourceText)) {
        formatErrorMessage(files, "   Error opening source file\t\t\t\r\n   %s", ENAMETOOLONG);
        showError(view, copyJob.messageText);
        return;
    }
    if (!endsInField(mainTransfer.targetText)) {
        showError(view, "   Target file name is too long\t\t\t ");
        return;
    }
    if (!cleanPaths()) {
        showError(view, "   Source or target file was not specified\t\t\t ");
        return;
    }
    copyJob.appendMode = 0;
    bool targetKnown = true;

    // A composed name too long to hold is refused only where it is used: a
    // target typed as a folder, with its backslash or without; a plain file
    // target is opened as typed.
    bool composedFits = composeTarget();
    if (!composedFits && (endsInBackslash(copyJob.targetPath) || isFolder(files.getAttributes(copyJob.targetPath)))) {
        showError(view, "   Target file name is too long\t\t\t ");
        return;
    }
    if (checkReservedNames() == 1) {
        showError(view, copyJob.messageText);
        return;
    }
    // A move onto the source itself would delete the only copy.
    if (mainTransfer.moveFile == 1 && (files.sameFile(copyJob.sourcePath, copyJob.targetPath) ||
                                       (composedFits && files.sameFile(copyJob.sourcePath, copyJob.composedTarget)))) {
        showError(view, "   Source and target are the same file\t\t\t ");
        return;
    }

    copyJob.sourceAttributes = files.getAttributes(copyJob.sourcePath);
    std::uint32_t composedAttributes = composedFits ? files.getAttributes(copyJob.composedTarget) : InvalidAttributes;
    copyJob.savedTargetAttributes = files.getAttributes(copyJob.targetPath);
    bool targetIsFolder = isFolder(copyJob.savedTargetAttributes);
    if (copyJob.savedTargetAttributes == InvalidAttributes) {
        copyJob.savedTargetAttributes = composedAttributes;
        if (copyJob.savedTargetAttributes == InvalidAttributes) {
            copyJob.savedTargetAttributes = copyJob.sourceAttributes;
            targetKnown = false;
        }
    }

    if ((copyJob.savedTargetAttributes & AttrReadOnly) != 0 && targetKnown) {
        int answer = view.messageBox(
            "   Target file has READ-ONLY attribute\t\t\t \r\n   Do you wish to overwrite ?\r\n ", "Warning",
            box::OkCancel | box::IconExclamation);
        if (answer == box::IdCancel) return;
    }

    copyJob.sourceFile = files.open(copyJob.sourcePath, OpenMode::Source);
    if (copyJob.sourceFile == -1) {
        formatErrorMessage(files, "   Error opening source file\t\t\t\r\n   %s", errno);
        showError(view, copyJob.messageText);
        return;
    }

    bool composedIsFolder = isFolder(composedAttributes);
    makeTargetWritable(files, targetIsFolder, composedIsFolder, composedFits);
    if (!openFirstTarget(view, files, composedFits, composedAttributes, targetIsFolder)) return;

    copyJob.targetLength = files.fileLength(copyJob.targetFile);
    if (copyJob.targetLength != 0) {
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
            files.close(copyJob.sourceFile);
            return;
        }

        makeTargetWritable(files, false, composedIsFolder, composedFits);  // targetPath names the file by now
        copyJob.targetFile = files.open(copyJob.targetPath, copyJob.targetOpenMode);
        if (copyJob.targetFile == -1) {
            formatErrorMessage(files, "   Error opening target file\t\t\t\r\n   %s", errno);
            showError(view, copyJob.messageText);
            files.close(copyJob.sourceFile);
            files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
            return;
        }
    }

    copyJob.targetLength = files.fileLength(copyJob.targetFile);
    copyJob.totalSize = files.fileLength(copyJob.sourceFile);
    copyJob.sourceStampStatus = files.getFileTime(copyJob.sourceFile, copyJob.sourceStamp);
    copyJob.lastBlock = copyJob.totalSize >> 15;
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
