#include "select/change_target.h"

#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "resources/ids.h"
#include "select/choosers.h"

const CommandEntry<dlg4> dlg4::commands[] = {
    {IDC_BROWSE_NEW_TARGET, &dlg4::browseNewTarget},
    {IDC_NEW_TARGET_OK, &dlg4::useNewTarget},
    {IDC_KEEP_TARGET, &dlg4::keepTarget},
    {IDC_CANCEL_JOB, &dlg4::cancelJob},
};

dlg4::dlg4(Window* parent, FileServices& files) : Dialog(parent, IDD_CHANGE_TARGET), files_(files) {
    addControl<Edit>(IDC_NEW_TARGET, static_cast<unsigned>(sizeof copyJob.changeTargetText));
    setTransferBuffer(copyJob.changeTargetText, sizeof copyJob.changeTargetText);
}

bool dlg4::command(int id) { return dispatchCommand(*this, commands, id) || Dialog::command(id); }

// The main dialog's target selection, over this dialog and its edit; the
// dialog exists only while a job runs.
void dlg4::browseNewTarget() { selection::selectTarget(*this, copyJob.changeTargetText, files_); }

void dlg4::useNewTarget() { closeDialog(answer::NewTarget); }

void dlg4::keepTarget() { closeDialog(answer::KeepTarget); }

void dlg4::cancelJob() { closeDialog(answer::Cancel); }
