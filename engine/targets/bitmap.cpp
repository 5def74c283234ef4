// The bitmap target's pixel work: sizing the 32-bit rows, the halftone
// palette and the nearest-entry rule that maps an 8-bit picture onto it, and
// the in-place smoothing of a 32-bit picture.
#include "bitmap.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "raster_canvas.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define NEROVAN_AVX2_PATHS 1
#endif

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

// Whether the count pixels from p on (a multiple of four) all have colour
// in their first three bytes.
bool SameColourRun(const uint8_t* p, size_t count, uint32_t colour) {
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi32(0x00FFFFFF);
    const __m128i wanted = _mm_set1_epi32(static_cast<int>(colour));
    __m128i same = _mm_set1_epi32(-1);
    for (size_t k = 0; k < count; k += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * k));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(_mm_and_si128(four, low), wanted));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
#else
    for (size_t k = 0; k < count; ++k) {
        uint32_t pixel;
        std::memcpy(&pixel, p + 4 * k, 4);
        if ((pixel & 0x00FFFFFFu) != colour) return false;
    }
    return true;
#endif
}

// Writes count copies of the four bytes of word from p on.
void FillWords(uint8_t* p, size_t count, uint32_t word) {
    size_t k = 0;
#ifdef __SSE2__
    const __m128i four = _mm_set1_epi32(static_cast<int>(word));
    for (; k + 4 <= count; k += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4 * k), four);
#endif
    for (; k < count; ++k) std::memcpy(p + 4 * k, &word, 4);
}

// Smooths the bytes [from, to) of a row in place, each becoming
// (2 * own + the byte four further right + the byte above) div 4, and
// returns where it stopped: sixteen bytes at a time where the processor
// allows, leaving the rest to the caller. The right neighbour is read
// before it is smoothed, and the fourth byte of each pixel is kept.
#ifdef NEROVAN_AVX2_PATHS
bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Maps pixels from i on, eight at a time while eight remain, for processors
// with AVX2: eight of the ground colour take its word and entry at once;
// eight greys look up their words and entries together in greyTable (by
// level: the word's colour bytes, the entry in the fourth byte); a block
// with any other colour goes pixel by pixel through mapOne. Returns where it
// stopped.
template <class MapOne>
__attribute__((target("avx2"))) size_t MapBlocksOfEight(uint8_t* bytes, uint8_t* index, size_t i,
                                                        size_t count, uint32_t ground,
                                                        uint32_t groundWord, uint8_t groundEntry,
                                                        const uint32_t* greyTable, MapOne& mapOne) {
    const __m256i colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i firstByte = _mm256_set1_epi32(0xFF);
    const __m256i wanted = _mm256_set1_epi32(static_cast<int>(ground));
    const __m256i word = _mm256_set1_epi32(static_cast<int>(groundWord));
    const uint64_t entries = 0x0101010101010101ull * groundEntry;
    // The fourth byte of each of a lane's four words, to the lane's first four bytes.
    const __m256i fourthBytes = _mm256_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                 -1, -1, -1, 3, 7, 11, 15, -1, -1, -1, -1, -1, -1,
                                                 -1, -1, -1, -1, -1, -1);
    for (; i + 8 <= count; i += 8) {
        __m256i* at = reinterpret_cast<__m256i*>(bytes + 4 * i);
        const __m256i colours = _mm256_and_si256(_mm256_loadu_si256(at), colourBytes);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(colours, wanted)) == -1) {
            _mm256_storeu_si256(at, word);
            std::memcpy(index + i, &entries, 8);
            continue;
        }
        const __m256i level = _mm256_and_si256(colours, firstByte);
        const __m256i grey = _mm256_or_si256(
            level, _mm256_or_si256(_mm256_slli_epi32(level, 8), _mm256_slli_epi32(level, 16)));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(colours, grey)) != -1) {
            for (size_t k = i; k < i + 8; ++k) mapOne(k);
            continue;
        }
        const __m256i found =
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(greyTable), level, 4);
        _mm256_storeu_si256(at, _mm256_and_si256(found, colourBytes));
        const __m256i packed = _mm256_shuffle_epi8(found, fourthBytes);
        const auto low = static_cast<uint32_t>(_mm256_extract_epi32(packed, 0));
        const auto high = static_cast<uint32_t>(_mm256_extract_epi32(packed, 4));
        std::memcpy(index + i, &low, 4);
        std::memcpy(index + i + 4, &high, 4);
    }
    return i;
}

// Smoothing as SmoothRowInBulk below, thirty-two bytes at a time.
__attribute__((target("avx2"))) int SmoothRowInBulk32(uint8_t* row, const uint8_t* above,
                                                      int from, int to) {
    int i = from;
    const __m256i ones = _mm256_set1_epi8(1);
    const auto floorMean = [&ones](__m256i a, __m256i b) __attribute__((target("avx2"))) {
        return _mm256_sub_epi8(_mm256_avg_epu8(a, b),
                               _mm256_and_si256(_mm256_xor_si256(a, b), ones));
    };
    const __m256i fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 32 <= to; i += 32) {
        const __m256i own = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i + 4));
        const __m256i up = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + i));
        // Where a byte's right and upper neighbours equal it (most of the
        // background), smoothing keeps it: nothing to write.
        const __m256i same =
            _mm256_and_si256(_mm256_cmpeq_epi8(own, right), _mm256_cmpeq_epi8(own, up));
        if (_mm256_movemask_epi8(same) == -1) continue;
        const __m256i result = floorMean(own, floorMean(right, up));
        const __m256i kept = _mm256_or_si256(_mm256_andnot_si256(fourth, result),
                                             _mm256_and_si256(fourth, own));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), kept);
    }
    return i;
}
#endif

int SmoothRowInBulk(uint8_t* row, const uint8_t* above, int from, int to) {
    int i = from;
#ifdef NEROVAN_AVX2_PATHS
    if (HasAvx2()) i = SmoothRowInBulk32(row, above, i, to);
#endif
#ifdef __SSE2__
    // (2 * own + right + up) div 4 is the floored mean of own and the
    // floored mean of right and up, which bytes can take without widening:
    // the rounded-up mean of the processor, less one where the two differ
    // in their lowest bit.
    const __m128i ones = _mm_set1_epi8(1);
    const auto floorMean = [&ones](__m128i a, __m128i b) {
        return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), ones));
    };
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 16 <= to; i += 16) {
        const __m128i own = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i + 4));
        const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
        const __m128i result = floorMean(own, floorMean(right, up));
        const __m128i kept = _mm_or_si128(_mm_andnot_si128(fourth, result),
                                          _mm_and_si128(fourth, own));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), kept);
    }
#endif
    return i;
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
    if (w == width_ && h == height_) {
        // The same size again (a repaint): the buffer, and the drawing
        // context over it, are kept; only the pixels turn white.
        if (canvas_) canvas_->DiscardPending();
        std::fill(pixels_.begin(), pixels_.end(), 0xFF);
        indices_valid_ = false;
        PixelsChanged();
        plain_ = true;
        plain_colour_ = clWhite;
        return;
    }
    if (canvas_) canvas_->DiscardPending();
    // Allocate before touching the fields, so a failed allocation leaves the
    // bitmap as it was.
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0xFF);
    TakePixels(pixels, w, h);
    indices_.shrink_to_fit();
    plain_ = true;
    plain_colour_ = clWhite;
}

void Bitmap::TakePixels(std::vector<uint8_t>& pixels, int w, int h) {
    pixels_.swap(pixels);
    indices_.clear();
    indices_valid_ = false;
    width_ = w;
    height_ = h;
    ++generation_;
}

const std::vector<uint8_t>& Bitmap::NoIndices() {
    static const std::vector<uint8_t> none;
    return none;
}

void Bitmap::MapToPalette() {
    const std::vector<PaletteEntry>& palette = HalftonePalette();
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    // Every index is written below.
    if (indices_.size() != count) indices_.resize(count);
    indices_valid_ = true;
    // Each entry as the four bytes of a pixel: blue, green, red, zero.
    uint32_t words[256] = {};
    for (size_t k = 0; k < 256 && k < palette.size(); ++k) {
        const uint8_t bytes[4] = {palette[k].Blue, palette[k].Green, palette[k].Red, 0};
        std::memcpy(&words[k], bytes, 4);
    }
    // Pictures are mostly the background colour, the colour of the first
    // pixel (which lies in the margin): sixteen or four pixels of it are
    // mapped without a lookup, and so are four pixels of the colour looked
    // up last. The edges of glyphs alternate between a few dozen shades,
    // which a small table of recent colours answers.
    constexpr size_t kRecent = 1024;
    uint32_t recentColour[kRecent];
    uint8_t recentIndex[kRecent] = {};
    std::fill(recentColour, recentColour + kRecent, 0xFFFFFFFFu);  // no 24-bit colour
    const auto entryOf = [&](uint32_t colour) {
        const size_t slot = (colour ^ (colour >> 10) ^ (colour >> 20)) & (kRecent - 1);
        if (recentColour[slot] != colour) {
            recentColour[slot] = colour;
            recentIndex[slot] = NearestHalftoneIndex(static_cast<uint8_t>(colour >> 16),
                                                     static_cast<uint8_t>(colour >> 8),
                                                     static_cast<uint8_t>(colour));
        }
        return recentIndex[slot];
    };
    uint8_t* index = indices_.data();
    uint8_t* bytes = ScanLine(0);
    const auto colourAt = [&](size_t k) {
        uint32_t pixel;
        std::memcpy(&pixel, bytes + 4 * k, 4);
        return pixel & 0x00FFFFFFu;  // blue, green, red; the fourth byte is free
    };
    uint32_t lastColour = 0xFFFFFFFFu;
    uint8_t lastEntry = 0;
    uint32_t lastWord = 0;
    // Text drawn in black or grey on white edges its glyphs with greys,
    // which are looked up in a table of their own.
    static const std::array<uint8_t, 256> greys = [] {
        std::array<uint8_t, 256> g{};
        for (int v = 0; v < 256; ++v) {
            const auto level = static_cast<uint8_t>(v);
            g[static_cast<size_t>(v)] = NearestHalftoneIndex(level, level, level);
        }
        return g;
    }();
    const auto mapOne = [&](size_t k) {
        const uint32_t colour = colourAt(k);
        if (colour != lastColour) {
            lastColour = colour;
            const uint32_t level = colour & 0xFFu;
            lastEntry = colour == level * 0x010101u ? greys[level] : entryOf(colour);
            lastWord = words[lastEntry];
        }
        std::memcpy(bytes + 4 * k, &lastWord, 4);
        index[k] = lastEntry;
    };
    const uint32_t ground = count > 0 ? colourAt(0) : 0xFFFFFFFFu;
    const uint8_t groundEntry = count > 0 ? entryOf(ground) : 0;
    const uint32_t groundWord = words[groundEntry];
    const auto fill = [&](size_t from, size_t n, uint32_t word, uint8_t entry) {
        FillWords(bytes + 4 * from, n, word);
        std::fill(index + from, index + from + n, entry);
    };
    size_t i = 0;
#ifdef NEROVAN_AVX2_PATHS
    if (HasAvx2()) {
        // Each grey's word with its entry in the word's free fourth byte.
        static const std::array<uint32_t, 256> greyWords = [&words] {
            std::array<uint32_t, 256> g{};
            for (size_t v = 0; v < 256; ++v) g[v] = words[greys[v]] | uint32_t{greys[v]} << 24;
            return g;
        }();
        i = MapBlocksOfEight(bytes, index, i, count, ground, groundWord, groundEntry,
                             greyWords.data(), mapOne);
    }
#endif
    while (i + 4 <= count) {
        if (i + 16 <= count && SameColourRun(bytes + 4 * i, 16, ground)) {
            fill(i, 16, groundWord, groundEntry);
            i += 16;
            continue;
        }
        if (SameColourRun(bytes + 4 * i, 4, ground))
            fill(i, 4, groundWord, groundEntry);
        else if (SameColourRun(bytes + 4 * i, 4, lastColour))
            fill(i, 4, lastWord, lastEntry);
        else
            for (size_t k = i; k < i + 4; ++k) mapOne(k);
        i += 4;
    }
    for (; i < count; ++i) mapOne(i);
    PixelsChanged();
}

void SmoothBitmap(Bitmap& bitmap) {
    const int h = bitmap.Height();
    const int w = bitmap.Width();
    if (h < 4) return;
    for (int y = 2; y <= h - 2; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* above = bitmap.ScanLine(y - 1);
        // Left to right, in place: each byte reads its right neighbour before
        // that neighbour is smoothed, so whole stretches of bytes can be done
        // at once. The fourth byte of each pixel is left as it was.
        const int last = (w - 1) * 4;  // the last column's first byte
        for (int i = SmoothRowInBulk(row, above, 4, last); i < last; ++i) {
            const unsigned v = (2u * row[i] + row[i + 4] + above[i]) / 4u;
            row[i] = (i & 3) == 3 ? row[i] : static_cast<uint8_t>(v);
        }
        // The last column has no right neighbour: it stands in for itself.
        if (w > 1)
            for (int c = 0; c < 3; ++c)
                row[last + c] = static_cast<uint8_t>((3u * row[last + c] + above[last + c]) / 4u);
    }
    bitmap.PixelsChanged();
}

void Bitmap::Grow(const TRect& by, TColor colour) {
    if (pending_drawing_) FinishDrawing();
    if (canvas_) canvas_->DiscardPending();
    const int w = width_ + by.Left + by.Right, h = height_ + by.Top + by.Bottom;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    const uint8_t bgra[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0xFF};
    for (size_t i = 0; i < pixels.size(); i += 4) std::memcpy(&pixels[i], bgra, 4);
    for (int y = 0; y < height_; ++y)
        std::memcpy(&pixels[(static_cast<size_t>(y + by.Top) * w + by.Left) * 4],
                    &pixels_[static_cast<size_t>(y) * width_ * 4], static_cast<size_t>(width_) * 4);
    TakePixels(pixels, w, h);
    plain_ = false;
}

void Bitmap::CopyFrom(const Bitmap& other) {
    if (&other == this) return;
    if (other.pending_drawing_) other.FinishDrawing();
    if (canvas_) canvas_->DiscardPending();
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = other.pixels_;
    indices_ = other.indices_;
    indices_valid_ = other.indices_valid_;
    ++generation_;
    plain_ = false;
}

}  // namespace nerovan
