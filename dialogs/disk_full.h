// Disk is full: the filled piece of the target is finished; the user goes on
// on the same path, changes the target, or cancels.
#pragma once

#include "gui/dialog.h"

class dlg3 final : public CommandDialog<dlg3> {
public:
    explicit dlg3(Window* owner);

protected:
    void setupWindow() override;

private:
    void continueCopy();
    void changeTarget();

    static const CommandEntry<dlg3> commands[];

    Static* leftLine;
};
