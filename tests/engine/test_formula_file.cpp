// Formula files: the exact bytes written, the first-line rule, and a failed
// save that keeps the file that was there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "atomic_file.h"
#include "formula_file.h"

namespace nerovan {
namespace {

std::string TempDir() {
    char tmpl[] = "/tmp/nerovan-fla-XXXXXX";
    return mkdtemp(tmpl);
}

TEST(FormulaFile, WritesTheExpressionAndCrLfOnly) {
    const std::string dir = TempDir();
    const std::string path = dir + "/f.fla";
    WriteExpressionFile(path, "a\xC0 <= b  ");
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "a\xC0 <= b  \r\n");
    EXPECT_EQ(ReadExpressionFile(path), "a\xC0 <= b  ");
    std::system(("rm -rf " + dir).c_str());
}

TEST(FormulaFile, ReadingTakesTheFirstLine) {
    const std::string dir = TempDir();
    for (const auto& [content, first] : std::vector<std::pair<std::string, std::string>>{
             {"x^2\r\ny\r\n", "x^2"}, {"x\ny", "x"}, {"x\ry", "x"}, {"", ""}, {"\r\nx", ""},
             {"no end", "no end"}}) {
        std::ofstream(dir + "/f.fla", std::ios::binary) << content;
        EXPECT_EQ(ReadExpressionFile(dir + "/f.fla"), first);
    }
    EXPECT_THROW(ReadExpressionFile(dir + "/missing.fla"), EFileError);
    std::system(("rm -rf " + dir).c_str());
}

TEST(FormulaFile, FailedSaveNamesTheFile) {
    const std::string dir = TempDir();
    const std::string path = dir + "/no/such/f.fla";
    try {
        WriteExpressionFile(path, "x");
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace nerovan
