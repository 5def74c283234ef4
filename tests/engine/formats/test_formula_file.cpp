// Formula files: the exact bytes written, the first-line rule, the limits of
// what is read, and a failed save that keeps the file that was there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "atomic_file.h"
#include "formula_file.h"
#include "metrics.h"
#include "temp_folder.h"

namespace nerovan {
namespace {

TEST(FormulaFile, WritesTheExpressionAndCrLfOnly) {
    const TempFolder folder("fla");
    const std::string& dir = folder.Path();
    const std::string path = dir + "/f.fla";
    WriteExpressionFile(path, "a\xC0 <= b  ");
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "a\xC0 <= b  \r\n");
    EXPECT_EQ(ReadExpressionFile(path), "a\xC0 <= b  ");
}

TEST(FormulaFile, ReadingTakesTheFirstLine) {
    const TempFolder folder("fla");
    const std::string& dir = folder.Path();
    for (const auto& [content, first] :
         std::vector<std::pair<std::string, std::string>>{{"x^2\r\ny\r\n", "x^2"},
                                                          {"x\ny", "x"},
                                                          {"x\ry", "x"},
                                                          {"", ""},
                                                          {"\r\nx", ""},
                                                          {"no end", "no end"}}) {
        std::ofstream(dir + "/f.fla", std::ios::binary) << content;
        EXPECT_EQ(ReadExpressionFile(dir + "/f.fla"), first);
    }
    EXPECT_THROW(ReadExpressionFile(dir + "/missing.fla"), EFileError);
}

// Only the first line is read, up to one character past the longest formula;
// files that may never end are refused before anything is read, and so is a
// first line with a byte that is no character of Windows-1251.
TEST(FormulaFile, ReadingStopsAtTheLimitAndRefusesEndlessFiles) {
    const TempFolder folder("fla");
    const std::string& dir = folder.Path();
    const std::string path = dir + "/f.fla", fifo = dir + "/fifo.fla";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string longest(kMaxExpressionLength, 'x'), over = longest + "x";
    const std::string overMessage = "Cannot open \"" + path + "\": the formula is ";
    const std::string limit = " characters long; the longest is 500000";
    const size_t gib = size_t(1) << 30;
    const std::string no1251 = " is not a character of Windows-1251";
    struct Case {
        std::string Content;
        size_t SparseSize;  // the file grows to this size with a hole of zeros
        std::string Path, Line, Error;
    };
    for (const Case& c : std::vector<Case>{
             {longest + "\r\ny", 0, path, longest, ""},
             {"a+b\r\n", gib, path, "a+b", ""},
             {over, 0, path, "", overMessage + "500001" + limit},
             {over + "\n" + longest, 0, path, "", overMessage + "500001" + limit},
             {over + "x", 0, path, "", overMessage + "more than 500000" + limit},
             {"", gib, path, "", overMessage + "more than 500000" + limit},
             {"a\x98"
              "b\r\n",
              0, path, "", "Cannot open \"" + path + "\": byte 0x98 at position 2" + no1251},
             {std::string("ab\0c", 4), 0, path, "",
              "Cannot open \"" + path + "\": byte 0x00 at position 3" + no1251},
             {"ab\n\x98", 0, path, "ab", ""},  // only the first line counts
             {"", 0, "/dev/zero", "", "Cannot read \"/dev/zero\": not a regular file"},
             {"", 0, fifo, "", "Cannot read \"" + fifo + "\": not a regular file"},
             {"", 0, dir, "", "Cannot read \"" + dir + "\": Is a directory"}}) {
        if (c.Path == path) {
            std::ofstream(path, std::ios::binary | std::ios::trunc) << c.Content;
            if (c.SparseSize) {
                ASSERT_EQ(truncate(path.c_str(), off_t(c.SparseSize)), 0);
            }
        }
        try {
            EXPECT_EQ(ReadExpressionFile(c.Path), c.Line) << c.Path;
            EXPECT_EQ(c.Error, "");
        } catch (const EFileError& e) {
            EXPECT_EQ(e.what(), c.Error);
            EXPECT_EQ(e.Path(), c.Path);
        }
    }
}

TEST(FormulaFile, FailedSaveNamesTheFile) {
    const TempFolder folder("fla");
    const std::string& dir = folder.Path();
    const std::string path = dir + "/no/such/f.fla";
    try {
        WriteExpressionFile(path, "x");
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace nerovan
