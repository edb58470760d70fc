#include "dialogs/static_bitmap.h"

#include <commctrl.h>

#include <cstdint>

#include "gui/cast.h"

namespace {

constexpr UINT_PTR SubclassId = 1;

}  // namespace

StaticBitmap::StaticBitmap(Dialog& parent, int id, HBITMAP bitmap, HPALETTE palette, Part part, Look look)
    : Static(id),
      parent_(&parent),
      bitmap(bitmap),
      palette(palette),
      sourceX(part.x),
      sourceY(part.y),
      sourceWidth(part.width),
      sourceHeight(part.height),
      showFrame(look.showFrame),
      keepAspect(look.keepAspect),
      transparent(look.transparent) {
    parent.attachControl(*this);
}

StaticBitmap::~StaticBitmap() {
    release();
    parent_->detachControl(*this);
}

void StaticBitmap::setup() {
    Static::setup();
    release();  // bound again: the window's own procedure comes back first
    RECT placed;
    GetWindowRect(hwnd_, &placed);
    MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&placed), 2);
    position_ = {placed.left, placed.top};
    // Every paint request now reaches paint() instead of the static's own
    // painting.
    subclassed_ = SetWindowSubclass(hwnd_, procedure, SubclassId, static_cast<DWORD_PTR>(asInteger(this))) != FALSE;
    ReportIf(!subclassed_);
}

// Gives the window its own painting back; the window may outlive the object.
void StaticBitmap::release() {
    if (subclassed_) RemoveWindowSubclass(hwnd_, procedure, SubclassId);
    subclassed_ = false;
}

LRESULT CALLBACK StaticBitmap::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR object) {
    auto* control = asPointer<StaticBitmap>(static_cast<LONG_PTR>(object));
    switch (message) {
    case WM_PAINT: {
        PaintDC dc(window);
        control->paint(dc.get());
        return 0;
    }
    case WM_NCDESTROY:
        control->release();
        control->unbind();
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void StaticBitmap::invalidate() {
    if (bound()) InvalidateRect(hwnd_, nullptr, TRUE);
}

void StaticBitmap::setBitmap(HBITMAP newBitmap, int newSourceX, int newSourceY, int newSourceWidth,
                             int newSourceHeight, bool newTransparent) {
    if (newBitmap) bitmap = newBitmap;
    sourceX = newSourceX;
    sourceY = newSourceY;
    sourceWidth = newSourceWidth;
    sourceHeight = newSourceHeight;
    transparent = newTransparent;
    mask.reset();
    invalidate();
}

void StaticBitmap::setFrame(bool on) {
    if (!on) eraseFrame = true;
    showFrame = on;
    invalidate();
}

void StaticBitmap::setText(const char* text) {
    if (!bound()) return;
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    SetWindowTextA(hwnd_, text);
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    invalidate();
}

bool StaticBitmap::contains(POINT point) const {
    if (!bound()) return false;
    RECT client;
    GetClientRect(hwnd_, &client);
    return point.x >= position_.x && point.x < position_.x + client.right && point.y >= position_.y &&
           point.y < position_.y + client.bottom;
}

void StaticBitmap::paint(HDC dc) {
    if (!bitmap || !bound()) return;
    MemoryDC memoryDc(dc);
    HDC memory = memoryDc.get();
    RECT client;
    GetClientRect(hwnd_, &client);
    const int clientWidth = client.right - client.left;
    const int clientHeight = client.bottom - client.top;

    // Without a palette the selections select nothing.
    PaletteSelection screenPalette(dc, palette);
    if (palette) RealizePalette(dc);
    PaletteSelection memoryPalette(memory, palette);
    if (palette) RealizePalette(memory);
    ObjectSelection picture(memory, bitmap);

    int x = 0, y = 0, width = clientWidth, height = clientHeight;
    // A part or a control of no size has no proportions and shows no
    // picture; the ratios below would divide by zero.
    const bool drawn = sourceWidth > 0 && sourceHeight > 0 && clientWidth > 0 && clientHeight > 0;

    {
        Brush face(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
        ObjectSelection fill(dc, face.get());
        PatBlt(dc, client.left, client.top, clientWidth, clientHeight, PATCOPY);
    }

    if (drawn) {
        // Width over height in 1/256, truncated; computed wide, since the
        // products may not fit 32 bits.
        const int sourceRatio = static_cast<int>(std::int64_t{sourceWidth} * 256 / sourceHeight);
        const int clientRatio = static_cast<int>(std::int64_t{clientWidth} * 256 / clientHeight);
        if (keepAspect) {
            if (clientRatio < sourceRatio || (clientRatio == sourceRatio && sourceRatio >= 256)) {
                height = static_cast<int>(std::int64_t{clientWidth} * 256 / sourceRatio);
                y = (clientHeight - height) >> 1;
            } else {
                width = static_cast<int>((std::int64_t{clientHeight} * sourceRatio) >> 8);
                x = (clientWidth - width) >> 1;
            }
        }

        if (transparent) {
            MemoryDC maskDc(dc);
            HDC maskMemory = maskDc.get();
            if (!mask) {
                // Pixels of the picture's background colour, black, become
                // the mask's set bits.
                mask = Bitmap(CreateBitmap(sourceWidth, sourceHeight, 1, 1, nullptr));
                ObjectSelection making(maskMemory, mask.get());
                SetBkColor(memory, RGB(0, 0, 0));
                BitBlt(maskMemory, 0, 0, sourceWidth, sourceHeight, memory, sourceX, sourceY, SRCCOPY);
            }
            ObjectSelection maskSelected(maskMemory, mask.get());
            SetBkColor(memory, RGB(0, 0, 0));
            SetStretchBltMode(dc, COLORONCOLOR);
            // Set bits arrive white and keep the background where the picture
            // is black; the rest is blackened, then the picture is ORed in.
            StretchBlt(dc, x, y, width, height, maskMemory, 0, 0, sourceWidth, sourceHeight, SRCAND);
            StretchBlt(dc, x, y, width, height, memory, sourceX, sourceY, sourceWidth, sourceHeight, SRCPAINT);
        } else {
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, x, y, width, height, memory, sourceX, sourceY, sourceWidth, sourceHeight, SRCCOPY);
        }
    }

    if (showFrame || eraseFrame) {
        // Inverting twice restores the pixels: the outline drawn once more
        // after it was switched off is gone.
        eraseFrame = false;
        const int previousMode = SetROP2(dc, R2_NOT);
        MoveToEx(dc, client.left - 3, client.top - 3, nullptr);
        LineTo(dc, client.right + 2, client.top - 3);
        LineTo(dc, client.right + 2, client.bottom + 2);
        LineTo(dc, client.left - 3, client.bottom + 2);
        LineTo(dc, client.left - 3, client.top - 3);
        SetROP2(dc, previousMode);
    }
}
