#include "dialogs/confirm_overwrite.h"

#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "resources/ids.h"

const CommandEntry<dlg2> dlg2::commands[] = {
    {IDC_OVERWRITE, &dlg2::overwrite},
    {IDC_APPEND, &dlg2::append},
};

dlg2::dlg2(Window* parent) : CommandDialog(parent, IDD_CONFIRM_OVERWRITE, commands) {
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

void dlg2::overwrite() { closeDialog(answer::Overwrite); }

void dlg2::append() { closeDialog(answer::Append); }
