// The About box's picture: a static control of a dialog template whose
// painting is the program's own. It draws a part of a bitmap stretched into
// the whole control, optionally keeping its proportions, optionally leaving
// the picture's pure black pixels out, and optionally with an inverted
// outline three pixels outside it.
#pragma once

#include <windows.h>

#include "gui/controls.h"
#include "gui/dialog.h"
#include "gui/gdi.h"

class StaticBitmap final : public Static {
public:
    // The part of the bitmap shown, in its pixels.
    struct Part {
        int x, y, width, height;
    };
    // How it is shown; named at the call: {.keepAspect = true}.
    struct Look {
        bool showFrame = false;
        bool keepAspect = false;
        bool transparent = false;
    };
    // `bitmap` and `palette` (which may be null) stay the caller's and must
    // outlive the control. The control is bound to `parent`'s control `id`.
    StaticBitmap(Dialog& parent, int id, HBITMAP bitmap, HPALETTE palette, Part part, Look look);
    ~StaticBitmap() override;

    // Another part of a picture: a null bitmap keeps the current one. The
    // mask goes and the control is painted again.
    void setBitmap(HBITMAP bitmap, int sourceX, int sourceY, int sourceWidth, int sourceHeight, bool transparent);
    // Switches the outline on or off; switched off, the next paint removes it.
    void setFrame(bool on);
    // Sets the window text without a flicker of the system's painting.
    void setText(const char* text) override;
    // Whether a point in the parent's client coordinates lies on the control.
    bool contains(POINT point) const;

    // Paints the whole client area into `dc`, the update region regardless.
    void paint(HDC dc);

protected:
    void setup() override;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR object);
    void release();
    void invalidate();

    Dialog* parent_;
    HBITMAP bitmap;
    Bitmap mask;  // made at the first transparent paint, then kept
    HPALETTE palette;
    int sourceX, sourceY, sourceWidth, sourceHeight;
    bool showFrame;
    bool eraseFrame = false;
    bool keepAspect;
    bool transparent;

    bool subclassed_ = false;
    POINT position_{};  // the control's place in its parent, taken when it is bound
};
