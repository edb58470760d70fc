// The GUI layer on real windows under Wine: modal and modeless dialogs on a
// template of the tests' own, the transfer record, command tables, idle
// processing and the message loop with its closing.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/dialog.h"
#include "gui/frame_window.h"

namespace {

constexpr int TestTemplate = 100;
constexpr int TextId = 101;
constexpr int TickId = 102;
constexpr int OtherId = 103;

struct Record {
    char text[16];
    std::int32_t ticked;
    std::int32_t guard;  // lies past the record the dialog is given in one case
};

// The test dialog: a script runs once its window is set up, and its own
// command table knows one more button than the base's.
class TestDialog : public Dialog {
public:
    using Script = std::function<void(TestDialog&)>;
    TestDialog(Window* parent, Script script) : Dialog(parent, TestTemplate), script_(std::move(script)) {
        edit = addControl<Edit>(TextId, 16u);
        box = addControl<CheckBox>(TickId);
    }

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
    bool command(int id) override;
    INT_PTR dialogProcedure(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && onTimer) {
            onTimer(*this);
            return TRUE;
        }
        return Dialog::dialogProcedure(message, wParam, lParam);
    }

private:
    void other() { closeWith(OtherId); }
    static const CommandEntry<TestDialog> commands[];
    Script script_;
};

const CommandEntry<TestDialog> TestDialog::commands[] = {{OtherId, &TestDialog::other}};

bool TestDialog::command(int id) { return dispatchCommand(*this, commands, id) || Dialog::command(id); }

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

INT_PTR runModal(Record& record, std::size_t recordSize, TestDialog::Script script) {
    TestDialog dialog(nullptr, std::move(script));
    dialog.setTransferBuffer(&record, recordSize);
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
        CHECK(runModal(record, sizeof record, c.act) == c.code);
    }
}

TEST_CASE("the record is shown in the controls, and only OK reads them back") {
    SUBCASE("OK saves what was typed and ticked; the edit takes no more than its limit") {
        Record record = freshRecord("start", 0);
        std::string shown;
        bool tickedAtStart = true;
        INT_PTR code = runModal(record, sizeof record, [&](TestDialog& d) {
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
            runModal(record, sizeof record, [key](TestDialog& d) {
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
        runModal(record, sizeof record, [&](TestDialog& d) {
            shown = d.editText();
            ticked = d.box->isChecked();
            post(d.control(IDCANCEL), BM_CLICK);
        });
        CHECK(shown == std::string(15, 'y'));
        CHECK(ticked);
    }
    SUBCASE("a record too short for a control's field is not walked past") {
        Record record = freshRecord("short", 0);
        bool ticked = true;
        INT_PTR code = runModal(record, sizeof record.text, [&](TestDialog& d) {
            ticked = d.box->isChecked();
            post(d.control(TickId), BM_CLICK);
            post(d.control(IDOK), BM_CLICK);
        });
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
