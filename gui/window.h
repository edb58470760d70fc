// The base of every window object: the window it stands for, its place among
// its parent's children for idle processing and closing, and the lookup from
// a window handle back to its object.
#pragma once

#include <windows.h>

#include <vector>

class Window {
public:
    explicit Window(Window* parent = nullptr);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND handle() const { return hwnd_; }
    Window* parent() const { return parent_; }
    // Moves this object under another parent (or none) for idle processing
    // and closing.
    void setParent(Window* parent);

    // Idle processing, given the number of idle turns since a message was
    // last handled. On turn 0 every child is asked; later only those that
    // answered true the last time. True when any of them wants more turns.
    virtual bool idleAction(long idleCount);
    // Keyboard handling before a message for this window, or one inside it,
    // is translated and dispatched; true when it took the message.
    virtual bool preProcessMessage(MSG& message);
    // Whether the window may close: asks every child.
    virtual bool canClose();

    // The object of a window made by this layer, or null. The link is the
    // window's only way to its object: it is made when the window is created
    // and cut when the window goes, or before the object does.
    static Window* fromHandle(HWND window);

protected:
    // Ties the window to this object.
    void attach(HWND window);
    // Unties the window from this object and gives its handle back, so that
    // no message the window gets from then on reaches the object: once the
    // window is gone (WM_NCDESTROY), or first thing in a destructor.
    HWND detach();

    HWND hwnd_ = nullptr;

private:
    struct Child {
        Window* window;
        bool wantsIdle;
    };
    std::vector<Child> children_;
    Window* parent_ = nullptr;
};
