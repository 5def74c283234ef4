// The bitmap's pixel kernels: mapping 32-bit pixels onto the halftone
// palette, smoothing a row, finding a run of one colour and filling words.
// Each kernel has a plain version and its SIMD variants side by side, all
// callable (an AVX2 variant only where HasAvx2() says the processor has it),
// and every variant writes exactly the bytes the plain version writes; the
// unsuffixed name (FastestSmoothRow for the smoothing) picks the fastest one
// this build and processor have.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NEROVAN_AVX2_PATHS 1
#endif

namespace nerovan {

// Whether the processor runs the AVX2 variants (never on builds without them).
bool HasAvx2();

// Whether the count pixels from p on all have colour in their first three
// bytes (the SSE2 variant: count a multiple of four).
inline bool SameColourRunPlain(const uint8_t* p, size_t count, uint32_t colour) {
    for (size_t k = 0; k < count; ++k) {
        uint32_t pixel;
        std::memcpy(&pixel, p + 4 * k, 4);
        if ((pixel & 0x00FFFFFFu) != colour) return false;
    }
    return true;
}

// Writes count copies of the four bytes of word from p on.
inline void FillWordsPlain(uint8_t* p, size_t count, uint32_t word) {
    for (size_t k = 0; k < count; ++k) std::memcpy(p + 4 * k, &word, 4);
}

#ifdef __SSE2__
inline bool SameColourRunSse2(const uint8_t* p, size_t count, uint32_t colour) {
    const __m128i low = _mm_set1_epi32(0x00FFFFFF);
    const __m128i wanted = _mm_set1_epi32(static_cast<int>(colour));
    __m128i same = _mm_set1_epi32(-1);
    for (size_t k = 0; k < count; k += 4) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * k));
        same = _mm_and_si128(same, _mm_cmpeq_epi32(_mm_and_si128(four, low), wanted));
    }
    return _mm_movemask_epi8(same) == 0xFFFF;
}

inline void FillWordsSse2(uint8_t* p, size_t count, uint32_t word) {
    size_t k = 0;
    const __m128i four = _mm_set1_epi32(static_cast<int>(word));
    for (; k + 4 <= count; k += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 4 * k), four);
    FillWordsPlain(p + 4 * k, count - k, word);
}
#endif

// count a multiple of four.
inline bool SameColourRun(const uint8_t* p, size_t count, uint32_t colour) {
#ifdef __SSE2__
    return SameColourRunSse2(p, count, colour);
#else
    return SameColourRunPlain(p, count, colour);
#endif
}

inline void FillWords(uint8_t* p, size_t count, uint32_t word) {
#ifdef __SSE2__
    FillWordsSse2(p, count, word);
#else
    FillWordsPlain(p, count, word);
#endif
}

// Smooths the bytes [from, to) of a row in place, left to right, each
// becoming (2 * own + the byte four further right + the byte above) div 4;
// the fourth byte of each pixel is kept. from is a pixel's first byte (a
// multiple of four); the row must hold four bytes past to (the right
// neighbours), above as many as the row.
void SmoothRowPlain(uint8_t* row, const uint8_t* above, int from, int to);
#ifdef __SSE2__
void SmoothRowSse2(uint8_t* row, const uint8_t* above, int from, int to);
#endif
#ifdef NEROVAN_AVX2_PATHS
void SmoothRowAvx2(uint8_t* row, const uint8_t* above, int from, int to);
#endif
// The fastest variant here, to be chosen once for many rows.
using SmoothRowKernel = void (*)(uint8_t* row, const uint8_t* above, int from, int to);
SmoothRowKernel FastestSmoothRow();

// What mapping a picture onto the halftone palette keeps besides its pixels:
// each entry as the four bytes of a pixel, the ground colour (that of the
// first pixel, which lies in the margin) with its entry, and the colours met
// lately with theirs.
class PaletteMapping {
public:
    // The count pixels from bytes on are those to map.
    PaletteMapping(const uint8_t* bytes, size_t count);

    // The colour looked up last, with its word and entry. A kernel keeps a
    // copy of its own while it runs: the compiler must assume that the
    // stores to the pixels change the mapping's fields, but not a copy.
    struct Last {
        uint32_t Colour = 0xFFFFFFFFu;  // no 24-bit colour
        uint32_t Word = 0;
        uint8_t Entry = 0;
    };

    // Maps pixel k to its nearest entry: its word into the pixel, the entry
    // into index[k].
    void MapOne(uint8_t* bytes, uint8_t* index, size_t k, Last& last) {
        uint32_t colour;
        std::memcpy(&colour, bytes + 4 * k, 4);
        colour &= 0x00FFFFFFu;  // blue, green, red; the fourth byte is free
        if (colour != last.Colour) {
            last.Colour = colour;
            const uint32_t level = colour & 0xFFu;
            last.Entry = colour == level * 0x010101u ? GreyEntry(level) : EntryOf(colour);
            last.Word = words_[last.Entry];
        }
        std::memcpy(bytes + 4 * k, &last.Word, 4);
        index[k] = last.Entry;
    }

    uint32_t Ground() const { return ground_; }
    uint32_t GroundWord() const { return ground_word_; }
    uint8_t GroundEntry() const { return ground_entry_; }
    Last& LastLookedUp() { return last_; }
    // Each grey's word with its entry in the word's free fourth byte, by level.
    static const uint32_t* GreyWords();

private:
    uint8_t GreyEntry(uint32_t level) const { return greys_[level]; }
    uint8_t EntryOf(uint32_t colour);

    // The entry of each grey, by level: text drawn in black or grey on white
    // edges its glyphs with greys.
    const uint8_t* greys_;
    uint32_t words_[256] = {};
    static constexpr size_t kRecent = 1024;
    uint32_t recent_colour_[kRecent];
    uint8_t recent_index_[kRecent] = {};
    Last last_;
    uint32_t ground_ = 0xFFFFFFFFu;
    uint32_t ground_word_ = 0;
    uint8_t ground_entry_ = 0;
};

// Maps the pixels [from, count) to their nearest palette entries, the
// words into the pixels and the entries into index. The plain version finds
// runs and fills them with the fastest SameColourRun and FillWords.
void MapPixelsToPalettePlain(uint8_t* bytes, uint8_t* index, size_t from, size_t count,
                             PaletteMapping& mapping);
#ifdef NEROVAN_AVX2_PATHS
void MapPixelsToPaletteAvx2(uint8_t* bytes, uint8_t* index, size_t from, size_t count,
                            PaletteMapping& mapping);
#endif
void MapPixelsToPalette(uint8_t* bytes, uint8_t* index, size_t count, PaletteMapping& mapping);

}  // namespace nerovan
