// Change target: after a full disk, the user names where the rest of the
// copy goes, keeps the current target, or cancels the job.
#pragma once

#include "gui/controls.h"
#include "gui/dialog.h"

class dlg4 final : public Dialog {
public:
    explicit dlg4(Window* parent);

protected:
    bool command(int id) override;

private:
    void browseNewTarget();
    void useNewTarget();
    void keepTarget();
    void cancelJob();

    static const CommandEntry<dlg4> commands[];

    Edit* newTarget_ = nullptr;
};
