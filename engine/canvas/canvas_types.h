// The values a canvas works with: colours, font, pen, brush, points and
// rectangles, and the font size model of the screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "metrics.h"

namespace nerovan {

// Colour as 0x00BBGGRR: red in the low byte.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clNavy = 0x800000;

inline uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
inline uint8_t GetGValue(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline uint8_t GetBValue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

inline TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

// Font style bits.
using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

// Character sets the typesetter selects. The default charset draws
// Windows-1251; the font named "Symbol" always draws the Symbol encoding.
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SYMBOL_CHARSET = 2;
constexpr uint8_t GREEK_CHARSET = 161;
constexpr uint8_t BALTIC_CHARSET = 186;

constexpr int kScreenPixelsPerInch = 96;

// Whether two font names are the same. Names are compared on every
// measurement (to find the font's cached metrics), and most are 4 to 16
// bytes long: those are compared as two overlapping words each.
inline bool SameFontName(const std::string& a, const std::string& b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    if (n > 16 || n < 4) return a == b;
    if (n < 8) {  // "Symbol": two overlapping 4-byte words
        uint32_t a0, a1, b0, b1;
        std::memcpy(&a0, a.data(), 4);
        std::memcpy(&b0, b.data(), 4);
        std::memcpy(&a1, a.data() + n - 4, 4);
        std::memcpy(&b1, b.data() + n - 4, 4);
        return a0 == b0 && a1 == b1;
    }
    uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a.data(), 8);
    std::memcpy(&b0, b.data(), 8);
    std::memcpy(&a1, a.data() + n - 8, 8);
    std::memcpy(&b1, b.data() + n - 8, 8);
    return a0 == b0 && a1 == b1;
}

// Font as the layout sees it. Height is in pixels: negative is the em
// height (character height without internal leading), positive the height
// of the whole character cell. The size in points is derived from it.
struct TFont {
    std::string Name = "Times New Roman";
    int Height = -24;  // 18 points
    TFontStyles Style = 0;
    uint8_t Charset = DEFAULT_CHARSET;
    TColor Color = clBlack;

    // Points = round(em * 72 / 96) for an em height.
    int Size() const;
    // Sets the em height to round(points * 96 / 72).
    void SetSize(int points);
    bool Bold() const { return (Style & fsBold) != 0; }
    bool Italic() const { return (Style & fsItalic) != 0; }
    bool operator==(const TFont& o) const {
        return Name == o.Name && Height == o.Height && Style == o.Style && Charset == o.Charset &&
               Color == o.Color;
    }
    bool operator!=(const TFont& o) const { return !(*this == o); }
};

struct TPen {
    int Width = 1;
    TColor Color = clBlack;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TPoint {
    int X = 0;
    int Y = 0;
};

// Right and bottom edges are excluded, as on the original drawing interface.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool Empty() const { return Left >= Right || Top >= Bottom; }
    // Narrows the rectangle to its overlap with r (empty when none).
    void Intersect(const TRect& r) {
        Left = std::max(Left, r.Left);
        Top = std::max(Top, r.Top);
        Right = std::min(Right, r.Right);
        Bottom = std::min(Bottom, r.Bottom);
    }
    // Widens the rectangle to take in r; an empty one becomes r.
    void Unite(const TRect& r) {
        if (r.Empty()) return;
        if (Empty()) {
            *this = r;
            return;
        }
        Left = std::min(Left, r.Left);
        Top = std::min(Top, r.Top);
        Right = std::max(Right, r.Right);
        Bottom = std::max(Bottom, r.Bottom);
    }
};

}  // namespace nerovan
