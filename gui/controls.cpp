#include "gui/controls.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ui_services.h"

void Control::bind(HWND dialog) {
    hwnd_ = GetDlgItem(dialog, id_);
    if (bound()) setup();
}

void Control::enable(bool on) {
    if (bound()) ui::enable(hwnd_, on);
}

bool Control::isEnabled() const { return bound() && IsWindowEnabled(hwnd_); }

void Control::setText(const char* text) {
    if (bound()) ui::setText(hwnd_, text);
}

void Edit::setup() { ui::limitText(hwnd_, textLimit_ - 1); }

bool Edit::transfer(Transfer direction) {
    if (!field_) return true;
    if (direction == Transfer::ToControls) {
        if (!fitted_) return false;
        // A field filled to the brim still ends inside itself.
        field_[textLimit_ - 1] = '\0';
        setText(field_);
        return true;
    }
    // The length asked first may be more than the text takes, never less.
    const int length = bound() ? GetWindowTextLengthA(hwnd_) : 0;
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = bound() ? GetWindowTextA(hwnd_, text.data(), length + 1) : 0;
    fitted_ = got < static_cast<int>(textLimit_);
    // A text that does not fit leaves the field without a terminator: the
    // engine refuses such a field rather than take a cut path that may name
    // another file.
    std::memcpy(field_, text.data(), fitted_ ? static_cast<std::size_t>(got) + 1 : textLimit_);
    return fitted_;
}

bool Edit::assign(const char* text) {
    if (ReportIf(!field_)) return false;
    const std::size_t length = strnlen(text, textLimit_);
    if (length >= textLimit_) return false;
    std::memcpy(field_, text, length + 1);
    fitted_ = true;
    return true;
}

void Edit::getText(char* buffer, unsigned size) const {
    if (size == 0) return;
    buffer[0] = '\0';
    if (bound()) GetWindowTextA(hwnd_, buffer, static_cast<int>(size));
    buffer[size - 1] = '\0';
}

void Edit::setReadOnly(bool on) {
    if (bound()) ui::setReadOnly(hwnd_, on);
}

bool CheckBox::transfer(Transfer direction) {
    if (!field_) return true;
    if (direction == Transfer::FromControls)
        *field_ = isChecked() ? 1 : 0;
    else
        setChecked(*field_ != 0);
    return true;
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
