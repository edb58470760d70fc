#include "select/change_target.h"

#include "engine/answers.h"
#include "engine/copy_job.h"
#include "platform/ui_services.h"
#include "resources/ids.h"
#include "select/choosers.h"

// "OK" (and Enter) is the affirmative answer, 1; "&Don't change target" is its
// button's id; "Cancel" gives the cancel answer, 2.
static_assert(answer::NewTarget == IDOK && answer::KeepTarget == IDC_KEEP_TARGET && answer::Cancel == IDCANCEL);

const CommandEntry<dlg4> dlg4::commands[] = {
    {IDC_BROWSE_NEW_TARGET, &dlg4::browseNewTarget},
    {IDC_NEW_TARGET_OK, &dlg4::useNewTarget},
    {IDOK, &dlg4::useNewTarget},  // Enter
    {IDC_KEEP_TARGET, &dlg4::keepTarget},
    {IDC_CANCEL_JOB, &dlg4::cancelJob},
};

dlg4::dlg4(Window* owner, FileServices& files) : CommandDialog(owner, IDD_CHANGE_TARGET, commands), files_(files) {
    newTarget_ = addControl<Edit>(IDC_NEW_TARGET, copyJob.changeTargetText);
}

// The main dialog's target selection, over this dialog and its edit; the
// dialog exists only while a job runs.
void dlg4::browseNewTarget() { selection::selectTarget(*this, *newTarget_, files_); }

// A path cut to its field could name another file: one that does not fit is
// refused, and the dialog stays for another.
void dlg4::useNewTarget() {
    if (!transferData(Transfer::FromControls)) {
        ui::beep();
        ui::messageBox(hwnd_, "   Target file name is too long\t\t\t ", "Error", MB_OK | MB_ICONHAND);
        return;
    }
    close(answer::NewTarget);
}

void dlg4::keepTarget() { close(answer::KeepTarget); }

void dlg4::cancelJob() { close(answer::Cancel); }
