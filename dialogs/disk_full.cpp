#include "dialogs/disk_full.h"

#include "engine/answers.h"
#include "engine/copy_job.h"
#include "resources/ids.h"

// "&Continue" is the affirmative answer, 1; the others are their buttons' ids.
static_assert(answer::Continue == IDOK && answer::ChangeTarget == IDC_CHANGE_TARGET && answer::Cancel == IDCANCEL);

const CommandEntry<dlg3> dlg3::commands[] = {
    {IDC_CONTINUE, &dlg3::continueCopy},
    {IDC_CHANGE_TARGET, &dlg3::changeTarget},
};

dlg3::dlg3(Window* owner) : CommandDialog(owner, IDD_DISK_FULL, commands) { leftLine = addControl<Static>(IDC_LEFT); }

void dlg3::setupWindow() {
    Dialog::setupWindow();
    leftLine->setText(copyJob.leftText);
}

void dlg3::continueCopy() { close(answer::Continue); }

void dlg3::changeTarget() { close(answer::ChangeTarget); }
