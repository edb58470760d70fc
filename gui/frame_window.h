// The frame window: an overlapped top-level window whose client area is
// filled by a modeless dialog, turned from a popup into a bordered child.
#pragma once

#include <windows.h>

#include <memory>

#include "gui/dialog.h"
#include "gui/window.h"

class Application;

class FrameWindow : public Window {
public:
    // The frame owns its client; its size is the attributes', whatever the
    // client's.
    FrameWindow(Window* parent, const char* caption, std::unique_ptr<Dialog> client);
    ~FrameWindow() override;

    // Creation attributes, used when the window is created.
    struct Attributes {
        int x = CW_USEDEFAULT;
        int y = CW_USEDEFAULT;
        int width = CW_USEDEFAULT;
        int height = CW_USEDEFAULT;
        DWORD style = WS_OVERLAPPEDWINDOW;
        DWORD exStyle = WS_EX_APPWINDOW;
    } attributes;

    // The icon resource handed to the window as its big icon once it exists.
    void setIcon(int iconId) { iconId_ = iconId; }
    // The main window's closing asks the application, not only the window.
    void setApplication(Application* application) { application_ = application; }

    bool create();
    void show(int showCommand);
    Dialog* client() const { return client_.get(); }

    static constexpr const char* ClassName = "QuilletFrame";

protected:
    virtual LRESULT windowProcedure(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool registerClass();

    bool embedClient();
    void placeClient();
    bool mayClose();
    void restoreFocus();

    const char* caption_;
    std::unique_ptr<Dialog> client_;
    int iconId_ = 0;
    Application* application_ = nullptr;
    HWND savedFocus_ = nullptr;
};
