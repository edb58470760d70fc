// The file services on Windows: the run-time's low-level file calls on
// integer handles, with the writes done on the system handle underneath so a
// full disk can be told apart and undone, and the Windows calls for
// attributes, drives and folders. A target is one handle that other programs
// may read through but not write through, so the end it writes at is the
// file's true end; where it writes and how long the file is are learnt once,
// at the open, and followed from then on, with no query before a write.
#pragma once

#include <cstdint>

#include "platform/file_services.h"

class WinFileServices final : public FileServices {
public:
    int open(const char* path, OpenMode mode) override;
    int read(int file, void* buffer, unsigned count) override;
    int write(int file, const void* buffer, unsigned count) override;
    void close(int file) override;
    int commit(int file) override;
    std::uint64_t fileLength(int file) override;
    int changeSize(int file, std::uint64_t length) override;
    int getFileTime(int file, DosStamp& stamp) override;
    int setFileTime(int file, DosStamp stamp) override;
    int deleteFile(const char* path) override;

    std::uint32_t systemError() override { return systemError_; }
    const char* errorText(int errorNumber) override;

    std::uint32_t getAttributes(const char* path) override;
    void setAttributes(const char* path, std::uint32_t attributes) override;
    unsigned driveType(const char* root) override;
    unsigned currentDirectory(char* buffer, unsigned size) override;
    unsigned systemDirectory(char* buffer, unsigned size) override;

    bool sameFile(const char* first, const char* second) override;

    // The run-time's number for a system error code, as its own calls set it.
    static int errnoFor(std::uint32_t systemCode);

    // As many handles as the run-time hands out.
    static constexpr int MaxHandles = 2048;

private:
    // Takes the system's last error code, as it stands now, as the code of
    // the failure being reported.
    void keepLastError();
    int fail(int errorNumber, std::uint32_t systemCode);

    // For each handle opened here as a target: where its next write goes and
    // how long the file is, as the program's own writes and cuts left them
    // (no other program can write to it).
    struct Target {
        std::int64_t position;
        std::int64_t length;
        bool followed;  // open, and a file whose position and length are followed here (a device has neither)
        bool atEnd;  // first target and append: writes go at the end, also after a cut
    };

    int openTarget(const char* path, OpenMode mode);
    // The target opened here as `file`, or null for any other handle.
    Target* targetOf(int file);
    // Learns position and length from the system again, after a write or a
    // cut that did not go as planned.
    static void relearn(void* handle, Target& target);

    std::uint32_t systemError_ = 0;
    Target targets_[MaxHandles] = {};
};
