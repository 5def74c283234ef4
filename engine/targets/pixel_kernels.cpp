// The bitmap's pixel kernels, plain and SIMD side by side. The AVX2 variants
// are compiled for that processor whatever the build targets and run only
// where HasAvx2() finds it.
#include "pixel_kernels.h"

#include <algorithm>
#include <array>

#include "bitmap.h"

#ifdef NEROVAN_AVX2_PATHS
#include <immintrin.h>
#endif

namespace nerovan {

bool HasAvx2() {
#ifdef NEROVAN_AVX2_PATHS
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

namespace {

// The steps the smoothing variants share, inlined into each (into the AVX2
// one as VEX code, so no step leaves the upper halves of the registers
// dirty before legacy SSE code).
#define NEROVAN_KERNEL_STEP inline __attribute__((always_inline))

NEROVAN_KERNEL_STEP void SmoothBytes(uint8_t* row, const uint8_t* above, int from, int to) {
    for (int i = from; i < to; ++i) {
        const unsigned v = (2u * row[i] + row[i + 4] + above[i]) / 4u;
        row[i] = (i & 3) == 3 ? row[i] : static_cast<uint8_t>(v);
    }
}

// Left to right, in place: each byte reads its right neighbour before that
// neighbour is smoothed, so whole stretches of bytes can be done at once.
// Sixteen bytes at a time while sixteen remain; returns where it stopped.
#ifdef __SSE2__
NEROVAN_KERNEL_STEP int SmoothSixteens(uint8_t* row, const uint8_t* above, int from, int to) {
    int i = from;
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
        const __m128i kept =
            _mm_or_si128(_mm_andnot_si128(fourth, result), _mm_and_si128(fourth, own));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), kept);
    }
    return i;
}
#endif

}  // namespace

void SmoothRowPlain(uint8_t* row, const uint8_t* above, int from, int to) {
    SmoothBytes(row, above, from, to);
}

#ifdef __SSE2__
void SmoothRowSse2(uint8_t* row, const uint8_t* above, int from, int to) {
    SmoothBytes(row, above, SmoothSixteens(row, above, from, to), to);
}
#endif

#ifdef NEROVAN_AVX2_PATHS
// As the SSE2 variant, thirty-two bytes at a time first.
__attribute__((target("avx2"))) void SmoothRowAvx2(uint8_t* row, const uint8_t* above, int from,
                                                   int to) {
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
        const __m256i kept =
            _mm256_or_si256(_mm256_andnot_si256(fourth, result), _mm256_and_si256(fourth, own));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), kept);
    }
#ifdef __SSE2__
    i = SmoothSixteens(row, above, i, to);
#endif
    SmoothBytes(row, above, i, to);
}
#endif

SmoothRowKernel FastestSmoothRow() {
#ifdef NEROVAN_AVX2_PATHS
    if (HasAvx2()) return SmoothRowAvx2;
#endif
#ifdef __SSE2__
    return SmoothRowSse2;
#else
    return SmoothRowPlain;
#endif
}

namespace {

const std::array<uint8_t, 256>& GreyEntries() {
    static const std::array<uint8_t, 256> greys = [] {
        std::array<uint8_t, 256> g{};
        for (int v = 0; v < 256; ++v) {
            const auto level = static_cast<uint8_t>(v);
            g[static_cast<size_t>(v)] = NearestHalftoneIndex(level, level, level);
        }
        return g;
    }();
    return greys;
}

// Each palette entry as the four bytes of a pixel: blue, green, red, zero.
void EntryWords(uint32_t (&words)[256]) {
    const std::vector<PaletteEntry>& palette = HalftonePalette();
    for (size_t k = 0; k < 256 && k < palette.size(); ++k) {
        const uint8_t bytes[4] = {palette[k].Blue, palette[k].Green, palette[k].Red, 0};
        std::memcpy(&words[k], bytes, 4);
    }
}

}  // namespace

// Pictures are mostly the background colour, the colour of the first pixel
// (which lies in the margin): sixteen or four pixels of it are mapped
// without a lookup, and so are four pixels of the colour looked up last.
// The edges of glyphs alternate between a few dozen shades, which a small
// table of recent colours answers.
PaletteMapping::PaletteMapping(const uint8_t* bytes, size_t count) : greys_(GreyEntries().data()) {
    EntryWords(words_);
    std::fill(recent_colour_, recent_colour_ + kRecent, 0xFFFFFFFFu);  // no 24-bit colour
    if (count > 0) {
        std::memcpy(&ground_, bytes, 4);
        ground_ &= 0x00FFFFFFu;
        ground_entry_ = EntryOf(ground_);
    }
    ground_word_ = words_[ground_entry_];
}

uint8_t PaletteMapping::EntryOf(uint32_t colour) {
    const size_t slot = (colour ^ (colour >> 10) ^ (colour >> 20)) & (kRecent - 1);
    if (recent_colour_[slot] != colour) {
        recent_colour_[slot] = colour;
        recent_index_[slot] =
            NearestHalftoneIndex(static_cast<uint8_t>(colour >> 16),
                                 static_cast<uint8_t>(colour >> 8), static_cast<uint8_t>(colour));
    }
    return recent_index_[slot];
}

const uint32_t* PaletteMapping::GreyWords() {
    static const std::array<uint32_t, 256> greyWords = [] {
        uint32_t words[256] = {};
        EntryWords(words);
        const std::array<uint8_t, 256>& greys = GreyEntries();
        std::array<uint32_t, 256> g{};
        for (size_t v = 0; v < 256; ++v) g[v] = words[greys[v]] | uint32_t{greys[v]} << 24;
        return g;
    }();
    return greyWords.data();
}

void MapPixelsToPalettePlain(uint8_t* bytes, uint8_t* index, size_t from, size_t count,
                             PaletteMapping& m) {
    const uint32_t ground = m.Ground(), groundWord = m.GroundWord();
    const uint8_t groundEntry = m.GroundEntry();
    PaletteMapping::Last last = m.LastLookedUp();
    const auto fill = [&](size_t at, size_t n, uint32_t word, uint8_t entry) {
        FillWords(bytes + 4 * at, n, word);
        std::fill(index + at, index + at + n, entry);
    };
    size_t i = from;
    while (i + 4 <= count) {
        if (i + 16 <= count && SameColourRun(bytes + 4 * i, 16, ground)) {
            fill(i, 16, groundWord, groundEntry);
            i += 16;
            continue;
        }
        if (SameColourRun(bytes + 4 * i, 4, ground))
            fill(i, 4, groundWord, groundEntry);
        else if (SameColourRun(bytes + 4 * i, 4, last.Colour))
            fill(i, 4, last.Word, last.Entry);
        else
            for (size_t k = i; k < i + 4; ++k) m.MapOne(bytes, index, k, last);
        i += 4;
    }
    for (; i < count; ++i) m.MapOne(bytes, index, i, last);
    m.LastLookedUp() = last;
}

#ifdef NEROVAN_AVX2_PATHS
// Eight pixels at a time while eight remain: eight of the ground colour take
// its word and entry at once; eight greys look up their words and entries
// together in the grey words (by level: the word's colour bytes, the entry in
// the fourth byte); a block with any other colour goes pixel by pixel. The
// rest as the plain variant.
__attribute__((target("avx2"))) void MapPixelsToPaletteAvx2(uint8_t* bytes, uint8_t* index,
                                                            size_t from, size_t count,
                                                            PaletteMapping& m) {
    const uint32_t* greyTable = PaletteMapping::GreyWords();
    const __m256i colourBytes = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i firstByte = _mm256_set1_epi32(0xFF);
    const __m256i wanted = _mm256_set1_epi32(static_cast<int>(m.Ground()));
    const __m256i word = _mm256_set1_epi32(static_cast<int>(m.GroundWord()));
    const uint64_t entries = 0x0101010101010101ull * m.GroundEntry();
    // The fourth byte of each of a lane's four words, to the lane's first four bytes.
    const __m256i fourthBytes =
        _mm256_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 3, 7, 11, 15,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    PaletteMapping::Last last = m.LastLookedUp();
    size_t i = from;
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
            for (size_t k = i; k < i + 8; ++k) m.MapOne(bytes, index, k, last);
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
    // The rest goes to legacy SSE code, which would pay for each of its
    // instructions while the upper halves of the registers are dirty (and
    // the compiler may omit this before a tail call).
    m.LastLookedUp() = last;
    _mm256_zeroupper();
    MapPixelsToPalettePlain(bytes, index, i, count, m);
}
#endif

void MapPixelsToPalette(uint8_t* bytes, uint8_t* index, size_t count, PaletteMapping& mapping) {
#ifdef NEROVAN_AVX2_PATHS
    if (HasAvx2()) return MapPixelsToPaletteAvx2(bytes, index, 0, count, mapping);
#endif
    MapPixelsToPalettePlain(bytes, index, 0, count, mapping);
}

}  // namespace nerovan
