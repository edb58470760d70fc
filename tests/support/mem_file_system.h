// An in-memory file system for the engine's tests: Windows-style paths,
// attributes, DOS time stamps, small "disks" that fill up, and faults on
// request (refused opens, failing or short reads and writes, failing deletes).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_services.h"

class MemFileSystem final : public FileServices {
public:
    struct File {
        std::vector<std::uint8_t> data;
        std::uint32_t attributes = AttrArchive;
        DosStamp stamp{};
        bool stampReadable = true;
        int commits = 0;
    };

    // Set-up.
    void addFolder(const std::string& path, std::uint32_t attributes = AttrDirectory);
    void addFile(const std::string& path, const std::vector<std::uint8_t>& data,
                 std::uint32_t attributes = AttrArchive, DosStamp stamp = {});
    // Room on a drive ("D:"), counted over every file on it.
    void setCapacity(const std::string& drive, std::uint64_t bytes);
    void setDriveType(const std::string& root, unsigned type) { driveTypes_[key(root)] = type; }
    void setCurrentDirectory(const std::string& path) { currentDirectory_ = path; }

    // Faults. Each applies to the file (or drive) named, for `times` calls.
    void refuseOpen(const std::string& path, int errorNumber, int times = 1000000);
    // The read call with this 0-based index on the file gives `result`
    // (-1 with errorNumber, or a short count).
    void failRead(const std::string& path, int readIndex, int result, int errorNumber = 5);
    // The next write calls on the file put `written` bytes (0 or more) and
    // give `result`, with errno and the system code set.
    void failWrite(const std::string& path, int result, unsigned written, int errorNumber,
                   std::uint32_t systemCode, int times = 1);
    // Sector (512-byte) writes only, for the recovery's write into a new piece.
    void failSectorWrite(const std::string& path, int errorNumber, std::uint32_t systemCode, int times = 1);
    void failDelete(const std::string& path, int errorNumber) { deleteFaults_[key(path)] = errorNumber; }
    void unreadableStamp(const std::string& path) { file(path).stampReadable = false; }
    // The file's length as fileLength gives it, whatever bytes it holds (for
    // sizes far beyond what the test can store).
    void fakeLength(const std::string& path, std::uint64_t length) { fakeLengths_[key(path)] = length; }

    // Inspection.
    bool exists(const std::string& path) const { return files_.count(key(path)) != 0; }
    File& file(const std::string& path);
    std::vector<std::uint8_t> contents(const std::string& path) { return file(path).data; }
    void removeFile(const std::string& path) { files_.erase(key(path)); }
    int openHandles() const;

    // FileServices.
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

private:
    struct Handle {
        bool open = false;
        std::string path;
        bool writing = false;
        bool appending = false;
        std::uint64_t position = 0;
        int reads = 0;
    };
    struct WriteFault {
        int result;
        unsigned written;
        int errorNumber;
        std::uint32_t systemCode;
        int times;
        bool sectorsOnly;
    };
    struct ReadFault {
        int readIndex;
        int result;
        int errorNumber;
    };

    std::string key(const std::string& path) const;
    std::string parentOf(const std::string& key) const;
    std::uint64_t usedOn(const std::string& drive) const;
    std::uint64_t roomFor(const std::string& fileKey) const;
    Handle* handle(int file);
    int fail(int errorNumber, std::uint32_t systemCode);

    std::map<std::string, File> files_;
    std::map<std::string, std::uint32_t> folders_;
    std::map<std::string, std::uint64_t> capacity_;
    std::map<std::string, unsigned> driveTypes_;
    std::map<std::string, std::pair<int, int>> openFaults_;  // errno, times
    std::map<std::string, std::vector<ReadFault>> readFaults_;
    std::map<std::string, std::vector<WriteFault>> writeFaults_;
    std::map<std::string, int> deleteFaults_;
    std::map<std::string, std::uint64_t> fakeLengths_;
    std::vector<Handle> handles_ = std::vector<Handle>(64);
    std::string currentDirectory_ = "C:\\work";
    std::uint32_t systemError_ = 0;
};
