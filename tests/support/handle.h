// Handles of the system's, closed when their owner goes: files (CloseHandle)
// and searches of a folder (FindClose), both INVALID_HANDLE_VALUE when the
// call failed. The program's own owner template, moved but never copied.
#pragma once

#include <windows.h>

#include "platform/unique_handle.h"

namespace testkit {

struct InvalidHandleValue {
    static HANDLE value() { return INVALID_HANDLE_VALUE; }
};
struct CloseFile {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseSearch {
    void operator()(HANDLE handle) const { FindClose(handle); }
};

using Handle = UniqueHandle<HANDLE, CloseFile, InvalidHandleValue>;
using Search = UniqueHandle<HANDLE, CloseSearch, InvalidHandleValue>;

}  // namespace testkit
