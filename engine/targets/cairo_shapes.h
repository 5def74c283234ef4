// The geometry of the original drawing interface on a cairo context, shared
// by the bitmap canvas and the canvas that draws onto any cairo context
// (vector pictures, scaled pictures): the whole-pixel box of a horizontal or
// vertical line, the path of a slanted line, of an ellipse and of an arc,
// the glyphs of a text run at the measured advances, and the bars of
// underlined and struck-out text.
#pragma once

#include <cairo.h>

#include <string_view>
#include <vector>

#include "canvas_types.h"
#include "font_engine.h"
#include "glyph_outlines.h"

namespace nerovan {

void SetSourceColor(cairo_t* cr, TColor c);

// A box of whole pixels: [Left, Right) x [Top, Bottom).
struct PixelBox {
    long long Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// The rows (columns) of a pen `width` wide that a horizontal (vertical) line
// from (x1, y1) to (x2, y2) covers, odd widths centred on the line, its end
// point excluded. False for a slanted line.
bool AxisLineBox(int x1, int y1, int x2, int y2, int width, PixelBox& box);

// The path of a slanted line, through the centres of its end pixels.
void SlantedLinePath(cairo_t* cr, int x1, int y1, int x2, int y2);

// The path of the ellipse inscribed in the rectangle, from angle a1 to a2
// counter-clockwise on screen, or the whole ellipse; false (no path) for an
// empty ellipse.
bool EllipsePath(cairo_t* cr, int x1, int y1, int x2, int y2, bool whole, double a1, double a2);

// The path of Arc's arc: the ellipse inscribed in (x1, y1)-(x2, y2),
// counter-clockwise on screen from the ray towards (x3, y3) to the ray
// towards (x4, y4); equal rays give the whole ellipse.
bool ArcPath(cairo_t* cr, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

// The glyphs of s with the top-left of its cell at (x, y), each at the
// advance measured for it; returns where the pen ends.
double PlaceGlyphs(const FontHandle& h, int x, int y, std::string_view s,
                   const std::vector<int>& advances, std::vector<cairo_glyph_t>& glyphs);

// Adds the outline of a glyph with its origin at (x, y).
void GlyphOutlinePath(cairo_t* cr, const GlyphOutline& outline, double x, double y);

// Adds the underline and strike-out bars of a run `width` long whose cell
// top-left is at (x, y), as the font's style asks; false when it asks none.
bool TextBarsPath(cairo_t* cr, const FontHandle& h, TFontStyles style, int x, int y, double width);

}  // namespace nerovan
