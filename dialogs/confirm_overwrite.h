// Confirm File Overwrite: the target exists and holds data; the user chooses
// to write over it, append to it, or cancel.
#pragma once

#include "gui/dialog.h"

class dlg2 final : public Dialog {
public:
    explicit dlg2(Window* parent);

protected:
    void setupWindow() override;
    bool command(int id) override;

private:
    void overwrite();
    void append();

    static const CommandEntry<dlg2> commands[];

    Static* targetName;
    Static* sourceName;
    Static* targetDetails;
    Static* sourceDetails;
};
