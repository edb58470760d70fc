// Dialogs on dialog templates, modeless (a window that lives on) or modal (a
// call that returns the code the dialog ended with). The dialog owns its
// control objects, binds them by id when its window exists, and moves each
// control's field to and from it.
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "gui/command_table.h"
#include "gui/controls.h"
#include "gui/window.h"

class Dialog : public Window {
public:
    // A modal dialog runs over its owner's window. A modeless one has none:
    // it gets its parent window when it is embedded (see FrameWindow).
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

    // Moves every control's field (see Edit and CheckBox) to or from it;
    // false when a field does not hold its control's value.
    bool transferData(Transfer direction);

    bool preProcessMessage(MSG& message) override;
    bool canClose() override;

protected:
    // Runs once the window and its controls exist: shows the fields.
    virtual void setupWindow();
    // Looks a command up; the base knows OK (close with 1) and Cancel (end
    // with 2).
    virtual bool command(int id);
    // Messages the dialog handles itself; false leaves them to the system.
    virtual INT_PTR dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam);

    // The two ways to end: close() with the data, when every control agrees,
    // saving the controls into the record first; end() without, as it is. A
    // modal dialog returns `code`, a modeless one destroys its window.
    void close(INT_PTR code);
    void end(INT_PTR code);
    // Unties the window and its controls from this object, then destroys the
    // window (a modal one ends): first thing in the destructor of the
    // object's own class, so that no message reaches an object that is going.
    void destroyWindow();

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ok() { close(IDOK); }
    void cancel() { end(IDCANCEL); }

    static const CommandEntry<Dialog> commands[];

    Window* owner_;
    int templateId_;
    bool modal_ = false;
    std::vector<std::unique_ptr<Control>> ownedControls_;
    std::vector<Control*> controls_;  // the owned ones and the attached ones, in order
};

// A dialog with a command table of its own, looked up before the base's OK
// and Cancel. The table is a static array of the derived class's.
template <class Derived>
class CommandDialog : public Dialog {
protected:
    CommandDialog(Window* owner, int templateId, std::span<const CommandEntry<Derived>> commands)
        : Dialog(owner, templateId), commands_(commands) {}

    bool command(int id) override {
        return dispatchCommand(static_cast<Derived&>(*this), commands_, id) || Dialog::command(id);
    }

private:
    std::span<const CommandEntry<Derived>> commands_;
};
