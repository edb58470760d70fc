// File services: the file-system operations the copy engine takes from the
// platform. The engine sees only this interface, so its tests can put a file
// system underneath that injects faults. No <windows.h> here.
#pragma once

#include <cstdint>

enum class OpenMode {
    Source,       // read; the file must exist
    FirstTarget,  // write at the end; created empty when missing
    Overwrite,    // write from offset 0 on, not truncated; created when missing
    Append,       // write at the end; the file must exist
};

// A last-write time in DOS form, local time, two-second steps.
struct DosStamp {
    std::uint16_t time = 0;  // hours 15..11, minutes 10..5, seconds/2 4..0
    std::uint16_t date = 0;  // year-1980 15..9, month 8..5, day 4..0
};

constexpr std::uint32_t InvalidAttributes = 0xFFFFFFFFu;
constexpr std::uint32_t AttrReadOnly = 0x1;
constexpr std::uint32_t AttrHidden = 0x2;
constexpr std::uint32_t AttrSystem = 0x4;
constexpr std::uint32_t AttrDirectory = 0x10;
constexpr std::uint32_t AttrArchive = 0x20;
constexpr std::uint32_t AttrNormal = 0x80;
constexpr std::uint32_t AttrCompressed = 0x800;

constexpr unsigned DriveCdrom = 5;

constexpr std::uint32_t ErrorDiskFull = 112;  // the system's code for a full disk

class FileServices {
public:
    virtual ~FileServices() = default;

    // Run-time low-level file calls. Failures give -1 and set errno (and the
    // system error code, see systemError).
    virtual int open(const char* path, OpenMode mode) = 0;
    virtual int read(int file, void* buffer, unsigned count) = 0;
    // Writes the whole count or fails. On a full disk nothing of this call
    // stays on disk: the result is -1, errno ENOSPC, systemError ErrorDiskFull.
    virtual int write(int file, const void* buffer, unsigned count) = 0;
    virtual void close(int file) = 0;
    // Puts what was written to the file on the device (_commit, FlushFileBuffers).
    virtual int commit(int file) = 0;
    virtual std::uint64_t fileLength(int file) = 0;
    virtual int changeSize(int file, std::uint64_t length) = 0;
    virtual int getFileTime(int file, DosStamp& stamp) = 0;
    virtual int setFileTime(int file, DosStamp stamp) = 0;
    virtual int deleteFile(const char* path) = 0;

    // The system error code of the last failed call (GetLastError).
    virtual std::uint32_t systemError() = 0;
    // The run-time's standard text for an error number.
    virtual const char* errorText(int errorNumber) = 0;

    // Attributes, drives and folders.
    virtual std::uint32_t getAttributes(const char* path) = 0;
    virtual void setAttributes(const char* path, std::uint32_t attributes) = 0;
    virtual unsigned driveType(const char* root) = 0;
    // Both return the length of the answer, 0 on failure, or more than size
    // when it does not fit (then nothing is written).
    virtual unsigned currentDirectory(char* buffer, unsigned size) = 0;
    virtual unsigned systemDirectory(char* buffer, unsigned size) = 0;

    // True when both paths name one existing file, however they are spelled.
    virtual bool sameFile(const char* first, const char* second) = 0;
};
