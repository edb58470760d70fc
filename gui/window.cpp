#include "gui/window.h"

#include <algorithm>

namespace {
// Each window made by this layer carries its object under this property, so
// the message loop can find the object of any window a message is for.
constexpr const char* ObjectProperty = "Quillet.Window";
}  // namespace

Window::Window(Window* parent) { setParent(parent); }

Window::~Window() {
    // The classes that make windows untie and destroy theirs first thing in
    // their own destructors; this is the last guard.
    if (HWND window = detach()) DestroyWindow(window);
    setParent(nullptr);
    for (Child& child : children_) child.window->parent_ = nullptr;
}

void Window::setParent(Window* parent) {
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                      [this](const Child& child) { return child.window == this; }),
                       siblings.end());
    }
    parent_ = parent;
    if (parent_) parent_->children_.push_back({this, true});
}

bool Window::idleAction(long idleCount) {
    bool more = false;
    for (Child& child : children_) {
        if (idleCount == 0 || child.wantsIdle) child.wantsIdle = child.window->idleAction(idleCount);
        more = more || child.wantsIdle;
    }
    return more;
}

bool Window::preProcessMessage(MSG&) { return false; }

bool Window::canClose() {
    return std::all_of(children_.begin(), children_.end(), [](const Child& child) { return child.window->canClose(); });
}

Window* Window::fromHandle(HWND window) {
    return window ? static_cast<Window*>(GetPropA(window, ObjectProperty)) : nullptr;
}

void Window::attach(HWND window) {
    hwnd_ = window;
    SetPropA(window, ObjectProperty, this);
}

HWND Window::detach() {
    HWND window = hwnd_;
    if (window) RemovePropA(window, ObjectProperty);
    hwnd_ = nullptr;
    return window;
}
