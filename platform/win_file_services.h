// The file services on Windows: the run-time's low-level file calls on
// integer handles, with the writes done on the system handle underneath so a
// full disk can be told apart and undone, and the Windows calls for
// attributes, drives and folders. A file opened to write at its end is a
// handle that may only append: the system itself puts every write at the
// true end, with no seek before it.
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

    int openAppending(const char* path, bool create);

    std::uint32_t systemError_ = 0;
    // For each handle opened here to write at the end: a second system handle
    // to the file with full write access, which can cut it (an appending
    // handle cannot on Windows). Null for every other handle.
    void* fullAccess_[MaxHandles] = {};
};
