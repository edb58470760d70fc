#include "gui/frame_window.h"

#include "gui/application.h"
#include "gui/cast.h"

FrameWindow::FrameWindow(Window* parent, const char* caption, std::unique_ptr<Dialog> client)
    : Window(parent), caption_(caption), client_(std::move(client)) {
    if (client_) client_->setParent(this);
}

FrameWindow::~FrameWindow() {
    // Neither window reaches its object from here on: the frame lets its
    // window go first, then the client's object goes with its window, then
    // the frame's window.
    HWND window = detach();
    client_.reset();
    if (window) DestroyWindow(window);
}

bool FrameWindow::registerClass() {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(module, ClassName, &existing)) return true;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = asPointer<HBRUSH__>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ClassName;
    return RegisterClassExA(&windowClass) != 0;
}

bool FrameWindow::create() {
    if (!registerClass()) return false;
    HWND owner = parent() ? parent()->handle() : nullptr;
    HWND window = CreateWindowExA(attributes.exStyle, ClassName, caption_, attributes.style, attributes.x,
                                  attributes.y, attributes.width, attributes.height, owner, nullptr,
                                  GetModuleHandleA(nullptr), this);
    // A client that could not be made failed WM_CREATE, and with it the frame.
    if (!window) return false;
    if (iconId_) {
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId_));
        if (icon) SendMessageA(window, WM_SETICON, ICON_BIG, asInteger(icon));
    }
    return true;
}

void FrameWindow::show(int showCommand) {
    if (ReportIf(!hwnd_)) return;
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

bool FrameWindow::embedClient() {
    if (!client_->create(hwnd_)) return false;
    HWND child = client_->handle();
    LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_POPUP | WS_DLGFRAME | WS_THICKFRAME);
    style |= WS_CHILD | WS_VISIBLE | WS_BORDER;
    SetWindowLongPtrA(child, GWL_STYLE, style);
    LONG_PTR exStyle = GetWindowLongPtrA(child, GWL_EXSTYLE);
    exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_STATICEDGE);
    SetWindowLongPtrA(child, GWL_EXSTYLE, exStyle);
    SetParent(child, hwnd_);
    placeClient();
    return true;
}

// The client fills the client area, its border just outside it.
void FrameWindow::placeClient() {
    // WM_SIZE comes in WM_CREATE too, before the client is embedded.
    if (!client_ || !client_->handle()) return;
    RECT area;
    GetClientRect(hwnd_, &area);
    int borderWidth = GetSystemMetrics(SM_CXBORDER);
    int borderHeight = GetSystemMetrics(SM_CYBORDER);
    SetWindowPos(client_->handle(), nullptr, -borderWidth, -borderHeight, area.right + 2 * borderWidth,
                 area.bottom + 2 * borderHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void FrameWindow::restoreFocus() {
    HWND dialog = client_->handle();
    HWND control = savedFocus_;
    savedFocus_ = nullptr;
    if (control && IsChild(dialog, control) && IsWindowVisible(control) && IsWindowEnabled(control))
        SendMessageA(dialog, WM_NEXTDLGCTL, static_cast<WPARAM>(asInteger(control)), TRUE);
    else
        SetFocus(dialog);
}

bool FrameWindow::mayClose() { return application_ ? application_->canClose() : canClose(); }

LRESULT FrameWindow::windowProcedure(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (client_ && !embedClient()) return -1;
        return 0;
    case WM_SIZE:
        placeClient();
        return 0;
    case WM_ACTIVATE:
        // The control that had the keyboard gets it back when the frame is
        // active again, after a message box or another program.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (client_ && client_->handle() && focus && IsChild(client_->handle(), focus)) savedFocus_ = focus;
        }
        break;
    case WM_SETFOCUS:
        // The keyboard belongs to the client's controls.
        if (client_ && client_->handle()) restoreFocus();
        return 0;
    case WM_PARENTNOTIFY:
        // The client gone (its Cancel): the frame closes too.
        if (LOWORD(wParam) == WM_DESTROY && client_ &&
            asPointer<HWND__>(lParam) == client_->handle())
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
        break;
    case WM_CLOSE:
        if (mayClose()) DestroyWindow(hwnd_);
        return 0;
    case WM_QUERYENDSESSION:
        return mayClose() ? TRUE : FALSE;
    case WM_DESTROY:
        if (application_ && application_->mainWindow() == this) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK FrameWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = asPointer<CREATESTRUCTA>(lParam);
        static_cast<FrameWindow*>(create->lpCreateParams)->attach(window);
    }
    // Windows of this class are tied to frames only. Messages before
    // WM_NCCREATE, or after the object let the window go, find no object.
    auto* frame = static_cast<FrameWindow*>(fromHandle(window));
    if (!frame) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = frame->windowProcedure(message, wParam, lParam);
    if (message == WM_NCDESTROY) frame->detach();
    return result;
}
