// The application object: start-up, the message loop with idle processing,
// and the main window it owns.
#pragma once

#include <windows.h>

#include <memory>

#include "gui/frame_window.h"

class Application {
public:
    explicit Application(int showCommand) : showCommand_(showCommand) {}
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Starts up and turns the message loop until the main window is gone;
    // returns the exit code the quit carried. Non-zero when start-up failed.
    int run();

    // Asked before the main window may close: the base asks the main window
    // and its children.
    virtual bool canClose();

    FrameWindow* mainWindow() const { return mainWindow_.get(); }

protected:
    virtual void initApplication() {}
    // Builds the main window with initMainWindow, creates and shows it.
    virtual void initInstance();
    virtual void initMainWindow() {}
    // Called when start-up could not make the main window.
    virtual void reportStartFailure() {}

    void setMainWindow(std::unique_ptr<FrameWindow> window);

private:
    int messageLoop();
    // Takes every waiting message off the queue and handles it; true when
    // there was at least one.
    bool pumpWaitingMessages();
    bool preProcess(MSG& message);

    std::unique_ptr<FrameWindow> mainWindow_;
    int showCommand_;
    bool started_ = false;
    bool quitting_ = false;
    int quitCode_ = 0;
};
