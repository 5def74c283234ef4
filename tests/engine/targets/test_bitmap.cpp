// The bitmap target's pixel work: sizing, the halftone palette and its
// nearest-entry rule, and the in-place smoothing of 32-bit pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>

#include "bitmap.h"

namespace nerovan {
namespace {

int BruteForceNearest(int r, int g, int b) {
    const auto& palette = HalftonePalette();
    long best = -1;
    int bestIndex = 0;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const long dr = r - palette[i].Red, dg = g - palette[i].Green, db = b - palette[i].Blue;
        const long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}

// Sets one colour byte (0 blue, 1 green, 2 red, 3 fourth) of every pixel from rows of values.
void SetChannel(Bitmap& bmp, int channel, const std::vector<std::vector<int>>& rows) {
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.ScanLine(y)[x * 4 + channel] = static_cast<uint8_t>(rows[y][x]);
}

std::vector<std::vector<int>> Channel(const Bitmap& bmp, int channel) {
    std::vector<std::vector<int>> rows(bmp.Height(), std::vector<int>(bmp.Width()));
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) rows[y][x] = bmp.ScanLine(y)[x * 4 + channel];
    return rows;
}

TEST(BitmapTest, SetSizeGivesFreshWhitePixels) {
    Bitmap bmp;
    bmp.SetSize(3, 2);
    bmp.MapToPalette();
    EXPECT_EQ(bmp.Indices().size(), 6u);
    bmp.SetSize(3, 2);  // a repaint at the same size: the old indices no longer count
    EXPECT_TRUE(bmp.Indices().empty());
    bmp.MapToPalette();
    const unsigned before = bmp.Generation();
    bmp.SetSize(5, 4);
    EXPECT_NE(bmp.Generation(), before);  // the canvas must pick up the new buffer
    EXPECT_TRUE(bmp.Indices().empty());
    for (int y = 0; y < 4; ++y)
        for (int i = 0; i < bmp.Stride(); ++i) ASSERT_EQ(bmp.ScanLine(y)[i], 0xFF);
    bmp.SetSize(-3, 7);
    EXPECT_EQ(bmp.Width(), 0);
}

TEST(HalftonePaletteTest, CubeAndFortyDistinctGreys) {
    const auto& palette = HalftonePalette();
    ASSERT_EQ(palette.size(), 256u);
    std::set<uint32_t> distinct;
    int greys = 0;
    for (const PaletteEntry& e : palette) {
        distinct.insert(e.Red << 16 | e.Green << 8 | e.Blue);
        if (e.Red == e.Green && e.Green == e.Blue) ++greys;
    }
    EXPECT_EQ(distinct.size(), 256u);
    EXPECT_EQ(greys, 46);  // six cube greys and forty between them
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) EXPECT_TRUE(distinct.count(r << 16 | g << 8 | b));
    // The greys fill each gap of 51 evenly: no two neighbouring greys more than 6 apart.
    std::vector<int> levels;
    for (const PaletteEntry& e : palette)
        if (e.Red == e.Green && e.Green == e.Blue) levels.push_back(e.Red);
    std::sort(levels.begin(), levels.end());
    for (size_t i = 1; i < levels.size(); ++i) EXPECT_LE(levels[i] - levels[i - 1], 6);
}

TEST(HalftonePaletteTest, NearestIndexIsTheTrueNearestEntry) {
    const auto& palette = HalftonePalette();
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(NearestHalftoneIndex(palette[i].Red, palette[i].Green, palette[i].Blue), i);
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(NearestHalftoneIndex(v, v, v), BruteForceNearest(v, v, v)) << v;
        // Near-greys, as antialiased text in a tinted colour gives.
        ASSERT_EQ(NearestHalftoneIndex(v, v, 255 - v / 8), BruteForceNearest(v, v, 255 - v / 8));
    }
    std::mt19937 random(12345);
    for (int n = 0; n < 100000; ++n) {
        const int r = random() & 255, g = random() & 255, b = random() & 255;
        ASSERT_EQ(NearestHalftoneIndex(r, g, b), BruteForceNearest(r, g, b))
            << r << "," << g << "," << b;
    }
}

// Runs of one colour broken by single pixels, repeated colours and colours
// that share a slot of the recent-colour table: every pixel still gets its
// own nearest entry.
TEST(BitmapTest, MapToPaletteHandlesRunsAndRecurringColours) {
    Bitmap bmp;
    bmp.SetSize(37, 11);
    std::vector<std::array<uint8_t, 3>> want;
    srandom(7);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) {
            std::array<uint8_t, 3> rgb{255, 255, 255};
            const long pick = random() % 6;
            if (pick == 1) rgb = {0, 0, 0};
            if (pick == 2)
                rgb = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                       static_cast<uint8_t>(random())};
            if (pick == 3) rgb = {0x04, 0x00, 0x01};  // same slot as white's neighbours
            if (pick == 4) {  // the greys of antialiased text, which have a table of their own
                const auto level = static_cast<uint8_t>(random());
                rgb = {level, level, level};
            }
            uint8_t* p = bmp.ScanLine(y) + x * 4;
            p[0] = rgb[2];
            p[1] = rgb[1];
            p[2] = rgb[0];
            p[3] = static_cast<uint8_t>(random());  // the fourth byte plays no part
            want.push_back(rgb);
        }
    bmp.MapToPalette();
    const auto& palette = HalftonePalette();
    for (size_t i = 0; i < want.size(); ++i) {
        const int entry = BruteForceNearest(want[i][0], want[i][1], want[i][2]);
        ASSERT_EQ(bmp.Indices()[i], entry) << "pixel " << i;
        const uint8_t* p = bmp.ScanLine(0) + i * 4;
        ASSERT_EQ(p[2], palette[entry].Red) << "pixel " << i;
        ASSERT_EQ(p[0], palette[entry].Blue) << "pixel " << i;
        ASSERT_EQ(p[3], 0) << "pixel " << i;
    }
}

TEST(BitmapTest, MapToPaletteMapsEveryGreyToItsNearestEntry) {
    Bitmap bmp;
    bmp.SetSize(256, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 256; ++x)
            for (int c = 0; c < 3; ++c)
                bmp.ScanLine(y)[x * 4 + c] = static_cast<uint8_t>(y ? 255 - x : x);
    bmp.MapToPalette();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 256; ++x) {
            const int level = y ? 255 - x : x;
            ASSERT_EQ(bmp.Indices()[y * 256 + x], BruteForceNearest(level, level, level)) << level;
        }
}

TEST(BitmapTest, MapToPaletteRewritesPixelsToTheirEntries) {
    Bitmap bmp;
    bmp.SetSize(2, 2);
    const uint8_t colours[4][3] = {{250, 10, 128}, {7, 7, 7}, {100, 149, 237}, {128, 128, 128}};
    for (int i = 0; i < 4; ++i) {
        uint8_t* p = bmp.ScanLine(i / 2) + (i % 2) * 4;
        p[0] = colours[i][2];
        p[1] = colours[i][1];
        p[2] = colours[i][0];
        p[3] = 0x55;
    }
    bmp.MapToPalette();
    ASSERT_EQ(bmp.Indices().size(), 4u);
    const auto& palette = HalftonePalette();
    for (int i = 0; i < 4; ++i) {
        const int want = BruteForceNearest(colours[i][0], colours[i][1], colours[i][2]);
        EXPECT_EQ(bmp.Indices()[i], want);
        const uint8_t* p = bmp.ScanLine(i / 2) + (i % 2) * 4;
        EXPECT_EQ(
            (std::vector<int>{p[0], p[1], p[2], p[3]}),
            (std::vector<int>{palette[want].Blue, palette[want].Green, palette[want].Red, 0}));
    }
}

// A picture wide enough to be smoothed many bytes at a time gives, byte for
// byte, what the rule applied one byte at a time in row and column order
// gives; the fourth bytes stay as they were.
TEST(SmoothBitmapTest, WidePicturesFollowTheRuleByteForByte) {
    for (const int w : {5, 6, 9, 37, 64, 200}) {
        Bitmap bmp;
        bmp.SetSize(w, 7);
        std::mt19937 random(static_cast<unsigned>(w));
        // Random pixels, with a plain band where smoothing changes nothing.
        for (int y = 0; y < 7; ++y)
            for (int i = 0; i < w * 4; ++i)
                bmp.ScanLine(y)[i] =
                    i / 4 >= 20 && i / 4 < 150 ? 0xC0 : static_cast<uint8_t>(random());
        std::vector<std::vector<uint8_t>> want;
        for (int y = 0; y < 7; ++y) want.emplace_back(bmp.ScanLine(y), bmp.ScanLine(y) + w * 4);
        for (int y = 2; y <= 5; ++y)
            for (int x = 1; x < w; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int own = want[y][x * 4 + c];
                    const int right = x + 1 < w ? want[y][x * 4 + 4 + c] : own;
                    want[y][x * 4 + c] =
                        static_cast<uint8_t>((2 * own + right + want[y - 1][x * 4 + c]) / 4);
                }
        SmoothBitmap(bmp);
        for (int y = 0; y < 7; ++y)
            ASSERT_EQ(std::vector<uint8_t>(bmp.ScanLine(y), bmp.ScanLine(y) + w * 4), want[y])
                << "width " << w << ", row " << y;
    }
}

TEST(SmoothBitmapTest, SmoothsInPlaceInRowAndColumnOrder) {
    Bitmap bmp;
    bmp.SetSize(3, 5);
    SetChannel(bmp, 0, {{0, 0, 0}, {40, 80, 120}, {100, 200, 60}, {10, 20, 30}, {255, 255, 255}});
    SetChannel(bmp, 1, {{1, 1, 1}, {0, 0, 0}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
    SetChannel(
        bmp, 2,
        {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}, {255, 255, 255}});
    SetChannel(bmp, 3, {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}});
    SmoothBitmap(bmp);

    // Row 2: (2*200 + 60 + 80) div 4 = 135 takes the unsmoothed right
    // neighbour; the last column uses itself as right: (120 + 60 + 120) div 4.
    // Row 3 sees row 2 already smoothed above it: (40 + 30 + 135) div 4 = 51.
    EXPECT_EQ(Channel(bmp, 0),
              (std::vector<std::vector<int>>{
                  {0, 0, 0}, {40, 80, 120}, {100, 135, 75}, {10, 51, 41}, {255, 255, 255}}));
    // div truncates: (2 + 1 + 0) div 4 = 0.
    EXPECT_EQ(Channel(bmp, 1), (std::vector<std::vector<int>>{
                                   {1, 1, 1}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 1}}));
    // Full bytes do not overflow; the fourth byte is never touched.
    EXPECT_EQ(Channel(bmp, 2), std::vector<std::vector<int>>(5, {255, 255, 255}));
    EXPECT_EQ(Channel(bmp, 3), std::vector<std::vector<int>>(5, {7, 7, 7}));
}

TEST(SmoothBitmapTest, LowOrNarrowPicturesAreLeftAsTheyAre) {
    const std::vector<std::vector<int>> rows = {
        {10, 200, 30, 90}, {250, 0, 60, 5}, {0, 99, 255, 17}};
    Bitmap low;
    low.SetSize(4, 3);
    SetChannel(low, 0, rows);
    SmoothBitmap(low);
    EXPECT_EQ(Channel(low, 0), rows);

    Bitmap narrow;  // only column 0, which is never changed
    narrow.SetSize(1, 6);
    SetChannel(narrow, 1, {{9}, {200}, {3}, {250}, {0}, {77}});
    SmoothBitmap(narrow);
    EXPECT_EQ(Channel(narrow, 1),
              (std::vector<std::vector<int>>{{9}, {200}, {3}, {250}, {0}, {77}}));
}

}  // namespace
}  // namespace nerovan
