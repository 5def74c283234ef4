// The bounds-checked reader of an EMF from anywhere (the clipboard): its
// header's creator, description and frame, and the formula's hidden text run
// where an office program's copy lost the header's description.
#include <uemf.h>

#include <algorithm>
#include <cstring>

#include "emf.h"
#include "utf16.h"

namespace nerovan {

namespace {

// The fixed part of an EMR_HEADER that every EMF has (older files stop here).
constexpr size_t kMinHeaderSize = U_SIZE_EMRHEADER_MIN;
static_assert(kMinHeaderSize == 88, "EMR_HEADER without its extensions is 88 bytes");

// Little-endian fields of the untrusted buffer.
uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t LoadI32(const uint8_t* p) {
    const uint32_t u = LoadU32(p);
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

// Extent of a 0.01 mm frame edge pair in pixels at 96 DPI, rounded; an
// inverted frame counts as empty.
int HimetricExtentToPixels(int32_t low, int32_t high) {
    const int64_t extent = static_cast<int64_t>(high) - low;
    if (extent <= 0) return 0;
    return static_cast<int>((extent * kScreenPixelsPerInch + kHimetricPerInch / 2) /
                            kHimetricPerInch);
}

// The text of the first EXTTEXTOUTW record among the records in
// data[begin..end) that starts with prefix, as UTF-16 units after the
// prefix; false when there is none. Every record's size and every text's
// place are checked against the records' bounds.
bool FindTextRun(const uint8_t* data, size_t begin, size_t end, const std::vector<uint16_t>& prefix,
                 std::vector<uint16_t>& rest) {
    // Offsets within EMR_EXTTEXTOUTW: its EMRTEXT's character count and the
    // offset of the characters from the record's start.
    constexpr size_t kChars = 44, kOffString = 48, kMinTextRecord = 76;
    for (size_t off = begin; off + 8 <= end;) {
        const uint32_t type = LoadU32(data + off), size = LoadU32(data + off + 4);
        if (size < 8 || size % 4 != 0 || size > end - off) return false;
        if (type == U_EMR_EOF) return false;
        if (type == U_EMR_EXTTEXTOUTW && size >= kMinTextRecord) {
            const uint64_t n = LoadU32(data + off + kChars), at = LoadU32(data + off + kOffString);
            if (n >= prefix.size() && at >= kMinTextRecord && at <= size && n <= (size - at) / 2) {
                const uint8_t* p = data + off + at;
                auto unit = [p](size_t i) {
                    return static_cast<uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
                };
                size_t k = 0;
                while (k < prefix.size() && unit(k) == prefix[k]) ++k;
                if (k == prefix.size()) {
                    rest.clear();
                    for (size_t i = k; i < n; ++i) rest.push_back(unit(i));
                    return true;
                }
            }
        }
        off += size;
    }
    return false;
}

}  // namespace

bool ReadEmfHeader(const uint8_t* data, size_t size, EmfHeaderInfo& out) {
    // Offsets of the EMR_HEADER fields this reader uses.
    constexpr size_t kType = 0, kSize = 4, kFrame = 24, kSignature = 40, kBytes = 48;
    constexpr size_t kDescriptionCount = 60, kDescriptionOffset = 64;

    if (!data || size < kMinHeaderSize) return false;
    if (LoadU32(data + kType) != U_EMR_HEADER) return false;
    if (LoadU32(data + kSignature) != U_ENHMETA_SIGNATURE) return false;
    const uint64_t record_size = LoadU32(data + kSize);
    const uint64_t file_size = LoadU32(data + kBytes);
    if (record_size < kMinHeaderSize || record_size > size) return false;
    if (file_size < record_size || file_size > size) return false;

    EmfHeaderInfo info;
    const uint64_t count = LoadU32(data + kDescriptionCount);
    const uint64_t offset = LoadU32(data + kDescriptionOffset);
    if (count != 0) {
        // The text must lie in the header record, after its fixed fields.
        if (offset < kMinHeaderSize || offset > record_size || count > (record_size - offset) / 2)
            return false;
        std::vector<uint16_t> units(static_cast<size_t>(count));
        const uint8_t* p = data + offset;
        for (size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<uint16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        size_t first_nul = 0;
        while (first_nul < units.size() && units[first_nul] != 0) ++first_nul;
        info.Creator = Utf16ToUtf8(units, 0, first_nul);
        if (first_nul < units.size()) {
            size_t second_nul = first_nul + 1;
            while (second_nul < units.size() && units[second_nul] != 0) ++second_nul;
            info.Description = Utf16ToUtf8(units, first_nul + 1, second_nul);
        }
    }
    if (info.Creator.empty() && info.Description.empty()) {
        std::vector<uint16_t> prefix, rest;
        AppendUtf16(prefix, kCreatorWord);
        if (FindTextRun(data, record_size, file_size, prefix, rest)) {
            std::vector<uint16_t> separator;
            AppendUtf16(separator, kFormulaCarrierSeparator);
            auto at = std::search(rest.begin(), rest.end(), separator.begin(), separator.end());
            if (at != rest.end()) {
                std::vector<uint16_t> creator = prefix;
                creator.insert(creator.end(), rest.begin(), at);
                const size_t from = static_cast<size_t>(at - rest.begin()) + separator.size();
                info.Creator = Utf16ToUtf8(creator, 0, creator.size());
                info.Description = Utf16ToUtf8(rest, from, rest.size());
            }
        }
    }
    info.Width = HimetricExtentToPixels(LoadI32(data + kFrame), LoadI32(data + kFrame + 8));
    info.Height = HimetricExtentToPixels(LoadI32(data + kFrame + 4), LoadI32(data + kFrame + 12));
    out = std::move(info);
    return true;
}

}  // namespace nerovan
