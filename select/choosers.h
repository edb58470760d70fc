// Choosing the source with the Open dialog and the target with the folder
// browser (or, with Shift held, the Open dialog), for the main dialog and
// for "Change target".
#pragma once

#include <windows.h>

#include "gui/dialog.h"
#include "platform/file_services.h"

namespace selection {

// The Open dialog over `owner`, set up afresh: the one filter "All Files
// (*.*)", an empty name, the system's default folder. True with the full
// path in `path` when a file was chosen.
bool chooseFile(HWND owner, char (&path)[MAX_PATH]);

enum class FolderChoice {
    Chosen,     // `path` holds the folder's path
    Cancelled,  // nothing was chosen
    Failed,     // the shell could not show or resolve the browser
    NoPath,     // the folder chosen has no file-system path
};

// The folder browser "Select target folder:" over `owner`, rooted at the
// desktop.
FolderChoice chooseFolder(HWND owner, char (&path)[MAX_PATH]);

// The main dialog's "&Browse...": the Open dialog into the source edit's
// field. Its caller runs it only while no job runs.
void browseSource(Dialog& mainDialog, Edit& sourceEdit);

// The target selection, for the main dialog's "B&rowse..." and for any
// dialog with a target edit: the dialog owns the choosers and boxes, its
// controls are saved before a chooser opens and shown again after a choice.
void selectTarget(Dialog& dialog, Edit& targetEdit, FileServices& files);

// The main dialog's "B&rowse...": the target selection over the main dialog.
// Its caller runs it only while no job runs.
inline void browseTarget(Dialog& mainDialog, Edit& targetEdit, FileServices& files) {
    selectTarget(mainDialog, targetEdit, files);
}

}  // namespace selection
