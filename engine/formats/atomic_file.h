// Whole-file reading and writing for the files the program saves: a file is
// written next to its target under a temporary name and renamed over it, so
// a failed write never destroys the previous file.
#pragma once

#include <cstddef>
#include <string>

#include "errors.h"

namespace nerovan {

// A file that cannot be read or written. The message names the file and the
// reason, e.g. "Cannot write \"/x/y.png\": Permission denied".
class EFileError : public EUserError {
public:
    EFileError(const std::string& message, const std::string& path)
        : EUserError(message, MessageEncoding::Utf8), path_(path) {}
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Writes the bytes to a new file in the target's folder, flushes it to disk
// and renames it over the target. A new file gets the usual permissions
// (0666 less the umask); an existing file keeps its permission bits. A
// symbolic link is followed, so the file it points to is replaced or, when
// it does not exist, created. A pipe or a device (also through a link such
// as /proc/self/fd/1) is written into directly; a folder is refused.
// Temporary files that a killed write to the same target left behind are
// removed after a minute. On any failure the temporary file is removed, the
// target is left as it was, and EFileError is thrown.
void WriteFileAtomic(const std::string& path, const void* data, size_t size);

// Durable: as above. Batch: for many files written into one folder at once
// (the batch renderer): no flush to disk per file and no search of the
// folder for stale temporary files per file; the caller removes those once
// (RemoveStaleTemporaryFiles) and flushes the whole lot once at the end
// (SyncFileSystem). The file is still replaced by a rename, so a failed or
// interrupted write leaves the old one. Safe to call from several threads.
enum class AtomicWrite { Durable, Batch };
void WriteFileAtomic(const std::string& path, const void* data, size_t size, AtomicWrite mode);

// Removes the temporary files that killed writes left in the folder,
// untouched for a minute.
void RemoveStaleTemporaryFiles(const std::string& folder);

// Flushes everything written to the file system of the folder to disk.
// Throws EFileError.
void SyncFileSystem(const std::string& folder);

// Removes the temporary files of the writes in progress, if any. It makes only
// async-signal-safe calls, for a handler of a signal that ends the program.
void RemovePendingTemporaryFile() noexcept;

// The whole content of a file; EFileError if it cannot be read.
std::string ReadFileBytes(const std::string& path);

// A file open for reading, closed when it goes.
class FileReader {
public:
    // Opens the file. With regularOnly, anything but a regular file (a pipe,
    // a device, which may never end) is refused; opening a pipe does not wait
    // for a writer. Throws EFileError.
    FileReader(const std::string& path, bool regularOnly);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();
    // Up to `size` bytes into `buffer`; 0 at the end. Throws EFileError.
    size_t Read(char* buffer, size_t size);
    // The size of a regular file, 0 for anything else.
    size_t Size() const { return size_; }

private:
    std::string path_;
    int fd_ = -1;
    size_t size_ = 0;
};

}  // namespace nerovan
