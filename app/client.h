// The main dialog: the source and target edits, the two options, the
// progress display and the five buttons. It is the copy engine's view of the
// windows, and its idle processing is what drives a running job.
#pragma once

#include <chrono>

#include "engine/job_view.h"
#include "gui/controls.h"
#include "gui/dialog.h"
#include "platform/win_file_services.h"

class Client final : public CommandDialog<Client>, public JobView {
public:
    Client();
    ~Client() override;

    // Builds the control objects, the edits and check boxes on their fields
    // of the transfer record; the windows come when the frame creates the
    // dialog.
    void buildControls();

    bool idleAction(long idleCount) override;

    // JobView: what the engine asks of the main dialog.
    void saveControls() override;
    void setRunningControls() override;
    void setIdleControls() override;
    void setProgress(unsigned percent) override;
    void setProgressLine1(const char* text) override;
    void setProgressLine2(const char* text) override;
    void beep() override;
    int messageBox(const char* text, const char* caption, unsigned flags) override;
    int confirmOverwrite() override;
    int diskFull() override;
    int changeTarget() override;

    void loadControls();

protected:
    void setupWindow() override;

private:
    void startOrStop();
    void about();
    void exitProgram();
    void cancelCommand();
    void browseSource();
    void browseTarget();

    void enableIdleOnlyControls(bool on);
    int runJobDialog(Dialog& dialog);
    // Puts the progress figures of the last block copied on screen.
    void showProgress();

    static const CommandEntry<Client> commands[];

    // The control objects, the dialog's own (see buildControls).
    ProgressBar* progressBar = nullptr;
    Static *progressLine1 = nullptr, *progressLine2 = nullptr;
    CheckBox *clearReadOnlyBox = nullptr, *moveFileBox = nullptr;
    Edit *sourceEdit = nullptr, *targetEdit = nullptr;
    Button *startButton = nullptr, *aboutButton = nullptr, *exitButton = nullptr;
    Button *browseSourceButton = nullptr, *browseTargetButton = nullptr;

    WinFileServices files_;

    // A running job sets its figures after every block; the screen shows
    // them a few times a second, and always as they stand at the job's end
    // and before any question.
    struct Progress {
        unsigned percent = 0;
        char line2[64] = "";
    };
    Progress wanted_;
    Progress shown_;
    bool progressPending_ = false;
    std::chrono::steady_clock::time_point progressShownAt_;
};
