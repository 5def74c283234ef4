// The SIMD variants of the bitmap's pixel kernels against their plain
// versions, on random rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <random>
#include <vector>

#include "pixel_kernels.h"

namespace nerovan {
namespace {

// n pixels in runs of one kind: the ground colour (the first pixel's),
// greys, any colour, black or white with either fourth byte, or the pixel
// before again; the fourth byte is random except at the edges.
std::vector<uint8_t> RandomPixels(std::mt19937& rng, size_t n) {
    std::vector<uint8_t> bytes(4 * n + 4);  // and one pixel past the row
    const uint32_t ground = rng() % 2 ? 0xFFFFFFu : rng() & 0xFFFFFFu;
    uint32_t pixel = ground, kind = 0;
    for (size_t k = 0; k < n + 1; ++k) {
        if (k == 0 || rng() % 12 == 0) kind = rng() % 5;
        const uint32_t fourth = rng() << 24, level = rng() & 0xFFu;
        if (kind == 0) pixel = ground | fourth;
        if (kind == 1) pixel = level * 0x010101u | fourth;
        if (kind == 2) pixel = rng();
        if (kind == 3) pixel = rng() % 2 ? 0u : 0xFFFFFFFFu;
        std::memcpy(&bytes[4 * k], &pixel, 4);
    }
    return bytes;
}

TEST(PixelKernels, SimdVariantsWriteTheBytesOfThePlainOnes) {
    using Run = bool (*)(const uint8_t*, size_t, uint32_t);
    using Fill = void (*)(uint8_t*, size_t, uint32_t);
    using Smooth = void (*)(uint8_t*, const uint8_t*, int, int);
    using Map = void (*)(uint8_t*, uint8_t*, size_t, size_t, PaletteMapping&);
    std::vector<Run> runs = {SameColourRunPlain};
    std::vector<Fill> fills = {FillWordsPlain};
    std::vector<Smooth> smooths = {SmoothRowPlain};
    std::vector<Map> maps = {MapPixelsToPalettePlain};
#ifdef __SSE2__
    runs.push_back(SameColourRunSse2);
    fills.push_back(FillWordsSse2);
    smooths.push_back(SmoothRowSse2);
#endif
#ifdef NEROVAN_AVX2_PATHS
    if (HasAvx2()) {
        smooths.push_back(SmoothRowAvx2);
        maps.push_back(MapPixelsToPaletteAvx2);
    }
#endif
    if (!HasAvx2()) std::cout << "[  SKIPPED ] the AVX2 variants: not on this processor\n";

    std::mt19937 rng(20240611);
    for (const size_t n : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 64, 71, 200, 1031}) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE(testing::Message() << n << " pixels, trial " << trial);
            const std::vector<uint8_t> row = RandomPixels(rng, n), above = RandomPixels(rng, n);
            uint32_t colour;
            std::memcpy(&colour, row.data(), 4);
            colour &= 0xFFFFFFu;
            const size_t four = n / 4 * 4;
            for (const Run run : runs)
                EXPECT_EQ(run(row.data(), four, colour), runs[0](row.data(), four, colour));
            const uint32_t word = rng();
            std::vector<uint8_t> filled = row;
            fills[0](filled.data(), n, word);
            for (const Fill fill : fills) {
                std::vector<uint8_t> mine = row;
                fill(mine.data(), n, word);
                EXPECT_EQ(mine, filled);
            }
            // As the bitmap smooths a row (columns 1 to n - 1), or from any column.
            const int from = 4 * static_cast<int>(trial % 2 ? 1 : rng() % n);
            const int to = std::max(from, static_cast<int>(4 * n) - 4);
            std::vector<uint8_t> smoothed = row;
            smooths[0](smoothed.data(), above.data(), from, to);
            for (const Smooth smooth : smooths) {
                std::vector<uint8_t> mine = row;
                smooth(mine.data(), above.data(), from, to);
                EXPECT_EQ(mine, smoothed);
            }
            std::vector<uint8_t> mapped = row, indices(n);
            PaletteMapping plain(mapped.data(), n);
            maps[0](mapped.data(), indices.data(), 0, n, plain);
            for (const Map map : maps) {
                std::vector<uint8_t> mine = row, myIndices(n);
                PaletteMapping mapping(mine.data(), n);
                map(mine.data(), myIndices.data(), 0, n, mapping);
                EXPECT_EQ(mine, mapped);
                EXPECT_EQ(myIndices, indices);
            }
        }
    }
}

}  // namespace
}  // namespace nerovan
