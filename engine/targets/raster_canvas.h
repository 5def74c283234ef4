// The bitmap canvas: cairo over the 32-bit rows of a Bitmap. Text is drawn
// antialiased (grey) glyph by glyph at the whole-pixel advances the layout
// measured; 1 px and 2 px lines land crisply on the pixel grid. Consecutive
// runs of one font and colour are handed to the canvas's GlyphRuns, which
// composites them together as cairo would.
#pragma once

#include <cairo.h>

#include "bitmap.h"
#include "font_engine.h"
#include "glyph_runs.h"

namespace nerovan {

class RasterCanvas : public FontCanvas {
public:
    explicit RasterCanvas(Bitmap& bitmap);
    ~RasterCanvas() override;
    TRect ClipRect() const override;
    // Draws the glyphs held back.
    void Flush() { runs_.Flush(); }
    // Forgets the glyphs held back (the pixels are about to be replaced).
    void DiscardPending() { runs_.Discard(); }
    // The pixels were written directly: cairo must not rely on what it knew.
    void MarkDirty();

protected:
    void DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                   const TRect* clip) override;
    void DoLine(int x1, int y1, int x2, int y2) override;
    void DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void DoEllipse(int x1, int y1, int x2, int y2) override;
    void DoFillRect(const TRect& r, TColor color) override;

private:
    // The cairo context over the bitmap's current pixels, or null for an
    // empty bitmap; made anew after the bitmap was resized.
    cairo_t* Context();
    void SetSource(TColor c);
    // Sets the pixels of the box [left, right) x [top, bottom), clipped to
    // the picture, to the colour.
    void FillBox(long long left, long long top, long long right, long long bottom, TColor color);
    // A context on the surface with the font set, its source the colour.
    struct TextContext {
        cairo_scaled_font_t* Font = nullptr;
        cairo_t* Cr = nullptr;
        TColor Color = 0;
        bool ColorValid = false;
    };
    TextContext& TextContextFor(cairo_scaled_font_t* font, TColor color);
    void DropContexts();

    Bitmap& bitmap_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    unsigned generation_ = ~0u;
    std::vector<cairo_glyph_t> glyphs_;
    // The runs of glyphs held back, and the glyph images they are made of.
    GlyphRuns runs_;
    // The source colour the context for lines and fills has now.
    bool source_valid_ = false;
    TColor source_ = 0;
    // The contexts that draw text, one per font, the oldest replaced first.
    static constexpr size_t kTextContexts = 8;
    std::vector<TextContext> text_contexts_;
    size_t next_context_ = 0;
};

}  // namespace nerovan
