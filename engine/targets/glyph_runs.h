// The raster canvas's runs of glyphs: consecutive text of one font and
// colour is held back and composited at once from glyph images kept here, by
// the same pixman calls and rules cairo's image backend uses, so the pixels
// are cairo's without its cost per call.
#pragma once

#include <cairo.h>
#include <pixman.h>

#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "bitmap.h"
#include "font_engine.h"

namespace nerovan {

class GlyphRuns {
public:
    // Tells bitmap when glyphs are held back and when no longer.
    explicit GlyphRuns(Bitmap& bitmap);
    ~GlyphRuns();
    GlyphRuns(const GlyphRuns&) = delete;
    GlyphRuns& operator=(const GlyphRuns&) = delete;

    // Composites onto the bitmap's rows from rows on, at its present size
    // (null: onto nothing). Nothing may be held back.
    void Target(uint8_t* rows);
    // Whether a run of the font in the colour may join the glyphs held back.
    bool Joins(cairo_scaled_font_t* font, TColor colour) const {
        return pending_font_ == font && pending_color_ == colour;
    }
    // Holds back the glyphs of the run s in the colour, the first one's
    // origin at whole pixel (x, baseline), the next ones advances further;
    // false, holding none of them, when a glyph's image cannot be kept (too
    // large, or out of room). The glyphs held back must join it.
    bool Hold(const FontHandle& h, TColor colour, int x, int baseline, std::string_view s,
              const std::vector<int>& advances);
    // Draws the glyphs held back, only inside clip when one is given.
    void Flush(const TRect* clip = nullptr) {
        if (pending_glyphs_ > 0) Composite(clip);
    }
    // Forgets the glyphs held back (the pixels are about to be replaced).
    void Discard();

private:
    // A glyph's image (8-bit coverage) and its origin inside the image.
    struct GlyphImage {
        pixman_image_t* Image = nullptr;
        int OriginX = 0, OriginY = 0;
    };
    // A glyph held back: its image with the origin at (X, Y).
    struct HeldGlyph {
        int X, Y;
        const GlyphImage* Glyph;
    };
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
    void Composite(const TRect* clip);

    Bitmap& bitmap_;
    // The pixels as pixman sees them, for compositing glyphs.
    pixman_image_t* pixman_ = nullptr;
    // Glyphs held back, all of one font and colour, with the bounds cairo
    // would give their ink (in 1/256 pixel) and whether one glyph's ink box
    // meets those before it (then they are added up in a mask first).
    std::vector<HeldGlyph> pending_;  // those with ink
    size_t pending_glyphs_ = 0;       // all of them
    cairo_scaled_font_t* pending_font_ = nullptr;
    TColor pending_color_ = 0;
    int32_t pending_box_[4] = {};
    bool pending_overlap_ = false;
    bool pending_mask_allowed_ = true;
    // The glyph images kept, by font and glyph index (the charsets of one
    // font share them), and the tables that find them by byte. They are kept
    // here rather than in a pixman glyph cache, whose table of 256 KB is
    // zeroed page by page on creation: for a single small picture that cost
    // more than compositing its glyphs.
    std::map<std::pair<cairo_scaled_font_t*, unsigned long>, GlyphImage> images_;
    std::vector<std::unique_ptr<GlyphTable>> tables_;
    GlyphTable* last_table_ = nullptr;
    size_t kept_glyphs_ = 0;
    size_t kept_bytes_ = 0;
    // The solid colour glyphs are composited in.
    pixman_image_t* solid_ = nullptr;
    TColor solid_color_ = 0;
};

}  // namespace nerovan
