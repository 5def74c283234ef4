// The canvas that draws onto any cairo context: the vector pictures (SVG,
// PDF) and the bitmaps painted larger than the layout replay a metafile's
// display list through it. It draws with the bitmap canvas's geometry
// (cairo_shapes.h), in the picture's own pixels, which the context's
// transformation maps onto its surface.
#pragma once

#include <cairo.h>

#include <vector>

#include "bitmap.h"
#include "font_engine.h"
#include "metafile.h"

namespace nerovan {

class CairoCanvas : public FontCanvas {
public:
    // The drawing area is width x height pixels of the picture. Without
    // background, the fill of the whole picture (the background of a paint)
    // is left out, so the surface keeps what is behind the picture.
    CairoCanvas(cairo_t* cr, int width, int height, bool background = true);
    // Glyphs drawn as filled outlines of the layout's own fonts (the ones
    // an SVG holds), rather than by the font at the surface's size: a
    // picture painted larger is then the same picture, not one whose glyphs
    // are hinted anew.
    bool OutlineGlyphs = false;
    // Only the glyphs drawn in part (an accent's mark above its letter) as
    // outlines: the clip was found from the rows of the hinted glyph, which
    // a reader that draws the font without hinting may place a fraction of
    // a pixel lower, into the clip's edge.
    bool OutlineClippedGlyphs = false;
    TRect ClipRect() const override { return {0, 0, width_, height_}; }

protected:
    void DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                   const TRect* clip) override;
    void DoLine(int x1, int y1, int x2, int y2) override;
    void DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void DoEllipse(int x1, int y1, int x2, int y2) override;
    void DoFillRect(const TRect& r, TColor color) override;

private:
    cairo_t* cr_;
    int width_, height_;
    bool background_;
    std::vector<cairo_glyph_t> glyphs_;
};

// Which glyphs a replay draws as outlines (see CairoCanvas).
enum class GlyphOutlines { None, Clipped, All };

// Draws the picture recorded in mf onto cr, whose user space is the
// picture's pixels; without background, as CairoCanvas leaves it out.
void ReplayPicture(const Metafile& mf, cairo_t* cr, bool background,
                   GlyphOutlines outlines = GlyphOutlines::None);

// Frees a context and its surface once everything is drawn: the last
// glyphs are drawn, and a vector surface writes its fonts, while the
// surface is finished. Holds GlyphMutex throughout. Returns the status of
// the surface before it was freed.
cairo_status_t FinishSurface(cairo_t* cr, cairo_surface_t* surface);

// The whole-pixel size of a picture of `pixels` painted `scale` times larger.
long long ScaledSide(int pixels, double scale);

// Paints the picture of mf `scale` times larger into bitmap, which becomes
// ScaledSide(Width) x ScaledSide(Height) 32-bit pixels. Transparent: the
// background is left out, and the fourth byte of each pixel is its opacity,
// its colour premultiplied by it (as cairo keeps it).
void PaintScaledPicture(const Metafile& mf, double scale, bool transparent, Bitmap& bitmap);

}  // namespace nerovan
