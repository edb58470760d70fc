// Resource and control ids, shared by the resource script and the program.
// Plain defines only: the resource compiler reads this file too.
#pragma once

// The main dialog and its controls.
#define IDD_MAIN 4
#define IDC_START 5
#define IDC_ABOUT 6
#define IDC_EXIT 7
#define IDC_BROWSE_SOURCE 8
#define IDC_BROWSE_TARGET 9
#define IDC_SOURCE 1101
#define IDC_TARGET 1102
#define IDC_CLEAR_READONLY 1500
#define IDC_MOVE_FILE 54
#define IDC_PROGRESS_LINE1 1113
#define IDC_PROGRESS_LINE2 1114
#define IDC_PROGRESS_BAR 59

// The window's icon.
#define IDI_MAIN 2

// A menu and an accelerator table that the program carries but never loads.
#define IDM_MAIN 1
#define IDA_MAIN 1
#define CM_FILE_EXIT 108
#define CM_F2 103
