#include "platform/ui_services.h"

#include <commctrl.h>

#include "platform/message_box.h"

// The engine names the message box's flags and answers without including
// <windows.h>; they must be the platform's own values.
static_assert(box::Ok == MB_OK);
static_assert(box::OkCancel == MB_OKCANCEL);
static_assert(box::YesNo == MB_YESNO);
static_assert(box::RetryCancel == MB_RETRYCANCEL);
static_assert(box::IconHand == MB_ICONHAND);
static_assert(box::IconQuestion == MB_ICONQUESTION);
static_assert(box::IconExclamation == MB_ICONEXCLAMATION);
static_assert(box::DefButton2 == MB_DEFBUTTON2);
static_assert(box::IdOk == IDOK);
static_assert(box::IdCancel == IDCANCEL);
static_assert(box::IdRetry == IDRETRY);
static_assert(box::IdYes == IDYES);
static_assert(box::IdNo == IDNO);

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
