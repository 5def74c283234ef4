// Boxes, origins and the limits shared by every layout routine (and, through
// errors.h, the notation errors).
// A box is measured in whole pixels; Ascent is the distance from its top to
// the alignment line on which neighbouring boxes of a row are lined up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "errors.h"

namespace nerovan {

struct TFormulaMetrics {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Ascent = 0;
    bool operator==(const TFormulaMetrics& o) const {
        return Width == o.Width && Height == o.Height && Ascent == o.Ascent;
    }
};

struct TFormulaOrigin {
    int32_t X = 0;
    int32_t Y = 0;
};

// Sizes and offsets of the layout saturate at plus or minus kSaturatedSize
// wherever they are added up or multiplied: nested matrices multiply their
// cells' sizes at every level. The bound lies far beyond the largest picture,
// so a formula whose sizes saturated is refused as too large, and far enough
// below the 32-bit limit that a few such sizes still add up within it where
// positions are worked out from them. Below it the results are exact.
constexpr int32_t kSaturatedSize = 1 << 28;

// The sum of sizes or offsets, saturated at kSaturatedSize.
template <typename... Terms>
constexpr int32_t SizeSum(Terms... terms) {
    const long long sum = (0LL + ... + static_cast<long long>(terms));
    if (sum > kSaturatedSize) return kSaturatedSize;
    if (sum < -kSaturatedSize) return -kSaturatedSize;
    return static_cast<int32_t>(sum);
}

// count copies of a size side by side, saturated likewise.
constexpr int32_t SizeTimes(int32_t size, int32_t count) {
    return SizeSum(static_cast<long long>(size) * count);
}

// The deepest nesting of expressions (brackets, arguments, scripts, limits)
// laid out; deeper input is refused before it can exhaust the stack.
constexpr int kMaxNestingDepth = 400;
// The most characters the expressions laid out inside each other at one
// time may hold together: each level keeps its pieces while the levels
// inside it are laid out, so a long formula nested deep would otherwise
// take memory in proportion to length times depth.
constexpr size_t kMaxNestedCharacters = 20000000;
// The largest picture: cairo's limit on a side, and 64 megapixels (256 MiB
// of 32-bit pixels) in all.
constexpr int kMaxPictureSide = 32767;
// The largest em height of the formula's font and the longest expression:
// together they keep every sum of widths and heights inside 32 bits.
constexpr int kMaxFontPixels = 2000;
constexpr size_t kMaxExpressionLength = 500000;
constexpr long long kMaxPicturePixels = 64LL * 1024 * 1024;

}  // namespace nerovan
