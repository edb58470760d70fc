// Change target: after a full disk, the user names where the rest of the
// copy goes, keeps the current target, or cancels the job.
#pragma once

#include "gui/controls.h"
#include "gui/dialog.h"
#include "platform/file_services.h"

class dlg4 final : public CommandDialog<dlg4> {
public:
    // `files` gives the system folder when the folder browser cannot be used.
    dlg4(Window* owner, FileServices& files);

private:
    void browseNewTarget();
    void useNewTarget();
    void keepTarget();
    void cancelJob();

    static const CommandEntry<dlg4> commands[];

    FileServices& files_;
    Edit* newTarget_ = nullptr;
};
