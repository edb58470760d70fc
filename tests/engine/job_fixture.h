// A fresh job over the in-memory file system and a scripted user: the state
// record and the main dialog's transfer record start cleared, the paths are
// typed as the user types them, and startJob runs as the Copy button runs it.
#pragma once

#include <cstdio>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/job_view.h"
#include "tests/support/mem_file_system.h"
#include "tests/support/scripted_view.h"

class JobFixture {
protected:
    MemFileSystem fs;
    ScriptedView view;

    JobFixture() {
        copyJob = CopyJob{};
        mainTransfer = MainTransfer{};
    }

    // What the user typed into the two edits and ticked in the two boxes.
    void type(const char* source, const char* target, bool clearReadOnlyFromCdrom = false, bool moveFile = false) {
        std::snprintf(view.controls.sourceText, sizeof view.controls.sourceText, "%s", source);
        std::snprintf(view.controls.targetText, sizeof view.controls.targetText, "%s", target);
        view.controls.clearReadOnlyFromCdrom = clearReadOnlyFromCdrom ? 1 : 0;
        view.controls.moveFile = moveFile ? 1 : 0;
    }

    void start() { startJob(view, fs); }

    void start(const char* source, const char* target, bool clearReadOnlyFromCdrom = false, bool moveFile = false) {
        type(source, target, clearReadOnlyFromCdrom, moveFile);
        start();
    }
};
