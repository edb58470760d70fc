// The text rules that turn the two typed paths into the job's source and
// target, and the refusal of reserved device names.
#include <cstdio>
#include <cstring>

#include "app/main_transfer.h"
#include "engine/copy_job.h"
#include "engine/messages.h"

const char reservedDeviceNames[ReservedNameCount][5] = {
    "COM1", "COM2", "COM3", "COM4", "COM5", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "PRN", "NUL",
};

namespace {

// Upper-cases up to the first dot and cuts the text there.
void cutAtDotUpper(char* text) {
    for (char* c = text; *c != '\0'; ++c) {
        if (*c == '.') {
            *c = '\0';
            return;
        }
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    }
}

// Where the name in a path starts: behind its last '\' or ':', looking no
// further to the front than `first`; 0 when there is none.
std::size_t nameStart(const char* path, std::size_t first) {
    for (std::size_t i = std::strlen(path); i-- > first;)
        if (path[i] == '\\' || path[i] == ':') return i + 1;
    return 0;
}

}  // namespace

void trimBlanks(char* text) {
    std::size_t length = std::strlen(text);
    std::size_t first = 0;
    while (first < length && text[first] == ' ') ++first;
    if (first == length) {
        text[0] = '\0';
        return;
    }
    std::size_t end = length;
    while (end > first && text[end - 1] == ' ') --end;
    std::memmove(text, text + first, end - first);
    text[end - first] = '\0';
}

bool cleanPaths() {
    std::memset(copyJob.sourcePath, 0, PathSize);
    std::memset(copyJob.targetPath, 0, PathSize);
    // Fields without their terminator were refused before (endsInField);
    // copyPath's bound keeps one from running past them all the same.
    copyPath(copyJob.sourcePath, mainTransfer.sourceText);
    copyPath(copyJob.targetPath, mainTransfer.targetText);
    trimBlanks(copyJob.sourcePath);
    trimBlanks(copyJob.targetPath);
    if (copyJob.sourcePath[0] == '\0' || copyJob.targetPath[0] == '\0') return false;
    for (std::size_t i = 0; i < PathSize; ++i) {
        if (copyJob.sourcePath[i] == '/') copyJob.sourcePath[i] = '\\';
        if (copyJob.targetPath[i] == '/') copyJob.targetPath[i] = '\\';
    }
    if (std::strlen(copyJob.targetPath) == 2 && copyJob.targetPath[1] == ':') {
        copyJob.targetPath[2] = '\\';
        copyJob.targetPath[3] = '\0';
    }
    return true;
}

bool composeTarget() {
    std::memset(copyJob.composedTarget, 0, PathSize);
    std::memset(copyJob.sourceName, 0, PathSize);

    // The first character is never looked at, so "\DATA.TXT" keeps its
    // backslash.
    copyPath(copyJob.sourceName, copyJob.sourcePath + nameStart(copyJob.sourcePath, 1));

    char folder[PathSize];
    copyPath(folder, copyJob.targetPath);
    trimBlanks(folder);
    std::size_t folderLength = std::strlen(folder);
    bool needsBackslash = folderLength > 0 && folder[folderLength - 1] != '\\';
    std::size_t nameLength = std::strlen(copyJob.sourceName);
    // A composed name that does not fit is refused, never cut: a cut path
    // could name another file.
    if (folderLength + (needsBackslash ? 1 : 0) + nameLength > PathSize - 1) return false;

    std::memcpy(copyJob.composedTarget, folder, folderLength);
    if (needsBackslash) copyJob.composedTarget[folderLength++] = '\\';
    std::memcpy(copyJob.composedTarget + folderLength, copyJob.sourceName, nameLength);
    copyJob.composedTarget[folderLength + nameLength] = '\0';

    if (endsInBackslash(copyJob.targetPath)) copyPath(copyJob.targetPath, copyJob.composedTarget);
    return true;
}

bool endsInBackslash(const char* path) {
    std::size_t length = std::strlen(path);
    return length > 0 && path[length - 1] == '\\';
}

int checkReservedNames() {
    copyPath(copyJob.targetName, copyJob.targetPath + nameStart(copyJob.targetPath, 0));
    trimBlanks(copyJob.targetName);
    cutAtDotUpper(copyJob.targetName);

    trimBlanks(copyJob.sourceName);
    cutAtDotUpper(copyJob.sourceName);
    if (copyJob.sourceName[0] == '\\') {
        copyJob.sourceName[0] = ' ';
        trimBlanks(copyJob.sourceName);
    }

    for (const char* name : reservedDeviceNames) {
        if (std::strcmp(copyJob.sourceName, name) == 0) {
            std::snprintf(copyJob.messageText, sizeof copyJob.messageText,
                          "   Unable to copy from\t\t\t \r\n   %s", name);
            return 1;
        }
    }
    for (const char* name : reservedDeviceNames) {
        if (std::strcmp(copyJob.targetName, name) == 0) {
            std::snprintf(copyJob.messageText, sizeof copyJob.messageText,
                          "   Unable to copy to\t\t\t \r\n   %s", name);
            return 1;
        }
    }
    return 0;
}

void applyCdromRule(FileServices& files) {
    if ((copyJob.sourceAttributes & AttrReadOnly) == 0) return;
    char root[PathSize] = {};
    if (copyJob.sourcePath[1] == ':') {
        root[0] = copyJob.sourcePath[0];
        root[1] = ':';
        root[2] = '\\';
    } else {
        char current[PathSize] = {};
        unsigned length = files.currentDirectory(current, sizeof current);
        if (length == 0 || length >= sizeof current) return;
        std::memcpy(root, current, 3);
    }
    if (files.driveType(root) == DriveCdrom) copyJob.sourceAttributes -= AttrReadOnly;
}
