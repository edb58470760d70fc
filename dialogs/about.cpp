#include "dialogs/about.h"

#include <cstddef>
#include <cstring>

#include "resources/ids.h"

namespace {

constexpr int PictureSize = 32;

Palette makePalette(const PictureResource& picture) {
    if (!picture.info || picture.colours == 0) return Palette();
    struct {
        WORD version;
        WORD entries;
        PALETTEENTRY colours[256];
    } palette{0x300, static_cast<WORD>(picture.colours), {}};
    for (unsigned i = 0; i < picture.colours; ++i) {
        const RGBQUAD& colour = picture.info->bmiColors[i];
        palette.colours[i] = {colour.rgbRed, colour.rgbGreen, colour.rgbBlue, 0};
    }
    return Palette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette)));
}

Bitmap makeBitmap(const PictureResource& picture) {
    if (!picture.info) return Bitmap();
    WindowDC screen(nullptr);
    return Bitmap(
        CreateDIBitmap(screen.get(), &picture.info->bmiHeader, CBM_INIT, picture.pixels, picture.info, DIB_RGB_COLORS));
}

}  // namespace

PictureResource loadPictureResource(HINSTANCE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const std::size_t size = found ? SizeofResource(module, found) : 0;
    if (!data || size < sizeof(BITMAPINFOHEADER)) return {};
    BITMAPINFOHEADER header;
    std::memcpy(&header, data, sizeof header);
    const long width = header.biWidth, height = header.biHeight < 0 ? -long{header.biHeight} : header.biHeight;
    const unsigned bits = header.biBitCount;
    if (header.biSize < sizeof header || header.biSize > size || header.biPlanes != 1 || header.biCompression != BI_RGB ||
        width <= 0 || height <= 0 || width > 4096 || height > 4096 || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
        return {};
    // The colour table: as many entries as biClrUsed says, else all that
    // the pixels can name; a true-colour picture may have one or none.
    if (header.biClrUsed > 256 || (bits <= 8 && header.biClrUsed > (1u << bits))) return {};
    const unsigned colours = header.biClrUsed ? static_cast<unsigned>(header.biClrUsed) : bits <= 8 ? 1u << bits : 0;
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t pixelsAt = header.biSize + colours * sizeof(RGBQUAD);
    if (pixelsAt > size || stride * static_cast<std::size_t>(height) > size - pixelsAt) return {};
    PictureResource picture;
    picture.info = static_cast<const BITMAPINFO*>(data);
    picture.pixels = static_cast<const unsigned char*>(data) + pixelsAt;
    picture.colours = colours;
    return picture;
}

aboutdlg::aboutdlg(Window* owner, const PictureResource& resource)
    : Dialog(owner, IDD_ABOUT),
      aboutPalette(makePalette(resource)),
      aboutBitmap(makeBitmap(resource)),
      picture(*this, IDC_ABOUT_PICTURE, aboutBitmap.get(), aboutPalette.get(), {0, 0, PictureSize, PictureSize},
              {.transparent = true}) {}

void showAbout(Window& mainDialog) {
    // The resource's memory belongs to the program file and stays mapped
    // with it: there is nothing to give back once the dialog is gone. A
    // picture that cannot be loaded leaves the control empty.
    const PictureResource resource = loadPictureResource(GetModuleHandleA(nullptr), IDB_ABOUT);
    aboutdlg dialog(&mainDialog, resource);
    dialog.execute();
}
