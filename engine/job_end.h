// Every way a job ends short of completion, from its start to its last step,
// and what each one closes and puts back.
#pragma once

#include "engine/copy_job.h"

enum class Ending {
    // The start, before the job ran.
    PathsRefused,           // a typed path refused
    ReadOnlyKept,           // Cancel when warned of a read-only target
    SourceNotOpened,        // the source could not be opened
    TargetNotOpened,        // the first target could not be opened
    OverwriteCancelled,     // Cancel in "Confirm File Overwrite"
    TargetNotReopened,      // the target could not be opened for Overwrite or Append
    // The running job.
    ReadFailed,             // a block of the source could not be read
    DiskFullCancelled,      // Cancel in "Disk is full"
    ChangeTargetCancelled,  // Cancel in "Change target"
    TargetRefused,          // the next piece's name is reserved or too long
    ReopenCancelled,        // Cancel after the next piece could not be opened
    TargetNotEmpty,         // Cancel when the next piece already holds data
    SectorWriteFailed,      // Cancel after the first sector of a piece failed
    BlockWriteFailed,       // a block, or a sector, written in part or not at all
    WriteRetryCancelled,    // Cancel after a block write that wrote nothing
    Stopped,                // "&Stop" or Escape, and Yes
};

// Closes what the ending leaves open, puts the target's saved attributes back
// where it says, and, for a job that ran, gives the window its idle look.
void endJob(JobView& view, FileServices& files, Ending ending);
