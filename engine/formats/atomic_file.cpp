// Whole-file reading and the atomic write of saved files: temporary file in
// the target's folder, flushed to disk, renamed over the target; the
// temporary file is removed again when anything fails.
#include "atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace nerovan {

namespace {

// Temporary names are the target's name, ".tmp" and this many of these.
constexpr size_t kSuffixLength = 10;
constexpr char kSuffixDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string Reason(int err) { return std::system_category().message(err); }

[[noreturn]] void ThrowWriteError(const std::string& path, int err) {
    throw EFileError("Cannot write \"" + path + "\": " + Reason(err), path);
}

[[noreturn]] void ThrowReadError(const std::string& path, int err) {
    throw EFileError("Cannot read \"" + path + "\": " + Reason(err), path);
}

// The file a write to `path` replaces or creates: the end of a chain of
// symbolic links, so the links survive, also when the file they name does not
// exist yet; the path itself otherwise. A relative link is taken from the
// link's own folder.
std::string ResolveTarget(const std::string& path) {
    std::string current = path;
    // 40 links, as many as the kernel follows before it reports a loop.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        char link[PATH_MAX];
        const ssize_t n = readlink(current.c_str(), link, sizeof link);
        if (n <= 0 || n == sizeof link) return current;
        std::string next(link, static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        if (next[0] != '/' && slash != std::string::npos)
            next = current.substr(0, slash + 1) + next;
        current = next;
    }
    ThrowWriteError(path, ELOOP);
}

// Unique part of a temporary name: process, a counter and the clock.
std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const unsigned long long mix = (static_cast<unsigned long long>(ts.tv_nsec) << 20) ^
                                   (static_cast<unsigned long long>(ts.tv_sec) << 40) ^
                                   (static_cast<unsigned long long>(getpid()) << 8) ^
                                   counter.fetch_add(1);
    std::string s;
    unsigned long long v = mix;
    for (size_t i = 0; i < kSuffixLength; ++i) {
        s += kSuffixDigits[v % 36];
        v /= 36;
    }
    return s;
}

// Whether the name is one of our temporary names: "." + target + ".tmp" +
// suffix; with a stem (".target.tmp"), one for that target only.
bool IsTemporaryName(const std::string& name, const std::string& stem) {
    if (!stem.empty())
        return name.size() == stem.size() + kSuffixLength &&
               name.compare(0, stem.size(), stem) == 0 &&
               name.find_first_not_of(kSuffixDigits, stem.size()) == std::string::npos;
    if (name.size() < kSuffixLength + 6 || name[0] != '.') return false;
    const size_t tmp = name.size() - kSuffixLength - 4;
    return name.compare(tmp, 4, ".tmp") == 0 &&
           name.find_first_not_of(kSuffixDigits, tmp + 4) == std::string::npos;
}

// Removes temporary files that a write left behind when its process was
// killed: our names (for the stem's target only, when a stem is given),
// untouched for a minute (a write in progress keeps its file's time fresh).
void RemoveStaleTemporaries(const std::string& folder, const std::string& stem) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    const time_t cutoff = time(nullptr) - 60;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryName(name, stem)) continue;
        struct stat st;
        if (fstatat(dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_mtime < cutoff)
            unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
}

// The temporary files of the writes in progress, for a signal handler to
// remove: fixed buffers, as a handler may not allocate, one slot per write so
// that writes on several threads (the batch renderer) each keep their own.
// A name is set before its file is created and cleared after it is renamed
// or removed, so a handler at any moment removes at most our own files.
constexpr int kPendingSlots = 128;
struct PendingSlot {
    std::atomic<int> State{0};  // 0 free, 1 being filled, 2 names a file
    char Name[PATH_MAX] = {};
};
PendingSlot pending_temp[kPendingSlots];
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads the slots");

// Claims a slot for the name; -1 when the name is too long or every slot is
// taken (the file is then not removed on a signal, only on failure).
int SetPendingTemp(const std::string& name) {
    if (name.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = 0;
        if (!pending_temp[i].State.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(pending_temp[i].Name, name.c_str(), name.size() + 1);
        pending_temp[i].State.store(2);
        return i;
    }
    return -1;
}

void ClearPendingTemp(int& slot) {
    if (slot >= 0) pending_temp[slot].State.store(0);
    slot = -1;
}

// Writes all the bytes, resuming after a signal.
void WriteAll(int fd, const void* data, size_t size, const std::string& path) {
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = write(fd, p, left > (1u << 30) ? (1u << 30) : left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(path, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// A pipe or a device takes the bytes as they come: there is no file to
// replace, and a file renamed over it would take its place.
void WriteIntoNode(const std::string& path, const void* data, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) ThrowWriteError(path, errno);
    try {
        WriteAll(fd, data, size, path);
    } catch (...) {
        close(fd);
        throw;
    }
    if (close(fd) != 0 && errno != EINTR) ThrowWriteError(path, errno);
}

// Removes the temporary file unless the rename has consumed it.
class TempFileGuard {
public:
    TempFileGuard() = default;
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        if (fd_ >= 0) close(fd_);
        if (!name_.empty()) unlink(name_.c_str());
        ClearPendingTemp(slot_);
    }
    void Set(int fd, const std::string& name, int slot) {
        fd_ = fd;
        name_ = name;
        slot_ = slot;
    }
    int Fd() const { return fd_; }
    // Closes the descriptor; returns 0 or the error of close().
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        // On Linux the descriptor is released even when close() reports EINTR.
        if (close(fd) != 0 && errno != EINTR) return errno;
        return 0;
    }
    const std::string& Name() const { return name_; }
    void Release() {
        name_.clear();
        ClearPendingTemp(slot_);
    }

private:
    int fd_ = -1;
    int slot_ = -1;
    std::string name_;
};

}  // namespace

void WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    WriteFileAtomic(path, data, size, AtomicWrite::Durable);
}

void WriteFileAtomic(const std::string& path, const void* data, size_t size, AtomicWrite mode) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) ThrowWriteError(path, EISDIR);
        WriteIntoNode(path, data, size);
        return;
    }
    const std::string target = ResolveTarget(path);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // Keep the temporary name within the file-name limit of the folder.
    if (base.size() > 200) base.resize(200);
    const std::string stem = "." + base + ".tmp";
    const std::string prefix =
        (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + stem;
    if (mode == AtomicWrite::Durable) RemoveStaleTemporaries(folder, stem);

    TempFileGuard temp;
    for (int attempt = 0;; ++attempt) {
        const std::string name = prefix + UniqueSuffix();
        int slot = SetPendingTemp(name);
        // Mode 0666: the kernel applies the umask, as for any new file.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp.Set(fd, name, slot);
            break;
        }
        const int err = errno;
        ClearPendingTemp(slot);
        if ((err != EEXIST && err != EINTR) || attempt >= 100) ThrowWriteError(path, err);
    }

    if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (fchmod(temp.Fd(), st.st_mode & 0777) != 0) ThrowWriteError(path, errno);
    }

    WriteAll(temp.Fd(), data, size, path);
    // EINVAL: the file system cannot sync (nothing to wait for).
    if (mode == AtomicWrite::Durable && fsync(temp.Fd()) != 0 && errno != EINVAL)
        ThrowWriteError(path, errno);
    if (const int err = temp.Close()) ThrowWriteError(path, err);
    if (rename(temp.Name().c_str(), target.c_str()) != 0) ThrowWriteError(path, errno);
    temp.Release();
    if (mode != AtomicWrite::Durable) return;

    // Make the rename itself durable; the new content is in place already, so
    // a folder that cannot be synced is no failure of the write.
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

FileReader::FileReader(const std::string& path, bool regularOnly) : path_(path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    if (fd_ < 0) ThrowReadError(path, errno);
    struct stat st;
    if (fstat(fd_, &st) != 0) {
        const int err = errno;
        close(fd_);
        ThrowReadError(path, err);
    }
    if (S_ISREG(st.st_mode)) {
        size_ = static_cast<size_t>(st.st_size);
    } else if (regularOnly) {
        close(fd_);
        if (S_ISDIR(st.st_mode)) ThrowReadError(path, EISDIR);
        throw EFileError("Cannot read \"" + path + "\": not a regular file", path);
    }
}

FileReader::~FileReader() { close(fd_); }

size_t FileReader::Read(char* buffer, size_t size) {
    for (;;) {
        const ssize_t n = read(fd_, buffer, size);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) ThrowReadError(path_, errno);
    }
}

void RemovePendingTemporaryFile() noexcept {
    for (PendingSlot& slot : pending_temp)
        if (slot.State.load() == 2) unlink(slot.Name);
}

void RemoveStaleTemporaryFiles(const std::string& folder) { RemoveStaleTemporaries(folder, ""); }

void SyncFileSystem(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) ThrowWriteError(folder, errno);
    const int rc = syncfs(fd);
    const int err = errno;
    close(fd);
    if (rc != 0) ThrowWriteError(folder, err);
}

std::string ReadFileBytes(const std::string& path) {
    FileReader file(path, false);
    std::string content;
    content.reserve(file.Size());
    char buffer[65536];
    while (const size_t n = file.Read(buffer, sizeof buffer)) content.append(buffer, n);
    return content;
}

}  // namespace nerovan
