#include "gui/controls.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ui_services.h"

void Control::bind(HWND dialog) {
    hwnd_ = GetDlgItem(dialog, id_);
    if (hwnd_) setup();
}

void Control::transfer(void*, Transfer) {}

void Control::enable(bool on) {
    if (hwnd_) ui::enable(hwnd_, on);
}

bool Control::isEnabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }

void Control::setText(const char* text) {
    if (hwnd_) ui::setText(hwnd_, text);
}

void Edit::setup() { ui::limitText(hwnd_, textLimit_ - 1); }

void Edit::transfer(void* field, Transfer direction) {
    char* text = static_cast<char*>(field);
    if (direction == Transfer::FromControls) {
        getText(text, textLimit_);
        // A text longer than the field (put there past the edit's limit by
        // another program) fills it with no terminator: the reader refuses it
        // instead of taking a cut path that may name another file.
        if (textLimit_ > 0 && !textFits()) text[textLimit_ - 1] = '~';
    } else {
        // A field filled to the brim still ends inside itself.
        text[textLimit_ - 1] = '\0';
        setText(text);
    }
}

void Edit::getText(char* buffer, unsigned size) const {
    if (size == 0) return;
    buffer[0] = '\0';
    if (hwnd_) GetWindowTextA(hwnd_, buffer, static_cast<int>(size));
    buffer[size - 1] = '\0';
}

bool Edit::textFits() const {
    if (!hwnd_) return true;
    // The length asked first may be more than the text takes, never less.
    const int length = GetWindowTextLengthA(hwnd_);
    if (length < static_cast<int>(textLimit_)) return true;
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    return GetWindowTextA(hwnd_, text.data(), length + 1) < static_cast<int>(textLimit_);
}

void Edit::setReadOnly(bool on) {
    if (hwnd_) ui::setReadOnly(hwnd_, on);
}

void CheckBox::transfer(void* field, Transfer direction) {
    std::int32_t value;
    if (direction == Transfer::FromControls) {
        value = isChecked() ? 1 : 0;
        std::memcpy(field, &value, sizeof value);
    } else {
        std::memcpy(&value, field, sizeof value);
        setChecked(value != 0);
    }
}

bool CheckBox::isChecked() const { return hwnd_ && SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::setChecked(bool on) {
    if (hwnd_) SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void ProgressBar::setup() {
    ui::setProgressRange(hwnd_, low_, high_);
    ui::setProgressPosition(hwnd_, low_);
}

void ProgressBar::setValue(unsigned value) {
    if (hwnd_) ui::setProgressPosition(hwnd_, value);
}
