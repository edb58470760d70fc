#include "dialogs/disk_full.h"

#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "resources/ids.h"

const CommandEntry<dlg3> dlg3::commands[] = {
    {IDC_CONTINUE, &dlg3::continueCopy},
    {IDC_CHANGE_TARGET, &dlg3::changeTarget},
};

dlg3::dlg3(Window* parent) : CommandDialog(parent, IDD_DISK_FULL, commands) { leftLine = addControl<Static>(IDC_LEFT); }

void dlg3::setupWindow() {
    Dialog::setupWindow();
    leftLine->setText(copyJob.leftText);
}

void dlg3::continueCopy() { closeDialog(answer::Continue); }

void dlg3::changeTarget() { closeDialog(answer::ChangeTarget); }
