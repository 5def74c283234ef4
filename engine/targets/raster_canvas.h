// The bitmap canvas: cairo over the 32-bit rows of a Bitmap. Text is drawn
// antialiased (grey) glyph by glyph at the whole-pixel advances the layout
// measured; 1 px and 2 px lines land crisply on the pixel grid. Consecutive
// runs of one font and colour are composited together from glyph images the
// canvas keeps, by the same pixman calls and rules cairo's image backend
// uses, so the pixels are cairo's without its cost per call.
#pragma once

#include <cairo.h>
#include <pixman.h>

#include <memory>

#include "bitmap.h"
#include "font_engine.h"

namespace nerovan {

class RasterCanvas : public FontCanvas {
public:
    explicit RasterCanvas(Bitmap& bitmap);
    ~RasterCanvas() override;
    TRect ClipRect() const override;
    // Draws the glyphs held back.
    void Flush();
    // Forgets the glyphs held back (the pixels are about to be replaced).
    void DiscardPending();
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
    // Draws the glyphs held back, only inside clip when one is given.
    void FlushWithin(const TRect* clip);
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
    // The glyph images of one font and charset, by byte, made on first use.
    struct GlyphTable;
    GlyphTable& TableFor(const FontHandle& h);
    // Renders byte c's glyph with cairo and keeps its image and ink box in
    // the table; false when it cannot be kept (too large, or out of room).
    bool MakeGlyph(GlyphTable& t, uint8_t c);
    // Forgets every kept glyph image (the glyphs held back are drawn first).
    void DropGlyphs();
    // Adds byte c's glyph, its origin at whole pixel (x, y), to those held back.
    void HoldGlyph(const GlyphTable& t, uint8_t c, int x, int y);
    // Adds the path of the ellipse inscribed in the rectangle, from angle a1
    // to a2 counter-clockwise on screen; returns false for an empty ellipse.
    bool EllipsePath(int x1, int y1, int x2, int y2, bool whole, double a1, double a2);

    Bitmap& bitmap_;
    cairo_surface_t* surface_ = nullptr;
    cairo_t* cr_ = nullptr;
    unsigned generation_ = ~0u;
    std::vector<cairo_glyph_t> glyphs_;
    // The pixels as pixman sees them, for compositing glyphs.
    pixman_image_t* pixman_ = nullptr;
    // Glyphs held back, all of one font and colour, with the bounds cairo
    // would give their ink (in 1/256 pixel) and whether one glyph's ink box
    // meets those before it (then they are added up in a mask first).
    std::vector<pixman_glyph_t> pending_;  // those with ink
    size_t pending_glyphs_ = 0;            // all of them
    cairo_scaled_font_t* pending_font_ = nullptr;
    TColor pending_color_ = 0;
    int32_t pending_box_[4] = {};
    bool pending_overlap_ = false;
    bool pending_mask_allowed_ = true;
    // The glyph images kept, and the tables that find them by byte.
    pixman_glyph_cache_t* glyph_cache_ = nullptr;
    std::vector<std::unique_ptr<GlyphTable>> tables_;
    GlyphTable* last_table_ = nullptr;
    size_t kept_glyphs_ = 0;
    size_t kept_bytes_ = 0;
    // The solid colour glyphs are composited in.
    pixman_image_t* solid_ = nullptr;
    TColor solid_color_ = 0;
    // The source colour the context for lines and fills has now.
    bool source_valid_ = false;
    TColor source_ = 0;
    // The contexts that draw text, one per font, the oldest replaced first.
    static constexpr size_t kTextContexts = 8;
    std::vector<TextContext> text_contexts_;
    size_t next_context_ = 0;
};

}  // namespace nerovan
