// Drives the real quillet.exe from another process, as a user would.
//
//   e2e::Program app(exePath);            // not started yet
//   app.start({"Z:\\tmp\\a.txt", "Z:\\tmp\\b\\"});  // waits for the main window
//   e2e::Window main = app.mainDialog();  // the dialog that fills the frame
//   main.setText(IDC_SOURCE, "...");  main.type(IDC_TARGET, "abc");  main.click(IDC_START);  // resources/ids.h
//   app.pressEnter();  app.pressEscape();  app.pressTab();  app.pressAlt('s');
//   e2e::Window box = app.waitForWindow("Warning");   // a box or dialog of the program
//   box.text(0xFFFF);  box.answer(IDNO);  app.waitWindowGone(box);
//   int status = app.waitForExit();
//
// Windows are found by caption, class and the program's process id, so other
// copies of Quillet (a second instance, other people's displays) never match.
// Every wait polls with a timeout and throws e2e::DriverError with what it was
// waiting for and what it saw last; it also stops at once when the program
// has ended. The destructor kills a program that is still running, so a
// failed test leaves no process behind.
//
// Reading another process's controls: WM_GETTEXT (sent with a timeout)
// serves edits, statics and buttons alike; clicks are posted BM_CLICKs, so a
// click that opens a modal box never blocks the driver.
//
// Keys are posted to the program's focused control (WM_KEYDOWN / WM_KEYUP;
// Alt+letter as the WM_SYSCHAR that TranslateMessage would make), where the
// program's loop gives them to IsDialogMessage exactly as real ones. Real
// input (SendInput) does reach the program's window under Wine, but later
// and out of order: it is queued as hardware input, which the program takes
// only after the posted messages, some 1-14 ms on, and nothing tells the
// driver when it has been handled (after two sent WM_NULLs 28 of 100 Alt+M
// presses had not been). Posted keys keep their order with the clicks and
// answers posted around them, and sync() knows when they are done. Only
// Shift+Tab goes in as real input, since the dialog reads Shift from the key
// state of its thread; pressTab(true) waits until the focus has moved.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

// A wait that timed out, a window that is missing, a call that failed.
class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Quotes one argument the way the C run-time's argument parsing reads it back.
std::string quoteArgument(const std::string& argument);

// Shows control characters of a text, for failure messages: "\t", "\r\n".
std::string printable(const std::string& text);

// Polls `done` every 10 ms until it returns true or `seconds` have passed;
// then throws with `what`. `lastSeen`, when given, describes the state seen
// last (for the message).
void waitUntil(const std::string& what, double seconds, const std::function<bool()>& done,
               const std::function<std::string()>& lastSeen = {});

// A window of the program (its main dialog, a dialog or a message box): its
// controls by id. Every call on a missing control throws.
class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}

    HWND handle() const { return hwnd_; }
    bool exists() const { return hwnd_ && IsWindow(hwnd_); }
    HWND control(int id) const;  // throws when there is none
    // A control at any depth (the system's choosers nest theirs); throws
    // when there is none.
    HWND descendant(int id) const;

    std::string caption() const;  // this window's own text
    std::string className() const;
    std::string text(int id) const;  // WM_GETTEXT: edits, statics, buttons
    bool enabled(int id) const;
    bool visible(int id) const;
    LONG_PTR style(int id) const;
    bool readOnly(int id) const;  // ES_READONLY of an edit
    int checkState(int id) const;  // BM_GETCHECK: 0, 1 (2 indeterminate)
    int progress(int id) const;  // PBM_GETPOS
    int defaultButton() const;  // the BS_DEFPUSHBUTTON button's id, else DM_GETDEFID's, else 0

    // WM_SETTEXT: replaces a control's text (not limited by EM_LIMITTEXT).
    void setText(int id, const std::string& text) const;
    // The same in the W form, for a UTF-8 text in any script: the system
    // hands it to the program in the program's own code page.
    void setTextW(int id, const std::string& utf8) const;
    std::string textW(int id) const;  // WM_GETTEXT in the W form, as UTF-8
    // Posts one WM_CHAR per character to a control, as typing does, after
    // putting the caret at the end of its text.
    void type(int id, const std::string& text) const;
    // Posts BM_CLICK to a button.
    void click(int id) const;
    // Posts WM_COMMAND with this id, as a button of a dialog or message box.
    void answer(int id) const;
    // Gives a control the keyboard focus (posted WM_NEXTDLGCTL to this dialog).
    void focus(int id) const;
    // Posts a message to this window.
    void post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Posts a key (WM_KEYDOWN, WM_KEYUP) to a control at any depth.
    void pressKey(int id, UINT virtualKey) const;
    // The items of a combo box at any depth (CB_GETLBTEXT in its W form,
    // the one that comes back whole across processes), as ANSI.
    std::vector<std::string> comboItems(int id) const;

    // The texts of all static controls, in child order (a message box's text
    // is the static with id 0xFFFF).
    std::vector<std::string> staticTexts() const;

private:
    LRESULT send(HWND target, UINT message, WPARAM wParam, LPARAM lParam, const char* what) const;
    HWND hwnd_ = nullptr;
};

// The text of any window of another process (WM_GETTEXT with a timeout).
std::string windowText(HWND hwnd);

// The system's Open dialog ("Open"), as the program shows it.
namespace openDialog {
constexpr int FileNameEdit = 1148;  // inside a ComboBoxEx32 / ComboBox
constexpr int FilterCombo = 1136;
constexpr int ReadOnlyBox = 1040;
// Types a name (UTF-8, any script) into the file name field and presses
// Open, as the user does.
void choose(const Window& dialog, const std::string& name);
}  // namespace openDialog

// The system's folder browser ("Browse for Folder"). Its selection moves
// with keys posted to the tree; OK (1) and Cancel (2) answer it.
namespace folderBrowser {
constexpr const char* Caption = "Browse for Folder";
constexpr int Title = 14146;
constexpr int Tree = 14145;
}  // namespace folderBrowser

// The Desktop of the Wine prefix's user moved to `folder` (as a user may
// keep it anywhere, a drive's root too) for the programs started while the
// object lives; the folder browser starts there. Put back when it goes.
class DesktopAt {
public:
    explicit DesktopAt(const std::string& folder);
    ~DesktopAt();
    DesktopAt(const DesktopAt&) = delete;
    DesktopAt& operator=(const DesktopAt&) = delete;

private:
    struct Saved {
        const char* key;
        bool had;
        DWORD type;
        std::string value;
    };
    Saved saved_[2];
};

// Shift held down as real input, for the program's GetAsyncKeyState; let go
// when the object goes. Wine lets go of an injected Shift whenever one of
// its windows takes the focus: press() again before each click that must
// see it.
class HeldShift {
public:
    HeldShift() { press(); }
    ~HeldShift();
    HeldShift(const HeldShift&) = delete;
    HeldShift& operator=(const HeldShift&) = delete;
    // Presses Shift (again) and waits until the system reports it down.
    void press() const;
};

// Processor seconds (user + system) a Linux process has used, from its
// /proc entry (clock ticks of 1/100 s); -1 when it cannot be read.
double linuxProcessSeconds(unsigned long pid);

// One run of quillet.exe.
class Program {
public:
    static constexpr double StartSeconds = 20;  // a cold wineserver takes ~2 s
    static constexpr double WaitSeconds = 10;

    explicit Program(std::string exePath);
    ~Program();  // kills the program if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program with these arguments (each quoted as needed; raw
    // lets a test give the command line's tail as it is) and waits until its
    // main window is visible. The current directory is the driver's.
    void start(const std::vector<std::string>& arguments = {});
    void startRaw(const std::string& commandLineTail);

    bool running() const;
    DWORD processId() const { return process_.dwProcessId; }
    HANDLE processHandle() const { return process_.hProcess; }
    HANDLE threadHandle() const { return process_.hThread; }

    HWND frame() const { return frame_; }  // the main window, "QuilletFrame"
    Window mainDialog() const { return Window(dialog_); }  // its #32770 client

    // A visible top-level window of the program's process with this caption
    // and class (by default a dialog or message box); null when there is none.
    HWND findWindow(const std::string& caption, const char* className = "#32770") const;
    // All visible top-level windows of the program, for failure messages.
    std::string describeWindows() const;
    // Waits for such a window; throws with the windows that were there.
    Window waitForWindow(const std::string& caption, double seconds = WaitSeconds,
                         const char* className = "#32770") const;
    void waitWindowGone(const Window& window, double seconds = WaitSeconds) const;

    // Keys, posted to the control that has the program's keyboard focus (the
    // main dialog's, or the active dialog's).
    void pressEnter() const;
    void pressEscape() const;
    void pressTab(bool shift = false) const;  // Shift+Tab: real input, waits for the focus
    void pressAlt(char letter) const;  // Alt with an underlined letter
    void pressKey(UINT virtualKey) const;  // a plain key without a character
    HWND focusedWindow() const;  // the control with the focus in the program
    // Waits until control `id` of the main dialog, or of `window`, has the keyboard focus.
    void waitUntilFocus(int id, double seconds = WaitSeconds) const;
    void waitUntilFocus(const Window& window, int id, double seconds = WaitSeconds) const;

    // Waits for a control of the main dialog to show a text, or to satisfy a test.
    void waitForText(int id, const std::string& text, double seconds = WaitSeconds) const;
    void waitForControl(int id, const std::string& what, const std::function<bool(const std::string&)>& test,
                        double seconds = WaitSeconds) const;
    // Waits until the program has handled every message posted to it so far
    // (keys, clicks, answers): it posts a mark behind them and waits for it.
    void sync() const;

    // Runs `posts` (clicks, keys, answers: nothing that waits for the program)
    // with the program's thread suspended, so that all of it is in the queue
    // before the program goes on and one pump of its loop handles it together.
    void atOnce(const std::function<void()>& posts) const;

    // Closes the frame as its close box does (posted WM_SYSCOMMAND SC_CLOSE).
    void closeBox() const;

    // Waits for the process to end and gives its exit code.
    DWORD waitForExit(double seconds = WaitSeconds);
    // Processor time (user + system) used so far, in seconds. Under Wine
    // from the Linux process's /proc/PID/stat, since Wine's GetProcessTimes
    // reports a fixed figure for other processes; elsewhere GetProcessTimes.
    double processorSeconds() const;
    // Ends the program at once (TerminateProcess) if it still runs.
    void kill();
    // For soak tests, under Wine from the Linux process: the descriptors it
    // holds open (/proc/PID/fd: every file, and the server's handles to
    // files, sections and events that Wine backs with one) and its resident
    // memory in bytes (/proc/PID/statm). -1 when they cannot be read.
    int openDescriptors() const;
    std::int64_t residentBytes() const;

    // Only for quillet_probe.exe, the program built with a probe (probe.h);
    // both throw for the plain quillet.exe. The number of the process's live
    // GDI objects (device contexts, bitmaps, palettes, brushes, fonts, ...,
    // the system's stock objects included): GetGuiResources answers 0 under
    // Wine, so the probe asks GetObjectType about every slot of the
    // process's GDI handle table. Answered inside any of the program's
    // message loops, a modal dialog's too.
    long gdiObjectCount() const;
    // The bytes in use in the program's heaps (HeapWalk over every heap).
    long long memoryBytes() const;
    // Makes the probe create a bitmap and never delete it: shows that
    // gdiObjectCount sees a leak.
    void leakBitmap() const;
    // Whether the program loads the DLL that the build puts beside it
    // (probe::BesideDll), by its bare name or by its full path.
    bool loadsBesideDll(bool byFullPath) const;

private:
    void waitForMainWindow();
    HWND keyTarget() const;
    std::string linuxProcFolder() const;
    LRESULT askProbe(unsigned question) const;

    std::string exePath_;
    PROCESS_INFORMATION process_{};
    HWND frame_ = nullptr;
    HWND dialog_ = nullptr;
    mutable unsigned syncCount_ = 0;
    unsigned long long startedAtTicks_ = 0;
    mutable std::string linuxProc_;
};

}  // namespace e2e
