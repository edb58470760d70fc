// The GUI layer on real windows under Wine: modal and modeless dialogs on a
// template of the tests' own, the transfer record, command tables, idle
// processing and the message loop with its closing.
#include <doctest/doctest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/about.h"
#include "dialogs/static_bitmap.h"
#include "gui/application.h"
#include "gui/dialog.h"
#include "gui/frame_window.h"
#include "gui/gdi.h"
#include "resources/ids.h"

namespace {

constexpr int TestTemplate = 100;
constexpr int TextId = 101;
constexpr int TickId = 102;
constexpr int OtherId = 103;

struct Record {
    char text[16];
    std::int32_t ticked;
    std::int32_t guard;  // no control has it as its field: nothing writes it
};

// The test dialog: a script runs once its window is set up, and its own
// command table knows one more button than the base's.
class TestDialog : public CommandDialog<TestDialog> {
public:
    using Script = std::function<void(TestDialog&)>;
    // With a record, the edit transfers its text and, when `tickTransfers`,
    // the check box its tick.
    TestDialog(Window* parent, Script script, Record* record = nullptr, bool tickTransfers = true);

    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    std::string editText() const {
        char text[64];
        edit->getText(text, sizeof text);
        return text;
    }

    Edit* edit;
    CheckBox* box;
    std::function<bool(long)> idle;  // the idle answer, when set
    std::function<void(TestDialog&)> onTimer;

    bool idleAction(long idleCount) override { return idle ? idle(idleCount) : Dialog::idleAction(idleCount); }

protected:
    void setupWindow() override {
        Dialog::setupWindow();
        if (script_) script_(*this);
    }
    INT_PTR dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && onTimer) {
            onTimer(*this);
            return TRUE;
        }
        return Dialog::dialogProcedure(message, wParam, lParam);
    }

private:
    void other() { end(OtherId); }
    static const CommandEntry<TestDialog> commands[];
    Script script_;
};

const CommandEntry<TestDialog> TestDialog::commands[] = {{OtherId, &TestDialog::other}};

TestDialog::TestDialog(Window* parent, Script script, Record* record, bool tickTransfers)
    : CommandDialog(parent, TestTemplate, commands), script_(std::move(script)) {
    edit = record ? addControl<Edit>(TextId, record->text) : addControl<Edit>(TextId, 16u);
    box = record && tickTransfers ? addControl<CheckBox>(TickId, record->ticked) : addControl<CheckBox>(TickId);
}

void post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    REQUIRE(PostMessageA(window, message, wParam, lParam));
}

void postKey(HWND window, WPARAM key) {
    post(window, WM_KEYDOWN, key, 1);
    post(window, WM_KEYUP, key, 0xC0000001);
}

void type(HWND edit, const char* text) {
    for (const char* c = text; *c; ++c) post(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
}

INT_PTR runModal(Record& record, TestDialog::Script script, bool tickTransfers = true) {
    TestDialog dialog(nullptr, std::move(script), &record, tickTransfers);
    return dialog.execute();
}

Record freshRecord(const char* text, int ticked) {
    Record record = {};
    std::strncpy(record.text, text, sizeof record.text - 1);
    record.ticked = ticked;
    record.guard = 0x55AA;
    return record;
}

}  // namespace

TEST_CASE("a modal dialog ends with the code of the choice that closed it") {
    struct Case {
        const char* name;
        std::function<void(TestDialog&)> act;
        INT_PTR code;
    };
    const Case cases[] = {
        {"OK", [](TestDialog& d) { post(d.control(IDOK), BM_CLICK); }, IDOK},
        {"Cancel", [](TestDialog& d) { post(d.control(IDCANCEL), BM_CLICK); }, IDCANCEL},
        {"Escape", [](TestDialog& d) { postKey(d.control(TextId), VK_ESCAPE); }, IDCANCEL},
        {"Enter in the edit", [](TestDialog& d) { postKey(d.control(TextId), VK_RETURN); }, IDOK},
        {"the close box", [](TestDialog& d) { post(d.handle(), WM_CLOSE); }, IDCANCEL},
        {"a button of its own table", [](TestDialog& d) { post(d.control(OtherId), BM_CLICK); }, OtherId},
        {"Alt and a mnemonic", [](TestDialog& d) { post(d.control(TextId), WM_SYSCHAR, 'o', 1 << 29); }, OtherId},
    };
    for (const Case& c : cases) {
        CAPTURE(c.name);
        Record record = freshRecord("", 0);
        CHECK(runModal(record, c.act) == c.code);
    }
}

TEST_CASE("the record is shown in the controls, and only OK reads them back") {
    SUBCASE("OK saves what was typed and ticked; the edit takes no more than its limit") {
        Record record = freshRecord("start", 0);
        std::string shown;
        bool tickedAtStart = true;
        INT_PTR code = runModal(record, [&](TestDialog& d) {
            shown = d.editText();
            tickedAtStart = d.box->isChecked();
            SendMessageA(d.control(TextId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
            type(d.control(TextId), "abcdefghijklmnopqrstuvwxyz");
            post(d.control(TickId), BM_CLICK);
            post(d.control(IDOK), BM_CLICK);
        });
        CHECK(code == IDOK);
        CHECK(shown == "start");
        CHECK_FALSE(tickedAtStart);
        CHECK(std::string(record.text) == "abcdefghijklmno");
        CHECK(record.ticked == 1);
    }
    SUBCASE("Cancel and Escape leave the record as it was") {
        for (WPARAM key : {WPARAM{0}, WPARAM{VK_ESCAPE}}) {
            Record record = freshRecord("kept", 1);
            runModal(record, [key](TestDialog& d) {
                type(d.control(TextId), "typed");
                post(d.control(TickId), BM_CLICK);
                if (key)
                    postKey(d.control(TextId), key);
                else
                    post(d.control(IDCANCEL), BM_CLICK);
            });
            CHECK(std::string(record.text) == "kept");
            CHECK(record.ticked == 1);
        }
    }
    SUBCASE("a field without its terminator shows no more than fits") {
        Record record = freshRecord("", 1);
        std::memset(record.text, 'y', sizeof record.text);
        std::string shown;
        bool ticked = false;
        runModal(record, [&](TestDialog& d) {
            shown = d.editText();
            ticked = d.box->isChecked();
            post(d.control(IDCANCEL), BM_CLICK);
        });
        CHECK(shown == std::string(15, 'y'));
        CHECK(ticked);
    }
    SUBCASE("a control without a field takes no part in the transfer") {
        Record record = freshRecord("short", 0);
        bool ticked = true;
        INT_PTR code = runModal(
            record,
            [&](TestDialog& d) {
                ticked = d.box->isChecked();
                post(d.control(TickId), BM_CLICK);
                post(d.control(IDOK), BM_CLICK);
            },
            false);
        CHECK(code == IDOK);
        CHECK_FALSE(ticked);
        CHECK(std::string(record.text) == "short");
        CHECK(record.ticked == 0);
        CHECK(record.guard == 0x55AA);
    }
}

TEST_CASE("idle processing asks every child on turn 0, later only those that wanted more") {
    struct Idler : Window {
        using Window::Window;
        bool answer = true;
        int calls = 0;
        bool idleAction(long) override {
            ++calls;
            return answer;
        }
    };
    Window root;
    Idler busy(&root);
    Idler quiet(&root);
    quiet.answer = false;

    CHECK(root.idleAction(0));
    CHECK(root.idleAction(1));
    CHECK(busy.calls == 2);
    CHECK(quiet.calls == 1);

    busy.answer = false;
    CHECK_FALSE(root.idleAction(2));
    CHECK_FALSE(root.idleAction(3));
    CHECK(busy.calls == 3);
    CHECK(quiet.calls == 1);

    quiet.answer = true;
    CHECK(root.idleAction(0));
    CHECK(quiet.calls == 2);
    CHECK(busy.calls == 4);

    // A child that moves to another parent is no longer asked by the first.
    quiet.setParent(nullptr);
    root.idleAction(0);
    CHECK(quiet.calls == 2);
}

namespace {

// A frame with the test dialog as its modeless client, as the program builds
// its main window; the dialog's timer drives what the user would do.
class TestApp : public Application {
public:
    TestApp() : Application(SW_SHOWNOACTIVATE) {}

    bool refuseClose = false;
    int closeQuestions = 0;
    TestDialog* client = nullptr;
    std::function<void(TestDialog&)> onTimer;
    std::vector<long> idleCounts;
    bool idleAnswer = false;

    bool canClose() override {
        ++closeQuestions;
        return !refuseClose && Application::canClose();
    }

protected:
    void initMainWindow() override {
        auto dialog = std::make_unique<TestDialog>(nullptr, [](TestDialog& d) { SetTimer(d.handle(), 1, 10, nullptr); });
        dialog->onTimer = [this](TestDialog& d) { onTimer(d); };
        dialog->idle = [this](long count) {
            idleCounts.push_back(count);
            return idleAnswer;
        };
        client = dialog.get();
        auto frame = std::make_unique<FrameWindow>(nullptr, "Layer test frame", std::move(dialog));
        frame->attributes = {10, 20, 400, 200, WS_SYSMENU, WS_EX_APPWINDOW};
        setMainWindow(std::move(frame));
    }
};

}  // namespace

TEST_CASE("the frame embeds its dialog, the loop waits while idle, and Escape in the dialog ends the run") {
    TestApp app;
    int ticks = 0;
    bool child = false, popup = true, caption = true, parentIsFrame = false, stillOpen = false;
    RECT outer = {}, area = {}, placed = {};
    app.onTimer = [&](TestDialog& d) {
        HWND frame = app.mainWindow()->handle();
        switch (++ticks) {
        case 1: {
            LONG_PTR style = GetWindowLongPtrA(d.handle(), GWL_STYLE);
            child = (style & WS_CHILD) != 0;
            popup = (style & WS_POPUP) != 0;
            caption = (style & WS_CAPTION) == WS_CAPTION;
            parentIsFrame = GetParent(d.handle()) == frame;
            GetWindowRect(frame, &outer);
            GetClientRect(frame, &area);
            GetWindowRect(d.handle(), &placed);
            MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&placed), 2);
            app.refuseClose = true;
            post(frame, WM_CLOSE);
            break;
        }
        case 5:
            stillOpen = IsWindow(frame) != FALSE;
            app.refuseClose = false;
            postKey(d.control(TextId), VK_ESCAPE);
            break;
        default:
            break;
        }
    };
    int status = app.run();
    CHECK(status == 0);
    // The loop leaves the quit in the queue for any loop outside it.
    MSG quit;
    CHECK(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(quit.wParam == 0);
    CHECK(child);
    CHECK_FALSE(popup);
    CHECK_FALSE(caption);
    CHECK(parentIsFrame);
    CHECK(outer.right - outer.left == 400);
    CHECK(outer.bottom - outer.top == 200);
    CHECK(outer.left == 10);
    CHECK(outer.top == 20);
    int bx = GetSystemMetrics(SM_CXBORDER), by = GetSystemMetrics(SM_CYBORDER);
    // The client area is in frame client coordinates once mapped; the
    // dialog's border lies just outside it.
    CHECK(placed.right - placed.left == area.right + 2 * bx);
    CHECK(placed.bottom - placed.top == area.bottom + 2 * by);
    CHECK(stillOpen);
    CHECK(app.closeQuestions >= 2);
    CHECK(ticks >= 5);
    // A dialog that wants no idle time is asked once after each batch of
    // messages, never on the turns in between, and the loop waits instead of
    // spinning: far fewer idle turns than a spinning loop's thousands.
    REQUIRE_FALSE(app.idleCounts.empty());
    for (long count : app.idleCounts) CHECK(count == 0);
    CHECK(app.idleCounts.size() < 200);
}

TEST_CASE("a dialog that wants idle time gets a turn after every pump, counted up between messages") {
    TestApp app;
    app.idleAnswer = true;
    int ticks = 0;
    app.onTimer = [&](TestDialog& d) {
        if (++ticks == 3) postKey(d.control(TextId), VK_ESCAPE);
    };
    CHECK(app.run() == 0);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    REQUIRE(app.idleCounts.size() > 3);
    // Counts run 0, 1, 2, ... and go back to 0 after a message was handled.
    long highest = 0;
    for (std::size_t i = 1; i < app.idleCounts.size(); ++i) {
        long count = app.idleCounts[i];
        CHECK((count == 0 || count == app.idleCounts[i - 1] + 1));
        if (count > highest) highest = count;
    }
    CHECK(highest > 1);
}

namespace {

// Counts the messages a window gets while its object goes, and those that
// could still reach the object (through Window::fromHandle, its one way).
struct LinkWatch {
    int seen = 0, found = 0;
    void watch(HWND window) { REQUIRE(SetWindowSubclass(window, probe, 1, reinterpret_cast<DWORD_PTR>(this))); }
    static LRESULT CALLBACK probe(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        auto* watch = reinterpret_cast<LinkWatch*>(self);
        ++watch->seen;
        watch->found += Window::fromHandle(window) != nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
};

}  // namespace

TEST_CASE("an object that goes while its window lives is cut from it first: no message finds it") {
    std::vector<HWND> windows;
    LinkWatch watch;
    SUBCASE("a modeless dialog") {
        auto dialog = std::make_unique<TestDialog>(nullptr, nullptr);
        REQUIRE(dialog->create(nullptr));
        windows = {dialog->handle()};
        CHECK(Window::fromHandle(windows[0]) == dialog.get());
        watch.watch(windows[0]);
        dialog.reset();
    }
    SUBCASE("the frame, and with it its client") {
        auto frame = std::make_unique<FrameWindow>(nullptr, "Link test", std::make_unique<TestDialog>(nullptr, nullptr));
        REQUIRE(frame->create());
        windows = {frame->handle(), frame->client()->handle()};
        CHECK(Window::fromHandle(windows[1]) == frame->client());
        for (HWND window : windows) watch.watch(window);
        frame.reset();
    }
    CHECK(watch.seen > 0);  // WM_DESTROY and WM_NCDESTROY at least
    CHECK(watch.found == 0);
    for (HWND window : windows) {
        CHECK(Window::fromHandle(window) == nullptr);
        CHECK_FALSE(IsWindow(window));
    }
}

// ---- StaticBitmap, painting into a memory bitmap whose pixels are read back

namespace {

constexpr int PictureId = 104;
constexpr COLORREF Ground = RGB(0x12, 0x34, 0x56);  // what lies under and around the control
constexpr COLORREF Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255), Black = RGB(0, 0, 0);

// A 32-bit bitmap of its own size in a memory DC, with readable pixels.
struct Pixels {
    Pixels(int width, int height) : width(width), height(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        owned = Bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bitmap = owned.get();
        selected.emplace(dc, bitmap);
    }
    COLORREF at(int x, int y) const {
        GdiFlush();
        if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        const std::uint32_t pixel = static_cast<const std::uint32_t*>(bits)[y * width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    void set(int x, int y, COLORREF colour) {
        GdiFlush();
        static_cast<std::uint32_t*>(bits)[y * width + x] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) |
                                                           GetBValue(colour);
    }
    void fill(COLORREF colour) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) set(x, y, colour);
    }
    int width, height;
    MemoryDC memory{nullptr};
    HDC dc = memory.get();
    void* bits = nullptr;
    Bitmap owned;
    HBITMAP bitmap = nullptr;
    std::optional<ObjectSelection> selected;
};

// The control's paint, into a canvas with 8 pixels of ground around it.
struct Canvas : Pixels {
    static constexpr int Margin = 8;
    Canvas(int width, int height) : Pixels(width + 2 * Margin, height + 2 * Margin) {
        fill(Ground);
        SetViewportOrgEx(dc, Margin, Margin, nullptr);
    }
    COLORREF at(int x, int y) const { return Pixels::at(x + Margin, y + Margin); }
};

// A source picture: `colour` everywhere, black at (0, 0) when asked.
std::unique_ptr<Pixels> source(int width, int height, COLORREF colour, bool blackCorner = false) {
    auto picture = std::make_unique<Pixels>(width, height);
    picture->fill(colour);
    if (blackCorner) picture->set(0, 0, Black);
    picture->selected.reset();  // a bitmap is selected into one DC at a time
    return picture;
}

// Runs `test` with the test dialog's picture control bound to `control`, sized
// width x height pixels.
void withPicture(int width, int height, const std::function<void(StaticBitmap&)>& test, HBITMAP bitmap,
                 HPALETTE palette, int sourceWidth, int sourceHeight, bool keepAspect, bool transparent) {
    StaticBitmap* bound = nullptr;
    TestDialog dialog(nullptr, [&](TestDialog& d) {
        SetWindowPos(d.control(PictureId), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        test(*bound);
        post(d.control(IDCANCEL), BM_CLICK);
    });
    StaticBitmap picture(dialog, PictureId, bitmap, palette, {0, 0, sourceWidth, sourceHeight},
                         {.keepAspect = keepAspect, .transparent = transparent});
    bound = &picture;
    CHECK(dialog.execute() == IDCANCEL);
}

}  // namespace

TEST_CASE("StaticBitmap: black is left out only when transparent, and every other pixel is drawn") {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto picture = source(4, 4, Green, true);
    picture->set(3, 3, Blue);
    Palette palette;
    for (bool transparent : {true, false}) {
        CAPTURE(transparent);
        withPicture(4, 4, [&](StaticBitmap& control) {
            Canvas canvas(4, 4);
            control.paint(canvas.dc);
            CHECK(canvas.at(0, 0) == (transparent ? face : Black));
            CHECK(canvas.at(1, 0) == Green);
            CHECK(canvas.at(3, 3) == Blue);
            CHECK(canvas.at(-1, -1) == Ground);  // nothing outside without the outline
            CHECK(canvas.at(4, 4) == Ground);
            // A second paint uses the mask made by the first.
            control.paint(canvas.dc);
            CHECK(canvas.at(0, 0) == (transparent ? face : Black));
            CHECK(canvas.at(2, 2) == Green);
        }, picture->bitmap, nullptr, 4, 4, false, transparent);
    }
    // A palette is selected and put back; on a true-colour screen the colours stay.
    struct {
        WORD version = 0x300, entries = 2;
        PALETTEENTRY colours[2] = {{0, 0, 0, 0}, {0, 255, 0, 0}};
    } logical;
    palette = Palette(CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical)));
    withPicture(4, 4, [&](StaticBitmap& control) {
        Canvas canvas(4, 4);
        HPALETTE before = static_cast<HPALETTE>(GetCurrentObject(canvas.dc, OBJ_PAL));
        control.paint(canvas.dc);
        CHECK(canvas.at(1, 1) == Green);
        CHECK(canvas.at(0, 0) == face);
        CHECK(GetCurrentObject(canvas.dc, OBJ_PAL) == before);
    }, picture->bitmap, palette.get(), 4, 4, false, true);
    // A program file without the About picture gives no bitmap (the box then
    // shows an empty control): without a bitmap nothing is painted at all.
    CHECK(loadPictureResource(GetModuleHandleA(nullptr), IDB_ABOUT).info == nullptr);
    withPicture(4, 4, [&](StaticBitmap& control) {
        Canvas canvas(4, 4);
        control.paint(canvas.dc);
        CHECK(canvas.at(0, 0) == Ground);
    }, nullptr, nullptr, 4, 4, false, true);
}

TEST_CASE("StaticBitmap: keeping the proportions fits the width or the height and centres the picture") {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    struct Case {
        int sourceWidth, sourceHeight;
        RECT drawn;  // where the picture lands in a 32 x 32 control
    };
    const Case cases[] = {
        {64, 32, {0, 8, 32, 24}},
        {32, 64, {8, 0, 24, 32}},
        {32, 32, {0, 0, 32, 32}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.sourceWidth);
        CAPTURE(c.sourceHeight);
        auto picture = source(c.sourceWidth, c.sourceHeight, Red);
        withPicture(32, 32, [&](StaticBitmap& control) {
            Canvas canvas(32, 32);
            control.paint(canvas.dc);
            int wrong = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    const bool inside = x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
                    if (canvas.at(x, y) != (inside ? Red : face)) ++wrong;
                }
            CHECK(wrong == 0);
        }, picture->bitmap, nullptr, c.sourceWidth, c.sourceHeight, true, false);
    }
}

TEST_CASE("StaticBitmap: the outline, the new part of a picture, and sizes of nothing") {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF inverted = RGB(0xFF - 0x12, 0xFF - 0x34, 0xFF - 0x56);
    auto picture = source(4, 4, Green, true);
    picture->set(3, 3, Blue);

    SUBCASE("setFrame(true) draws the outline 3 pixels outside; setFrame(false) removes it once") {
        withPicture(4, 4, [&](StaticBitmap& control) {
            Canvas canvas(4, 4);
            control.setFrame(true);
            control.paint(canvas.dc);
            for (POINT corner : {POINT{-3, -3}, POINT{6, -3}, POINT{6, 6}, POINT{-3, 6}, POINT{1, -3}, POINT{-3, 2}})
                CHECK(canvas.at(corner.x, corner.y) == inverted);
            CHECK(canvas.at(-2, -2) == Ground);
            CHECK(canvas.at(-4, -4) == Ground);
            CHECK(canvas.at(7, 7) == Ground);
            control.setFrame(false);
            control.paint(canvas.dc);
            CHECK(canvas.at(-3, -3) == Ground);
            CHECK(canvas.at(6, 6) == Ground);
            control.paint(canvas.dc);
            CHECK(canvas.at(-3, -3) == Ground);
            CHECK(canvas.at(1, 1) == Green);
        }, picture->bitmap, nullptr, 4, 4, false, true);
    }
    SUBCASE("setBitmap with no bitmap keeps the picture, takes the new part and makes a new mask") {
        withPicture(4, 4, [&](StaticBitmap& control) {
            Canvas canvas(4, 4);
            control.setBitmap(nullptr, 2, 2, 2, 2, true);
            control.paint(canvas.dc);  // the mask of the part at 2, 2, 2 x 2: no black in it
            CHECK(canvas.at(0, 0) == Green);
            CHECK(canvas.at(3, 3) == Blue);
            control.setBitmap(nullptr, 0, 0, 2, 2, true);
            control.paint(canvas.dc);
            // The top left 2 x 2, stretched: its black corner now shows the face.
            CHECK(canvas.at(0, 0) == face);
            CHECK(canvas.at(1, 1) == face);
            CHECK(canvas.at(2, 2) == Green);
            CHECK(canvas.at(3, 3) == Green);
            control.setBitmap(nullptr, 0, 0, 2, 2, false);
            control.paint(canvas.dc);
            CHECK(canvas.at(0, 0) == Black);
        }, picture->bitmap, nullptr, 2, 2, false, true);
    }
    SUBCASE("a source of no width or height paints the ground and the outline, no picture") {
        for (SIZE part : {SIZE{0, 4}, SIZE{4, 0}, SIZE{0, 0}}) {
            withPicture(4, 4, [&](StaticBitmap& control) {
                Canvas canvas(4, 4);
                control.setBitmap(nullptr, 0, 0, part.cx, part.cy, true);
                control.setFrame(true);
                control.paint(canvas.dc);
                CHECK(canvas.at(0, 0) == face);
                CHECK(canvas.at(3, 3) == face);
                CHECK(canvas.at(-3, -3) == inverted);
            }, picture->bitmap, nullptr, 4, 4, true, true);
        }
    }
    SUBCASE("a control of no width or height paints its outline only") {
        for (SIZE size : {SIZE{0, 4}, SIZE{4, 0}, SIZE{0, 0}}) {
            withPicture(size.cx, size.cy, [&](StaticBitmap& control) {
                Canvas canvas(4, 4);
                control.setFrame(true);
                control.paint(canvas.dc);
                CHECK(canvas.at(-3, -3) == inverted);
                CHECK(canvas.at(size.cx + 2, size.cy + 2) == inverted);
                CHECK(canvas.at(0, -1) == Ground);
            }, picture->bitmap, nullptr, 4, 4, true, false);
        }
    }
}

TEST_CASE("StaticBitmap: contains is true on the control's own pixels, in its parent's coordinates") {
    withPicture(10, 6, [&](StaticBitmap& control) {
        RECT placed;
        GetWindowRect(control.handle(), &placed);
        MapWindowPoints(nullptr, GetParent(control.handle()), reinterpret_cast<POINT*>(&placed), 2);
        const LONG x = placed.left, y = placed.top;
        CHECK(control.contains({x, y}));
        CHECK(control.contains({x + 9, y + 5}));
        CHECK_FALSE(control.contains({x + 10, y}));
        CHECK_FALSE(control.contains({x, y + 6}));
        CHECK_FALSE(control.contains({x - 1, y}));
        CHECK_FALSE(control.contains({x, y - 1}));
    }, nullptr, nullptr, 4, 4, false, false);
}
