#include "tests/support/scripted_view.h"

#include <cstdio>
#include <stdexcept>

#include "engine/copy_job.h"

namespace {
int take(std::deque<int>& answers, const char* what) {
    if (answers.empty()) throw std::runtime_error(std::string("unexpected question: ") + what);
    int answer = answers.front();
    answers.pop_front();
    return answer;
}
}  // namespace

void ScriptedView::saveControls() { mainTransfer = controls; }

void ScriptedView::setRunningControls() {
    ++runningLooks;
    running = true;
}

void ScriptedView::setIdleControls() {
    ++idleLooks;
    running = false;
}

void ScriptedView::beep() {
    ++beeps;
    events += 'b';
}

int ScriptedView::messageBox(const char* text, const char* caption, unsigned flags) {
    boxes.push_back({text, caption, flags});
    events += 'm';
    if (onBox) onBox(boxes.back());
    return take(boxAnswers, text);
}

int ScriptedView::confirmOverwrite() {
    ++overwriteQuestions;
    events += 'o';
    if (onOverwrite) onOverwrite();
    return take(overwriteAnswers, "Confirm File Overwrite");
}

int ScriptedView::diskFull() {
    leftTexts.emplace_back(copyJob.leftText);
    events += 'd';
    if (onDiskFull) onDiskFull();
    return take(diskFullAnswers, "Disk is full");
}

int ScriptedView::changeTarget() {
    changeTargetTexts.emplace_back(copyJob.changeTargetText);
    events += 'c';
    if (changeTargetAnswers.empty()) throw std::runtime_error("unexpected question: Change target");
    ChangeTargetAnswer answer = changeTargetAnswers.front();
    changeTargetAnswers.pop_front();
    if (answer.setText)
        std::snprintf(copyJob.changeTargetText, sizeof copyJob.changeTargetText, "%s", answer.text.c_str());
    return answer.code;
}
