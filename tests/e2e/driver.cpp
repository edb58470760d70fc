#include "tests/e2e/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <thread>

#include "resources/ids.h"
#include "tests/e2e/probe.h"
#include "tests/support/files.h"
#include "tests/support/handle.h"
#include "tests/support/utf8.h"

namespace e2e {

namespace {

constexpr UINT SendTimeoutMs = 5000;

std::string describeError(const char* what) {
    char text[64];
    std::snprintf(text, sizeof text, " (error %lu)", static_cast<unsigned long>(GetLastError()));
    return std::string(what) + text;
}

std::string className(HWND hwnd) {
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

DWORD windowProcess(HWND hwnd) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    return process;
}

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        found.push_back(child);
    return found;
}

// The scan code goes into a key message's lParam as a real key's would.
LPARAM keyData(UINT virtualKey, bool up, bool alt = false) {
    LPARAM data = 1 | (static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    if (alt) data |= LPARAM(1) << 29;
    if (up) data |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    return data;
}

}  // namespace

std::string quoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only in front of a quote: double them there.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + '"';
}

std::string printable(const std::string& text) {
    std::string shown;
    for (char c : text) {
        if (c == '\t')
            shown += "\\t";
        else if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return '"' + shown + '"';
}

void waitUntil(const std::string& what, double seconds, const std::function<bool()>& done,
               const std::function<std::string()>& lastSeen) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) return;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    char limit[32];
    std::snprintf(limit, sizeof limit, "%.1f s", seconds);
    std::string message = "timed out after " + std::string(limit) + " waiting for " + what;
    if (lastSeen) message += "; last seen: " + lastSeen();
    throw DriverError(message);
}

std::string windowText(HWND hwnd) {
    char text[1024] = "";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             SendTimeoutMs, &length))
        throw DriverError(describeError("WM_GETTEXT got no answer"));
    text[sizeof text - 1] = '\0';
    return text;
}

namespace {

using testkit::fileBytes;

// Linux's clock ticks (1/100 s) since boot, from /proc/uptime; 0 elsewhere.
unsigned long long linuxUptimeTicks() {
    std::string uptime = fileBytes("Z:\\proc\\uptime");
    return uptime.empty() ? 0 : static_cast<unsigned long long>(std::strtod(uptime.c_str(), nullptr) * 100.0);
}

// The fields of a /proc/PID/stat after the name in parentheses: field 3
// (the state) is fields[0].
std::vector<unsigned long long> statFields(const std::string& stat) {
    std::vector<unsigned long long> fields;
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return fields;
    const char* at = stat.c_str() + close + 1;
    while (*at == ' ') ++at;
    if (*at) ++at;  // the state letter
    fields.push_back(0);
    char* end = nullptr;
    for (;;) {
        long long value = std::strtoll(at, &end, 10);
        if (end == at) break;
        fields.push_back(static_cast<unsigned long long>(value));
        at = end;
    }
    return fields;
}

// User and system time (fields 14 and 15) of a /proc/PID/stat, in seconds;
// -1 when it cannot be read.
double statSeconds(const std::string& procFolder) {
    std::vector<unsigned long long> fields = statFields(fileBytes(procFolder + "\\stat"));
    if (fields.size() < 13) return -1;
    return static_cast<double>(fields[11] + fields[12]) / 100.0;
}

// Linux processes claimed by the Program objects of this driver.
std::vector<std::string>& claimedProcesses() {
    static std::vector<std::string> claimed;
    return claimed;
}

}  // namespace

double linuxProcessSeconds(unsigned long pid) { return statSeconds("Z:\\proc\\" + std::to_string(pid)); }

// ---- Window

HWND Window::control(int id) const {
    if (!exists()) throw DriverError("the window is gone");
    HWND hwnd = GetDlgItem(hwnd_, id);
    if (!hwnd) throw DriverError("no control with id " + std::to_string(id) + " in window " + printable(caption()));
    return hwnd;
}

namespace {

struct DescendantSearch {
    int id;
    HWND found;
};

BOOL CALLBACK matchDescendant(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<DescendantSearch*>(data);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

}  // namespace

HWND Window::descendant(int id) const {
    if (!exists()) throw DriverError("the window is gone");
    DescendantSearch search{id, nullptr};
    EnumChildWindows(hwnd_, matchDescendant, reinterpret_cast<LPARAM>(&search));
    if (!search.found)
        throw DriverError("no control with id " + std::to_string(id) + " inside window " + printable(caption()));
    return search.found;
}

LRESULT Window::send(HWND target, UINT message, WPARAM wParam, LPARAM lParam, const char* what) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(target, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs, &result))
        throw DriverError(describeError(what));
    return static_cast<LRESULT>(result);
}

std::string Window::caption() const {
    char text[256] = "";
    if (hwnd_) GetWindowTextA(hwnd_, text, sizeof text);
    return text;
}
std::string Window::className() const { return e2e::className(hwnd_); }
std::string Window::text(int id) const { return windowText(control(id)); }
bool Window::enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
bool Window::visible(int id) const { return IsWindowVisible(control(id)) != FALSE; }
LONG_PTR Window::style(int id) const { return GetWindowLongPtrA(control(id), GWL_STYLE); }
bool Window::readOnly(int id) const { return (style(id) & ES_READONLY) != 0; }

int Window::checkState(int id) const {
    return static_cast<int>(send(control(id), BM_GETCHECK, 0, 0, "BM_GETCHECK got no answer"));
}

int Window::progress(int id) const {
    return static_cast<int>(send(control(id), PBM_GETPOS, 0, 0, "PBM_GETPOS got no answer"));
}

int Window::defaultButton() const {
    // Wine's message boxes answer DM_GETDEFID with IDOK whatever their
    // buttons: the button drawn as the default one is what counts.
    for (HWND child : childWindows(hwnd_)) {
        if (e2e::className(child) == "Button" && (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(child);
    }
    LRESULT answer = send(hwnd_, DM_GETDEFID, 0, 0, "DM_GETDEFID got no answer");
    return HIWORD(answer) == DC_HASDEFID ? LOWORD(answer) : 0;
}

void Window::setText(int id, const std::string& text) const {
    send(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT got no answer");
}

void Window::setTextW(int id, const std::string& utf8) const {
    const std::wstring text = testkit::wide(utf8);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             SendTimeoutMs, &result))
        throw DriverError(describeError("WM_SETTEXT got no answer"));
}

std::string Window::textW(int id) const {
    wchar_t text[1024] = L"";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control(id), WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, SendTimeoutMs, &length))
        throw DriverError(describeError("WM_GETTEXT got no answer"));
    text[std::size(text) - 1] = L'\0';
    return testkit::utf8(text);
}

void Window::type(int id, const std::string& text) const {
    HWND edit = control(id);
    PostMessageA(edit, EM_SETSEL, 0x7FFF, 0x7FFF);  // the caret at the end, nothing selected
    for (unsigned char c : text) {
        if (!PostMessageA(edit, WM_CHAR, c, 1)) throw DriverError(describeError("posting WM_CHAR failed"));
    }
}

void Window::click(int id) const {
    if (!PostMessageA(control(id), BM_CLICK, 0, 0)) throw DriverError(describeError("posting BM_CLICK failed"));
}

void Window::answer(int id) const { post(WM_COMMAND, static_cast<WPARAM>(id), 0); }

void Window::focus(int id) const { post(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(id)), TRUE); }

void Window::post(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (!exists()) throw DriverError("the window is gone");
    if (!PostMessageA(hwnd_, message, wParam, lParam)) throw DriverError(describeError("PostMessage failed"));
}

void Window::pressKey(int id, UINT virtualKey) const {
    HWND target = descendant(id);
    PostMessageA(target, WM_KEYDOWN, virtualKey, keyData(virtualKey, false));
    PostMessageA(target, WM_KEYUP, virtualKey, keyData(virtualKey, true));
}

std::vector<std::string> Window::comboItems(int id) const {
    HWND combo = descendant(id);
    std::vector<std::string> items;
    LRESULT count = send(combo, CB_GETCOUNT, 0, 0, "CB_GETCOUNT got no answer");
    for (LRESULT i = 0; i < count; ++i) {
        DWORD_PTR length = 0;
        wchar_t wide[512] = L"";
        if (!SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG, SendTimeoutMs,
                                 &length) ||
            length >= 512 ||
            !SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide),
                                 SMTO_ABORTIFHUNG, SendTimeoutMs, &length))
            throw DriverError(describeError("CB_GETLBTEXT got no answer"));
        wide[511] = L'\0';
        char text[1024] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

std::vector<std::string> Window::staticTexts() const {
    std::vector<std::string> texts;
    for (HWND child : childWindows(hwnd_)) {
        if (e2e::className(child) == "Static") texts.push_back(windowText(child));
    }
    return texts;
}

// ---- Program

Program::Program(std::string exePath) : exePath_(std::move(exePath)) {}

Program::~Program() {
    kill();
    if (process_.hThread) CloseHandle(process_.hThread);
    if (process_.hProcess) CloseHandle(process_.hProcess);
}

void Program::start(const std::vector<std::string>& arguments) {
    std::string tail;
    for (const std::string& argument : arguments) tail += ' ' + quoteArgument(argument);
    startRaw(tail);
}

void Program::startRaw(const std::string& commandLineTail) {
    if (process_.hProcess) throw DriverError("the program was started already");
    std::string commandLine = quoteArgument(exePath_) + commandLineTail;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    // Under Wine the program is also a Linux process: note when it starts,
    // to tell it among Linux's processes later.
    startedAtTicks_ = linuxUptimeTicks();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exePath_.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
        process_ = {};
        throw DriverError(describeError(("cannot start " + exePath_).c_str()));
    }
    waitForMainWindow();
}

void Program::waitForMainWindow() {
    WaitForInputIdle(process_.hProcess, static_cast<DWORD>(StartSeconds * 1000));
    waitUntil(
        "the main window \"Quillet 3.00\" (class QuilletFrame) of process " + std::to_string(processId()),
        StartSeconds,
        [this] {
            if (!running()) throw DriverError("the program ended before its window showed");
            frame_ = findWindow("Quillet 3.00", "QuilletFrame");
            if (!frame_) return false;
            dialog_ = nullptr;
            for (HWND child : childWindows(frame_)) {
                if (e2e::className(child) == "#32770") dialog_ = child;
            }
            if (!dialog_ || !IsWindowVisible(dialog_)) return false;
            // Ready for the keyboard: once the frame is active, the focus lies in
            // the main dialog. Keys sent before that would reach the frame.
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(process_.dwThreadId, &info) && info.hwndFocus &&
                   (info.hwndFocus == dialog_ || IsChild(dialog_, info.hwndFocus));
        },
        [this] { return describeWindows(); });
}

bool Program::running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND Program::findWindow(const std::string& caption, const char* wantedClass) const {
    for (HWND hwnd : topLevelWindows()) {
        if (windowProcess(hwnd) != processId() || !IsWindowVisible(hwnd)) continue;
        if (wantedClass && e2e::className(hwnd) != wantedClass) continue;
        char text[256] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        if (caption == text) return hwnd;
    }
    return nullptr;
}

std::string Program::describeWindows() const {
    std::string list;
    for (HWND hwnd : topLevelWindows()) {
        if (windowProcess(hwnd) != processId() || !IsWindowVisible(hwnd)) continue;
        char text[256] = "";
        GetWindowTextA(hwnd, text, sizeof text);
        if (!list.empty()) list += ", ";
        list += printable(text) + " (" + e2e::className(hwnd) + ")";
    }
    return list.empty() ? "no visible window" : list;
}

Window Program::waitForWindow(const std::string& caption, double seconds, const char* wantedClass) const {
    HWND found = nullptr;
    waitUntil(
        "a window " + printable(caption) + " of the program",
        seconds,
        [&] {
            if (!running()) throw DriverError("the program ended while waiting for " + printable(caption));
            found = findWindow(caption, wantedClass);
            return found != nullptr;
        },
        [this] { return describeWindows(); });
    return Window(found);
}

void Program::waitWindowGone(const Window& window, double seconds) const {
    std::string caption = window.exists() ? window.caption() : std::string();
    waitUntil(
        "the window " + printable(caption) + " to close", seconds,
        [&] { return !window.exists() || !IsWindowVisible(window.handle()); },
        [this] { return describeWindows(); });
}

HWND Program::focusedWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(process_.dwThreadId, &info)) return nullptr;
    return info.hwndFocus;
}

void Program::waitUntilFocus(int id, double seconds) const { waitUntilFocus(mainDialog(), id, seconds); }

void Program::waitUntilFocus(const Window& window, int id, double seconds) const {
    HWND control = window.control(id);
    waitUntil("the focus on control " + std::to_string(id), seconds, [&] { return focusedWindow() == control; },
              [&] {
                  HWND focus = focusedWindow();
                  return focus ? "control " + std::to_string(GetDlgCtrlID(focus)) : std::string("no focus");
              });
}

// The focused control, or the program's active window when nothing has the
// focus; keys to a window of another process would be lost.
HWND Program::keyTarget() const {
    if (!running()) throw DriverError("the program is not running");
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(process_.dwThreadId, &info))
        throw DriverError(describeError("GetGUIThreadInfo failed"));
    HWND target = info.hwndFocus ? info.hwndFocus : info.hwndActive;
    if (!target) throw DriverError("no window of the program has the keyboard focus");
    return target;
}

void Program::pressKey(UINT virtualKey) const {
    HWND target = keyTarget();
    PostMessageA(target, WM_KEYDOWN, virtualKey, keyData(virtualKey, false));
    PostMessageA(target, WM_KEYUP, virtualKey, keyData(virtualKey, true));
}

void Program::pressEnter() const { pressKey(VK_RETURN); }
void Program::pressEscape() const { pressKey(VK_ESCAPE); }

void Program::pressTab(bool shift) const {
    if (!shift) {
        pressKey(VK_TAB);
        return;
    }
    // The dialog reads Shift from the key state its thread has seen, which
    // only real input sets: Shift+Tab goes in whole through SendInput to the
    // program's active window, and the driver waits for the focus to move.
    sync();
    HWND before = keyTarget();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(process_.dwThreadId, &info) && info.hwndActive) SetForegroundWindow(info.hwndActive);
    INPUT input[4]{};
    const WORD keys[4] = {VK_SHIFT, VK_TAB, VK_TAB, VK_SHIFT};
    for (int i = 0; i < 4; ++i) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wVk = keys[i];
        input[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC));
        input[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    if (SendInput(4, input, sizeof(INPUT)) != 4) throw DriverError(describeError("SendInput failed"));
    waitUntil("Shift+Tab to move the focus", WaitSeconds, [&] { return focusedWindow() != before; });
}

void Program::pressAlt(char letter) const {
    HWND target = keyTarget();
    UINT key = static_cast<unsigned char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
    // What the loop's TranslateMessage makes of Alt held with a letter.
    PostMessageA(target, WM_SYSCHAR, static_cast<unsigned char>(letter), keyData(key, false, true));
}

void Program::waitForText(int id, const std::string& text, double seconds) const {
    waitForControl(id, "the text " + printable(text), [&](const std::string& shown) { return shown == text; },
                   seconds);
}

void Program::waitForControl(int id, const std::string& what, const std::function<bool(const std::string&)>& test,
                             double seconds) const {
    std::string shown;
    waitUntil(
        "control " + std::to_string(id) + " to show " + what, seconds,
        [&] {
            if (!running()) throw DriverError("the program ended while waiting for control " + std::to_string(id));
            shown = mainDialog().text(id);
            return test(shown);
        },
        [&] { return printable(shown) + "; windows: " + describeWindows(); });
}

void Program::sync() const {
    // Sent messages overtake posted ones, so the mark is posted too: a step
    // value of the progress bar, which the program never steps.
    HWND bar = GetDlgItem(dialog_, IDC_PROGRESS_BAR);
    if (!bar) throw DriverError("no progress bar to mark the program's queue with");
    WPARAM mark = 1000 + (++syncCount_ % 30000);
    if (!PostMessageA(bar, PBM_SETSTEP, mark, 0)) throw DriverError(describeError("posting the queue mark failed"));
    waitUntil(
        "the program to handle the messages posted to it", WaitSeconds,
        [&] {
            if (!running()) throw DriverError("the program ended while the driver waited for it");
            DWORD_PTR step = 0;
            return SendMessageTimeoutA(bar, PBM_GETSTEP, 0, 0, SMTO_ABORTIFHUNG, SendTimeoutMs, &step) &&
                   step == mark;
        },
        [this] { return describeWindows(); });
}

void Program::atOnce(const std::function<void()>& posts) const {
    if (!running()) throw DriverError("the program is not running");
    if (SuspendThread(process_.hThread) == static_cast<DWORD>(-1))
        throw DriverError(describeError("SuspendThread failed"));
    try {
        posts();
    } catch (...) {
        ResumeThread(process_.hThread);
        throw;
    }
    ResumeThread(process_.hThread);
}

void openDialog::choose(const Window& dialog, const std::string& name) {
    HWND edit = dialog.descendant(FileNameEdit);
    const std::wstring text = testkit::wide(name);  // a UTF-8 name in any script
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             SendTimeoutMs, &result))
        throw DriverError(describeError("WM_SETTEXT to the Open dialog got no answer"));
    dialog.answer(IDOK);
}

namespace {

constexpr const char* ShellFolderKeys[2] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
};

void setDesktopValue(const char* key, DWORD type, const std::string& value) {
    HKEY opened;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
        ERROR_SUCCESS)
        throw DriverError(std::string("cannot open HKCU\\") + key);
    LONG done = RegSetValueExA(opened, "Desktop", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>(value.size() + 1));
    RegCloseKey(opened);
    if (done != ERROR_SUCCESS) throw DriverError(std::string("cannot set Desktop in HKCU\\") + key);
}

}  // namespace

DesktopAt::DesktopAt(const std::string& folder) {
    for (int i = 0; i < 2; ++i) {
        Saved& saved = saved_[i];
        saved = Saved{ShellFolderKeys[i], false, REG_SZ, ""};
        char value[1024];
        DWORD size = sizeof value - 1;
        if (RegGetValueA(HKEY_CURRENT_USER, saved.key, "Desktop", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                         RRF_NOEXPAND, &saved.type, value, &size) == ERROR_SUCCESS) {
            value[std::min<DWORD>(size, sizeof value - 1)] = '\0';
            saved.had = true;
            saved.value = value;
        }
    }
    for (const Saved& saved : saved_) setDesktopValue(saved.key, REG_SZ, folder);
}

DesktopAt::~DesktopAt() {
    for (const Saved& saved : saved_) {
        try {
            if (saved.had) {
                setDesktopValue(saved.key, saved.type, saved.value);
            } else {
                HKEY opened;
                if (RegOpenKeyExA(HKEY_CURRENT_USER, saved.key, 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
                    RegDeleteValueA(opened, "Desktop");
                    RegCloseKey(opened);
                }
            }
        } catch (const DriverError&) {
        }
    }
}

HeldShift::~HeldShift() { keybd_event(VK_SHIFT, static_cast<BYTE>(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_VSC)), KEYEVENTF_KEYUP, 0); }

void HeldShift::press() const {
    // A key injected right after a window of Wine's closed can be lost.
    Sleep(50);
    keybd_event(VK_SHIFT, static_cast<BYTE>(MapVirtualKeyA(VK_SHIFT, MAPVK_VK_TO_VSC)), 0, 0);
    waitUntil("Shift to be down", Program::WaitSeconds,
              [] { return (static_cast<unsigned short>(GetAsyncKeyState(VK_SHIFT)) & 0x8000u) != 0; });
}

void Program::closeBox() const {
    if (!PostMessageA(frame_, WM_SYSCOMMAND, SC_CLOSE, 0)) throw DriverError(describeError("posting SC_CLOSE failed"));
}

DWORD Program::waitForExit(double seconds) {
    if (!process_.hProcess) throw DriverError("the program was never started");
    DWORD waited = WaitForSingleObject(process_.hProcess, static_cast<DWORD>(seconds * 1000));
    if (waited != WAIT_OBJECT_0) {
        char limit[32];
        std::snprintf(limit, sizeof limit, "%.1f s", seconds);
        throw DriverError("the program did not end within " + std::string(limit) + "; windows: " + describeWindows());
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}


// Wine's double fork leaves the program with no Linux parent of the
// driver's, and /proc/self names the wineserver: the program is the first
// process of the program's file name (quillet.exe, or the test builds') of
// the same Wine prefix (one per wineserver, so nobody else's) started since
// start() and not claimed by another Program.
std::string Program::linuxProcFolder() const {
    if (!linuxProc_.empty()) return linuxProc_;
    // Linux keeps the first 15 characters of a process's name.
    std::string name = exePath_.substr(exePath_.find_last_of("\\/:") + 1);
    const std::string wantedName = "(" + name.substr(0, 15) + ")";
    char prefix[512] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    std::string wantedPrefix = std::string("WINEPREFIX=") + prefix + '\0';
    WIN32_FIND_DATAA found;
    testkit::Search search(FindFirstFileA("Z:\\proc\\*", &found));
    if (!search.valid()) return "";
    std::string best;
    unsigned long long bestStart = ~0ull;
    auto& claimed = claimedProcesses();
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9') continue;
        std::string folder = std::string("Z:\\proc\\") + found.cFileName;
        std::string stat = fileBytes(folder + "\\stat");
        if (stat.find(wantedName) == std::string::npos) continue;
        std::vector<unsigned long long> fields = statFields(stat);
        // fields[19] is the start time (field 22).
        if (fields.size() < 20 || fields[19] + 1 < startedAtTicks_) continue;
        std::string environment = '\0' + fileBytes(folder + "\\environ");
        if (prefix[0] ? environment.find('\0' + wantedPrefix) == std::string::npos
                      : environment.find(std::string("\0WINEPREFIX=")) != std::string::npos)
            continue;
        if (std::find(claimed.begin(), claimed.end(), folder) != claimed.end()) continue;
        if (fields[19] < bestStart) {
            bestStart = fields[19];
            best = folder;
        }
    } while (FindNextFileA(search.get(), &found));
    if (!best.empty()) {
        linuxProc_ = best;
        claimed.push_back(best);
    }
    return linuxProc_;
}

int Program::openDescriptors() const {
    std::string folder = linuxProcFolder();
    if (folder.empty()) return -1;
    WIN32_FIND_DATAA found;
    testkit::Search search(FindFirstFileA((folder + "\\fd\\*").c_str(), &found));
    if (!search.valid()) return -1;
    int count = 0;
    do {
        if (found.cFileName[0] != '.') ++count;
    } while (FindNextFileA(search.get(), &found));
    return count;
}

std::int64_t Program::residentBytes() const {
    std::string folder = linuxProcFolder();
    if (folder.empty()) return -1;
    std::string text = fileBytes(folder + "\\statm");
    unsigned long long size = 0, resident = 0;
    if (std::sscanf(text.c_str(), "%llu %llu", &size, &resident) != 2) return -1;
    return static_cast<std::int64_t>(resident) * 4096;
}

double Program::processorSeconds() const {
    if (!running()) throw DriverError("the program is not running");
    std::string folder = linuxProcFolder();
    if (!folder.empty()) {
        double seconds = statSeconds(folder);
        if (seconds < 0) throw DriverError("cannot read the program's times from " + folder + "\\stat");
        return seconds;
    }
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process_.hProcess, &created, &ended, &kernel, &user))
        throw DriverError(describeError("GetProcessTimes failed"));
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

LRESULT Program::askProbe(unsigned question) const {
    if (!running()) throw DriverError("the program is not running");
    HWND probeWindow = nullptr;
    for (HWND found = FindWindowExA(HWND_MESSAGE, nullptr, probe::ProbeClass, nullptr); found;
         found = FindWindowExA(HWND_MESSAGE, found, probe::ProbeClass, nullptr))
        if (windowProcess(found) == processId()) probeWindow = found;
    if (!probeWindow) throw DriverError("the program has no probe: start quillet_probe.exe, not " + exePath_);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(probeWindow, RegisterWindowMessageA(probe::ProbeMessage), question, 0, SMTO_ABORTIFHUNG,
                             SendTimeoutMs, &answer))
        throw DriverError(describeError("the probe gave no answer"));
    return static_cast<LRESULT>(answer);
}

long Program::gdiObjectCount() const { return static_cast<long>(askProbe(probe::GdiObjects)); }

long long Program::memoryBytes() const { return static_cast<long long>(askProbe(probe::HeapBytes)); }

void Program::leakBitmap() const {
    if (askProbe(probe::LeakBitmap) != 1) throw DriverError("the probe could not make a bitmap");
}

bool Program::loadsBesideDll(bool byFullPath) const {
    return askProbe(byFullPath ? probe::BesideDllByFullPath : probe::BesideDllByName) == 1;
}

void Program::kill() {
    if (running()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
}

}  // namespace e2e
