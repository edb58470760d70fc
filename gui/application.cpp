#include "gui/application.h"

#include <commctrl.h>

Application::~Application() = default;

void Application::setMainWindow(std::unique_ptr<FrameWindow> window) {
    mainWindow_ = std::move(window);
    if (mainWindow_) mainWindow_->setApplication(this);
}

bool Application::canClose() { return !mainWindow_ || mainWindow_->canClose(); }

void Application::initInstance() {
    initApplication();
    initMainWindow();
    if (!mainWindow_ || !mainWindow_->create()) return;
    started_ = true;
    mainWindow_->show(showCommand_);
}

int Application::run() {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    initApplication();
    initInstance();
    if (!started_) {
        reportStartFailure();
        return 1;
    }
    return messageLoop();
}

int Application::messageLoop() {
    long idleCount = 0;
    for (;;) {
        if (quitting_) return quitCode_;
        bool wantsMore = mainWindow_ && mainWindow_->idleAction(idleCount);
        ++idleCount;
        if (!wantsMore) WaitMessage();
        if (pumpWaitingMessages()) idleCount = 0;
    }
}

bool Application::pumpWaitingMessages() {
    // A look at the queue first: Wine gives the processor away on every
    // PeekMessage that finds nothing, and on a busy machine that cost a
    // copy's turns a few hundred microseconds each.
    if (HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0) return false;
    bool any = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (message.message == WM_QUIT) {
            quitting_ = true;
            quitCode_ = static_cast<int>(message.wParam);
            PostQuitMessage(quitCode_);
            break;
        }
        if (!preProcess(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return any;
}

// The window a message is for, and each of its parents, may take it first:
// a dialog turns Enter, Escape, Tab and mnemonics into its commands.
bool Application::preProcess(MSG& message) {
    for (HWND window = message.hwnd; window; window = GetParent(window)) {
        Window* object = Window::fromHandle(window);
        if (object && object->preProcessMessage(message)) return true;
    }
    return false;
}
