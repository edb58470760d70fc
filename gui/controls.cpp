#include "gui/controls.h"

#include <cassert>
#include <cstdint>
#include <vector>

#include "platform/ui_services.h"

void Control::bind(HWND dialog) {
    hwnd_ = GetDlgItem(dialog, id_);
    if (bound()) setup();
}

bool Control::bound() const {
    assert(hwnd_ && "a control is used only while its dialog's window has it");
    return hwnd_ != nullptr;
}

void Control::enable(bool on) {
    if (bound()) ui::enable(hwnd_, on);
}

bool Control::isEnabled() const { return bound() && IsWindowEnabled(hwnd_); }

void Control::setText(const char* text) {
    if (bound()) ui::setText(hwnd_, text);
}

void Edit::setup() { ui::limitText(hwnd_, textLimit_ - 1); }

void Edit::transfer(Transfer direction) {
    if (!field_) return;
    if (direction == Transfer::FromControls) {
        getText(field_, textLimit_);
        // A text longer than the field (put there past the edit's limit by
        // another program) fills it with no terminator: the reader refuses it
        // instead of taking a cut path that may name another file.
        if (!textFits()) field_[textLimit_ - 1] = '~';
    } else {
        // A field filled to the brim still ends inside itself.
        field_[textLimit_ - 1] = '\0';
        setText(field_);
    }
}

void Edit::getText(char* buffer, unsigned size) const {
    if (size == 0) return;
    buffer[0] = '\0';
    if (bound()) GetWindowTextA(hwnd_, buffer, static_cast<int>(size));
    buffer[size - 1] = '\0';
}

bool Edit::textFits() const {
    if (!bound()) return true;
    // The length asked first may be more than the text takes, never less.
    const int length = GetWindowTextLengthA(hwnd_);
    if (length < static_cast<int>(textLimit_)) return true;
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    return GetWindowTextA(hwnd_, text.data(), length + 1) < static_cast<int>(textLimit_);
}

void Edit::setReadOnly(bool on) {
    if (bound()) ui::setReadOnly(hwnd_, on);
}

void CheckBox::transfer(Transfer direction) {
    if (!field_) return;
    if (direction == Transfer::FromControls)
        *field_ = isChecked() ? 1 : 0;
    else
        setChecked(*field_ != 0);
}

bool CheckBox::isChecked() const { return bound() && SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::setChecked(bool on) {
    if (bound()) SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ProgressBar::setup() {
    ui::setProgressRange(hwnd_, low_, high_);
    ui::setProgressPosition(hwnd_, low_);
}

void ProgressBar::setValue(unsigned value) {
    if (bound()) ui::setProgressPosition(hwnd_, value);
}
