// The windowing calls the program takes from the platform, one thin wrapper
// each, for the engine's window side and the dialogs.
#pragma once

#include <windows.h>

namespace ui {

// The standard beep.
void beep();
// A modal message box owned by `owner`; returns the button pressed (IDOK...).
int messageBox(HWND owner, const char* text, const char* caption, unsigned flags);
void setText(HWND control, const char* text);
// A disabled control takes no input.
void enable(HWND control, bool on);
// A read-only edit keeps its text and takes no typing.
void setReadOnly(HWND edit, bool on);
void setProgressRange(HWND bar, unsigned low, unsigned high);
void setProgressPosition(HWND bar, unsigned position);
// The most characters the user may type into the edit.
void limitText(HWND edit, unsigned characters);

}  // namespace ui
