#include "platform/ui_services.h"

#include <commctrl.h>

#include "platform/message_box.h"

// The engine names the message box's flags and answers without including
// <windows.h>; they must be the platform's own values.
static_assert(box::Ok == MB_OK && box::OkCancel == MB_OKCANCEL && box::YesNo == MB_YESNO &&
              box::RetryCancel == MB_RETRYCANCEL, "the buttons");
static_assert(box::IconHand == MB_ICONHAND && box::IconQuestion == MB_ICONQUESTION &&
              box::IconExclamation == MB_ICONEXCLAMATION && box::DefButton2 == MB_DEFBUTTON2,
              "the icons and the default button");
static_assert(box::IdOk == IDOK && box::IdCancel == IDCANCEL && box::IdRetry == IDRETRY && box::IdYes == IDYES &&
              box::IdNo == IDNO, "the answers");

namespace ui {

void beep() { MessageBeep(0xFFFFFFFF); }

int messageBox(HWND owner, const char* text, const char* caption, unsigned flags) {
    return MessageBoxA(owner, text, caption, flags);
}

void setText(HWND control, const char* text) { SetWindowTextA(control, text); }

void enable(HWND control, bool on) { EnableWindow(control, on ? TRUE : FALSE); }

void setReadOnly(HWND edit, bool on) { SendMessageA(edit, EM_SETREADONLY, on ? TRUE : FALSE, 0); }

void setProgressRange(HWND bar, unsigned low, unsigned high) {
    SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void setProgressPosition(HWND bar, unsigned position) { SendMessageA(bar, PBM_SETPOS, position, 0); }

void limitText(HWND edit, unsigned characters) { SendMessageA(edit, EM_LIMITTEXT, characters, 0); }

}  // namespace ui
