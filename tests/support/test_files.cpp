// The whole-file helpers of files.h that end a test case when they fail.
#include <doctest/doctest.h>

#include "tests/support/files.h"
#include "tests/support/handle.h"
#include "tests/support/utf8.h"

namespace testkit {

namespace {

Handle createFile(const std::string& path) {
    Handle file(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    REQUIRE_MESSAGE(file.valid(), "cannot create " << path);
    return file;
}

bool writeAll(const Handle& file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

}  // namespace

std::string readFile(const std::string& path) {
    std::string contents;
    REQUIRE_MESSAGE(readWholeFile(path, contents), "cannot open " << path);
    return contents;
}

void writeFile(const std::string& path, const std::string& bytes) {
    Handle file = createFile(path);
    REQUIRE_MESSAGE(writeAll(file, bytes), "cannot write " << path);
}

void writeFileWith(const std::string& path, const std::string& bytes, const SYSTEMTIME& localStamp,
                   DWORD attributes) {
    SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    Handle file = createFile(path);
    bool ok = writeAll(file, bytes) && setLocalStamp(file.get(), localStamp);
    file.reset();
    REQUIRE_MESSAGE(ok, "cannot write " << path);
    REQUIRE_MESSAGE(SetFileAttributesW(wide(path).c_str(), attributes), "cannot set the attributes of " << path);
}

}  // namespace testkit
