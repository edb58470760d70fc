// The one copy job: its state record and the engine's entry points.
#pragma once

#include <cstdint>

#include "dialogs/stamp_text.h"
#include "platform/file_services.h"

class JobView;

constexpr unsigned BlockSize = 32768;  // bytes per copy step
constexpr unsigned SectorSize = 512;   // unit of the full-disk recovery
constexpr unsigned PathSize = 256;     // 255 characters and the terminator

enum JobState : std::int32_t {
    Idle = 0,    // no job
    Ready = 1,   // a job runs; the next copy step may run
    InStep = 2,  // a copy step runs, perhaps inside one of its questions
};

struct CopyJob {
    std::int32_t state;

    char sourcePath[PathSize];
    char targetPath[PathSize];
    char composedTarget[PathSize];
    char sourceName[PathSize];
    char targetName[PathSize];

    std::int32_t sourceFile;
    std::int32_t targetFile;
    std::uint32_t sourceAttributes;
    std::uint32_t savedTargetAttributes;

    // Sizes and counters are 64-bit so that files of 4 GiB and more copy whole.
    std::uint64_t totalSize;
    std::uint64_t targetLength;
    std::uint64_t sourceLength;
    std::uint64_t blockIndex;
    std::uint64_t lastBlock;
    std::int32_t lastCount;
    std::uint64_t writtenBefore;
    std::uint32_t sectorIndex;
    std::int32_t sectorCount;

    std::int32_t appendMode;
    OpenMode targetOpenMode;
    std::int32_t dialogResult;
    std::int32_t changeTargetResult;
    std::int32_t composedTried;
    std::int32_t reopenAgain;
    std::int32_t boxAnswer;

    char messageText[PathSize];
    char progressText[64];
    char leftText[64];
    char changeTargetText[PathSize];
    StampText sourceStampText;
    StampText targetStampText;

    std::uint8_t copyBuffer[BlockSize];
    std::uint8_t* blockPointer;
    std::uint8_t* sectorPointer;
    DosStamp sourceStamp;
    std::int32_t sourceStampStatus;
};

extern CopyJob copyJob;

// Whether a job runs (or waits in one of its questions): the commands that
// only an idle window takes ask this first.
inline bool jobRunning() { return copyJob.state != Idle; }

// Path rules.
void trimBlanks(char* text);
bool cleanPaths();
// False when folder, backslash and source name would not fit 255 characters;
// composedTarget is then empty and targetPath is left as it was. That matters
// only where the composed name is used: a target ending in a backslash, or the
// retry after a refused open.
bool composeTarget();
bool endsInBackslash(const char* path);
int checkReservedNames();
void applyCdromRule(FileServices& files);

constexpr int ReservedNameCount = 12;
extern const char reservedDeviceNames[ReservedNameCount][5];

// The job.
void startJob(JobView& view, FileServices& files);
void copyStep(JobView& view, FileServices& files);
void stopJob(JobView& view, FileServices& files);
