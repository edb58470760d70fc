#include "dialogs/confirm_overwrite.h"

#include "engine/answers.h"
#include "engine/copy_job.h"
#include "resources/ids.h"

// "&Overwrite" is the affirmative answer, 1; the others are their buttons' ids.
static_assert(answer::Overwrite == IDOK && answer::Append == IDC_APPEND && answer::Cancel == IDCANCEL);

const CommandEntry<dlg2> dlg2::commands[] = {
    {IDC_OVERWRITE, &dlg2::overwrite},
    {IDC_APPEND, &dlg2::append},
};

dlg2::dlg2(Window* owner) : CommandDialog(owner, IDD_CONFIRM_OVERWRITE, commands) {
    targetName = addControl<Static>(IDC_TARGET_NAME);
    sourceName = addControl<Static>(IDC_SOURCE_NAME);
    targetDetails = addControl<Static>(IDC_TARGET_DETAILS);
    sourceDetails = addControl<Static>(IDC_SOURCE_DETAILS);
}

void dlg2::setupWindow() {
    Dialog::setupWindow();
    char line[DetailsLineSize];
    targetName->setText(copyJob.targetPath);
    formatDetailsLine(line, copyJob.targetLength, copyJob.targetStampText, copyJob.savedTargetAttributes);
    targetDetails->setText(line);
    sourceName->setText(copyJob.sourcePath);
    formatDetailsLine(line, copyJob.sourceLength, copyJob.sourceStampText, copyJob.sourceAttributes);
    sourceDetails->setText(line);
}

void dlg2::overwrite() { close(answer::Overwrite); }

void dlg2::append() { close(answer::Append); }
