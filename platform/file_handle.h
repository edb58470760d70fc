// Owners of open files: a system file handle (CloseHandle), invalid as
// INVALID_HANDLE_VALUE, and a run-time file number (_close), invalid as -1.
#pragma once

#include <windows.h>

#include <io.h>

#include "platform/unique_handle.h"

struct InvalidFileHandle {
    static HANDLE value() { return INVALID_HANDLE_VALUE; }
};
struct CloseFileHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = UniqueHandle<HANDLE, CloseFileHandle, InvalidFileHandle>;

struct InvalidFileNumber {
    static constexpr int value() { return -1; }
};
struct CloseFileNumber {
    void operator()(int file) const { _close(file); }
};
using FileNumber = UniqueHandle<int, CloseFileNumber, InvalidFileNumber>;
