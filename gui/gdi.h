// One owner per kind of GDI resource the program uses: device contexts got
// from a window, made in memory or handed out for a paint; bitmaps, palettes
// and brushes; and selections that put back what they replaced. None can be
// copied, so a resource has exactly one owner and goes with it, also on an
// early return; the owners of a memory context and of GDI objects can be
// moved, the contexts of a window and of a paint stay in the scope that got
// them. Declared after the context and the object, a selection goes first:
// nothing is deleted while it is selected.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/unique_handle.h"

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

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

struct DeleteDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

// A memory device context compatible with another (CreateCompatibleDC),
// deleted with DeleteDC.
class MemoryDC : public UniqueHandle<HDC, DeleteDc> {
public:
    explicit MemoryDC(HDC compatibleWith) : UniqueHandle(CreateCompatibleDC(compatibleWith)) {}
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

    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A GDI object of one kind (a bitmap, a palette, a brush), deleted with
// DeleteObject.
template <class Handle>
using GdiObject = UniqueHandle<Handle, DeleteGdiObject>;

using Bitmap = GdiObject<HBITMAP>;
using Palette = GdiObject<HPALETTE>;
using Brush = GdiObject<HBRUSH>;

// Selects an object into a device context and puts the one it replaced
// back when it goes: an object (a bitmap, a brush, a pen) with SelectObject,
// a palette with SelectPalette (in the foreground). Empty when made without
// an object.
template <class Object, Object (*select)(HDC, Object)>
class Selection {
public:
    Selection() = default;
    Selection(HDC dc, Object object) : dc_(dc), previous_(object ? select(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_) select(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    Selection(Selection&& other) noexcept : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    Selection& operator=(Selection&&) = delete;

private:
    HDC dc_ = nullptr;
    Object previous_ = nullptr;
};

inline HGDIOBJ selectObject(HDC dc, HGDIOBJ object) { return SelectObject(dc, object); }
inline HPALETTE selectPalette(HDC dc, HPALETTE palette) { return SelectPalette(dc, palette, FALSE); }

using ObjectSelection = Selection<HGDIOBJ, selectObject>;
using PaletteSelection = Selection<HPALETTE, selectPalette>;
