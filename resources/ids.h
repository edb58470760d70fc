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

// Confirm File Overwrite.
#define IDD_CONFIRM_OVERWRITE 1107
#define IDC_OVERWRITE 1103
#define IDC_APPEND 1104
#define IDC_TARGET_NAME 1603
#define IDC_SOURCE_NAME 1604
#define IDC_TARGET_DETAILS 1605
#define IDC_SOURCE_DETAILS 1606

// Disk is full.
#define IDD_DISK_FULL 1108
#define IDC_CONTINUE 1103
#define IDC_CHANGE_TARGET 1104
#define IDC_LEFT 99

// Change target.
#define IDD_CHANGE_TARGET 1110
#define IDC_NEW_TARGET 1111
#define IDC_NEW_TARGET_OK 1103
#define IDC_KEEP_TARGET 1601
#define IDC_CANCEL_JOB 1602
#define IDC_BROWSE_NEW_TARGET 1112

// The About box and its picture.
#define IDD_ABOUT 3
#define IDB_ABOUT 51
#define IDC_ABOUT_PICTURE 1600
#define IDC_HOME_PAGE 52
