// Picture files read back through their own decoders (libpng, libjpeg,
// giflib, and a header parse for BMP).
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <jpeglib.h>
#include <gif_lib.h>

#include "byte_fields.h"
#include "picture_files.h"
#include "picture_sample.h"

namespace nerovan {
namespace {

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
        EXPECT_EQ(ihdr[8], 8);  // bit depth
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
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
            << image.message;
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
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(seg[6 + c * 3 + 1], 0x11) << "sampling of component " << c;
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
    const ColorMapObject* map =
        image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
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
    ExpectGifShows(EncodeGif(many), 20, 20,
                   [&](int x, int y) { return EntryOf(NearestHalftoneIndex(x * 12, y * 12, 77)); });
}

TEST(PictureFilesTest, EmptyPictureIsRefusedByEveryEncoder) {
    Bitmap empty;
    for (PictureFormat f :
         {PictureFormat::Bmp, PictureFormat::Png, PictureFormat::Jpeg, PictureFormat::Gif})
        EXPECT_THROW(EncodePicture(empty, f), std::runtime_error);
}

TEST(PictureFilesTest, FormatFromExtension) {
    const std::pair<const char*, PictureFormat> known[] = {{"/a/b.PNG", PictureFormat::Png},
                                                           {"x.JpEg", PictureFormat::Jpeg},
                                                           {"x.jpg", PictureFormat::Jpeg},
                                                           {"x.gif", PictureFormat::Gif},
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

}  // namespace
}  // namespace nerovan
