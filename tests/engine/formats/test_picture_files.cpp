// Picture files read back through their own decoders (libpng, libjpeg,
// giflib, and a header parse for BMP), and the atomic file write.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <gif_lib.h>

#include "atomic_file.h"
#include "picture_files.h"

namespace nerovan {
namespace {

uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& d, size_t at) { return d[at] | d[at + 1] << 8; }

void SetPixel(Bitmap& bmp, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = bmp.ScanLine(y) + x * 4;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
Rgb PixelOf(const Bitmap& bmp, int x, int y) {
    const uint8_t* p = bmp.ScanLine(y) + x * 4;
    return {p[2], p[1], p[0]};
}
Rgb EntryOf(int index) {
    const PaletteEntry& e = HalftonePalette()[index];
    return {e.Red, e.Green, e.Blue};
}

// A white 7 x 5 picture with a few coloured pixels (odd width: BMP rows need padding).
void PaintSample(Bitmap& bmp, TPixelFormat format) {
    bmp.SetSize(7, 5);
    bmp.SetPixelFormat(format);
    SetPixel(bmp, 1, 1, 255, 0, 0);
    SetPixel(bmp, 5, 3, 0, 0, 255);
    for (int x = 0; x < 7; ++x) SetPixel(bmp, x, 2, 100, 100, 100);
    SetPixel(bmp, 6, 4, 20, 90, 160);
    if (format == TPixelFormat::pf8bit) bmp.MapToPalette();
}

TEST(BmpTest, HeadersPaletteAndPaddedBottomUpRows) {
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        const bool indexed = format == TPixelFormat::pf8bit;
        SCOPED_TRACE(indexed ? "8-bit" : "32-bit");
        Bitmap bmp;
        PaintSample(bmp, format);
        // Painted after the mapping: the file must show the new colour
        // mapped, not the stale index, and leave the bitmap alone.
        SetPixel(bmp, 3, 0, 250, 10, 128);
        const std::vector<uint8_t> f = EncodeBmp(bmp);

        const size_t data = indexed ? 54 + 1024 : 54, rowSize = indexed ? 8 : 28;
        ASSERT_EQ(f.size(), data + rowSize * 5);
        EXPECT_EQ(std::string(f.begin(), f.begin() + 2), "BM");
        EXPECT_EQ(Le32(f, 2), f.size());
        EXPECT_EQ(Le32(f, 10), data);
        EXPECT_EQ(Le32(f, 14), 40u);
        EXPECT_EQ(Le32(f, 18), 7u);
        EXPECT_EQ(Le32(f, 22), 5u);  // positive: bottom-up
        EXPECT_EQ(Le16(f, 28), indexed ? 8 : 32);
        EXPECT_EQ(Le32(f, 30), 0u);
        EXPECT_EQ(Le32(f, 38), 3780u);
        EXPECT_EQ(Le32(f, 42), 3780u);
        EXPECT_EQ(Le32(f, 46), indexed ? 256u : 0u);
        for (int i = 0; indexed && i < 256; ++i)
            ASSERT_EQ((Rgb{f[54 + i * 4 + 2], f[54 + i * 4 + 1], f[54 + i * 4]}), EntryOf(i));

        for (int y = 0; y < 5; ++y) {
            const size_t row = data + (4 - y) * rowSize;
            if (indexed) {
                EXPECT_EQ(f[row + 7], 0) << "padding of row " << y;
            }
            for (int x = 0; x < 7; ++x) {
                const size_t at = row + x * 4;
                const Rgb got = indexed ? EntryOf(f[row + x]) : Rgb{f[at + 2], f[at + 1], f[at]};
                const Rgb want = indexed && x == 3 && y == 0
                                     ? EntryOf(NearestHalftoneIndex(250, 10, 128))
                                     : PixelOf(bmp, x, y);
                EXPECT_EQ(got, want) << x << "," << y;
            }
        }
        EXPECT_EQ(PixelOf(bmp, 3, 0), (Rgb{250, 10, 128}));
    }
}

// The chunks of a PNG file by type (the first of each type).
std::map<std::string, std::vector<uint8_t>> PngChunks(const std::vector<uint8_t>& f) {
    std::map<std::string, std::vector<uint8_t>> chunks;
    for (size_t at = 8; at + 12 <= f.size();) {
        const size_t length = f[at] << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3];
        const std::string type(f.begin() + at + 4, f.begin() + at + 8);
        chunks.emplace(type, std::vector<uint8_t>(f.begin() + at + 8, f.begin() + at + 8 + length));
        at += 12 + length;
    }
    return chunks;
}

TEST(PngTest, PaletteAndRgbPicturesWithPhysicalSize) {
    for (TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        const bool indexed = format == TPixelFormat::pf8bit;
        SCOPED_TRACE(indexed ? "8-bit" : "32-bit");
        Bitmap bmp;
        PaintSample(bmp, format);
        const std::vector<uint8_t> f = EncodePng(bmp);

        auto chunks = PngChunks(f);
        const std::vector<uint8_t>& ihdr = chunks["IHDR"];
        ASSERT_EQ(ihdr.size(), 13u);
        EXPECT_EQ(ihdr[8], 8);                                           // bit depth
        EXPECT_EQ(ihdr[9], indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB);
        EXPECT_EQ(chunks["PLTE"].size(), indexed ? 768u : 0u);
        const std::vector<uint8_t> phys{0, 0, 0x0E, 0xC4, 0, 0, 0x0E, 0xC4, 1};  // 3780 per metre
        EXPECT_EQ(chunks["pHYs"], phys);

        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, f.data(), f.size())) << image.message;
        EXPECT_EQ(image.width, 7u);
        EXPECT_EQ(image.height, 5u);
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const uint8_t* p = rgb.data() + (y * 7 + x) * 3;
                EXPECT_EQ((Rgb{p[0], p[1], p[2]}), PixelOf(bmp, x, y)) << x << "," << y;
            }
    }
}

TEST(JpegTest, BaselineFullColourAt96DpiDecodesToThePicture) {
    Bitmap bmp;
    bmp.SetSize(32, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) SetPixel(bmp, x, y, 200, 30, 30);
    const std::vector<uint8_t> f = EncodeJpeg(bmp);

    // Walk the marker segments up to the start of scan.
    ASSERT_GE(f.size(), 4u);
    ASSERT_EQ(f[0], 0xFF);
    ASSERT_EQ(f[1], 0xD8);
    bool sof0 = false, progressive = false, jfif = false;
    size_t at = 2;
    while (at + 4 <= f.size() && f[at] == 0xFF && f[at + 1] != 0xDA) {
        const int marker = f[at + 1];
        const size_t length = f[at + 2] << 8 | f[at + 3];
        const uint8_t* seg = f.data() + at + 4;
        if (marker == 0xC0) {
            sof0 = true;
            EXPECT_EQ(seg[1] << 8 | seg[2], 16);  // height
            EXPECT_EQ(seg[3] << 8 | seg[4], 32);  // width
            ASSERT_EQ(seg[5], 3);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(seg[6 + c * 3 + 1], 0x11) << "sampling of component " << c;
        }
        if (marker == 0xC2) progressive = true;
        if (marker == 0xE0 && std::memcmp(seg, "JFIF", 5) == 0) {
            jfif = true;
            EXPECT_EQ(seg[7], 1);  // dots per inch
            EXPECT_EQ(seg[8] << 8 | seg[9], 96);
            EXPECT_EQ(seg[10] << 8 | seg[11], 96);
        }
        at += 2 + length;
    }
    EXPECT_TRUE(sof0);
    EXPECT_FALSE(progressive);
    EXPECT_TRUE(jfif);

    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, f.data(), f.size());
    ASSERT_EQ(jpeg_read_header(&cinfo, TRUE), JPEG_HEADER_OK);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    EXPECT_EQ(cinfo.output_width, 32u);
    EXPECT_EQ(cinfo.output_height, 16u);
    std::vector<uint8_t> row(32 * 3);
    for (int y = 0; y < 16; ++y) {
        JSAMPROW p = row.data();
        jpeg_read_scanlines(&cinfo, &p, 1);
        for (int x : {4, 11, 20, 27}) {
            const Rgb want = x < 16 ? Rgb{200, 30, 30} : Rgb{255, 255, 255};
            EXPECT_NEAR(row[x * 3], want.r, 8);
            EXPECT_NEAR(row[x * 3 + 1], want.g, 8);
            EXPECT_NEAR(row[x * 3 + 2], want.b, 8);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

struct GifReader {
    const std::vector<uint8_t>* data;
    size_t at;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n) {
    GifReader* r = static_cast<GifReader*>(gif->UserData);
    const size_t take = std::min<size_t>(n, r->data->size() - r->at);
    std::memcpy(out, r->data->data() + r->at, take);
    r->at += take;
    return static_cast<int>(take);
}

// Decodes a GIF and checks it is one image showing `want` at every pixel.
void ExpectGifShows(const std::vector<uint8_t>& f, int w, int h,
                    const std::function<Rgb(int, int)>& want) {
    ASSERT_GE(f.size(), 6u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 6), "GIF89a");
    GifReader reader{&f, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->ImageCount, 1);
    EXPECT_EQ(gif->SWidth, w);
    EXPECT_EQ(gif->SHeight, h);
    const SavedImage& image = gif->SavedImages[0];
    const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    ASSERT_NE(map, nullptr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const GifColorType c = map->Colors[image.RasterBits[y * w + x]];
            ASSERT_EQ((Rgb{c.Red, c.Green, c.Blue}), want(x, y)) << x << "," << y;
        }
    DGifCloseFile(gif, &error);
}

TEST(GifTest, SingleImageShowsThePicture) {
    Bitmap indexed;
    PaintSample(indexed, TPixelFormat::pf8bit);
    ExpectGifShows(EncodeGif(indexed), 7, 5, [&](int x, int y) { return PixelOf(indexed, x, y); });

    // Few colours: kept exactly, even those the halftone palette lacks.
    Bitmap exact;
    PaintSample(exact, TPixelFormat::pf32bit);
    ExpectGifShows(EncodeGif(exact), 7, 5, [&](int x, int y) { return PixelOf(exact, x, y); });

    // More than 256 colours: each pixel becomes its nearest halftone entry.
    Bitmap many;
    many.SetSize(20, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) SetPixel(many, x, y, x * 12, y * 12, 77);
    ExpectGifShows(EncodeGif(many), 20, 20, [&](int x, int y) {
        return EntryOf(NearestHalftoneIndex(x * 12, y * 12, 77));
    });
}

TEST(PictureFilesTest, EmptyPictureIsRefusedByEveryEncoder) {
    Bitmap empty;
    for (PictureFormat f : {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Jpeg, PictureFormat::Gif})
        EXPECT_THROW(EncodePicture(empty, f), std::runtime_error);
}

TEST(PictureFilesTest, FormatFromExtension) {
    const std::pair<const char*, PictureFormat> known[] = {
        {"/a/b.PNG", PictureFormat::Png}, {"x.JpEg", PictureFormat::Jpeg},
        {"x.jpg", PictureFormat::Jpeg},   {"x.gif", PictureFormat::Gif},
        {"x.Bmp", PictureFormat::Bmp}};
    for (const auto& k : known) {
        PictureFormat f = PictureFormat::Bmp == k.second ? PictureFormat::Gif : PictureFormat::Bmp;
        EXPECT_TRUE(PictureFormatFromExtension(k.first, f)) << k.first;
        EXPECT_EQ(f, k.second) << k.first;
    }
    PictureFormat f;
    for (const char* other : {"pictures.png/formula", "formula.emf", "formula"})
        EXPECT_FALSE(PictureFormatFromExtension(other, f)) << other;
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/nerovan-atomic-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        DIR* d = opendir(dir_.c_str());
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }
    static mode_t ModeOf(const std::string& path) {
        struct stat st;
        stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }
    std::string dir_;
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
        EXPECT_STREQ(e.what(), ("Cannot write \"" + path + "\": No such file or directory").c_str());
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
    for (const auto& [path, type] : std::vector<std::pair<std::string, mode_t>>{
             {fifo, S_IFIFO}, {device, S_IFLNK}, {"/dev/null", S_IFCHR},
             {dir_ + "/dangling.gif", S_IFLNK}, {dir_ + "/folder.bmp", S_IFDIR}}) {
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
}

}  // namespace
}  // namespace nerovan
