// Glyph outlines for vector pictures that must not depend on the reader's
// fonts: the same FreeType outlines, hinting included, that the bitmap's
// glyphs are rasterised from, kept once per scaled font and glyph.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace nerovan {

// Outline coordinates are kept in 1/kOutlineUnitsPerPixel pixel.
constexpr int kOutlineUnitsPerPixel = 16;

// One glyph's outline, relative to its origin on the baseline, y down.
struct GlyphOutline {
    enum Step : uint8_t { MoveTo, LineTo, CurveTo, Close };
    std::vector<Step> Steps;
    // x, y pairs: one point for MoveTo and LineTo, three for CurveTo (two
    // control points and the end), none for Close.
    std::vector<int32_t> Points;
    // The points' bounding box (control points included); empty for a glyph
    // without ink.
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Empty() const { return Steps.empty(); }
};

// The outline of glyph in scaled (a font the engine keeps for the whole run
// of the program). Thread-safe; the reference stays valid for good.
const GlyphOutline& OutlineOf(cairo_scaled_font_t* scaled, uint32_t glyph);

}  // namespace nerovan
