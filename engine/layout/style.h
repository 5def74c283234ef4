// What the constructs share about how text is set: where the alignment line
// runs through a cell, the script size, the pen of rules and bars, which
// letters are italic, which runs stay upright, and the accent marks.
#pragma once

#include <string_view>

#include "canvas.h"

namespace nerovan {

// The middle of a cell or box along one side: half its extent, rounded down.
// One box stands centred on another where their middles meet, at
// Middle(outer) - Middle(inner), each half rounded on its own.
inline int Middle(int extent) { return extent / 2; }

// The alignment line runs through the middle of every character cell and of
// every box centred on it: this is such a box's ascent, and how far above
// the line a cell centred on it starts (an odd pixel goes below the line).
inline int CentredAscent(int height) { return Middle(height); }

// Scripts, limits, a root's index and `small` groups are set at six tenths
// of the size around them (whole points, rounded down).
constexpr int kScriptSizeTenths = 6;
inline int ScriptSize(int size) { return size * kScriptSizeTenths / 10; }

// The pen of a fraction bar and of the minus bar: one pixel up to 16 points,
// then one more pixel for every 29 points, so a bar darkens with the letters
// beside it.
constexpr int kThinBarLargestSize = 16;
constexpr int kPointsPerBarPixel = 29;
inline int BarPenWidth(int font_size, int pen_width) {
    return font_size > kThinBarLargestSize ? font_size / kPointsPerBarPixel + 1 : pen_width;
}

// The run texts painted without italics even when letters are italic.
// A run equal to one of them (whole, case-sensitive) keeps the font's style.
extern const char* const UprightFunctionNames[6];
bool IsUprightFunctionName(std::string_view run);

// Letters that a text run draws in italic: Latin and the Cyrillic bytes of
// code page 1251.
inline bool IsItalicLetter(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
}

// The marks of `\.x` (dot), `\:x` (two dots), `\-a` (bar), `\~n` (tilde),
// `\^x` (hat) and `\0x` (ring).
inline bool IsAccentMark(char c) {
    return c == '-' || c == '.' || c == '0' || c == ':' || c == '^' || c == '~';
}

inline void SetItalic(Canvas& canvas, bool italic) {
    if (italic)
        canvas.Font.Style |= fsItalic;
    else
        canvas.Font.Style &= static_cast<TFontStyles>(~fsItalic);
}

}  // namespace nerovan
