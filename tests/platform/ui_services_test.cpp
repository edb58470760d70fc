// The window services on real controls and message boxes under Wine.
#include <doctest/doctest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "engine/job_view.h"
#include "platform/ui_services.h"

namespace {

// A hidden window with the kinds of controls the program drives.
struct Controls {
    HWND frame = nullptr;
    HWND edit = nullptr;
    HWND button = nullptr;
    HWND bar = nullptr;

    Controls() {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
        REQUIRE(InitCommonControlsEx(&classes));
        frame = CreateWindowExA(0, "STATIC", "Quillet test", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                                nullptr);
        REQUIRE(frame != nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, frame, nullptr, nullptr,
                               nullptr);
        button = CreateWindowExA(0, "BUTTON", "&Start", WS_CHILD | BS_PUSHBUTTON, 0, 30, 80, 20, frame, nullptr,
                                 nullptr, nullptr);
        bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 60, 200, 16, frame, nullptr, nullptr, nullptr);
        REQUIRE(edit != nullptr);
        REQUIRE(button != nullptr);
        REQUIRE(bar != nullptr);
    }
    ~Controls() { DestroyWindow(frame); }
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;
};

std::string textOf(HWND window) {
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the user sees of the message box that the timer answers.
struct SeenBox {
    int answer = 0;
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool buttons[8] = {};  // by id: IDOK..IDNO
    int timerCalls = 0;
};
SeenBox seen;

BOOL CALLBACK findBox(HWND window, LPARAM found) {
    char name[16];
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) && std::string(name) == "#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the box's own message loop: reads the box and answers it.
void CALLBACK answerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    ++seen.timerCalls;
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr && seen.timerCalls < 200) return;  // not shown yet
    KillTimer(nullptr, timer);
    if (box == nullptr) return;
    seen.caption = textOf(box);
    seen.text = textOf(GetDlgItem(box, 0xFFFF));
    seen.owner = GetWindow(box, GW_OWNER);
    for (int id = IDOK; id <= IDNO; ++id) seen.buttons[id] = GetDlgItem(box, id) != nullptr;
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(seen.answer), 0);
}

int showAnswered(HWND owner, const char* text, const char* caption, unsigned flags, int answer) {
    seen = SeenBox();
    seen.answer = answer;
    REQUIRE(SetTimer(nullptr, 0, 20, answerBox) != 0);
    return ui::messageBox(owner, text, caption, flags);
}

}  // namespace

TEST_CASE("control operations") {
    Controls controls;

    ui::setText(controls.edit, "C:\\source\\file.txt");
    CHECK(textOf(controls.edit) == "C:\\source\\file.txt");
    ui::setText(controls.button, "&Stop");
    CHECK(textOf(controls.button) == "&Stop");
    ui::setText(controls.edit, "");
    CHECK(textOf(controls.edit).empty());

    ui::enable(controls.button, false);
    CHECK_FALSE(IsWindowEnabled(controls.button));
    ui::enable(controls.button, true);
    CHECK(IsWindowEnabled(controls.button));

    ui::setText(controls.edit, "kept");
    ui::setReadOnly(controls.edit, true);
    CHECK((GetWindowLongA(controls.edit, GWL_STYLE) & ES_READONLY) != 0);
    CHECK(textOf(controls.edit) == "kept");
    ui::setReadOnly(controls.edit, false);
    CHECK((GetWindowLongA(controls.edit, GWL_STYLE) & ES_READONLY) == 0);

    ui::limitText(controls.edit, 255);
    CHECK(SendMessageA(controls.edit, EM_GETLIMITTEXT, 0, 0) == 255);

    ui::setProgressRange(controls.bar, 0, 100);
    CHECK(SendMessageA(controls.bar, PBM_GETRANGE, TRUE, 0) == 0);
    CHECK(SendMessageA(controls.bar, PBM_GETRANGE, FALSE, 0) == 100);
    ui::setProgressPosition(controls.bar, 42);
    CHECK(SendMessageA(controls.bar, PBM_GETPOS, 0, 0) == 42);
    ui::setProgressPosition(controls.bar, 100);
    CHECK(SendMessageA(controls.bar, PBM_GETPOS, 0, 0) == 100);
    ui::setProgressPosition(controls.bar, 0);
    CHECK(SendMessageA(controls.bar, PBM_GETPOS, 0, 0) == 0);
}

TEST_CASE("message boxes show the text and caption and return the button pressed") {
    Controls controls;
    static const char question[] = "   Do you want to terminate copying?  \t\t\t ";

    CHECK(showAnswered(controls.frame, question, "Warning", box::YesNo | box::IconQuestion | box::DefButton2,
                       IDNO) == box::IdNo);
    CHECK(seen.caption == "Warning");
    CHECK(seen.text == question);
    CHECK(seen.owner == controls.frame);
    CHECK(seen.buttons[IDYES]);
    CHECK(seen.buttons[IDNO]);
    CHECK_FALSE(seen.buttons[IDOK]);

    CHECK(showAnswered(controls.frame, question, "Warning", box::YesNo | box::IconQuestion | box::DefButton2,
                       IDYES) == box::IdYes);

    CHECK(showAnswered(controls.frame, "   Error writing the file\t\t\t\r\n   x", "Error",
                       box::RetryCancel | box::IconHand, IDCANCEL) == box::IdCancel);
    CHECK(seen.caption == "Error");
    CHECK(seen.buttons[IDRETRY]);
    CHECK(seen.buttons[IDCANCEL]);
    CHECK_FALSE(seen.buttons[IDYES]);
    CHECK(showAnswered(controls.frame, "again", "Error", box::RetryCancel | box::IconHand, IDRETRY) ==
          box::IdRetry);

    CHECK(showAnswered(controls.frame, "read-only", "Warning", box::OkCancel | box::IconExclamation, IDOK) ==
          box::IdOk);
    CHECK(seen.buttons[IDOK]);
    CHECK(seen.buttons[IDCANCEL]);

    CHECK(showAnswered(controls.frame, "   Error", "Error", box::Ok | box::IconHand, IDOK) == box::IdOk);
    CHECK(seen.buttons[IDOK]);
    CHECK_FALSE(seen.buttons[IDCANCEL]);
}
