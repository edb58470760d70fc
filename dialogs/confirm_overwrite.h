// Confirm File Overwrite: the target exists and holds data; the user chooses
// to write over it, append to it, or cancel.
#pragma once

#include "gui/dialog.h"

class dlg2 final : public CommandDialog<dlg2> {
public:
    explicit dlg2(Window* owner);

protected:
    void setupWindow() override;

private:
    void overwrite();
    void append();

    static const CommandEntry<dlg2> commands[];

    Static* targetName;
    Static* sourceName;
    Static* targetDetails;
    Static* sourceDetails;
};
