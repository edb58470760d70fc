// An open file of the tests: opened at once through the file services (the
// test case fails when it cannot be) and closed when the test leaves it.
#pragma once

#include <doctest/doctest.h>
#include <io.h>

#include <cstdint>

#include "platform/win_file_services.h"

class TestFile {
public:
    TestFile(FileServices& files, const char* path, OpenMode mode) : files_(files), handle_(files.open(path, mode)) {
        REQUIRE_MESSAGE(isOpen(), "cannot open " << path << " in mode " << static_cast<int>(mode));
    }
    ~TestFile() { close(); }
    TestFile(const TestFile&) = delete;
    TestFile& operator=(const TestFile&) = delete;

    int handle() const { return handle_; }
    bool isOpen() const { return handle_ != -1; }
    void close() {
        if (handle_ != -1) files_.close(handle_);
        handle_ = -1;
    }
    // Where the next read or write of the handle goes.
    std::int64_t position() const { return _telli64(handle_); }

private:
    FileServices& files_;
    int handle_;
};
