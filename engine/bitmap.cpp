// The bitmap target's pixel work: sizing the 32-bit rows, the halftone
// palette and the nearest-entry rule that maps an 8-bit picture onto it, and
// the in-place smoothing of a 32-bit picture.
#include "bitmap.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace nerovan {

namespace {

// The six levels of each channel in the colour cube: 0, 51, ..., 255.
constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;  // 216
// Greys added between each pair of neighbouring cube greys.
constexpr int kGreysPerGap = 8;
static_assert(kCubeSize + kGreysPerGap * (kCubeLevels - 1) == 256, "the palette has 256 entries");

inline int CubeIndex(int r, int g, int b) { return r * 36 + g * 6 + b; }

struct HalftoneTables {
    std::vector<PaletteEntry> palette;
    // For every sum r + g + b (0..765), the palette index of the grey
    // nearest to any colour with that sum. For a grey (v, v, v) the squared
    // distance is sum(c^2) - 2*v*s + 3*v^2, so the ranking of the greys
    // depends on the sum s alone.
    std::array<uint8_t, 766> greyForSum{};

    HalftoneTables() {
        palette.reserve(256);
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b) {
                    PaletteEntry e;
                    e.Red = static_cast<uint8_t>(r * kCubeStep);
                    e.Green = static_cast<uint8_t>(g * kCubeStep);
                    e.Blue = static_cast<uint8_t>(b * kCubeStep);
                    palette.push_back(e);
                }
        // Eight greys evenly spread inside each of the five gaps between the
        // cube's greys (0, 51, 102, 153, 204, 255), ascending: the shades of
        // antialiased text then find a close entry.
        for (int gap = 0; gap < kCubeLevels - 1; ++gap)
            for (int k = 1; k <= kGreysPerGap; ++k) {
                const int v = gap * kCubeStep +
                              (kCubeStep * k * 2 + (kGreysPerGap + 1)) / (2 * (kGreysPerGap + 1));
                PaletteEntry e;
                e.Red = e.Green = e.Blue = static_cast<uint8_t>(v);
                palette.push_back(e);
            }

        for (int s = 0; s <= 765; ++s) {
            long best = 0;
            int bestIndex = -1;
            for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
                const PaletteEntry& e = palette[i];
                if (e.Red != e.Green || e.Green != e.Blue) continue;
                const long v = e.Red;
                const long rank = 3 * v * v - 2 * v * s;
                if (bestIndex < 0 || rank < best) {  // ties keep the lower index
                    best = rank;
                    bestIndex = i;
                }
            }
            greyForSum[s] = static_cast<uint8_t>(bestIndex);
        }
    }
};

const HalftoneTables& Tables() {
    static const HalftoneTables tables;
    return tables;
}

inline long SquaredDistance(const PaletteEntry& e, int r, int g, int b) {
    const long dr = r - e.Red, dg = g - e.Green, db = b - e.Blue;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

const std::vector<PaletteEntry>& HalftonePalette() { return Tables().palette; }

uint8_t NearestHalftoneIndex(uint8_t red, uint8_t green, uint8_t blue) {
    const HalftoneTables& t = Tables();
    // The distance is a sum over the channels, so the nearest cube entry is
    // the nearest level in each channel (51 is odd: no ties inside the cube).
    const int cube = CubeIndex((red + kCubeStep / 2) / kCubeStep,
                               (green + kCubeStep / 2) / kCubeStep,
                               (blue + kCubeStep / 2) / kCubeStep);
    const int grey = t.greyForSum[red + green + blue];
    const long cubeDistance = SquaredDistance(t.palette[cube], red, green, blue);
    const long greyDistance = SquaredDistance(t.palette[grey], red, green, blue);
    // Equal distances go to the lower index, as a scan of the palette would.
    if (greyDistance < cubeDistance || (greyDistance == cubeDistance && grey < cube))
        return static_cast<uint8_t>(grey);
    return static_cast<uint8_t>(cube);
}

void Bitmap::SetSize(int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    // Allocate before touching the fields, so a failed allocation leaves the
    // bitmap as it was.
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0xFF);
    pixels_.swap(pixels);
    indices_.clear();
    indices_.shrink_to_fit();
    width_ = w;
    height_ = h;
    ++generation_;
}

void Bitmap::MapToPalette() {
    const std::vector<PaletteEntry>& palette = HalftonePalette();
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    // Every index is written below.
    indices_.resize(count);
    // Each entry as the four bytes of a pixel: blue, green, red, zero.
    uint32_t words[256] = {};
    for (size_t k = 0; k < 256 && k < palette.size(); ++k) {
        const uint8_t bytes[4] = {palette[k].Blue, palette[k].Green, palette[k].Red, 0};
        std::memcpy(&words[k], bytes, 4);
    }
    // Pictures are mostly runs of the background colour: remember the last
    // colour looked up. The edges of glyphs alternate between a few dozen
    // shades, which a small table of recent colours answers.
    uint32_t lastColour = 0xFFFFFFFFu;  // no 24-bit colour has this value
    uint8_t lastIndex = 0;
    constexpr size_t kRecent = 1024;
    std::vector<uint32_t> recentColour(kRecent, 0xFFFFFFFFu);
    std::vector<uint8_t> recentIndex(kRecent, 0);
    uint8_t* p = pixels_.data();
    uint8_t* index = indices_.data();
    for (size_t i = 0; i < count; ++i, p += 4) {
        const uint32_t colour = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16);
        if (colour != lastColour) {
            lastColour = colour;
            const size_t slot = (colour ^ (colour >> 10) ^ (colour >> 20)) & (kRecent - 1);
            if (recentColour[slot] != colour) {
                recentColour[slot] = colour;
                recentIndex[slot] = NearestHalftoneIndex(p[2], p[1], p[0]);
            }
            lastIndex = recentIndex[slot];
        }
        std::memcpy(p, &words[lastIndex], 4);
        index[i] = lastIndex;
    }
}

void SmoothBitmap(Bitmap& bitmap) {
    const int h = bitmap.Height();
    const int w = bitmap.Width();
    if (h < 4) return;
    for (int y = 2; y <= h - 2; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* above = bitmap.ScanLine(y - 1);
        for (int x = 1; x < w; ++x) {
            uint8_t* own = row + x * 4;
            for (int c = 0; c < 3; ++c) {
                // The last column has no right neighbour: it stands in for itself.
                const unsigned right = x + 1 < w ? own[4 + c] : own[c];
                own[c] = static_cast<uint8_t>((2u * own[c] + right + above[x * 4 + c]) / 4u);
            }
        }
    }
}

void Bitmap::CopyFrom(const Bitmap& other) {
    if (&other == this) return;
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = other.pixels_;
    indices_ = other.indices_;
    ++generation_;
}

}  // namespace nerovan
