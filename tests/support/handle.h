// Handles of the system's, closed when their owner goes: files (CloseHandle)
// and searches of a folder (FindClose), both INVALID_HANDLE_VALUE when the
// call failed. The program's own owner template, moved but never copied.
#pragma once

#include <windows.h>

#include "platform/file_handle.h"

namespace testkit {

struct CloseSearch {
    void operator()(HANDLE handle) const { FindClose(handle); }
};

using Handle = FileHandle;
using Search = UniqueHandle<HANDLE, CloseSearch, InvalidFileHandle>;

}  // namespace testkit
