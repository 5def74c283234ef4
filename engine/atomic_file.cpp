// Whole-file reading and the atomic write of saved files: temporary file in
// the target's folder, flushed to disk, renamed over the target; the
// temporary file is removed again when anything fails.
#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace nerovan {

namespace {

std::string Reason(int err) { return std::system_category().message(err); }

[[noreturn]] void ThrowWriteError(const std::string& path, int err) {
    throw EFileError("Cannot write \"" + path + "\": " + Reason(err), path);
}

[[noreturn]] void ThrowReadError(const std::string& path, int err) {
    throw EFileError("Cannot read \"" + path + "\": " + Reason(err), path);
}

// The file a write to `path` replaces: the target of a symbolic link, so the
// link survives; the path itself otherwise (also for a dangling link).
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

// Unique part of a temporary name: process, a counter and the clock.
std::string UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    const unsigned long long mix =
        (static_cast<unsigned long long>(ts.tv_nsec) << 20) ^
        (static_cast<unsigned long long>(ts.tv_sec) << 40) ^
        (static_cast<unsigned long long>(getpid()) << 8) ^ counter.fetch_add(1);
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    unsigned long long v = mix;
    for (int i = 0; i < 10; ++i) {
        s += digits[v % 36];
        v /= 36;
    }
    return s;
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
    }
    void Set(int fd, const std::string& name) {
        fd_ = fd;
        name_ = name;
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
    void Release() { name_.clear(); }

private:
    int fd_ = -1;
    std::string name_;
};

}  // namespace

void WriteFileAtomic(const std::string& path, const void* data, size_t size) {
    const std::string target = ResolveTarget(path);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // Keep the temporary name within the file-name limit of the folder.
    if (base.size() > 200) base.resize(200);
    const std::string prefix = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
                               "." + base + ".tmp";

    TempFileGuard temp;
    for (int attempt = 0;; ++attempt) {
        const std::string name = prefix + UniqueSuffix();
        // Mode 0666: the kernel applies the umask, as for any new file.
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temp.Set(fd, name);
            break;
        }
        const int err = errno;
        if ((err != EEXIST && err != EINTR) || attempt >= 100) ThrowWriteError(path, err);
    }

    struct stat st;
    if (stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (fchmod(temp.Fd(), st.st_mode & 0777) != 0) ThrowWriteError(path, errno);
    }

    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = write(temp.Fd(), p, left > (1u << 30) ? (1u << 30) : left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(path, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // EINVAL: the file system cannot sync (nothing to wait for).
    if (fsync(temp.Fd()) != 0 && errno != EINVAL) ThrowWriteError(path, errno);
    if (const int err = temp.Close()) ThrowWriteError(path, err);
    if (rename(temp.Name().c_str(), target.c_str()) != 0) ThrowWriteError(path, errno);
    temp.Release();

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

std::string ReadFileBytes(const std::string& path) {
    FileReader file(path, false);
    std::string content;
    content.reserve(file.Size());
    char buffer[65536];
    while (const size_t n = file.Read(buffer, sizeof buffer)) content.append(buffer, n);
    return content;
}

}  // namespace nerovan
