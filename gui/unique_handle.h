// The owner of one handle that the system handed out: `Close` gives it back
// when the owner goes. Move-only, so a handle has exactly one owner and goes
// with it, also on an early return. Empty when made from null.
#pragma once

#include <utility>

template <class Handle, class Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }

    Handle get() const { return handle_; }
    operator Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle held back, and holds `handle` instead.
    void reset(Handle handle = nullptr) {
        if (handle_) Close{}(handle_);
        handle_ = handle;
    }
    // For a call that hands out a new handle: the old one goes first.
    Handle* receive() {
        reset();
        return &handle_;
    }

private:
    Handle handle_ = nullptr;
};
