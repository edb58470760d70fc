#include "app/client.h"

#include <cstring>

#include "app/main_transfer.h"
#include "app/my_app.h"
#include "dialogs/about.h"
#include "dialogs/confirm_overwrite.h"
#include "dialogs/disk_full.h"
#include "engine/copy_job.h"
#include "engine/messages.h"
#include "gui/cast.h"
#include "platform/ui_services.h"
#include "resources/ids.h"
#include "select/change_target.h"
#include "select/choosers.h"

namespace {

// How long one idle turn copies before the waiting messages are handled, and
// how often the progress display is brought up to date: a little more than
// ten times a second, since every showing costs as much as some fifty blocks.
constexpr auto CopyTurn = std::chrono::milliseconds(8);
constexpr auto ProgressInterval = std::chrono::milliseconds(90);

}  // namespace

const CommandEntry<Client> Client::commands[] = {
    {IDC_START, &Client::startOrStop},
    {IDC_ABOUT, &Client::about},
    {IDC_EXIT, &Client::exitProgram},
    {IDCANCEL, &Client::cancelCommand},
    {IDC_BROWSE_SOURCE, &Client::browseSource},
    {IDC_BROWSE_TARGET, &Client::browseTarget},
};

Client::Client() : CommandDialog(nullptr, IDD_MAIN, commands) {}

Client::~Client() { destroyWindow(); }

void Client::buildControls() {
    // Each edit holds 255 characters and the terminator, as its field does.
    sourceEdit = addControl<Edit>(IDC_SOURCE, mainTransfer.sourceText);
    targetEdit = addControl<Edit>(IDC_TARGET, mainTransfer.targetText);
    clearReadOnlyBox = addControl<CheckBox>(IDC_CLEAR_READONLY, mainTransfer.clearReadOnlyFromCdrom);
    moveFileBox = addControl<CheckBox>(IDC_MOVE_FILE, mainTransfer.moveFile);
    progressBar = addControl<ProgressBar>(IDC_PROGRESS_BAR, 0u, 100u);
    progressLine1 = addControl<Static>(IDC_PROGRESS_LINE1);
    progressLine2 = addControl<Static>(IDC_PROGRESS_LINE2);
    startButton = addControl<Button>(IDC_START);
    aboutButton = addControl<Button>(IDC_ABOUT);
    exitButton = addControl<Button>(IDC_EXIT);
    browseSourceButton = addControl<Button>(IDC_BROWSE_SOURCE);
    browseTargetButton = addControl<Button>(IDC_BROWSE_TARGET);
}

void Client::setupWindow() {
    // The edits limit themselves to 255 characters as they are bound; then
    // the record is shown.
    loadControls();
}

void Client::saveControls() { transferData(Transfer::FromControls); }

void Client::loadControls() { transferData(Transfer::ToControls); }

bool Client::idleAction(long) {
    if (copyJob.state != Ready) {
        showProgress();
        return jobRunning();
    }
    // The clock is read after every block, so that on a slow disk a turn runs
    // past its time by one block's write at most.
    auto start = std::chrono::steady_clock::now();
    auto now = start;
    do {
        copyStep(*this, files_);
        now = std::chrono::steady_clock::now();
    } while (copyJob.state == Ready && now - start < CopyTurn);
    if (now - progressShownAt_ >= ProgressInterval) showProgress();
    return jobRunning();
}

void Client::startOrStop() {
    if (jobRunning()) {
        stopJob(*this, files_);
        return;
    }
    // A path cut to its field could name another file: one that does not
    // fit is refused whole.
    saveControls();
    if (!sourceEdit->fitted())
        showError(*this, "   Source file name is too long\t\t\t ");
    else if (!targetEdit->fitted())
        showError(*this, "   Target file name is too long\t\t\t ");
    else
        startJob(*this, files_);
}

void Client::about() {
    if (!jobRunning()) showAbout(*this);
}

void Client::exitProgram() {
    if (!jobRunning()) My_App::exitProgram();
}

void Client::cancelCommand() {
    if (jobRunning())
        stopJob(*this, files_);
    else
        end(IDCANCEL);
}

void Client::browseSource() {
    if (!jobRunning()) selection::browseSource(*this, *sourceEdit);
}

void Client::browseTarget() {
    if (!jobRunning()) selection::browseTarget(*this, *targetEdit, files_);
}

// What a running job switches off: every control but "&Start"/"&Stop", the
// edits only made read-only.
void Client::enableIdleOnlyControls(bool on) {
    Control* const idleOnly[] = {aboutButton,        exitButton,       browseSourceButton,
                                 browseTargetButton, clearReadOnlyBox, moveFileBox};
    // A control about to be disabled must not keep the keyboard, or Enter
    // and Escape would no longer reach the dialog: "&Stop" takes it.
    HWND focus = GetFocus();
    for (Control* control : idleOnly)
        if (!on && focus && control->handle() == focus)
            SendMessageA(hwnd_, WM_NEXTDLGCTL, static_cast<WPARAM>(asInteger(startButton->handle())), TRUE);
    for (Control* control : idleOnly) control->enable(on);
    sourceEdit->setReadOnly(!on);
    targetEdit->setReadOnly(!on);
}

void Client::setRunningControls() {
    showProgress();
    startButton->setText("&Stop");
    enableIdleOnlyControls(false);
    // The loop may be waiting for a message: the job's first turn must not
    // wait for the user to move the mouse.
    PostMessageA(hwnd_, WM_NULL, 0, 0);
}

void Client::setIdleControls() {
    showProgress();
    startButton->setText("&Start");
    enableIdleOnlyControls(true);
}

void Client::setProgress(unsigned percent) {
    wanted_.percent = percent;
    progressPending_ = true;
}

void Client::setProgressLine1(const char* text) {
    showProgress();
    progressLine1->setText(text);
}

void Client::setProgressLine2(const char* text) {
    std::size_t length = strnlen(text, sizeof wanted_.line2 - 1);
    std::memcpy(wanted_.line2, text, length);
    wanted_.line2[length] = '\0';
    progressPending_ = true;
}

void Client::showProgress() {
    progressShownAt_ = std::chrono::steady_clock::now();
    if (!progressPending_) return;
    progressPending_ = false;
    if (wanted_.percent != shown_.percent) {
        progressBar->setValue(wanted_.percent);
        shown_.percent = wanted_.percent;
    }
    if (std::strcmp(wanted_.line2, shown_.line2) != 0) {
        progressLine2->setText(wanted_.line2);
        std::memcpy(shown_.line2, wanted_.line2, sizeof shown_.line2);
    }
}

void Client::beep() { ui::beep(); }

int Client::messageBox(const char* text, const char* caption, unsigned flags) {
    showProgress();
    return ui::messageBox(hwnd_, text, caption, flags);
}

// The job's questions: each dialog reads the job, and its result goes back
// to the engine as it is.
int Client::runJobDialog(Dialog& dialog) {
    showProgress();
    INT_PTR result = dialog.execute();
    if (result == -1) {
        // A question that cannot be asked is answered Cancel: the files
        // stay as they are.
        beep();
        ui::messageBox(hwnd_, "   Couldn't show the question\t\t\t ", "Error", MB_OK | MB_ICONHAND);
        return answer::Cancel;
    }
    return static_cast<int>(result);
}

int Client::confirmOverwrite() {
    dlg2 dialog(this);
    return runJobDialog(dialog);
}

int Client::diskFull() {
    dlg3 dialog(this);
    return runJobDialog(dialog);
}

int Client::changeTarget() {
    dlg4 dialog(this, files_);
    return runJobDialog(dialog);
}
