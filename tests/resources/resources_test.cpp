// The resources built into the real quillet.exe, read from the program file:
// the window's icon, the menu and accelerator table it carries, its version,
// its manifest and the main dialog's template, item by item.
//   resources_test --program=PATH_OF_QUILLET_EXE [doctest options]
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resources/ids.h"
#include "tests/support/test_main.h"

namespace {

HMODULE program;
std::string programFile;

struct Bytes {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

Bytes resource(LPCSTR type, int id) {
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(id), type);
    HGLOBAL loaded = found ? LoadResource(program, found) : nullptr;
    if (!loaded) return {};
    return {static_cast<const unsigned char*>(LockResource(loaded)), SizeofResource(program, found)};
}

// Reads little-endian fields in turn; past the end it gives zeros and notes the overrun.
class Reader {
public:
    explicit Reader(Bytes bytes) : bytes_(bytes) {}
    template <typename T = std::uint16_t> T get() {
        T value{};
        if (at_ + sizeof(T) <= bytes_.size) std::memcpy(&value, bytes_.data + at_, sizeof(T));
        else overrun = true;
        at_ += sizeof(T);
        return value;
    }
    std::uint32_t dword() { return get<std::uint32_t>(); }
    // A zero-terminated UTF-16 text; the program's own texts are plain ASCII.
    std::string text() {
        std::string result;
        for (std::uint16_t c = get(); c != 0 && !overrun; c = get()) result += c < 0x80 ? static_cast<char>(c) : '?';
        return result;
    }
    // Nothing (""), an ordinal ("#number") or a name.
    std::string nameOrOrdinal() {
        const std::uint16_t first = get();
        if (first == 0) return "";
        if (first == 0xFFFF) return std::string("#").append(std::to_string(get()));
        at_ -= 2;
        return text();
    }
    void align() { at_ = (at_ + 3) / 4 * 4; }
    void skip(std::size_t count) { at_ += count; }
    void seek(std::size_t at) { at_ = at; }
    std::size_t at() const { return at_; }
    bool overrun = false;

private:
    Bytes bytes_;
    std::size_t at_ = 0;
};

// An icon image as the system draws it, once on each of two backgrounds: a pixel
// that keeps the background both times is transparent, one that differs between
// them inverts the screen, the others are its colours (0xRRGGBB).
struct DrawnIcon {
    int transparent = 0, inverting = 0;
    std::map<COLORREF, int> colours;
    int count(std::initializer_list<COLORREF> wanted) const {
        int total = 0;
        for (COLORREF colour : wanted) total += colours.count(colour) ? colours.at(colour) : 0;
        return total;
    }
};

DrawnIcon draw(Bytes image) {
    HICON icon = CreateIconFromResourceEx(const_cast<PBYTE>(image.data), static_cast<DWORD>(image.size), TRUE,
                                          0x00030000, 32, 32, LR_DEFAULTCOLOR);
    REQUIRE(icon);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    REQUIRE(bits);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const std::uint32_t backgrounds[2] = {0x123456, 0xA9CB87};
    std::vector<std::uint32_t> pixels[2];
    for (int pass = 0; pass < 2; ++pass) {
        auto* target = static_cast<std::uint32_t*>(bits);
        std::fill(target, target + 32 * 32, backgrounds[pass]);
        CHECK(DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
        GdiFlush();
        pixels[pass].assign(target, target + 32 * 32);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyIcon(icon);
    DrawnIcon drawn;
    for (std::size_t i = 0; i < pixels[1].size(); ++i) {
        const std::uint32_t first = pixels[0][i] & 0xFFFFFF, second = pixels[1][i] & 0xFFFFFF;
        if (first == backgrounds[0] && second == backgrounds[1]) ++drawn.transparent;
        else if (first != second) ++drawn.inverting;
        else ++drawn.colours[first];
    }
    return drawn;
}

#pragma pack(push, 2)
struct IconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_CASE("icon 2: the two floppy disks, then a blank image, both 32 x 32 with 16 colours") {
    Bytes group = resource(RT_GROUP_ICON, IDI_MAIN);
    REQUIRE(group.data);
    Reader entries(group);
    CHECK(entries.get() == 0);
    CHECK(entries.get() == 1);  // icons, not cursors
    REQUIRE(entries.get() == 2);
    int ids[2];
    for (int& id : ids) {
        const auto entry = entries.get<IconEntry>();
        id = entry.id;
        CAPTURE(id);
        CHECK(entry.width == 32);
        CHECK(entry.height == 32);
        CHECK(entry.colours == 16);
        CHECK(entry.bitCount == 4);
        // A classic 4-bit bitmap of twice the height, with its palette, colour bitmap and mask.
        Bytes image = resource(RT_ICON, id);
        REQUIRE(image.size == sizeof(BITMAPINFOHEADER) + 16 * 4 + 32 * 16 + 32 * 4);
        const auto bitmap = Reader(image).get<BITMAPINFOHEADER>();
        CHECK(bitmap.biSize == sizeof bitmap);
        CHECK(bitmap.biHeight == 64);
        CHECK(bitmap.biBitCount == 4);
    }
    REQUIRE_FALSE(entries.overrun);

    // The window shows the image the system picks for a 32 x 32 icon: the picture.
    CHECK(LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group.data), TRUE, 32, 32, LR_DEFAULTCOLOR) == ids[0]);
    const DrawnIcon picture = draw(resource(RT_ICON, ids[0]));
    CHECK(picture.inverting == 0);
    CHECK(picture.transparent > 0);
    CHECK(picture.transparent < 32 * 32 / 2);
    static const std::set<COLORREF> vgaColours = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (const auto& [colour, pixels] : picture.colours) {
        CAPTURE(colour);
        CHECK(vgaColours.count(colour) == 1);
    }
    CHECK(picture.count({0xC0C0C0, 0x808080}) > 100);  // the disks' grey bodies
    CHECK(picture.count({0xFFFF00}) > 20);             // their shutters
    CHECK(picture.count({0x0000FF, 0x000080}) > 10);   // the label lines
    CHECK(picture.count({0xFF0000, 0x800000}) > 3);    // the corner mark

    CHECK(draw(resource(RT_ICON, ids[1])).transparent == 32 * 32);
}

// A menu written out as "&File{E&xit=108}": each item's text with its command or its popup.
std::string describe(HMENU menu) {
    std::string result;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        HMENU popup = GetSubMenu(menu, i);
        if (i) result += ',';
        result += text;
        if (popup) result.append("{").append(describe(popup)).append("}");
        else result.append("=").append(std::to_string(GetMenuItemID(menu, i)));
    }
    return result;
}

TEST_CASE("menu 1 and accelerator table 1, carried but never loaded") {
    Bytes menu = resource(RT_MENU, IDM_MAIN);
    REQUIRE(menu.data);
    HMENU bar = LoadMenuIndirectA(menu.data);
    REQUIRE(bar);
    CHECK(describe(bar) == "&File{E&xit=108}");
    DestroyMenu(bar);

    Bytes accelerators = resource(RT_ACCELERATOR, IDA_MAIN);
    REQUIRE(accelerators.data);
    CHECK(accelerators.size == 8);  // one entry
    Reader entry(accelerators);
    CHECK((entry.get() & ~0x80u) == FVIRTKEY);  // a virtual key without Shift, Ctrl or Alt; 0x80 ends the table
    CHECK(entry.get() == VK_F2);
    CHECK(entry.get() == CM_F2);
}

// A text value of the version resource, found by its key; the value follows at a 4-byte boundary.
std::string versionText(Bytes bytes, const char* key) {
    std::string pattern;
    for (std::size_t i = 0; i <= std::strlen(key); ++i) pattern += {key[i], '\0'};  // UTF-16, terminated
    const std::size_t found = std::string(reinterpret_cast<const char*>(bytes.data), bytes.size).find(pattern);
    if (found == std::string::npos) return "(none)";
    Reader value(bytes);
    value.seek(found + pattern.size());
    value.align();
    return value.text();
}

TEST_CASE("the version resource names Quillet 3.00") {
    Bytes bytes = resource(RT_VERSION, 1);
    REQUIRE(bytes.size > 40 + sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes.data + 40, sizeof fixed);  // after the root's header and its key VS_VERSION_INFO
    CHECK(fixed.dwSignature == 0xFEEF04BD);
    CHECK(fixed.dwFileVersionMS == 0x00030000);
    CHECK(fixed.dwFileVersionLS == 0);
    CHECK(fixed.dwFileType == VFT_APP);
    CHECK(versionText(bytes, "ProductName") == "Quillet");
    CHECK(versionText(bytes, "ProductVersion") == "3.00");
    CHECK(versionText(bytes, "FileVersion") == "3.00");
}

// A UTF-16 text of the system as plain ASCII, for comparisons.
std::string narrow(const wchar_t* text) {
    std::string result;
    for (; *text; ++text) result += *text < 0x80 ? static_cast<char>(*text) : '?';
    return result;
}

// A setting of the manifest's windowsSettings as the system reads it, "(none)" when it has none.
std::string manifestSetting(HANDLE context, const wchar_t* nameSpace, const wchar_t* name) {
    wchar_t value[64] = L"";
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, nameSpace, name, value, std::size(value), &written)) return "(none)";
    return narrow(value);
}

TEST_CASE("manifest 1, as the system reads it: the user's own rights, Vista to 11, UTF-8, classic look") {
    Bytes manifest = resource(RT_MANIFEST, 1);
    REQUIRE(manifest.data);
    ACTCTXA request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = programFile.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    REQUIRE_MESSAGE(context != INVALID_HANDLE_VALUE, "the system refuses the manifest, error " << GetLastError());

    // Neither elevated nor virtualised.
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level{};
    CHECK(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &level, sizeof level, nullptr));
    CHECK(level.RunLevel == ACTCTX_RUN_LEVEL_AS_INVOKER);
    CHECK(level.UiAccess == 0);

    // The system's list as Windows 10 and Wine give it; mingw-w64's header
    // still lacks the last field of each element.
    struct {
        DWORD count;
        struct {
            GUID id;
            DWORD type;
            ULONGLONG maxVersionTested;
        } elements[16];
    } compatibility{};
    CHECK(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, &compatibility,
                       sizeof compatibility, nullptr));
    std::string systems;
    for (DWORD i = 0; i < compatibility.count && i < std::size(compatibility.elements); ++i) {
        const auto& element = compatibility.elements[i];
        if (element.type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) continue;
        wchar_t id[40];
        StringFromGUID2(element.id, id, std::size(id));
        systems += narrow(id) + " ";
    }
    CHECK(systems ==
          "{E2011457-1546-43C5-A5FE-008DEEE3D3F0} "    // Vista
          "{35138B9A-5D96-4FBD-8E2D-A2440225F93A} "    // 7
          "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38} "    // 8
          "{1F676C76-80E1-4239-95BB-83D0F6D0DA78} "    // 8.1
          "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A} ");  // 10 and 11

    CHECK(manifestSetting(context, L"http://schemas.microsoft.com/SMI/2019/WindowsSettings", L"activeCodePage") ==
          "UTF-8");
    // The system scales the fixed-size window on a high-DPI screen.
    CHECK(manifestSetting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") ==
          "(none)");
    CHECK(manifestSetting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
          "(none)");
    ReleaseActCtx(context);

    // No dependency at all, so not on the common controls 6 either.
    const std::string text(reinterpret_cast<const char*>(manifest.data), manifest.size);
    CHECK(text.find("dependentAssembly") == std::string::npos);
}

// What each kind of item in the main dialog is: its class and the styles that
// decide how it looks and behaves, besides being a visible, enabled child.
struct Kind {
    const char* windowClass;
    DWORD mask, value;
};
constexpr DWORD Shown = WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_TABSTOP;
constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
const Kind DefaultButton{"button", Shown | BS_TYPEMASK, Child | WS_TABSTOP | BS_DEFPUSHBUTTON};
const Kind Button{"button", Shown | BS_TYPEMASK, Child | WS_TABSTOP | BS_PUSHBUTTON};
const Kind Edit{"edit", Shown | ES_AUTOHSCROLL | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NUMBER,
                Child | WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER};
const Kind CheckBox{"button", Shown | BS_TYPEMASK, Child | WS_TABSTOP | BS_AUTOCHECKBOX};
const Kind EtchedLine{"static", Shown | SS_TYPEMASK, Child | SS_ETCHEDHORZ};
const Kind Label{"static", Shown | SS_TYPEMASK, Child | SS_LEFT};
const Kind ProgressBar{"msctls_progress32", Shown | PBS_SMOOTH | PBS_VERTICAL, Child};  // in segments, left to right

struct Item {
    int id;
    const Kind& kind;
    const char* text;
    int x, y, cx, cy;
};
constexpr int NoId = -1;

// The main dialog's items in tab order.
const Item mainDialogItems[] = {
    {IDC_START, DefaultButton, "&Start", 164, 103, 50, 14},
    {IDC_ABOUT, Button, "&About", 220, 103, 50, 14},
    {IDC_EXIT, Button, "E&xit", 276, 103, 50, 14},
    {IDC_BROWSE_SOURCE, Button, "&Browse...", 268, 13, 58, 14},
    {IDC_BROWSE_TARGET, Button, "B&rowse...", 268, 34, 58, 14},
    {IDC_SOURCE, Edit, "", 16, 13, 244, 12},
    {IDC_TARGET, Edit, "", 16, 34, 244, 12},
    {IDC_CLEAR_READONLY, CheckBox, "&Clear READ-ONLY attribute when copy from CD-ROM", 16, 90, 184, 12},
    {IDC_MOVE_FILE, CheckBox, "&Move file", 16, 103, 44, 12},
    {NoId, EtchedLine, "", 0, 0, 340, 1},
    {NoId, Label, "Copy the file", 16, 4, 40, 8},
    {NoId, Label, "to", 16, 26, 8, 8},
    {NoId, Label, "Progress :", 16, 52, 36, 8},
    {IDC_PROGRESS_LINE1, Label, "", 68, 52, 192, 8},
    {IDC_PROGRESS_LINE2, Label, "", 68, 60, 192, 8},
    {IDC_PROGRESS_BAR, ProgressBar, "", 16, 73, 244, 10},
};

std::string describe(int id, const std::string& text, int x, int y, int cx, int cy) {
    return std::to_string(id) + " \"" + text + "\" at " + std::to_string(x) + ", " + std::to_string(y) + ", " +
           std::to_string(cx) + " x " + std::to_string(cy);
}

std::string className(std::string name) {
    static const char* const predefined[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
    for (int i = 0; i < 6; ++i)
        if (name == std::string("#").append(std::to_string(0x80 + i))) return predefined[i];
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name;
}

// A dialog template's frame, size, caption, font and every item in tab order.
void checkTemplate(int templateId, int width, int height, const char* caption, DWORD frameMask, DWORD frame,
                   const Item* expectedItems, int expectedCount) {
    Bytes bytes = resource(RT_DIALOG, templateId);
    REQUIRE(bytes.data);
    Reader r(bytes);
    // DLGTEMPLATEEX starts with its version 1 and 0xFFFF, and has help ids and the extended style first.
    const bool extended = r.get() == 1 && r.get() == 0xFFFF;
    r.seek(extended ? 12 : 0);
    const DWORD style = r.dword();
    if (!extended) r.skip(4);
    const int items = r.get();
    r.skip(4);  // the position, which centring overrides
    CHECK(r.get<std::int16_t>() == width);
    CHECK(r.get<std::int16_t>() == height);
    CHECK(r.nameOrOrdinal() == "");  // no menu bar
    CHECK(r.nameOrOrdinal() == "");  // the system's dialog class
    CHECK(r.text() == caption);
    CHECK((style & (frameMask | WS_CHILD)) == frame);
    REQUIRE((style & DS_SETFONT) != 0);
    CHECK(r.get() == 8);
    if (extended) r.skip(4);  // weight, italic, character set
    CHECK(r.text() == "MS Sans Serif");

    CHECK(items == expectedCount);
    for (int i = 0; i < items && i < expectedCount; ++i) {
        const Item& expected = expectedItems[i];
        CAPTURE(i);
        r.align();
        if (extended) r.skip(8);
        const DWORD itemStyle = r.dword();
        if (!extended) r.skip(4);
        const int x = r.get<std::int16_t>(), y = r.get<std::int16_t>();
        const int cx = r.get<std::int16_t>(), cy = r.get<std::int16_t>();
        const int id = extended ? static_cast<std::int32_t>(r.dword()) : r.get<std::int16_t>();
        const std::string windowClass = className(r.nameOrOrdinal());
        const std::string text = r.nameOrOrdinal();
        r.skip(r.get());  // creation data
        REQUIRE_FALSE(r.overrun);

        CHECK(describe(id, text, x, y, cx, cy) ==
              describe(expected.id, expected.text, expected.x, expected.y, expected.cx, expected.cy));
        CHECK(windowClass == expected.kind.windowClass);
        CAPTURE(itemStyle);
        CHECK((itemStyle & expected.kind.mask) == expected.kind.value);
        if (&expected.kind == &Button || &expected.kind == &DefaultButton)
            CHECK(((itemStyle & BS_CENTER) == 0 || (itemStyle & BS_CENTER) == BS_CENTER));  // centred text
    }
}

constexpr DWORD FrameStyles = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CONTEXTHELP | DS_CENTER;

TEST_CASE("dialog template 4, the main dialog: its frame, font and every item in tab order") {
    checkTemplate(IDD_MAIN, 340, 124, "", FrameStyles, FrameStyles, mainDialogItems,
                  static_cast<int>(std::size(mainDialogItems)));
}

const Kind EtchedFrame{"static", Shown | SS_TYPEMASK, Child | SS_ETCHEDFRAME};
const Kind HomePageEdit{"edit", Shown | ES_AUTOHSCROLL | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NUMBER,
                        Child | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY};

// The About box's items in tab order.
const Item aboutItems[] = {
    {IDOK, Button, "OK", 96, 108, 50, 14},
    {NoId, Label, "The Quillet, Version 3.00, Build 047", 56, 44, 132, 8},
    {NoId, Label, "Written by the Quillet makers", 64, 52, 116, 8},
    {NoId, Label, "Quillet Works, 12 Copy Lane, Diskton  -  mail: quillet@example.org", 12, 86, 216, 8},
    {NoId, Label, "home page :", 12, 95, 40, 8},
    {NoId, EtchedFrame, "", 4, 80, 232, 1},
    {IDC_ABOUT_PICTURE, Label, "Picture1", 104, 9, 32, 32},
    {IDC_HOME_PAGE, HomePageEdit, "http://quillet.example.org/", 52, 95, 176, 9},
    {NoId, Label, "10 Jun 1998", 100, 61, 44, 9},
};

TEST_CASE("dialog template 3, the About box: a centred modal frame without a system menu, and its items") {
    checkTemplate(IDD_ABOUT, 240, 132, "About", FrameStyles, WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER,
                  aboutItems, static_cast<int>(std::size(aboutItems)));
}

TEST_CASE("bitmap 51, the About picture: 32 x 32, 4 bits, uncompressed, the standard 16 colours, two disks on black") {
    Bytes bytes = resource(RT_BITMAP, IDB_ABOUT);
    REQUIRE(bytes.size == sizeof(BITMAPINFOHEADER) + 16 * 4 + 32 * 16);
    const auto header = Reader(bytes).get<BITMAPINFOHEADER>();
    CHECK(header.biSize == sizeof header);
    CHECK(header.biWidth == 32);
    CHECK(header.biHeight == 32);
    CHECK(header.biPlanes == 1);
    CHECK(header.biBitCount == 4);
    CHECK(header.biCompression == BI_RGB);
    static const std::uint32_t standard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    int counts[16] = {};
    const unsigned char* colours = bytes.data + sizeof header;
    for (int i = 0; i < 16; ++i) {
        CAPTURE(i);
        CHECK(((colours[2 + 4 * i] << 16) | (colours[1 + 4 * i] << 8) | colours[4 * i]) == standard[i]);
    }
    for (int i = 0; i < 32 * 16; ++i) {
        const unsigned char pair = colours[16 * 4 + i];
        ++counts[pair >> 4];
        ++counts[pair & 15];
    }
    // Bottom row first: the picture's edges are black, the background.
    CHECK(colours[16 * 4] == 0);
    CHECK(colours[16 * 4 + 32 * 16 - 1] == 0);
    CHECK(counts[0] > 200);             // the black background
    CHECK(counts[7] + counts[8] > 100);  // the disks' grey bodies
    CHECK(counts[11] > 40);             // their yellow shutters
    CHECK(counts[12] > 20);             // the blue label lines
    CHECK(counts[9] > 10);              // the red corners
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = testkit::option(argc, argv, "program");
    if (path.empty()) {
        std::fprintf(stderr, "resources_test: give quillet.exe with --program=\n");
        return 2;
    }
    programFile = path;
    program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!program) {
        std::fprintf(stderr, "resources_test: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return 2;
    }
    const int result = testkit::runTests(argc, argv);
    FreeLibrary(program);
    return result;
}
