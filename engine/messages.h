// How the engine tells the user about a failure: beep, then a box owned by
// the main dialog. Shared by the start of a job and the copy step.
#pragma once

#include <cstdio>
#include <cstring>

#include "engine/copy_job.h"
#include "engine/job_view.h"

// Formats a text with one "%s" for an error number's standard text into
// messageText.
inline void formatErrorMessage(FileServices& files, const char* format, int errorNumber) {
    std::snprintf(copyJob.messageText, sizeof copyJob.messageText, format, files.errorText(errorNumber));
}

inline void showError(JobView& view, const char* text) {
    view.beep();
    view.messageBox(text, "Error", box::Ok | box::IconHand);
}

// A Retry/Cancel error box; true when the user asked to retry.
inline bool askRetry(JobView& view, const char* text) {
    view.beep();
    copyJob.boxAnswer = view.messageBox(text, "Error", box::RetryCancel | box::IconHand);
    return copyJob.boxAnswer == box::IdRetry;
}

// Copies a text that fits (at most 255 characters) into a path buffer; the
// bound keeps a missing terminator from running past either buffer.
inline void copyPath(char (&to)[PathSize], const char* from) {
    std::size_t length = strnlen(from, PathSize - 1);
    std::memmove(to, from, length);
    to[length] = '\0';
}

// Whether a text of the transfer record ends inside its field. The window
// refuses a text longer than its field before a job starts (its edit's
// transfer says whether the text fitted) and then leaves that field without
// a terminator: this check is the engine's last line of defence, refusing
// such a field rather than cutting it.
inline bool endsInField(const char (&text)[PathSize]) { return std::memchr(text, '\0', PathSize) != nullptr; }
