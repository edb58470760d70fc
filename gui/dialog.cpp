#include "gui/dialog.h"

#include <algorithm>

#include "gui/cast.h"

namespace {

// The notification code of a WM_COMMAND that an accelerator sent; the
// system's headers have no name for it.
constexpr unsigned FromAccelerator = 1;

}  // namespace

const CommandEntry<Dialog> Dialog::commands[] = {
    {IDOK, &Dialog::ok},
    {IDCANCEL, &Dialog::cancel},
};

Dialog::Dialog(Window* owner, int templateId) : owner_(owner), templateId_(templateId) {}

Dialog::~Dialog() { destroyWindow(); }

void Dialog::destroyWindow() {
    HWND window = detach();
    if (!window) return;
    for (Control* control : controls_) control->unbind();
    if (modal_)
        EndDialog(window, IDCANCEL);
    else
        DestroyWindow(window);
}

bool Dialog::create(HWND parentWindow) {
    modal_ = false;
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parentWindow,
                                     procedure, asInteger(this));
    return window != nullptr;
}

INT_PTR Dialog::execute() {
    modal_ = true;
    HWND owner = owner_ ? owner_->handle() : nullptr;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, procedure,
                           asInteger(this));
}

void Dialog::attachControl(Control& control) {
    controls_.push_back(&control);
    // A control attached after the window was made is bound at once.
    if (hwnd_) control.bind(hwnd_);
}

void Dialog::detachControl(Control& control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), &control), controls_.end());
}

bool Dialog::transferData(Transfer direction) {
    if (ReportIf(!hwnd_)) return false;
    bool all = true;
    for (Control* control : controls_) all = control->transfer(direction) && all;
    return all;
}

// The loop asks only windows that have an object, and this one's is linked.
bool Dialog::preProcessMessage(MSG& message) { return IsDialogMessageA(hwnd_, &message); }

bool Dialog::canClose() {
    for (Control* control : controls_)
        if (!control->canClose()) return false;
    return Window::canClose();
}

void Dialog::setupWindow() { transferData(Transfer::ToControls); }

bool Dialog::command(int id) { return dispatchCommand(*this, commands, id); }

INT_PTR Dialog::dialogProcedure(UINT, WPARAM, LPARAM) { return FALSE; }

void Dialog::close(INT_PTR code) {
    if (!canClose()) return;
    transferData(Transfer::FromControls);
    end(code);
}

void Dialog::end(INT_PTR code) {
    if (ReportIf(!hwnd_)) return;
    if (modal_)
        EndDialog(hwnd_, code);
    else
        DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = asPointer<Dialog>(lParam);
        dialog->attach(window);
        for (Control* control : dialog->controls_) control->bind(window);
        dialog->setupWindow();
        return TRUE;
    }
    // Messages that come before WM_INITDIALOG, or after the object let the
    // window go, find no object.
    auto* dialog = static_cast<Dialog*>(fromHandle(window));
    if (!dialog) return FALSE;

    if (message == WM_COMMAND) {
        // Buttons, menus, accelerators and the dialog keys; not the
        // notifications that edits send.
        unsigned code = HIWORD(wParam);
        if ((code == BN_CLICKED || code == FromAccelerator) && dialog->command(LOWORD(wParam))) return TRUE;
    }
    INT_PTR handled = dialog->dialogProcedure(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        for (Control* control : dialog->controls_) control->unbind();
        dialog->detach();
    }
    return handled;
}
