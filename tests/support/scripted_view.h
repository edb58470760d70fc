// A scripted user for the engine's tests: records everything the engine shows
// and answers its questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/main_transfer.h"
#include "engine/job_view.h"

class ScriptedView final : public JobView {
public:
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags;
    };

    // What saveControls hands the engine, as if typed into the main dialog.
    MainTransfer controls{};

    // Answers, taken in order. A box with no scripted answer is a test
    // failure (the engine asked something the test did not expect).
    std::deque<int> boxAnswers;
    std::deque<int> overwriteAnswers;
    std::deque<int> diskFullAnswers;
    // Each Change target answer: the code, and the text left in the edit
    // (an empty optional text keeps what the engine put there).
    struct ChangeTargetAnswer {
        int code;
        std::string text;
        bool setText = true;
    };
    std::deque<ChangeTargetAnswer> changeTargetAnswers;
    // Runs when "Disk is full" shows, before it is answered (to swap disks).
    std::function<void()> onDiskFull;
    // Runs when a message box shows, before it is answered (to free a path
    // under a Retry, or to look at the files while the question is up).
    std::function<void(const Box&)> onBox;
    // Runs when "Confirm File Overwrite" shows, before it is answered (to see
    // what the dialog reads from copyJob and the files as they are then).
    std::function<void()> onOverwrite;
    // Answers whatever the scripted answers leave unanswered, by the event's
    // letter (m, o, d or c; for c it may rewrite changeTargetText itself).
    std::function<int(char)> answerer;

    // What was shown.
    int beeps = 0;
    std::vector<Box> boxes;
    std::vector<unsigned> progress;
    std::vector<std::string> line1;
    std::vector<std::string> line2;
    std::vector<std::string> leftTexts;         // leftText as each Disk is full showed
    std::vector<std::string> changeTargetTexts; // changeTargetText as each Change target showed
    int overwriteQuestions = 0;
    int runningLooks = 0;
    int idleLooks = 0;
    bool running = false;
    std::string events;  // a letter per call: b beep, m box, o overwrite, d disk full, c change target

    void saveControls() override;
    void setRunningControls() override;
    void setIdleControls() override;
    void setProgress(unsigned percent) override { progress.push_back(percent); }
    void setProgressLine1(const char* text) override { line1.emplace_back(text); }
    void setProgressLine2(const char* text) override { line2.emplace_back(text); }
    void beep() override;
    int messageBox(const char* text, const char* caption, unsigned flags) override;
    int confirmOverwrite() override;
    int diskFull() override;
    int changeTarget() override;

private:
    int take(std::deque<int>& answers, char event, const char* what);
};
