#include "platform/win_file_services.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "platform/file_handle.h"

// The engine names attributes, drive types and error codes without including
// <windows.h>; they must be the platform's own values.
static_assert(InvalidAttributes == INVALID_FILE_ATTRIBUTES);
static_assert(AttrReadOnly == FILE_ATTRIBUTE_READONLY);
static_assert(AttrHidden == FILE_ATTRIBUTE_HIDDEN);
static_assert(AttrSystem == FILE_ATTRIBUTE_SYSTEM);
static_assert(AttrDirectory == FILE_ATTRIBUTE_DIRECTORY);
static_assert(AttrArchive == FILE_ATTRIBUTE_ARCHIVE);
static_assert(AttrNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(AttrCompressed == FILE_ATTRIBUTE_COMPRESSED);
static_assert(DriveCdrom == DRIVE_CDROM);
static_assert(ErrorDiskFull == ERROR_DISK_FULL);

namespace {

HANDLE systemHandle(int file) { return reinterpret_cast<HANDLE>(_get_osfhandle(file)); }

bool isDiskFull(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

bool seek(HANDLE handle, std::int64_t offset, DWORD from, LARGE_INTEGER* reached = nullptr) {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(handle, distance, reached, from) != FALSE;
}

// The identity of an open file: volume, file index and link count, and the
// system's own name for it when it gives one.
struct FileIdentity {
    BY_HANDLE_FILE_INFORMATION info;
    char finalName[1024];
    bool named;
};

bool identify(const char* path, FileIdentity& identity) {
    FileHandle file(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    bool known = GetFileInformationByHandle(file.get(), &identity.info) != FALSE;
    DWORD length = GetFinalPathNameByHandleA(file.get(), identity.finalName, sizeof identity.finalName,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    identity.named = length != 0 && length < sizeof identity.finalName;
    return known;
}

}  // namespace

int WinFileServices::errnoFor(std::uint32_t systemCode) {
    struct Entry {
        std::uint32_t code;
        int errorNumber;
    };
    static constexpr Entry table[] = {
        {ERROR_INVALID_FUNCTION, EINVAL},
        {ERROR_FILE_NOT_FOUND, ENOENT},
        {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_INVALID_HANDLE, EBADF},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {ERROR_OUTOFMEMORY, ENOMEM},
        {ERROR_INVALID_DRIVE, ENOENT},
        {ERROR_CURRENT_DIRECTORY, EACCES},
        {ERROR_NOT_SAME_DEVICE, EXDEV},
        {ERROR_NO_MORE_FILES, ENOENT},
        {ERROR_HANDLE_DISK_FULL, ENOSPC},
        {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_NETWORK_ACCESS_DENIED, EACCES},
        {ERROR_BAD_NET_NAME, ENOENT},
        {ERROR_FILE_EXISTS, EEXIST},
        {ERROR_CANNOT_MAKE, EACCES},
        {ERROR_FAIL_I24, EACCES},
        {ERROR_INVALID_PARAMETER, EINVAL},
        {ERROR_BROKEN_PIPE, EPIPE},
        {ERROR_DISK_FULL, ENOSPC},
        {ERROR_NEGATIVE_SEEK, EINVAL},
        {ERROR_SEEK_ON_DEVICE, EACCES},
        {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
        {ERROR_NOT_LOCKED, EACCES},
        {ERROR_BAD_PATHNAME, ENOENT},
        {ERROR_LOCK_FAILED, EACCES},
        {ERROR_ALREADY_EXISTS, EEXIST},
        {ERROR_FILENAME_EXCED_RANGE, ENOENT},
    };
    // Write protection, sharing and lock violations and their kin.
    if (systemCode >= ERROR_WRITE_PROTECT && systemCode <= ERROR_SHARING_BUFFER_EXCEEDED) return EACCES;
    for (const Entry& entry : table)
        if (entry.code == systemCode) return entry.errorNumber;
    return EINVAL;
}

void WinFileServices::keepLastError() { systemError_ = GetLastError(); }

int WinFileServices::fail(int errorNumber, std::uint32_t systemCode) {
    systemError_ = systemCode;
    errno = errorNumber;
    return -1;
}

WinFileServices::Target* WinFileServices::targetOf(int file) {
    return file >= 0 && file < MaxHandles && targets_[file].followed ? &targets_[file] : nullptr;
}

void WinFileServices::relearn(void* handle, Target& target) {
    LARGE_INTEGER position;
    LARGE_INTEGER length;
    if (seek(handle, 0, FILE_CURRENT, &position)) target.position = position.QuadPart;
    if (GetFileSizeEx(handle, &length)) target.length = length.QuadPart;
    if (target.atEnd && target.position != target.length && seek(handle, target.length, FILE_BEGIN))
        target.position = target.length;
}

// A target is one handle that other programs may read through but not write
// through. So the end it writes at is the file's true end, and a write needs
// no appending handle (under Wine three system calls where a plain write is
// one) and no query of the position or the length before it: both are learnt
// here, once. A target written at its end is put there now.
int WinFileServices::openTarget(const char* path, OpenMode mode) {
    SetLastError(0);
    FileHandle handle(CreateFileA(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  mode == OpenMode::Append ? OPEN_EXISTING : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!handle) {
        DWORD code = GetLastError();
        return fail(errnoFor(code), code);
    }
    const bool atEnd = mode != OpenMode::Overwrite;
    LARGE_INTEGER length{};
    LARGE_INTEGER position{};
    // Devices and pipes have neither length nor position: they are written
    // as they come, as the run-time writes them.
    const bool placed = GetFileSizeEx(handle.get(), &length) && (!atEnd || seek(handle.get(), 0, FILE_END, &position));
    FileNumber file(_open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), 0));
    if (!file) return fail(EMFILE, ERROR_TOO_MANY_OPEN_FILES);
    handle.release();  // the run-time's file number owns it now
    if (file.get() >= MaxHandles) return fail(EMFILE, ERROR_TOO_MANY_OPEN_FILES);
    targets_[file.get()] = {position.QuadPart, length.QuadPart, placed, atEnd};
    return file.release();
}

int WinFileServices::open(const char* path, OpenMode mode) {
    if (mode != OpenMode::Source) return openTarget(path, mode);
    SetLastError(0);
    // Shared both ways, so other programs may go on reading and writing it.
    FileNumber file(_sopen(path, _O_BINARY | _O_RDONLY, _SH_DENYNO, _S_IREAD | _S_IWRITE));
    if (!file) {
        keepLastError();
        return -1;
    }
    if (file.get() >= MaxHandles) return fail(EMFILE, ERROR_TOO_MANY_OPEN_FILES);
    // A number the run-time hands out again is no target, even if a caller
    // closed the target before without this object.
    targets_[file.get()].followed = false;
    return file.release();
}

int WinFileServices::read(int file, void* buffer, unsigned count) {
    if (count > INT_MAX) return fail(EINVAL, ERROR_INVALID_PARAMETER);
    SetLastError(0);
    int result = _read(file, buffer, count);
    if (result < 0) keepLastError();
    return result;
}

// Written on the system handle: the run-time's own write, on a disk that
// fills in the middle of a block, leaves part of the block behind and reports
// neither ENOSPC nor the system's code for it.
int WinFileServices::write(int file, const void* buffer, unsigned count) {
    if (count > INT_MAX) return fail(EINVAL, ERROR_INVALID_PARAMETER);
    HANDLE handle = systemHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return fail(EBADF, ERROR_INVALID_HANDLE);
    if (count == 0) return 0;

    Target* target = targetOf(file);
    LARGE_INTEGER position{};
    LARGE_INTEGER length{};
    // Where the file stood, so a write that fills the disk can be taken back:
    // a target knows it, another handle asks. Devices and pipes have neither
    // position nor length; they are written as they come.
    bool placed = true;
    if (target) {
        position.QuadPart = target->position;
        length.QuadPart = target->length;
    } else {
        placed = seek(handle, 0, FILE_CURRENT, &position) && GetFileSizeEx(handle, &length);
    }

    const char* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    DWORD code = 0;
    while (done < count) {
        DWORD written = 0;
        BOOL ok = WriteFile(handle, bytes + done, count - done, &written, nullptr);
        done += written;
        if (!ok) {
            code = GetLastError();
            break;
        }
        if (written == 0) break;  // neither progress nor an error: don't spin
    }
    if (done == count) {
        if (target) {
            target->position += count;
            if (target->position > target->length) target->length = target->position;
        }
        return static_cast<int>(count);
    }

    if (isDiskFull(code)) {
        if (placed) {
            // Nothing of this write stays on the disk, and the file stands
            // where it stood.
            if (done > 0 && seek(handle, length.QuadPart, FILE_BEGIN)) SetEndOfFile(handle);
            seek(handle, position.QuadPart, FILE_BEGIN);
        }
        if (target) relearn(handle, *target);
        return fail(ENOSPC, ERROR_DISK_FULL);
    }
    if (target) relearn(handle, *target);
    // As the run-time's own write: a write that stopped without an error is
    // no space left, with no system code; access denied means a handle that
    // was not opened for writing.
    systemError_ = code;
    errno = code == 0 ? ENOSPC : code == ERROR_ACCESS_DENIED ? EBADF : errnoFor(code);
    return done == 0 ? -1 : static_cast<int>(done);
}

void WinFileServices::close(int file) {
    if (Target* target = targetOf(file)) target->followed = false;
    SetLastError(0);
    if (_close(file) != 0) keepLastError();
}

int WinFileServices::commit(int file) {
    HANDLE handle = systemHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return fail(EBADF, ERROR_INVALID_HANDLE);
    // As the run-time's own commit, a failure is a bad handle for errno.
    if (!FlushFileBuffers(handle)) return fail(EBADF, GetLastError());
    return 0;
}

std::uint64_t WinFileServices::fileLength(int file) {
    SetLastError(0);
    __int64 length = _filelengthi64(file);
    if (length < 0) {
        keepLastError();
        return ~std::uint64_t{0};
    }
    return static_cast<std::uint64_t>(length);
}

int WinFileServices::changeSize(int file, std::uint64_t length) {
    if (length > static_cast<std::uint64_t>(LLONG_MAX)) return fail(EINVAL, ERROR_INVALID_PARAMETER);
    HANDLE handle = systemHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return fail(EBADF, ERROR_INVALID_HANDLE);
    Target* target = targetOf(file);
    LARGE_INTEGER position{};
    bool known = true;
    if (target) position.QuadPart = target->position;
    else known = seek(handle, 0, FILE_CURRENT, &position);
    bool ok = seek(handle, static_cast<std::int64_t>(length), FILE_BEGIN) && SetEndOfFile(handle);
    DWORD code = ok ? 0 : GetLastError();
    if (target && ok) {
        target->length = static_cast<std::int64_t>(length);
        // A target written at its end goes on at the new end.
        if (target->atEnd) target->position = target->length;
        position.QuadPart = target->position;
    }
    // Any other handle's position stays where it was, as with the run-time's own call.
    if (known) seek(handle, position.QuadPart, FILE_BEGIN);
    if (target && !ok) relearn(handle, *target);
    return ok ? 0 : fail(errnoFor(code), code);
}

int WinFileServices::getFileTime(int file, DosStamp& stamp) {
    HANDLE handle = systemHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return fail(EBADF, ERROR_INVALID_HANDLE);
    FILETIME written;
    FILETIME local;
    WORD date;
    WORD time;
    if (!GetFileTime(handle, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time)) {
        DWORD code = GetLastError();
        return fail(errnoFor(code), code);
    }
    stamp.time = time;
    stamp.date = date;
    return 0;
}

int WinFileServices::setFileTime(int file, DosStamp stamp) {
    HANDLE handle = systemHandle(file);
    if (handle == INVALID_HANDLE_VALUE) return fail(EBADF, ERROR_INVALID_HANDLE);
    FILETIME local;
    FILETIME written;
    if (!DosDateTimeToFileTime(stamp.date, stamp.time, &local) || !LocalFileTimeToFileTime(&local, &written) ||
        !SetFileTime(handle, nullptr, nullptr, &written)) {
        DWORD code = GetLastError();
        return fail(errnoFor(code), code);
    }
    return 0;
}

int WinFileServices::deleteFile(const char* path) {
    SetLastError(0);
    if (_unlink(path) != 0) {
        keepLastError();
        return -1;
    }
    // Wine removes the name when the file is closed and says nothing when that
    // fails, as on a read-only disk: a file still there was not deleted. (On
    // Windows a name whose deletion waits for another program's handle reads
    // no attributes.)
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return fail(EACCES, ERROR_ACCESS_DENIED);
    return 0;
}

const char* WinFileServices::errorText(int errorNumber) { return std::strerror(errorNumber); }

std::uint32_t WinFileServices::getAttributes(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) keepLastError();
    return attributes;
}

void WinFileServices::setAttributes(const char* path, std::uint32_t attributes) {
    if (!SetFileAttributesA(path, attributes)) keepLastError();
}

unsigned WinFileServices::driveType(const char* root) { return GetDriveTypeA(root); }

unsigned WinFileServices::currentDirectory(char* buffer, unsigned size) {
    DWORD length = GetCurrentDirectoryA(size, buffer);
    if (length == 0) keepLastError();
    return length;
}

unsigned WinFileServices::systemDirectory(char* buffer, unsigned size) {
    UINT length = GetSystemDirectoryA(buffer, size);
    if (length == 0) keepLastError();
    return length;
}

// Volume serial number and file index name a file on Windows. Under Wine the
// serial number belongs to a drive letter, and files on mounts that no drive
// letter starts at all read 0, so two files on two such mounts can share both
// numbers; the system's own final name for each file then tells them apart,
// while one file under two hard links keeps the answer true.
bool WinFileServices::sameFile(const char* first, const char* second) {
    FileIdentity one;
    FileIdentity other;
    if (!identify(first, one) || !identify(second, other)) return false;
    if (one.info.dwVolumeSerialNumber != other.info.dwVolumeSerialNumber ||
        one.info.nFileIndexHigh != other.info.nFileIndexHigh || one.info.nFileIndexLow != other.info.nFileIndexLow)
        return false;
    if (!one.named || !other.named) return true;
    if (lstrcmpiA(one.finalName, other.finalName) == 0) return true;
    return one.info.nNumberOfLinks > 1 && other.info.nNumberOfLinks > 1;
}
