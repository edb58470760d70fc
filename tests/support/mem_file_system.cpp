#include "tests/support/mem_file_system.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {
constexpr std::uint32_t ErrorFileNotFound = 2;
constexpr std::uint32_t ErrorPathNotFound = 3;
constexpr std::uint32_t ErrorAccessDenied = 5;
constexpr int FirstHandle = 3;
}  // namespace

std::string MemFileSystem::key(const std::string& path) const {
    std::string s = path;
    for (char& c : s) {
        if (c == '/') c = '\\';
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string current = currentDirectory_;
    for (char& c : current) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s.size() < 2 || s[1] != ':') {
        if (!s.empty() && s[0] == '\\')
            s = current.substr(0, 2) + s;
        else
            s = current + "\\" + s;
    } else if (s.size() > 2 && s[2] != '\\') {
        s = s.substr(0, 2) + "\\" + s.substr(2);
    }
    // Split into parts, resolving "." and "..", and join with single backslashes.
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == '\\') {
            if (part == "..") {
                if (parts.size() > 1) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += s[i];
        }
    }
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) joined += (i ? "\\" : "") + parts[i];
    return joined;
}

std::string MemFileSystem::parentOf(const std::string& fileKey) const {
    auto slash = fileKey.rfind('\\');
    return slash == std::string::npos ? std::string() : fileKey.substr(0, slash);
}

void MemFileSystem::addFolder(const std::string& path, std::uint32_t attributes) {
    folders_[key(path)] = attributes | AttrDirectory;
}

void MemFileSystem::addFile(const std::string& path, const std::vector<std::uint8_t>& data,
                            std::uint32_t attributes, DosStamp stamp) {
    std::string k = key(path);
    for (std::string folder = parentOf(k); folder.size() > 2; folder = parentOf(folder))
        if (!folders_.count(folder)) folders_[folder] = AttrDirectory;
    File f;
    f.data = data;
    f.attributes = attributes;
    f.stamp = stamp;
    files_[k] = f;
}

void MemFileSystem::setCapacity(const std::string& drive, std::uint64_t bytes) {
    capacity_[key(drive).substr(0, 2)] = bytes;
}

void MemFileSystem::refuseOpen(const std::string& path, int errorNumber, int times) {
    openFaults_[key(path)] = {errorNumber, times};
}

void MemFileSystem::failRead(const std::string& path, int readIndex, int result, int errorNumber) {
    readFaults_[key(path)].push_back({readIndex, result, errorNumber});
}

void MemFileSystem::failWrite(const std::string& path, int result, unsigned written, int errorNumber,
                              std::uint32_t systemCode, int times) {
    writeFaults_[key(path)].push_back({result, written, errorNumber, systemCode, times, false});
}

void MemFileSystem::failSectorWrite(const std::string& path, int errorNumber, std::uint32_t systemCode,
                                    int times) {
    writeFaults_[key(path)].push_back({-1, 0, errorNumber, systemCode, times, true});
}

MemFileSystem::File& MemFileSystem::file(const std::string& path) {
    auto found = files_.find(key(path));
    if (found == files_.end()) throw std::runtime_error("no such file in the test file system: " + path);
    return found->second;
}

int MemFileSystem::openHandles() const {
    return static_cast<int>(std::count_if(handles_.begin(), handles_.end(), [](const Handle& h) { return h.open; }));
}

std::uint64_t MemFileSystem::usedOn(const std::string& drive) const {
    std::uint64_t used = 0;
    for (const auto& [k, f] : files_)
        if (k.compare(0, 2, drive) == 0) used += f.data.size();
    return used;
}

std::uint64_t MemFileSystem::roomFor(const std::string& fileKey) const {
    auto found = capacity_.find(fileKey.substr(0, 2));
    if (found == capacity_.end()) return UINT64_MAX;
    std::uint64_t used = usedOn(fileKey.substr(0, 2));
    return used >= found->second ? 0 : found->second - used;
}

MemFileSystem::Handle* MemFileSystem::handle(int file) {
    int index = file - FirstHandle;
    if (index < 0 || index >= static_cast<int>(handles_.size()) || !handles_[index].open) return nullptr;
    return &handles_[index];
}

int MemFileSystem::fail(int errorNumber, std::uint32_t systemCode) {
    errno = errorNumber;
    systemError_ = systemCode;
    return -1;
}

int MemFileSystem::open(const char* path, OpenMode mode) {
    std::string k = key(path);
    auto fault = openFaults_.find(k);
    if (fault != openFaults_.end() && fault->second.second > 0) {
        --fault->second.second;
        int e = fault->second.first;
        return fail(e, e == EACCES ? ErrorAccessDenied : ErrorFileNotFound);
    }
    if (folders_.count(k) || k.size() <= 2) return fail(EACCES, ErrorAccessDenied);
    std::string parent = parentOf(k);
    if (parent.size() > 2 && !folders_.count(parent)) return fail(ENOENT, ErrorPathNotFound);

    bool writing = mode != OpenMode::Source;
    auto existing = files_.find(k);
    if (existing == files_.end()) {
        if (mode == OpenMode::Source || mode == OpenMode::Append) return fail(ENOENT, ErrorFileNotFound);
        files_[k] = File{};
    } else if (writing && (existing->second.attributes & AttrReadOnly)) {
        return fail(EACCES, ErrorAccessDenied);
    }
    for (std::size_t i = 0; i < handles_.size(); ++i) {
        if (handles_[i].open) continue;
        handles_[i] = Handle{true, k, writing, mode == OpenMode::FirstTarget || mode == OpenMode::Append, 0, 0};
        return static_cast<int>(i) + FirstHandle;
    }
    return fail(EMFILE, 4);
}

int MemFileSystem::read(int file, void* buffer, unsigned count) {
    Handle* h = handle(file);
    if (!h || h->writing) return fail(EBADF, 6);
    int index = h->reads++;
    for (const ReadFault& fault : readFaults_[h->path]) {
        if (fault.readIndex != index) continue;
        if (fault.result < 0) return fail(fault.errorNumber, 0);
        count = std::min(count, static_cast<unsigned>(fault.result));
    }
    const auto& data = files_[h->path].data;
    std::uint64_t available = h->position < data.size() ? data.size() - h->position : 0;
    unsigned n = static_cast<unsigned>(std::min<std::uint64_t>(count, available));
    if (n) std::memcpy(buffer, data.data() + h->position, n);
    h->position += n;
    return static_cast<int>(n);
}

int MemFileSystem::write(int file, const void* buffer, unsigned count) {
    Handle* h = handle(file);
    if (!h || !h->writing) return fail(EBADF, 6);
    auto& data = files_[h->path].data;
    if (h->appending) h->position = data.size();

    for (WriteFault& fault : writeFaults_[h->path]) {
        if (fault.times <= 0 || (fault.sectorsOnly && count != 512)) continue;
        --fault.times;
        unsigned n = std::min(fault.written, count);
        if (n) {
            if (data.size() < h->position + n) data.resize(h->position + n);
            std::memcpy(data.data() + h->position, buffer, n);
            h->position += n;
        }
        errno = fault.errorNumber;
        systemError_ = fault.systemCode;
        return fault.result;
    }

    std::uint64_t end = h->position + count;
    std::uint64_t growth = end > data.size() ? end - data.size() : 0;
    if (growth > roomFor(h->path)) return fail(ENOSPC, ErrorDiskFull);
    if (data.size() < end) data.resize(end);
    std::memcpy(data.data() + h->position, buffer, count);
    h->position = end;
    return static_cast<int>(count);
}

void MemFileSystem::close(int file) {
    if (Handle* h = handle(file)) h->open = false;
}

int MemFileSystem::commit(int file) {
    Handle* h = handle(file);
    if (!h) return fail(EBADF, 6);
    ++files_[h->path].commits;
    return 0;
}

std::uint64_t MemFileSystem::fileLength(int file) {
    Handle* h = handle(file);
    if (!h) return static_cast<std::uint64_t>(fail(EBADF, 6));
    if (auto fake = fakeLengths_.find(h->path); fake != fakeLengths_.end()) return fake->second;
    return files_[h->path].data.size();
}

int MemFileSystem::changeSize(int file, std::uint64_t length) {
    Handle* h = handle(file);
    if (!h || !h->writing) return fail(EBADF, 6);
    files_[h->path].data.resize(length, 0);
    return 0;
}

int MemFileSystem::getFileTime(int file, DosStamp& stamp) {
    Handle* h = handle(file);
    if (!h) return fail(EBADF, 6);
    const File& f = files_[h->path];
    if (!f.stampReadable) return fail(EINVAL, 1);
    stamp = f.stamp;
    return 0;
}

int MemFileSystem::setFileTime(int file, DosStamp stamp) {
    Handle* h = handle(file);
    if (!h) return fail(EBADF, 6);
    files_[h->path].stamp = stamp;
    return 0;
}

int MemFileSystem::deleteFile(const char* path) {
    std::string k = key(path);
    auto fault = deleteFaults_.find(k);
    if (fault != deleteFaults_.end()) return fail(fault->second, fault->second == EACCES ? ErrorAccessDenied : 0);
    auto found = files_.find(k);
    if (found == files_.end()) return fail(ENOENT, ErrorFileNotFound);
    if (found->second.attributes & AttrReadOnly) return fail(EACCES, ErrorAccessDenied);
    files_.erase(found);
    return 0;
}

const char* MemFileSystem::errorText(int errorNumber) { return std::strerror(errorNumber); }

std::uint32_t MemFileSystem::getAttributes(const char* path) {
    std::string k = key(path);
    if (auto f = files_.find(k); f != files_.end()) return f->second.attributes;
    if (auto d = folders_.find(k); d != folders_.end()) return d->second;
    if (k.size() == 2 && k[1] == ':') return AttrDirectory;
    systemError_ = ErrorFileNotFound;
    return InvalidAttributes;
}

void MemFileSystem::setAttributes(const char* path, std::uint32_t attributes) {
    std::string k = key(path);
    if (auto f = files_.find(k); f != files_.end())
        f->second.attributes = attributes;
    else if (auto d = folders_.find(k); d != folders_.end())
        d->second = attributes | AttrDirectory;
}

unsigned MemFileSystem::driveType(const char* root) {
    auto found = driveTypes_.find(key(root));
    return found == driveTypes_.end() ? 3 : found->second;
}

unsigned MemFileSystem::currentDirectory(char* buffer, unsigned size) {
    unsigned length = static_cast<unsigned>(currentDirectory_.size());
    if (length + 1 > size) return length + 1;
    std::memcpy(buffer, currentDirectory_.c_str(), length + 1);
    return length;
}

unsigned MemFileSystem::systemDirectory(char* buffer, unsigned size) {
    static const char folder[] = "C:\\windows\\system32";
    if (sizeof folder > size) return sizeof folder;
    std::memcpy(buffer, folder, sizeof folder);
    return sizeof folder - 1;
}

bool MemFileSystem::sameFile(const char* first, const char* second) {
    std::string a = key(first), b = key(second);
    return a == b && files_.count(a) != 0;
}
