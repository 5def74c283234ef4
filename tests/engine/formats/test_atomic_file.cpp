// The atomic file write and the whole-file read: permissions kept, a failed
// write that leaves the previous file and no temporary, the file named in
// every error, links followed, pipes, devices and folders left as they are,
// and the temporaries of killed writes removed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "atomic_file.h"
#include "picture_files.h"
#include "picture_sample.h"
#include "temp_folder.h"

namespace nerovan {
namespace {

// Each test writes into a folder of its own.
class AtomicFileTest : public ::testing::Test {
protected:
    std::vector<std::string> Entries() const { return folder_.Entries(); }
    static mode_t ModeOf(const std::string& path) {
        struct stat st;
        stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }
    TempFolder folder_{"atomic"};
    const std::string dir_ = folder_.Path();
};

TEST_F(AtomicFileTest, NewFileHonoursUmaskAndOldFileKeepsItsMode) {
    const std::string path = dir_ + "/f.png";
    const mode_t old = umask(027);
    WriteFileAtomic(path, "first", 5);
    umask(old);
    EXPECT_EQ(ModeOf(path), 0640u);
    EXPECT_EQ(ReadFileBytes(path), "first");

    chmod(path.c_str(), 0604);
    WriteFileAtomic(path, "second!", 7);
    EXPECT_EQ(ReadFileBytes(path), "second!");
    EXPECT_EQ(ModeOf(path), 0604u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"f.png"});
}

TEST_F(AtomicFileTest, FailedWriteKeepsThePreviousFileAndLeavesNoTemporary) {
    const std::string path = dir_ + "/f.bmp";
    WriteFileAtomic(path, "previous", 8);
    // A file-size limit makes the write fail half-way, also for root.
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string big(5000, 'x');
    std::string message;
    try {
        WriteFileAtomic(path, big.data(), big.size());
    } catch (const EFileError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, "Cannot write \"" + path + "\": File too large");
    EXPECT_EQ(ReadFileBytes(path), "previous");
    EXPECT_EQ(Entries(), std::vector<std::string>{"f.bmp"});
}

TEST_F(AtomicFileTest, MissingFolderNamesTheFile) {
    const std::string path = dir_ + "/missing/x.png";
    try {
        WriteFileAtomic(path, "x", 1);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(),
                     ("Cannot write \"" + path + "\": No such file or directory").c_str());
        EXPECT_EQ(e.Path(), path);
    }
    try {
        ReadFileBytes(path);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), ("Cannot read \"" + path + "\": No such file or directory").c_str());
    }
}

TEST_F(AtomicFileTest, WritingThroughASymbolicLinkReplacesItsTarget) {
    const std::string real = dir_ + "/real.gif", link = dir_ + "/link.gif";
    WriteFileAtomic(real, "old", 3);
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    Bitmap bmp;
    PaintSample(bmp, TPixelFormat::pf8bit);
    WritePictureFile(bmp, link, PictureFormat::Gif);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(real).substr(0, 6), "GIF89a");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.gif", "real.gif"}));
}

// What is not a plain file is neither replaced by one nor left behind a link:
// a pipe and a device take the bytes directly, a dangling link gets its file,
// a folder is refused.
TEST_F(AtomicFileTest, PipesDevicesDanglingLinksAndFolders) {
    const std::string fifo = dir_ + "/pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // The reader is open before the write, so nothing waits and a pipe that
    // was renamed away reads as empty instead of hanging.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    WriteFileAtomic(fifo, "picture", 7);
    char got[16] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 7);
    close(reader);
    EXPECT_STREQ(got, "picture");

    const std::string device = dir_ + "/null.png";
    ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
    WriteFileAtomic(device, "picture", 7);

    // A relative link is taken from its own folder, not the working one.
    ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0700), 0);
    ASSERT_EQ(symlink("sub/new.gif", (dir_ + "/dangling.gif").c_str()), 0);
    WriteFileAtomic(dir_ + "/dangling.gif", "new", 3);
    EXPECT_EQ(ReadFileBytes(dir_ + "/sub/new.gif"), "new");

    ASSERT_EQ(mkdir((dir_ + "/folder.bmp").c_str(), 0700), 0);
    try {
        WriteFileAtomic(dir_ + "/folder.bmp", "x", 1);
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.what(), "Cannot write \"" + dir_ + "/folder.bmp\": Is a directory");
    }

    struct stat st;
    for (const auto& [path, type] :
         std::vector<std::pair<std::string, mode_t>>{{fifo, S_IFIFO},
                                                     {device, S_IFLNK},
                                                     {"/dev/null", S_IFCHR},
                                                     {dir_ + "/dangling.gif", S_IFLNK},
                                                     {dir_ + "/folder.bmp", S_IFDIR}}) {
        ASSERT_EQ(lstat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mode & S_IFMT, type) << path;
    }
    EXPECT_EQ(Entries(), (std::vector<std::string>{"dangling.gif", "folder.bmp", "null.png",
                                                   "pipe.png", "sub"}));
}

// A write removes what a killed write to the same target left a minute ago
// or more, and nothing else.
TEST_F(AtomicFileTest, StaleTemporaryFilesOfTheTargetAreRemoved) {
    const std::string stale = ".f.png.tmpaaaaaaaaaa", fresh = ".f.png.tmp0123456789",
                      other = ".g.png.tmpcccccccccc";
    for (const std::string& name : {stale, fresh, other})
        WriteFileAtomic(dir_ + "/" + name, "left", 4);
    const struct timespec hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    for (const std::string& name : {stale, other})
        ASSERT_EQ(utimensat(AT_FDCWD, (dir_ + "/" + name).c_str(), hourAgo, 0), 0);
    WriteFileAtomic(dir_ + "/f.png", "new", 3);
    EXPECT_EQ(Entries(), (std::vector<std::string>{fresh, other, "f.png"}));
    // A batch write leaves the folder to one sweep for every target.
    ASSERT_EQ(utimensat(AT_FDCWD, (dir_ + "/" + fresh).c_str(), hourAgo, 0), 0);
    WriteFileAtomic(dir_ + "/g.png", "new", 3, AtomicWrite::Batch);
    EXPECT_EQ(Entries(), (std::vector<std::string>{fresh, other, "f.png", "g.png"}));
    RemoveStaleTemporaryFiles(dir_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"f.png", "g.png"}));
}

// Writes on several threads at once each leave their own file and no
// temporary; a signal meanwhile would find each write's temporary file.
TEST_F(AtomicFileTest, WritesOnSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                const std::string name = dir_ + "/" + std::to_string(t * 100 + i);
                WriteFileAtomic(name, name.data(), name.size(), AtomicWrite::Batch);
            }
        });
    for (std::thread& t : threads) t.join();
    const std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 200u);
    for (const std::string& name : entries)
        EXPECT_EQ(ReadFileBytes(dir_ + "/" + name), dir_ + "/" + name);
}

}  // namespace
}  // namespace nerovan
