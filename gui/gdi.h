// One owner per kind of GDI resource the program uses: device contexts got
// from a window, made in memory or handed out for a paint; bitmaps, palettes
// and brushes; and selections that put back what they replaced. Each is
// move-only, so a resource has exactly one owner and goes with it, also on
// an early return. Declared after the context and the object, a selection
// goes first: nothing is deleted while it is selected.
#pragma once

#include <windows.h>

#include <utility>

// A window's device context (GetDC), given back with ReleaseDC. A null
// window is the screen.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    WindowDC(WindowDC&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&& other) noexcept {
        std::swap(window_, other.window_);
        std::swap(dc_, other.dc_);
        return *this;
    }

    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with another (CreateCompatibleDC),
// deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& other) noexcept {
        std::swap(dc_, other.dc_);
        return *this;
    }

    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// The device context of one WM_PAINT (BeginPaint), ended with EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() {
        if (window_) EndPaint(window_, &paint_);
    }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    PaintDC(PaintDC&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), paint_(other.paint_), dc_(other.dc_) {}
    PaintDC& operator=(PaintDC&& other) noexcept {
        std::swap(window_, other.window_);
        std::swap(paint_, other.paint_);
        std::swap(dc_, other.dc_);
        return *this;
    }

    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A GDI object of one kind (a bitmap, a palette, a brush), deleted with
// DeleteObject. Empty when made from null.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }

    Handle get() const { return handle_; }
    operator Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Palette = GdiObject<HPALETTE>;
using Brush = GdiObject<HBRUSH>;

// Selects an object (a bitmap, a brush, a pen) into a device context and puts
// the one it replaced back when it goes.
class ObjectSelection {
public:
    ObjectSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ObjectSelection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    ObjectSelection(const ObjectSelection&) = delete;
    ObjectSelection& operator=(const ObjectSelection&) = delete;
    ObjectSelection(ObjectSelection&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    ObjectSelection& operator=(ObjectSelection&&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Selects a palette into a device context (in the foreground) and puts the
// one it replaced back when it goes. Empty when made without a palette.
class PaletteSelection {
public:
    PaletteSelection() = default;
    PaletteSelection(HDC dc, HPALETTE palette)
        : dc_(dc), previous_(palette ? SelectPalette(dc, palette, FALSE) : nullptr) {}
    ~PaletteSelection() {
        if (previous_) SelectPalette(dc_, previous_, FALSE);
    }
    PaletteSelection(const PaletteSelection&) = delete;
    PaletteSelection& operator=(const PaletteSelection&) = delete;
    PaletteSelection(PaletteSelection&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    PaletteSelection& operator=(PaletteSelection&&) = delete;

private:
    HDC dc_ = nullptr;
    HPALETTE previous_ = nullptr;
};
