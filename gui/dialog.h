// Dialogs on dialog templates, modeless (a window that lives on) or modal (a
// call that returns the code the dialog ended with). The dialog owns its
// control objects, binds them by id when its window exists, and moves a
// transfer record to and from them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "gui/command_table.h"
#include "gui/controls.h"
#include "gui/window.h"

class Dialog : public Window {
public:
    // A modal dialog runs over its owner's window. A modeless one gets its
    // parent when it is embedded (see FrameWindow).
    Dialog(Window* owner, int templateId);
    ~Dialog() override;

    // Creates the window of a modeless dialog; false when that failed.
    bool create(HWND parentWindow);
    // Runs the dialog modally over its owner's window and returns the code
    // it ended with, or -1 when it could not be shown.
    INT_PTR execute();

    // A control object owned by the dialog, bound when the window exists.
    template <class C, class... Args>
    C* addControl(Args&&... args) {
        auto control = std::make_unique<C>(std::forward<Args>(args)...);
        C* bound = control.get();
        ownedControls_.push_back(std::move(control));
        attachControl(*bound);
        return bound;
    }
    // A control object that lives elsewhere (a member of a derived dialog),
    // bound and walked like the dialog's own until it is detached.
    void attachControl(Control& control);
    void detachControl(Control& control);

    // The record that the transferring controls fill, field by field in the
    // order they were added; the walk never goes past `size` bytes.
    void setTransferBuffer(void* record, std::size_t size) {
        transferRecord_ = record;
        transferSize_ = size;
    }
    void transferData(Transfer direction);

    bool preProcessMessage(MSG& message) override;
    bool canClose() override;

protected:
    // Runs once the window and its controls exist: shows the record.
    virtual void setupWindow();
    // Looks a command up; the base knows OK and Cancel.
    virtual bool command(int id);
    // Messages the dialog handles itself; false leaves them to the system.
    virtual INT_PTR dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam);

    // OK: the normal close with 1.
    void ok();
    // Cancel: a modal dialog ends with 2, a modeless one destroys its window,
    // without any transfer.
    void cancel();
    // The normal close: when every control agrees, the controls are saved
    // into the record and the dialog ends with `code`.
    void closeDialog(INT_PTR code);
    // Ends a modal dialog with `code`, or destroys a modeless one, as it is.
    void closeWith(INT_PTR code);

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    static const CommandEntry<Dialog> commands[];

    Window* owner_;
    int templateId_;
    bool modal_ = false;
    std::vector<std::unique_ptr<Control>> ownedControls_;
    std::vector<Control*> controls_;  // the owned ones and the attached ones, in order
    void* transferRecord_ = nullptr;
    std::size_t transferSize_ = 0;
};
