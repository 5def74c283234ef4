// nerovan-render --batch as a document build uses it: the same pictures on
// any number of threads, a failed line failing alone, names kept inside the
// output folder, the manifest's sizes and baselines, unchanged files left
// alone.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <string>
#include <vector>

#include "code_pages.h"
#include "demo_formulas.h"
#include "render_cli.h"

namespace nerovan {
namespace {

class BatchCli : public RenderCli {
protected:
    // The jobs file's text written to jobs.txt.
    std::string Jobs(const std::string& text) {
        std::ofstream(Path("jobs.txt"), std::ios::binary) << text;
        return Path("jobs.txt");
    }
    std::vector<std::string> Files(const std::string& folder) {
        std::vector<std::string> names;
        if (DIR* d = opendir(Path(folder).c_str())) {
            while (const dirent* e = readdir(d))
                if (e->d_name[0] != '.') names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    time_t ModifiedAt(const std::string& name) {
        struct stat st {};
        stat(Path(name).c_str(), &st);
        return st.st_mtime;
    }
};

// The value of a number field of a manifest line, as its text.
std::string Field(const std::string& line, const std::string& name) {
    const size_t at = line.find("\"" + name + "\":");
    if (at == std::string::npos) return "?";
    const size_t from = at + name.size() + 3;
    return line.substr(from, line.find_first_of(",}", from) - from);
}

TEST_F(BatchCli, PicturesAreTheSameBytesOnOneAndTwoThreadsAsAloneInAProcess) {
    std::string text = "# the demo formulas\n\n";
    for (int i = 0; i < 6; ++i)
        text += "d" + std::to_string(i) + "\t" + Cp1251ToUtf8(DemoFormulas[i]) + "\r\n";
    text += "sum(i=1, n, x_i^2)\n";  // line 9, so 9.EXT
    for (const char* kind : {"png", "svg", "pdf", "emf", "bmp", "jpg", "gif"}) {
        const std::vector<std::string> common = {"--format", kind, "--height", "30", "--bold"};
        std::vector<std::string> one = common, two = common;
        const std::string ext = std::string(".") + kind;
        one.insert(one.end(),
                   {"--batch", Jobs(text), "--out-dir", Path("one" + ext), "--jobs", "1"});
        two.insert(two.end(), {"--batch", "-", "--out-dir", Path("two" + ext), "--jobs", "2"});
        ASSERT_EQ(Run(one).Status, 0) << kind;
        const Result r = Run(two, &text);
        ASSERT_EQ(r.Status, 0) << kind << ": " << r.Err;
        EXPECT_EQ(r.Out + r.Err, "");
        const std::vector<std::string> names = Files("one" + ext);
        ASSERT_EQ(names.size(), 7u) << kind;
        EXPECT_EQ(names.back(), "d5" + ext);
        EXPECT_EQ(names.front(), "9" + ext);
        EXPECT_EQ(Files("two" + ext), names);
        for (const std::string& name : names)
            EXPECT_EQ(ReadAll(Path("one" + ext + "/" + name)),
                      ReadAll(Path("two" + ext + "/" + name)))
                << name;
        std::vector<std::string> alone = common;
        alone.insert(alone.end(), {"sum(i=1, n, x_i^2)", "-o", Path("alone" + ext)});
        ASSERT_EQ(Run(alone).Status, 0);
        EXPECT_EQ(ReadAll(Path("alone" + ext)), ReadAll(Path("one" + ext + "/9" + ext))) << kind;
    }
}

TEST_F(BatchCli, ABadLineFailsAloneAndIsReportedWithItsNumber) {
    ASSERT_EQ(mkdir(Path("pics").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(Path("pics/taken.png").c_str(), 0777), 0);
    const std::string lines[] = {
        "a\tx+y",     "b\ta)", "c\t\xE4\xB8\xAD", "../up\tx", "/tmp/abs\tx", "..\tx",
        "in/side\tx", "\tx",   "taken\tx",        "a\tz",
        "\xD0\xB6^2",  // line 11: a Cyrillic letter Windows-1251 holds
    };
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    const Result r = Run({"--batch", Jobs(text), "--out-dir", Path("pics"), "--jobs", "2",
                          "--manifest", Path("m.jsonl")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err,
              "nerovan-render: line 2: Unexpected bracket in \"a)\", pos:2\n"
              "nerovan-render: line 3: the expression holds U+4E2D '\xE4\xB8\xAD', which "
              "Windows-1251 cannot hold\n"
              "nerovan-render: line 4: the name \"../up\" would leave the output folder\n"
              "nerovan-render: line 5: the name \"/tmp/abs\" would leave the output folder\n"
              "nerovan-render: line 6: the name \"..\" would leave the output folder\n"
              "nerovan-render: line 7: the name \"in/side\" would leave the output folder\n"
              "nerovan-render: line 8: the name before the tab is empty\n"
              "nerovan-render: line 9: Cannot write \"" +
                  Path("pics/taken.png") +
                  "\": Is a directory\n"
                  "nerovan-render: line 10: \"a.png\" is written by line 1 already\n");
    EXPECT_EQ(Files("pics"), (std::vector<std::string>{"11.png", "a.png", "taken.png"}));
    EXPECT_FALSE(Exists("up.png") || Exists("../up.png") || access("/tmp/abs.png", F_OK) == 0);
    // Every job line has its manifest line; a failed one names its error.
    std::istringstream manifest(ReadAll(Path("m.jsonl")));
    std::vector<std::string> rows;
    for (std::string row; std::getline(manifest, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[1],
              "{\"line\":2,\"name\":\"b\",\"file\":null,\"expression\":\"a)\","
              "\"error\":\"Unexpected bracket in \\\"a)\\\", pos:2\"}");
    EXPECT_EQ(rows[10].find("{\"line\":11,\"name\":\"11\",\"file\":\"" + Path("pics/11.png") +
                            "\",\"width\":"),
              0u)
        << rows[10];
    // A file that cannot be read or a folder that cannot be made is the
    // whole run's failure.
    EXPECT_EQ(Run({"--batch", Path("missing"), "--out-dir", Path("x")}).Status, 2);
    EXPECT_EQ(Run({"--batch", Jobs("x\n"), "--out-dir", Path("jobs.txt/x")}).Status, 2);
}

TEST_F(BatchCli, ManifestGivesThePictureMetricsOfEachFormula) {
    const std::vector<std::string> formulas = {"x", "sum(i=1, n, x_i^2)", "mat22[a,b,c,d]/f(x)",
                                               "\\.\\fi = y_(k+1)^2"};
    std::string text;
    for (const std::string& f : formulas) text += f + "\n";
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, {"--scale", "1.5", "--height", "40", "--italic"}}) {
        std::vector<std::string> batch = options;
        batch.insert(batch.end(),
                     {"--batch", Jobs(text), "--out-dir", Path("pics"), "--manifest", "-"});
        const Result r = Run(batch);
        ASSERT_EQ(r.Status, 0) << r.Err;
        std::istringstream manifest(r.Out);
        for (const std::string& f : formulas) {
            std::string row;
            ASSERT_TRUE(std::getline(manifest, row)) << f;
            std::vector<std::string> alone = options;
            alone.insert(alone.end(), {"--picture-metrics", f});
            int w, h, a, pw, ph;
            double baseline;
            ASSERT_EQ(std::sscanf(Run(alone).Out.c_str(),
                                  "width=%d height=%d ascent=%d baseline=%lf picture-width=%d "
                                  "picture-height=%d",
                                  &w, &h, &a, &baseline, &pw, &ph),
                      6);
            EXPECT_EQ(Field(row, "width"), std::to_string(pw)) << row;
            EXPECT_EQ(Field(row, "height"), std::to_string(ph)) << row;
            EXPECT_DOUBLE_EQ(std::stod(Field(row, "ascent")), baseline) << row;
            EXPECT_DOUBLE_EQ(std::stod(Field(row, "depth")), ph - baseline) << row;
            EXPECT_NE(row.find("\"expression\":\"" +
                               (f[0] == '\\' ? "\\\\.\\\\fi = y_(k+1)^2" : f) + "\""),
                      std::string::npos)
                << row;
        }
    }
}

TEST_F(BatchCli, KeepUnchangedLeavesTheTimeStampOfTheSamePicture) {
    const std::vector<std::string> args = {"--batch",      Path("jobs.txt"),   "--out-dir",
                                           Path("pics"),   "--keep-unchanged", "--manifest",
                                           Path("m.jsonl")};
    Jobs("a\tx+y\nb\tsqrt(z)\n");
    ASSERT_EQ(Run(args).Status, 0);
    const utimbuf old{1000000000, 1000000000};
    for (const char* name : {"pics/a.png", "pics/b.png", "m.jsonl"})
        ASSERT_EQ(utime(Path(name).c_str(), &old), 0);
    Jobs("a\tx+y\nb\tsqrt(w)\n");
    ASSERT_EQ(Run(args).Status, 0);
    EXPECT_EQ(ModifiedAt("pics/a.png"), old.modtime);
    EXPECT_NE(ModifiedAt("pics/b.png"), old.modtime);
    EXPECT_NE(ModifiedAt("m.jsonl"), old.modtime);
    // Without the option every picture is written again.
    ASSERT_EQ(utime(Path("pics/a.png").c_str(), &old), 0);
    ASSERT_EQ(Run({"--batch", Path("jobs.txt"), "--out-dir", Path("pics")}).Status, 0);
    EXPECT_NE(ModifiedAt("pics/a.png"), old.modtime);
}

TEST_F(BatchCli, OptionsThatCannotGoWithTheBatchAreUsageErrors) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--batch", "j", "x", "--out-dir", "o"}, "cannot go with it"},
        {{"--batch", "j", "--out-dir", "o", "-o", "x.png"}, "cannot go with it"},
        {{"--batch", "j", "--out-dir", "o", "--metrics"}, "cannot go with it"},
        {{"--batch", "j"}, "give --out-dir DIR"},
        {{"--batch", "j", "--out-dir", "o", "--jobs", "0"}, "--jobs takes a number from 1 to"},
        {{"--batch", "j", "--out-dir", "o", "--format", "bmp", "--bg", "none"},
         "a BMP picture has no transparent background"},
        {{"x", "--metrics", "--keep-unchanged"}, "go with --batch"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = Run(args);
        EXPECT_EQ(r.Status, 2) << message;
        EXPECT_NE(r.Err.find(message), std::string::npos) << r.Err;
    }
}

}  // namespace
}  // namespace nerovan
