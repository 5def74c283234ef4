// The formula carriers of the bitmap pictures (a PNG text chunk, JPEG and GIF
// comments), the seal they all share, and telling a picture's format from
// its signature when reading.
#include "formula_carrier.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "emf.h"
#include "errors.h"
#include "formula_seal.h"
#include "utf16.h"

namespace nerovan {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string SealFormula(const std::string& formula) {
    char head[32];
    std::snprintf(head, sizeof head, "%zu %08X ", formula.size(),
                  static_cast<unsigned>(Crc32(formula)));
    return head + formula;
}

std::optional<std::string> UnsealFormula(std::string_view sealed) {
    size_t at = 0;
    uint64_t length = 0;
    while (at < sealed.size() && at < 10 && sealed[at] >= '0' && sealed[at] <= '9')
        length = length * 10 + static_cast<uint64_t>(sealed[at++] - '0');
    if (at == 0 || at >= sealed.size() || sealed[at++] != ' ') return std::nullopt;
    uint32_t crc = 0;
    for (int i = 0; i < 8; ++i, ++at) {
        if (at >= sealed.size()) return std::nullopt;
        const char c = sealed[at];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        crc = crc << 4 | static_cast<uint32_t>(digit);
    }
    if (at >= sealed.size() || sealed[at++] != ' ' || length > sealed.size() - at)
        return std::nullopt;
    const std::string_view formula = sealed.substr(at, static_cast<size_t>(length));
    if (Crc32(formula) != crc) return std::nullopt;
    return std::string(formula);
}

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";
// A comment opens with the keyword and a blank, then the sealed formula.
const std::string kCommentSignature = std::string(kFormulaKeyword) + " ";

uint32_t LoadBe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void AppendBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

bool StartsWith(const uint8_t* data, size_t size, std::string_view prefix) {
    return size >= prefix.size() && std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

[[noreturn]] void Unknown(const char* format) {
    throw EPictureError(std::string("Cannot add the formula to the ") + format +
                        " picture: its structure is not one this program writes");
}

// ---- PNG: chunks of LENGTH TYPE DATA CRC after the signature --------------

struct PngChunk {
    size_t Start;  // of the length field
    size_t Data;
    size_t Length;
    std::string_view Type;
};

// The chunks of a PNG up to IEND, each within the bytes; calls visit(chunk)
// and stops when it returns false. False when the chunks leave the bytes.
template <typename Visit>
bool WalkPng(const uint8_t* data, size_t size, Visit visit) {
    if (!StartsWith(data, size, kPngSignature)) return false;
    for (size_t at = kPngSignature.size(); size - at >= 12;) {
        const size_t length = LoadBe32(data + at);
        if (length > size - at - 12) return false;
        const PngChunk chunk{at, at + 8, length,
                             std::string_view(reinterpret_cast<const char*>(data + at + 4), 4)};
        if (!visit(chunk) || chunk.Type == "IEND") return true;
        at += 12 + length;
    }
    return false;
}

std::vector<uint8_t> EmbedPng(const std::vector<uint8_t>& png, const std::string& formula) {
    size_t idat = 0;
    WalkPng(png.data(), png.size(), [&](const PngChunk& c) {
        if (c.Type == "IDAT") idat = c.Start;
        return idat == 0;
    });
    if (idat == 0) Unknown("PNG");
    // iTXt: keyword, NUL, not compressed (0, 0), no language, NUL, no
    // translated keyword, NUL, the sealed formula.
    std::vector<uint8_t> chunk = {'i', 'T', 'X', 't'};
    chunk.insert(chunk.end(), kFormulaKeyword.begin(), kFormulaKeyword.end());
    chunk.insert(chunk.end(), {0, 0, 0, 0, 0});
    const std::string sealed = SealFormula(formula);
    chunk.insert(chunk.end(), sealed.begin(), sealed.end());
    std::vector<uint8_t> out(png.begin(), png.begin() + static_cast<ptrdiff_t>(idat));
    AppendBe32(out, static_cast<uint32_t>(chunk.size() - 4));
    out.insert(out.end(), chunk.begin(), chunk.end());
    AppendBe32(out, Crc32(chunk.data(), chunk.size()));
    out.insert(out.end(), png.begin() + static_cast<ptrdiff_t>(idat), png.end());
    return out;
}

// The newest formula: that of the last of our chunks, in a PNG whose chunks
// reach IEND (a file cut short may have lost a newer one).
std::optional<std::string> ReadPng(const uint8_t* data, size_t size) {
    std::optional<std::string> formula;
    const bool whole = WalkPng(data, size, [&](const PngChunk& c) {
        const std::string_view body(reinterpret_cast<const char*>(data + c.Data), c.Length);
        // Our keyword, uncompressed, with empty language and translation.
        const std::string head = std::string(kFormulaKeyword) + std::string("\0\0\0\0\0", 5);
        if (c.Type != "iTXt" || body.substr(0, head.size()) != head) return true;
        formula = std::nullopt;
        if (Crc32(data + c.Start + 4, c.Length + 4) == LoadBe32(data + c.Data + c.Length))
            formula = UnsealFormula(body.substr(head.size()));
        return true;
    });
    return whole ? formula : std::nullopt;
}

// ---- JPEG: marker segments from SOI to the first SOS ----------------------

constexpr uint8_t kCom = 0xFE, kSos = 0xDA, kApp0 = 0xE0;
// The most a segment's length field counts: the data and the field itself.
constexpr size_t kMaxSegmentData = 65533;

struct JpegSegment {
    size_t Start;  // of the 0xFF marker byte
    uint8_t Marker;
    size_t Data;  // after the length field
    size_t Length;
};

// The segments after SOI up to the first SOS, each within the bytes.
template <typename Visit>
void WalkJpeg(const uint8_t* data, size_t size, Visit visit) {
    if (!StartsWith(data, size, "\xFF\xD8")) return;
    for (size_t at = 2; size - at >= 4 && data[at] == 0xFF;) {
        const uint8_t marker = data[at + 1];
        const size_t length = static_cast<size_t>(data[at + 2]) << 8 | data[at + 3];
        if (marker == kSos || length < 2 || length > size - at - 2) return;
        if (!visit(JpegSegment{at, marker, at + 4, length - 2})) return;
        at += 2 + length;
    }
}

std::vector<uint8_t> EmbedJpeg(const std::vector<uint8_t>& jpeg, const std::string& formula) {
    size_t place = 0;
    WalkJpeg(jpeg.data(), jpeg.size(), [&](const JpegSegment& s) {
        place = s.Marker == kApp0 && s.Start == 2 ? s.Data + s.Length : s.Start;
        return false;
    });
    if (place == 0) Unknown("JPEG");
    const std::string text = kCommentSignature + SealFormula(formula);
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<ptrdiff_t>(place));
    for (size_t from = 0; from < text.size(); from += kMaxSegmentData) {
        const size_t n = std::min(kMaxSegmentData, text.size() - from);
        out.insert(out.end(),
                   {0xFF, kCom, static_cast<uint8_t>((n + 2) >> 8), static_cast<uint8_t>(n + 2)});
        out.insert(out.end(), text.begin() + static_cast<ptrdiff_t>(from),
                   text.begin() + static_cast<ptrdiff_t>(from + n));
    }
    out.insert(out.end(), jpeg.begin() + static_cast<ptrdiff_t>(place), jpeg.end());
    return out;
}

// The newest formula, in the first comment that opens with our signature, joined with the comments
// right after it (a long formula spans several).
std::optional<std::string> ReadJpeg(const uint8_t* data, size_t size) {
    std::string text;
    bool ours = false;
    WalkJpeg(data, size, [&](const JpegSegment& s) {
        const char* p = reinterpret_cast<const char*>(data + s.Data);
        if (s.Marker == kCom && !ours) {
            ours = StartsWith(data + s.Data, s.Length, kCommentSignature);
            if (ours)
                text.assign(p + kCommentSignature.size(), s.Length - kCommentSignature.size());
            return true;
        }
        if (s.Marker != kCom) return !ours;
        text.append(p, s.Length);
        return true;
    });
    if (!ours) return std::nullopt;
    return UnsealFormula(text);
}

// ---- GIF: header, screen, colour table, then blocks up to the trailer -----

constexpr uint8_t kExtension = 0x21, kImage = 0x2C, kTrailer = 0x3B, kComment = 0xFE;

// The size of a colour table that a packed field announces.
size_t ColourTableSize(uint8_t packed) { return packed & 0x80 ? 3u << ((packed & 7) + 1) : 0; }

// Skips data sub-blocks from at; appends their bytes to text when given.
// False when they leave the bytes.
bool SkipSubBlocks(const uint8_t* data, size_t size, size_t& at, std::string* text) {
    while (at < size) {
        const size_t n = data[at++];
        if (n == 0) return true;
        if (n > size - at) return false;
        if (text) text->append(reinterpret_cast<const char*>(data + at), n);
        at += n;
    }
    return false;
}

// Walks the blocks; calls comment(text) for every comment extension, which
// stops the walk by returning false. The place of the trailer, or 0 when the
// walk stopped or the blocks leave the bytes.
template <typename Comment>
size_t WalkGif(const uint8_t* data, size_t size, Comment comment) {
    if (!StartsWith(data, size, "GIF87a") && !StartsWith(data, size, "GIF89a")) return 0;
    if (size < 13) return 0;
    size_t at = 13 + ColourTableSize(data[10]);
    while (at < size) {
        const uint8_t block = data[at++];
        if (block == kTrailer) return at - 1;
        if (block == kExtension) {
            if (at >= size) return 0;
            const uint8_t label = data[at++];
            std::string text;
            if (!SkipSubBlocks(data, size, at, label == kComment ? &text : nullptr)) return 0;
            if (label == kComment && !comment(text)) return 0;
        } else if (block == kImage) {
            if (size - at < 10) return 0;
            at += 9 + ColourTableSize(data[at + 8]) + 1;  // descriptor, table, LZW code size
            if (at > size || !SkipSubBlocks(data, size, at, nullptr)) return 0;
        } else {
            return 0;
        }
    }
    return 0;
}

// The comment goes before the first block after the screen's colour table:
// a program that re-saves the picture (ImageMagick) keeps a comment that
// comes before the image and drops one after it.
std::vector<uint8_t> EmbedGif(const std::vector<uint8_t>& gif, const std::string& formula) {
    if (WalkGif(gif.data(), gif.size(), [](const std::string&) { return true; }) == 0)
        Unknown("GIF");
    const size_t first = 13 + ColourTableSize(gif[10]);
    const std::string text = kCommentSignature + SealFormula(formula);
    std::vector<uint8_t> out(gif.begin(), gif.begin() + static_cast<ptrdiff_t>(first));
    out.insert(out.end(), {kExtension, kComment});
    for (size_t from = 0; from < text.size(); from += 255) {
        const size_t n = std::min<size_t>(255, text.size() - from);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), text.begin() + static_cast<ptrdiff_t>(from),
                   text.begin() + static_cast<ptrdiff_t>(from + n));
    }
    out.push_back(0);
    out.insert(out.end(), gif.begin() + static_cast<ptrdiff_t>(first), gif.end());
    return out;
}

// The newest formula: that of the first of our comments, in a GIF whose
// blocks reach the trailer (a picture of an earlier build keeps its one
// comment before the trailer).
std::optional<std::string> ReadGif(const uint8_t* data, size_t size) {
    std::optional<std::string> formula;
    bool found = false;
    const size_t trailer = WalkGif(data, size, [&](const std::string& text) {
        if (!found && text.compare(0, kCommentSignature.size(), kCommentSignature) == 0) {
            found = true;
            formula = UnsealFormula(std::string_view(text).substr(kCommentSignature.size()));
        }
        return true;
    });
    return trailer != 0 ? formula : std::nullopt;
}

// ---- EMF: the header's description, when we are its creator ---------------

std::optional<std::string> ReadEmf(const uint8_t* data, size_t size) {
    EmfHeaderInfo info;
    if (!ReadEmfHeader(data, size, info) || info.Creator.rfind(kCreatorWord, 0) != 0)
        return std::nullopt;
    return info.Description;
}

}  // namespace

std::vector<uint8_t> EmbedFormula(const std::vector<uint8_t>& picture, CarrierFormat format,
                                  const std::string& formulaUtf8) {
    // UTF-8 that is well formed and holds no NUL goes through UTF-16 and back
    // unchanged.
    std::vector<uint16_t> units;
    AppendUtf16(units, formulaUtf8);
    if (Utf16ToUtf8(units, 0, units.size()) != formulaUtf8)
        throw EPictureError("Cannot add the formula to the picture: it is not UTF-8 text");
    switch (format) {
        case CarrierFormat::Png: return EmbedPng(picture, formulaUtf8);
        case CarrierFormat::Jpeg: return EmbedJpeg(picture, formulaUtf8);
        case CarrierFormat::Gif: return EmbedGif(picture, formulaUtf8);
        case CarrierFormat::Svg: return EmbedFormulaInSvg(picture, formulaUtf8);
        case CarrierFormat::Pdf: return EmbedFormulaInPdf(picture, formulaUtf8);
    }
    Unknown("requested");
}

std::optional<std::string> ReadFormula(const uint8_t* data, size_t size) {
    if (!data) return std::nullopt;
    if (StartsWith(data, size, kPngSignature)) return ReadPng(data, size);
    if (StartsWith(data, size, "\xFF\xD8\xFF")) return ReadJpeg(data, size);
    if (StartsWith(data, size, "GIF8")) return ReadGif(data, size);
    if (std::optional<std::string> emf = ReadEmf(data, size)) return emf;
    // SVG text, or a PDF with its XMP: both carry the formula as XML.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t first = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (first < size && std::strchr(" \t\r\n", text[first]) && text[first]) ++first;
    if (text.rfind("%PDF-", 0) == 0) return ReadFormulaElement(text, true);
    if (first < size && text[first] == '<') return ReadFormulaElement(text, false);
    return std::nullopt;
}

bool LooksLikePicture(const uint8_t* data, size_t size) {
    if (!data) return false;
    if (StartsWith(data, size, kPngSignature) || StartsWith(data, size, "\xFF\xD8\xFF") ||
        StartsWith(data, size, "GIF8") || StartsWith(data, size, "%PDF-"))
        return true;
    // A BMP: "BM", the file's own size, and the reserved words zero.
    if (size >= 26 && data[0] == 'B' && data[1] == 'M' && data[6] == 0 && data[7] == 0 &&
        data[8] == 0 && data[9] == 0 &&
        (data[2] | data[3] << 8 | data[4] << 16 | uint32_t(data[5]) << 24) == size)
        return true;
    // An EMF: the header record, with its signature " EMF" at byte 40.
    if (size >= 44 && data[0] == 1 && data[1] == 0 && data[2] == 0 && data[3] == 0 &&
        std::memcmp(data + 40, " EMF", 4) == 0)
        return true;
    const std::string_view head(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4096));
    const size_t first = head.find_first_not_of("\xEF\xBB\xBF \t\r\n");
    return first != std::string_view::npos && head[first] == '<' &&
           head.find("<svg") != std::string_view::npos;
}

}  // namespace nerovan
