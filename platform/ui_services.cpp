#include "platform/ui_services.h"

#include <commctrl.h>

#include "engine/job_view.h"
#include "platform/file_services.h"

// The engine names the platform's constants without including <windows.h>;
// they must be the platform's own values.
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

static_assert(InvalidAttributes == INVALID_FILE_ATTRIBUTES);
static_assert(AttrReadOnly == FILE_ATTRIBUTE_READONLY);
static_assert(AttrHidden == FILE_ATTRIBUTE_HIDDEN);
static_assert(AttrSystem == FILE_ATTRIBUTE_SYSTEM);
static_assert(AttrDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(AttrArchive == FILE_ATTRIBUTE_ARCHIVE);
static_assert(AttrNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(AttrCompressed == FILE_ATTRIBUTE_COMPRESSED);
static_assert(DriveCdrom == DRIVE_CDROM);
static_assert(ErrorDiskFull == ERROR_DISK_FULL);

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
