#include "engine/job_end.h"

#include "engine/job_view.h"

namespace {

// What an ending closes, and whether the target's saved attributes go back:
// once a piece is finished its attributes are the source's, and a target
// still open keeps its own. A start that ends never showed a running job,
// so the window is left as it is.
struct Closing {
    bool source;
    bool target;
    bool restoreAttributes;
    bool ran;
};

constexpr Closing closingOf(Ending ending) {
    switch (ending) {
    case Ending::PathsRefused:
    case Ending::ReadOnlyKept:
    case Ending::SourceNotOpened:
        return {false, false, false, false};
    case Ending::TargetNotOpened:
    case Ending::TargetNotReopened:
        return {true, false, true, false};
    case Ending::OverwriteCancelled:  // the target was closed, its attributes back, before the question
        return {true, false, false, false};
    case Ending::ReadFailed:
    case Ending::BlockWriteFailed:
    case Ending::WriteRetryCancelled:
    case Ending::Stopped:
        return {true, true, true, true};
    case Ending::SectorWriteFailed:
        return {true, true, false, true};
    case Ending::DiskFullCancelled:
    case Ending::ChangeTargetCancelled:
    case Ending::TargetRefused:
    case Ending::ReopenCancelled:
    case Ending::TargetNotEmpty:
        break;
    }
    return {true, false, false, true};
}

}  // namespace

void endJob(JobView& view, FileServices& files, Ending ending) {
    const Closing closing = closingOf(ending);
    if (closing.target) files.close(copyJob.targetFile);
    if (closing.source) files.close(copyJob.sourceFile);
    if (closing.restoreAttributes) files.setAttributes(copyJob.targetPath, copyJob.savedTargetAttributes);
    if (!closing.ran) return;  // a start that ends leaves the job Idle, as it found it
    view.setProgress(0);
    copyJob.state = Idle;
    view.setProgressLine1("");
    view.setProgressLine2("");
    view.setIdleControls();
}
