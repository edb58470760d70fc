// The About box: the program's picture, its version, its makers and its home
// page, on dialog template 3.
#pragma once

#include <windows.h>

#include "dialogs/static_bitmap.h"
#include "gui/dialog.h"
#include "gui/gdi.h"

// The picture as the program file carries it: a device-independent bitmap,
// its header, colours and pixels, checked to lie inside the resource. Empty
// when the resource is missing or not a bitmap the program can show.
struct PictureResource {
    const BITMAPINFO* info = nullptr;
    const void* pixels = nullptr;
    unsigned colours = 0;
};
PictureResource loadPictureResource(HINSTANCE module, int id);

class aboutdlg final : public Dialog {
public:
    // Makes the palette and the device-dependent bitmap from `picture`
    // (which outlives the dialog) and binds the picture control to them.
    aboutdlg(Window* owner, const PictureResource& picture);

private:
    // Declared in this order, so the picture control goes first, then the
    // bitmap and the palette it paints with.
    Palette aboutPalette;
    Bitmap aboutBitmap;
    StaticBitmap picture;
};

// The "&About" command: shows the About box modally; its caller runs it only
// while no job runs.
void showAbout(Window& mainDialog);
