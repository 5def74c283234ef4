// nerovan-render as scripts use it: exit codes, messages, the files it
// writes and what --metrics and --ops print.
#include <gtest/gtest.h>
#include <dirent.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "code_pages.h"
#include "demo_formulas.h"
#include "render_cli.h"
#include "render_options.h"

namespace nerovan {
namespace {

// Bits per pixel and size from a BMP file's info header.
void BmpInfo(const std::string& bytes, int& w, int& h, int& bpp) {
    ASSERT_GE(bytes.size(), 54u);
    ASSERT_EQ(bytes.substr(0, 2), "BM");
    auto i32 = [&](size_t o) {
        return int(uint8_t(bytes[o])) | int(uint8_t(bytes[o + 1])) << 8 |
               int(uint8_t(bytes[o + 2])) << 16 | int(uint8_t(bytes[o + 3])) << 24;
    };
    w = i32(18);
    h = i32(22);
    bpp = uint8_t(bytes[28]) | uint8_t(bytes[29]) << 8;
}

TEST_F(RenderCli, EmptyExpressionIsAFourByFourPicture) {
    Result r = Run({"", "-o", Path("e.bmp")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    int w, h, bpp;
    BmpInfo(ReadAll(Path("e.bmp")), w, h, bpp);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(std::abs(h), 4);
    EXPECT_EQ(bpp, 8);
    ASSERT_EQ(Run({"", "--blur", "-o", Path("b.bmp")}).Status, 0);
    BmpInfo(ReadAll(Path("b.bmp")), w, h, bpp);
    EXPECT_EQ(bpp, 32);
}

TEST_F(RenderCli, MetricsOfAnItalicX) {
    Result r = Run({"--metrics", "x"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    int w = 0, h = 0, a = 0;
    ASSERT_EQ(std::sscanf(r.Out.c_str(), "%d %d %d", &w, &h, &a), 3) << r.Out;
    EXPECT_EQ(h, 24);  // the cell of Liberation Serif at 21 px
    EXPECT_EQ(a, 12);
    EXPECT_GT(w, 5);
    EXPECT_LT(w, 20);
}

// Measuring alone lays out exactly as painting does, in every style and
// size, without a picture's worth of pixels.
TEST_F(RenderCli, MetricsAloneAreThoseOfThePaintedPicture) {
    for (const char* e : {"a<=b", "sum(i=1, n, x_i^2) + \\.\\fi", "mat22[a,b,c,d]/f(x)"})
        for (const char* h : {"13", "48"})
            for (const char* style : {"--bold", "--italic"}) {
                const Result alone = Run({"--metrics", "--height", h, style, e});
                const Result painted =
                    Run({"--metrics", "--height", h, style, e, "-o", Path("m.bmp")});
                ASSERT_EQ(alone.Status, 0) << alone.Err;
                EXPECT_EQ(alone.Out, painted.Out) << e << " " << h << " " << style;
            }
}

TEST_F(RenderCli, NestedMatricesTooLargeFor32BitsAreRefusedOthersKeepTheirBoxes) {
    const auto nested = [](const std::string& name, int depth) {
        std::string e = "x";
        for (int i = 0; i < depth; ++i) e = name + "[" + e + "]";
        return e;
    };
    std::vector<std::string> huge = {nested("mat99", 8)};
    for (int depth = 28; depth <= 34; ++depth) huge.push_back(nested("mat22", depth));
    for (const std::string& e : huge) {
        const Result r = Run({e, "-o", Path("m.png")});
        EXPECT_EQ(r.Status, 1) << e;
        EXPECT_EQ(r.Err.rfind("The picture would be ", 0), 0u) << r.Err;
        EXPECT_EQ(Run({e, "--metrics"}).Status, 1) << e;
    }
    EXPECT_FALSE(std::ifstream(Path("m.png")).good());
    // Liberation Serif at 21 px.
    const std::pair<std::string, std::string> boxes[] = {
        {"mat22[a, b, c, d]", "69 48 24\n"},
        {"det33(1,2,3,4,5,6,7,8,9)", "92 72 36\n"},
        {"mat22[mat22[mat22[a,b,c,d],1,2,3],4,5,6]", "415 192 96\n"},
        {"sys(x+y=1, x-y=0)", "81 48 24\n"},
        {"sum(i=1, n, a_i) + sqrt(x)/2", "104 65 33\n"},
        {"(a+b)^2 - root(3, y)", "137 30 18\n"},
    };
    for (const auto& [expression, box] : boxes) EXPECT_EQ(Run({"--metrics", expression}).Out, box);
}

TEST_F(RenderCli, OpsShowTheRelationSignFromSymbol) {
    Result r = Run({"--ops", "a<=b"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("fill 0 0 ", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("\"\xE2\x89\xA4\" font=\"Symbol\""), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"a\" font=\"Times New Roman\" px=21"), std::string::npos) << r.Out;
    // The same operations whichever target is painted.
    Result emf = Run({"--ops", "a<=b", "-o", Path("f.emf")});
    ASSERT_EQ(emf.Status, 0) << emf.Err;
    EXPECT_EQ(emf.Out, r.Out);
}

TEST_F(RenderCli, NotationErrorIsTheMessageAloneAndWritesNothing) {
    Result r = Run({"a)", "-o", Path("x.png")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "Unexpected bracket in \"a)\", pos:2\n");
    EXPECT_FALSE(Exists("x.png"));
    // The message quotes the expression in UTF-8 again.
    r = Run({"\xD0\xB6)", "--metrics"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "Unexpected bracket in \"\xD0\xB6)\", pos:2\n");
}

TEST_F(RenderCli, UnclosedBracketsAreClosed) {
    Result open = Run({"--metrics", "(a"});
    Result closed = Run({"--metrics", "(a)"});
    ASSERT_EQ(open.Status, 0) << open.Err;
    EXPECT_EQ(open.Out, closed.Out);
}

TEST_F(RenderCli, EncodingAndFileErrorsExitTwoAndNameTheProblem) {
    Result r = Run({"a\xE4\xB8\xAD", "--metrics"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("U+4E2D"), std::string::npos) << r.Err;
    r = Run({"x", "-o", "/nonexistent-folder/x.png"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("/nonexistent-folder/x.png"), std::string::npos) << r.Err;
    r = Run({"x", "-o", Path("x.tiff")});
    EXPECT_EQ(r.Status, 2);
    r = Run({"-f", Path("missing.fla"), "--metrics"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("missing.fla"), std::string::npos) << r.Err;
    r = Run({"--height", "0", "x", "--metrics"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("--height"), std::string::npos);
}

TEST_F(RenderCli, FormulaFileGivesItsFirstLine) {
    {
        std::ofstream f(Path("f.fla"), std::ios::binary);
        f << "a<=b\r\nignored)\r\n";
    }
    Result r = Run({"-f", Path("f.fla"), "--metrics"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, Run({"a<=b", "--metrics"}).Out);
}

TEST_F(RenderCli, PictureFormatsFollowTheExtension) {
    for (const char* name : {"p.png", "p.PNG", "p.bmp", "p.emf", "p.jpg", "p.jpeg", "p.gif"}) {
        Result r = Run({"x+y", "-o", Path(name)});
        EXPECT_EQ(r.Status, 0) << name << ": " << r.Err;
    }
    EXPECT_EQ(ReadAll(Path("p.png")).substr(1, 3), "PNG");
    EXPECT_EQ(ReadAll(Path("p.emf")).substr(40, 4), " EMF");
    EXPECT_EQ(ReadAll(Path("p.gif")).substr(0, 3), "GIF");
    EXPECT_EQ(ReadAll(Path("p.jpg")).substr(0, 2), "\xFF\xD8");
}

// Killed while it writes a picture, the renderer leaves the old picture and
// no temporary file, and its status still says it died of the signal.
TEST_F(RenderCli, SignalWhileWritingLeavesNoTemporaryFile) {
    const std::string target = Path("p.bmp");
    std::ofstream(target, std::ios::binary) << "old";
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir.c_str(), IN_CREATE), 0);
    // A picture of some 20 MB: its write and flush take far longer than the
    // signal takes to arrive.
    std::vector<std::string> args = {
        NEROVAN_RENDER_PATH, "--height", "1500", "--blur", "x+y", "-o", target};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    bool created = false;
    alignas(inotify_event) char events[4096];
    pollfd p = {watch, POLLIN, 0};
    while (!created && poll(&p, 1, 20000) == 1) {
        const ssize_t n = read(watch, events, sizeof events);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            created = created || (e->len && std::string(e->name).rfind(".p.bmp.tmp", 0) == 0);
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
    close(watch);
    EXPECT_TRUE(created);
    kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(ReadAll(target), "old");
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (const dirent* e = readdir(d)) names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "p.bmp"}));
}

TEST_F(RenderCli, UnknownFontFallsBackToASubstitute) {
    Result r = Run({"--font", "No Such Font", "x", "-o", Path("x.png")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Exists("x.png"));
}

// Every picture the renderer writes carries its formula, and --read gives it
// back exactly, on one line; a BMP, which has no place for it, and a file
// that cannot be read say so.
TEST_F(RenderCli, ReadGivesBackTheFormulaOfEveryPicture) {
    std::vector<std::pair<std::vector<std::string>, std::string>> formulas;  // arguments, formula
    for (int n = 1; n <= kDemoFormulaCount; ++n)
        formulas.push_back({{"--demo", std::to_string(n)}, Cp1251ToUtf8(DemoFormulas[n - 1])});
    const std::string mixed = "\xD0\x96 <&> + \"q\" \\a 'b' ";  // Cyrillic, quotes, backslash
    formulas.push_back({{mixed}, mixed});
    std::string long_formula;  // 10,000 characters, drawn 2 pixels high to fit
    while (long_formula.size() < 10000 + 1250) long_formula += mixed.substr(0, 10);
    formulas.push_back({{long_formula, "--height", "2"}, long_formula});
    for (const char* kind : {"png", "jpg", "gif", "svg", "pdf", "emf"}) {
        for (const auto& [args, formula] : formulas) {
            std::vector<std::string> render = args;
            render.insert(render.end(), {"-o", Path(std::string("p.") + kind)});
            ASSERT_EQ(Run(render).Status, 0) << kind << " " << formula.substr(0, 40);
            const Result r = Run({"--read", Path(std::string("p.") + kind)});
            EXPECT_EQ(r.Status, 0) << r.Err;
            EXPECT_EQ(r.Out, formula + "\n") << kind;
        }
    }
    ASSERT_EQ(Run({"x+y", "-o", Path("p.bmp")}).Status, 0);
    Result r = Run({"--read", Path("p.bmp")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "nerovan-render: " + Path("p.bmp") + " holds no formula\n");
    const Result missing = Run({"--read", Path("missing.png")});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_NE(missing.Err.find("missing.png"), std::string::npos) << missing.Err;
    EXPECT_EQ(Run({"--read", Path("p.png"), "x"}).Status, 2);
}

// Big-endian 32-bit number at offset o of a file's bytes.
uint32_t BigEndian32(const std::string& bytes, size_t o) {
    return uint32_t(uint8_t(bytes[o])) << 24 | uint32_t(uint8_t(bytes[o + 1])) << 16 |
           uint32_t(uint8_t(bytes[o + 2])) << 8 | uint8_t(bytes[o + 3]);
}

TEST_F(RenderCli, PictureMetricsGiveTheBaselineOfTheLettersAndThePictureSize) {
    // An x at 21 px: its ink ends on row 20, so the baseline is the edge below it.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"x"}, "width=11 height=24 ascent=12 baseline=21 picture-width=15 picture-height=28\n"},
        {{"x", "--scale", "1.5"},
         "width=11 height=24 ascent=12 baseline=31.5 picture-width=23 picture-height=42\n"},
        {{"x", "--height", "40"},
         "width=20 height=45 ascent=22 baseline=38 picture-width=24 picture-height=49\n"},
    };
    for (const auto& [args, line] : cases) {
        std::vector<std::string> all = args;
        all.push_back("--picture-metrics");
        EXPECT_EQ(Run(all).Out, line) << args[0];
    }
    // The SVG says how far the picture reaches below the baseline; both
    // vector pictures are as large as the picture at 96 DPI, at any scale.
    ASSERT_EQ(Run({"x", "--scale", "3", "-o", Path("x.svg")}).Status, 0);
    const std::string svg = ReadAll(Path("x.svg"));
    EXPECT_NE(svg.find("<svg style=\"vertical-align: -7px\" "), std::string::npos) << svg;
    EXPECT_NE(svg.find("width=\"15px\" height=\"28px\" viewBox=\"0 0 15 28\""), std::string::npos);
    ASSERT_EQ(Run({"x", "-o", Path("x.pdf")}).Status, 0);
    EXPECT_NE(ReadAll(Path("x.pdf")).find("/MediaBox [ 0 0 11.25 21 ]"), std::string::npos);
}

TEST_F(RenderCli, TransparentBackgroundLeavesOnlyTheInk) {
    Result r = Run({"--bg", "none", "--fg", "#FF0000", "--height", "40", "x", "-o", Path("t.png")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, Path("t.png").c_str()));
    EXPECT_EQ(image.format, PNG_FORMAT_RGBA);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, px.data(), 0, nullptr));
    const int w = int(image.width), h = int(image.height);
    for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
        EXPECT_EQ(px[(y * w + x) * 4 + 3], 0) << x << "," << y;
    // Ink is opaque red, and its antialiased edges red too, only less opaque.
    int opaque = 0, edges = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
        if (px[i + 3] == 0) continue;
        EXPECT_EQ(px[i + 1], 0);
        EXPECT_GE(px[i], 250);
        (px[i + 3] == 255 ? opaque : edges)++;
    }
    EXPECT_GT(opaque, 20);
    EXPECT_GT(edges, 10);
    // No background in the vector pictures either.
    ASSERT_EQ(Run({"x", "-o", Path("o.svg")}).Status, 0);
    ASSERT_EQ(Run({"--bg", "none", "x", "-o", Path("t.svg")}).Status, 0);
    EXPECT_NE(ReadAll(Path("o.svg")).find("<rect"), std::string::npos);
    EXPECT_EQ(ReadAll(Path("t.svg")).find("<rect"), std::string::npos);
}

TEST_F(RenderCli, ScaledPicturesHaveMorePixelsAtMoreDotsPerInch) {
    // Demo 3 is 134 x 138 pixels; the number of dots per inch as each format
    // keeps it.
    struct Case {
        std::string Scale, Name;
        int Width, Height;
        uint32_t Dpi;
    };
    const Case cases[] = {
        {"2", "p.png", 268, 276, 7559}, {"1.5", "p.png", 201, 207, 5669},
        {"2", "p.bmp", 268, 276, 7559}, {"3", "p.jpg", 402, 414, 288},
        {"1", "p.png", 134, 138, 3780},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Run({"--demo", "3", "--scale", c.Scale, "-o", Path(c.Name)}).Status, 0);
        const std::string b = ReadAll(Path(c.Name));
        int w = 0, h = 0;
        uint32_t dpi = 0;
        if (c.Name == "p.png") {
            w = int(BigEndian32(b, 16));
            h = int(BigEndian32(b, 20));
            const size_t phys = b.find("pHYs");
            ASSERT_NE(phys, std::string::npos);
            dpi = BigEndian32(b, phys + 4);
        } else if (c.Name == "p.bmp") {
            int bpp;
            BmpInfo(b, w, h, bpp);
            dpi = uint8_t(b[38]) | uint8_t(b[39]) << 8;
        } else {
            const size_t sof = b.find("\xFF\xC0");
            ASSERT_NE(sof, std::string::npos);
            h = uint8_t(b[sof + 5]) << 8 | uint8_t(b[sof + 6]);
            w = uint8_t(b[sof + 7]) << 8 | uint8_t(b[sof + 8]);
            dpi = uint8_t(b[14]) << 8 | uint8_t(b[15]);  // JFIF X density
        }
        EXPECT_EQ(w, c.Width) << c.Scale << " " << c.Name;
        EXPECT_EQ(std::abs(h), c.Height) << c.Scale << " " << c.Name;
        EXPECT_EQ(dpi, c.Dpi) << c.Scale << " " << c.Name;
    }
}

TEST_F(RenderCli, StandardOutputGetsTheBytesOfTheFile) {
    for (const char* kind : {"png", "svg", "pdf", "emf", "bmp", "jpg", "gif"}) {
        const std::vector<std::string> common = {"--demo", "7", "--format", kind, "--scale", "2"};
        std::vector<std::string> to_file = common, to_stdout = common;
        to_file.insert(to_file.end(), {"-o", Path("picture.dat")});
        to_stdout.insert(to_stdout.end(), {"-o", "-"});
        ASSERT_EQ(Run(to_file).Status, 0) << kind;
        const Result r = Run(to_stdout);
        ASSERT_EQ(r.Status, 0) << kind << ": " << r.Err;
        EXPECT_EQ(r.Out, ReadAll(Path("picture.dat"))) << kind;
        EXPECT_EQ(r.Err, "") << kind;
    }
    // --format wins over the extension.
    ASSERT_EQ(Run({"x", "--format", "svg", "-o", Path("x.png")}).Status, 0);
    EXPECT_EQ(ReadAll(Path("x.png")).substr(0, 5), "<?xml");
}

TEST_F(RenderCli, RefusedCombinationsAreUsageErrors) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--bg", "none", "-o", "x.bmp"}, "a BMP picture has no transparent background"},
        {{"--bg", "none", "-o", "x.jpg"}, "a JPEG picture has no transparent background"},
        {{"--bg", "none", "-o", "x.gif"}, "a GIF picture has no transparent background"},
        {{"--bg", "none", "-o", "x.emf"}, "an EMF picture has no transparent background"},
        {{"--bg", "none", "--blur", "-o", "x.png"}, "--blur"},
        {{"-o", "-"}, "name its kind with --format"},
        {{"-o", "-", "--format", "png", "--metrics"}, "cannot go with it"},
        {{"--scale", "0.5", "-o", "x.png"}, "--scale takes a number from 1 to 8"},
        {{"--scale", "9", "-o", "x.png"}, "--scale takes a number from 1 to 8"},
        {{"--format", "tiff", "-o", "x.png"}, "--format takes png"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> all = {"x"};
        for (const std::string& a : args) all.push_back(a.rfind("x.", 0) == 0 ? Path(a) : a);
        const Result r = Run(all);
        EXPECT_EQ(r.Status, 2) << message;
        EXPECT_NE(r.Err.find(message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "") << message;
    }
    EXPECT_FALSE(Exists("x.bmp") || Exists("x.png") || Exists("x.emf"));
}

// The fonts kept from earlier calls give the same pictures as fonts resolved
// afresh; a cache file that is damaged or was made for another state is not
// used, and is written again.
TEST_F(RenderCli, KeptFontsGiveTheSamePictures) {
    Env = "XDG_CACHE_HOME=" + ShellQuote(Path("cache")) + " ";
    const std::string cache = Path("cache/nerovan/fonts");
    auto render_all = [&](const std::string& tag) {
        for (const char* kind : {"png", "emf", "pdf"})
            for (const char* style : {"--bold", "--italic"}) {
                const std::string name = tag + style + "." + kind;
                ASSERT_EQ(Run({"--demo", "7", style, "-o", Path(name)}).Status, 0) << name;
            }
    };
    auto inode = [&] {
        struct stat st {};
        stat(cache.c_str(), &st);
        return st.st_ino;
    };
    render_all("cold");
    const std::string kept = ReadAll(cache);
    ASSERT_EQ(kept.rfind("nerovan-fonts 1\n", 0), 0u);
    const ino_t written = inode();
    render_all("warm");
    EXPECT_EQ(inode(), written);  // taken, and nothing new to keep
    std::string other_state = kept;
    const size_t home = other_state.find("$HOME\t");
    ASSERT_NE(home, std::string::npos);
    other_state.insert(home + 6, "=/elsewhere");
    for (const std::string& damaged : {kept.substr(0, kept.size() / 2), other_state}) {
        std::ofstream(cache, std::ios::binary) << damaged;
        render_all("again");
        EXPECT_EQ(ReadAll(cache).find("/elsewhere"), std::string::npos);
        EXPECT_EQ(ReadAll(cache).size(), kept.size());
        for (const char* kind : {"png", "emf", "pdf"})
            for (const char* style : {"--bold", "--italic"})
                for (const char* tag : {"warm", "again"}) {
                    const std::string name = std::string(style) + "." + kind;
                    EXPECT_EQ(ReadAll(Path(tag + name)), ReadAll(Path("cold" + name)))
                        << tag << name;
                }
    }
}

// The fonts are kept for the program, however it is called: by a relative
// path from another folder too (a program that holds its libraries is
// stamped by its own path, not by the name it was called by).
TEST_F(RenderCli, KeptFontsServeCallsFromAnyFolder) {
    ASSERT_EQ(symlink(NEROVAN_RENDER_PATH, Path("nr").c_str()), 0);
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0700), 0);
    const std::string env = "XDG_CACHE_HOME=" + ShellQuote(Path("cache")) + " ";
    auto run_in = [&](const std::string& folder, const std::string& program,
                      const std::string& picture) {
        return std::system(("cd " + ShellQuote(Path(folder)) + " && " + env + program +
                            " --demo 7 -o " + ShellQuote(Path(picture)))
                               .c_str());
    };
    ASSERT_EQ(run_in(".", "./nr", "here.png"), 0);
    struct stat kept {};
    ASSERT_EQ(stat(Path("cache/nerovan/fonts").c_str(), &kept), 0);
    ASSERT_EQ(run_in("sub", "../nr", "there.png"), 0);
    struct stat again {};
    ASSERT_EQ(stat(Path("cache/nerovan/fonts").c_str(), &again), 0);
    EXPECT_EQ(again.st_ino, kept.st_ino);  // taken, not written again
    EXPECT_EQ(ReadAll(Path("there.png")), ReadAll(Path("here.png")));
}

// Linked with the static archives of its libraries, the renderer loads none
// of them (nor cairo's X11 and xcb libraries): only the C library's, and
// libUEMF, which has no static archive.
TEST_F(RenderCli, StaticRendererLoadsOnlyTheCLibraryAndLibUemf) {
#ifndef NEROVAN_RENDER_STATIC
    GTEST_SKIP() << "nerovan-render is linked with shared libraries";
#endif
    Env = "LD_TRACE_LOADED_OBJECTS=1 ";
    const Result r = Run({"x"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> allowed = {"linux-vdso.so.1", "ld-linux-x86-64.so.2",
                                              "libc.so.6", "libm.so.6", "libuemf.so.0"};
    std::istringstream lines(r.Out);
    std::vector<std::string> loaded;
    for (std::string name; lines >> name;) {
        loaded.push_back(name.substr(name.rfind('/') + 1));
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), loaded.back()), allowed.end()) << r.Out;
        lines.ignore(1 << 16, '\n');
    }
    EXPECT_NE(std::find(loaded.begin(), loaded.end(), "libc.so.6"), loaded.end()) << r.Out;
}

TEST(RenderOptions, ParsesAndRejects) {
    RenderOptions o;
    std::string err;
    const char* ok[] = {"--size", "12", "--fg", "#FF8000", "--demo", "3", "--ops", "--bold"};
    ASSERT_TRUE(ParseRenderOptions(8, ok, o, err)) << err;
    EXPECT_EQ(o.Size, 12);
    EXPECT_EQ(o.Foreground, RGB(0xFF, 0x80, 0x00));
    EXPECT_EQ(o.Source, ExpressionSource::Demo);
    EXPECT_TRUE(o.Bold);

    RenderOptions m;
    const char* minus[] = {"-a+b", "--metrics"};
    ASSERT_TRUE(ParseRenderOptions(2, minus, m, err)) << err;
    EXPECT_EQ(m.Expression, "-a+b");

    const std::vector<std::vector<const char*>> bad = {
        {"a", "b", "--metrics"},         // two expressions
        {"--demo", "19", "--metrics"},   // no such demo
        {"x"},                           // nothing to do
        {"--fg", "red", "x", "--ops"},   // not a colour
        {"--frobnicate", "x", "--ops"},  // unknown option
        {"x", "-o"},                     // missing value
    };
    for (const auto& args : bad) {
        RenderOptions b;
        err.clear();
        EXPECT_FALSE(ParseRenderOptions(int(args.size()), args.data(), b, err)) << args[0];
        EXPECT_FALSE(err.empty());
    }
}

}  // namespace
}  // namespace nerovan
