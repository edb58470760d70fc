#include "tests/support/scripted_view.h"

#include <cstdio>
#include <stdexcept>

#include "engine/copy_job.h"

int ScriptedView::take(std::deque<int>& answers, char event, const char* what) {
    if (answers.empty()) {
        if (answerer) return answerer(event);
        throw std::runtime_error(std::string("unexpected question: ") + what);
    }
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

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
    return take(boxAnswers, 'm', text);
}

int ScriptedView::confirmOverwrite() {
    ++overwriteQuestions;
    events += 'o';
    if (onOverwrite) onOverwrite();
    return take(overwriteAnswers, 'o', "Confirm File Overwrite");
}

int ScriptedView::diskFull() {
    leftTexts.emplace_back(copyJob.leftText);
    events += 'd';
    if (onDiskFull) onDiskFull();
    return take(diskFullAnswers, 'd', "Disk is full");
}

int ScriptedView::changeTarget() {
    changeTargetTexts.emplace_back(copyJob.changeTargetText);
    events += 'c';
    if (changeTargetAnswers.empty()) {
        if (answerer) return answerer('c');
        throw std::runtime_error("unexpected question: Change target");
    }
    ChangeTargetAnswer answer = changeTargetAnswers.front();
    changeTargetAnswers.pop_front();
    if (answer.setText)
        std::snprintf(copyJob.changeTargetText, sizeof copyJob.changeTargetText, "%s", answer.text.c_str());
    return answer.code;
}
