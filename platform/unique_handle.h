// The owner of one handle that the system handed out: `Close` gives it back
// when the owner goes. Move-only, so a handle has exactly one owner and goes
// with it, also on an early return. `Invalid` names the value that means "no
// handle": null for most kinds, INVALID_HANDLE_VALUE for files and searches
// (a trait of the user's, beside its <windows.h>, so this header needs none).
// The raw handle is had only through get().
#pragma once

#include <cstddef>
#include <utility>

// Null is no handle.
struct NullHandle {
    static constexpr std::nullptr_t value() { return nullptr; }
};

template <class Handle, class Close, class Invalid = NullHandle>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    // Whether the call that gave the handle succeeded.
    bool valid() const { return handle_ != Invalid::value(); }
    explicit operator bool() const { return valid(); }
    // Gives the handle held back, and holds `handle` instead.
    void reset(Handle handle = Invalid::value()) {
        if (valid()) Close{}(handle_);
        handle_ = handle;
    }
    // Lets the handle go without giving it back.
    Handle release() { return std::exchange(handle_, Invalid::value()); }
    // For a call that hands out a new handle: the old one goes first.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = Invalid::value();
};
