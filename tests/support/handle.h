// Handles of the system's, closed when their owner goes: files and
// processes (CloseHandle) and searches of a folder (FindClose). An owner is
// a unique_ptr over the handle: get(), reset() to close it early, moved but
// never copied.
#pragma once

#include <windows.h>

#include <memory>

namespace testkit {

template <BOOL (*close)(HANDLE)>
struct HandleCloser {
    using pointer = HANDLE;
    void operator()(HANDLE handle) const {
        if (handle != INVALID_HANDLE_VALUE) close(handle);
    }
};

template <BOOL (*close)(HANDLE)>
class ScopedHandle : public std::unique_ptr<void, HandleCloser<close>> {
public:
    explicit ScopedHandle(HANDLE handle) : std::unique_ptr<void, HandleCloser<close>>(handle) {}
    // Whether the call that gave the handle succeeded.
    bool valid() const { return this->get() != nullptr && this->get() != INVALID_HANDLE_VALUE; }
};

inline BOOL closeHandle(HANDLE handle) { return CloseHandle(handle); }
inline BOOL closeSearch(HANDLE handle) { return FindClose(handle); }

using Handle = ScopedHandle<closeHandle>;
using Search = ScopedHandle<closeSearch>;

}  // namespace testkit
