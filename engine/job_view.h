// The copy engine's narrow view of the windows: what it asks of the main
// dialog and of the questions it puts to the user. The main dialog implements
// it; the engine's tests implement it with a scripted user.
#pragma once

#include "engine/answers.h"
#include "platform/message_box.h"

class JobView {
public:
    virtual ~JobView() = default;

    // Copies the main dialog's controls into mainTransfer.
    virtual void saveControls() = 0;
    virtual void setRunningControls() = 0;
    virtual void setIdleControls() = 0;
    virtual void setProgress(unsigned percent) = 0;
    virtual void setProgressLine1(const char* text) = 0;
    virtual void setProgressLine2(const char* text) = 0;

    virtual void beep() = 0;
    // A message box owned by the main dialog; returns the button pressed.
    virtual int messageBox(const char* text, const char* caption, unsigned flags) = 0;

    // The job's modal dialogs; each reads copyJob and returns its result code.
    virtual int confirmOverwrite() = 0;  // 1, 1104 or 2
    virtual int diskFull() = 0;          // 1, 1104 or 2
    virtual int changeTarget() = 0;      // 1, 1601 or 2; may rewrite changeTargetText
};
