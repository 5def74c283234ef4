// Drawing into a bitmap with cairo, following the pixel rules of the
// original drawing interface: lines exclude their end point, arcs run
// counter-clockwise on screen, text cells are placed by their top-left corner.
#include "raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace nerovan {

Bitmap::Bitmap() : canvas_(std::make_unique<RasterCanvas>(*this)) {}

Bitmap::~Bitmap() = default;

RasterCanvas& Bitmap::Canvas() { return *canvas_; }

void Bitmap::FinishDrawing() const { canvas_->Flush(); }

void Bitmap::PixelsChanged() { canvas_->MarkDirty(); }

namespace {

// At most this many glyph images are kept, in at most this many bytes; a
// glyph larger than kLargestKeptGlyph is drawn by cairo each time.
constexpr size_t kMostKeptGlyphs = 4096;
constexpr size_t kMostKeptBytes = 8u << 20;
constexpr size_t kLargestKeptGlyph = 256u << 10;

// cairo's fixed-point coordinates: 1/256 pixel, rounded to nearest, ties to even.
int32_t ToFixed(double v) { return static_cast<int32_t>(std::nearbyint(v * 256.0)); }
int FixedFloor(int32_t v) { return v >> 8; }
int FixedCeil(int32_t v) { return -((-v) >> 8); }

// The cache is kept frozen while it lives (see MakeGlyph); pixman destroys
// only a thawed one.
void DestroyGlyphCache(pixman_glyph_cache_t* cache) {
    if (!cache) return;
    pixman_glyph_cache_thaw(cache);
    pixman_glyph_cache_destroy(cache);
}

}  // namespace

struct RasterCanvas::GlyphTable {
    const uint32_t* Codes = nullptr;  // the font's glyph index per byte
    cairo_scaled_font_t* Font = nullptr;
    int Em = 1;
    // Glyphs whose ink boxes meet are added up in a mask, unless the font
    // is drawn without antialiasing.
    bool MaskAllowed = true;
    bool Made[256] = {};
    const void* Glyph[256] = {};  // null: no ink
    // The ink box about the glyph origin, as cairo rounds it: left, top,
    // right, bottom in 1/256 pixel.
    int32_t Box[256][4] = {};
};

RasterCanvas::RasterCanvas(Bitmap& bitmap) : bitmap_(bitmap) {
    text_contexts_.reserve(kTextContexts);
}

RasterCanvas::~RasterCanvas() {
    DropContexts();
    if (pixman_) pixman_image_unref(pixman_);
    if (solid_) pixman_image_unref(solid_);
    DestroyGlyphCache(glyph_cache_);
    if (surface_) cairo_surface_destroy(surface_);
}

void RasterCanvas::DropContexts() {
    for (TextContext& t : text_contexts_)
        if (t.Cr) cairo_destroy(t.Cr);
    text_contexts_.clear();
    if (cr_) cairo_destroy(cr_);
    cr_ = nullptr;
}

TRect RasterCanvas::ClipRect() const { return {0, 0, bitmap_.Width(), bitmap_.Height()}; }

cairo_t* RasterCanvas::Context() {
    if (generation_ != bitmap_.Generation()) {
        DiscardPending();
        DropContexts();
        if (surface_) cairo_surface_destroy(surface_);
        surface_ = nullptr;
        if (pixman_) pixman_image_unref(pixman_);
        pixman_ = nullptr;
        generation_ = bitmap_.Generation();
        source_valid_ = false;
        if (bitmap_.Width() > 0 && bitmap_.Height() > 0) {
            surface_ = cairo_image_surface_create_for_data(bitmap_.ScanLine(0), CAIRO_FORMAT_RGB24,
                                                           bitmap_.Width(), bitmap_.Height(),
                                                           bitmap_.Stride());
            cr_ = cairo_create(surface_);
            cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
            // The same pixels, in the format cairo gives its RGB24 surfaces.
            pixman_ = pixman_image_create_bits(
                PIXMAN_x8r8g8b8, bitmap_.Width(), bitmap_.Height(),
                reinterpret_cast<uint32_t*>(bitmap_.ScanLine(0)), bitmap_.Stride());
        }
    }
    return cr_;
}

namespace {

void SetSourceColor(cairo_t* cr, TColor c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

}  // namespace

void RasterCanvas::SetSource(TColor c) {
    if (source_valid_ && source_ == c) return;
    source_valid_ = true;
    source_ = c;
    SetSourceColor(cr_, c);
}

RasterCanvas::TextContext& RasterCanvas::TextContextFor(cairo_scaled_font_t* font, TColor color) {
    TextContext* found = nullptr;
    for (TextContext& t : text_contexts_)
        if (t.Font == font) found = &t;
    if (!found) {
        // Setting another font on a context makes cairo look the scaled font
        // up again at the next text: each font keeps a context of its own on
        // the same surface instead. Drawing order is kept, as every call
        // draws at once.
        if (text_contexts_.size() < kTextContexts) {
            text_contexts_.push_back({});
            found = &text_contexts_.back();
        } else {
            found = &text_contexts_[next_context_];
            next_context_ = (next_context_ + 1) % kTextContexts;
            cairo_destroy(found->Cr);
        }
        found->Font = font;
        found->Cr = cairo_create(surface_);
        cairo_set_scaled_font(found->Cr, font);
        found->ColorValid = false;
    }
    if (!found->ColorValid || found->Color != color) {
        SetSourceColor(found->Cr, color);
        found->Color = color;
        found->ColorValid = true;
    }
    return *found;
}

void RasterCanvas::Flush() { FlushWithin(nullptr); }

void RasterCanvas::FlushWithin(const TRect* clip) {
    if (pending_glyphs_ == 0) return;
    bitmap_.pending_drawing_ = false;
    // What cairo's image backend does with a run of glyphs: nothing unless
    // the run's ink box, rounded out to whole pixels, meets the picture;
    // glyphs composited one by one over the pixels, or, when an ink box met
    // those before it, added up in a mask over that box first, so shared
    // edge pixels are not darkened twice.
    // A clip (whole pixels) bounds that box too, and the pixels drawn.
    const int32_t* b = pending_box_;
    const int x = FixedFloor(b[0]), y = FixedFloor(b[1]);
    int left = std::max(x, 0), top = std::max(y, 0);
    int right = std::min(FixedCeil(b[2]), bitmap_.Width());
    int bottom = std::min(FixedCeil(b[3]), bitmap_.Height());
    if (clip) {
        left = std::max(left, clip->Left);
        top = std::max(top, clip->Top);
        right = std::min(right, clip->Right);
        bottom = std::min(bottom, clip->Bottom);
    }
    if (!pending_.empty() && b[0] < b[2] && left < right && top < bottom && pixman_) {
        if (!solid_ || solid_color_ != pending_color_) {
            if (solid_) pixman_image_unref(solid_);
            const pixman_color_t colour = {static_cast<uint16_t>(GetRValue(pending_color_) * 257),
                                           static_cast<uint16_t>(GetGValue(pending_color_) * 257),
                                           static_cast<uint16_t>(GetBValue(pending_color_) * 257),
                                           0xFFFF};
            solid_ = pixman_image_create_solid_fill(&colour);
            solid_color_ = pending_color_;
        }
        const int n = static_cast<int>(pending_.size());
        pixman_region32_t region;
        if (clip) {
            pixman_region32_init_rect(&region, clip->Left, clip->Top,
                                      static_cast<unsigned>(clip->Right - clip->Left),
                                      static_cast<unsigned>(clip->Bottom - clip->Top));
            pixman_image_set_clip_region32(pixman_, &region);
        }
        if (pending_overlap_ && pending_mask_allowed_)
            pixman_composite_glyphs(PIXMAN_OP_OVER, solid_, pixman_,
                                    pixman_glyph_get_mask_format(glyph_cache_, n, pending_.data()),
                                    left, top, left, top, left, top, right - left, bottom - top,
                                    glyph_cache_, n, pending_.data());
        else
            pixman_composite_glyphs_no_mask(PIXMAN_OP_OVER, solid_, pixman_, 0, 0, 0, 0,
                                            glyph_cache_, n, pending_.data());
        if (clip) {
            pixman_image_set_clip_region32(pixman_, nullptr);
            pixman_region32_fini(&region);
        }
    }
    pending_.clear();
    pending_glyphs_ = 0;
}

void RasterCanvas::DiscardPending() {
    pending_.clear();
    pending_glyphs_ = 0;
    bitmap_.pending_drawing_ = false;
}

RasterCanvas::GlyphTable& RasterCanvas::TableFor(const FontHandle& h) {
    if (last_table_ && last_table_->Codes == h.Glyphs) return *last_table_;
    for (const auto& t : tables_)
        if (t->Codes == h.Glyphs) return *(last_table_ = t.get());
    auto t = std::make_unique<GlyphTable>();
    t->Codes = h.Glyphs;
    t->Font = h.Scaled;
    t->Em = h.Em;
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_scaled_font_get_font_options(h.Scaled, options);
    t->MaskAllowed = cairo_font_options_get_antialias(options) != CAIRO_ANTIALIAS_NONE;
    cairo_font_options_destroy(options);
    tables_.push_back(std::move(t));
    return *(last_table_ = tables_.back().get());
}

void RasterCanvas::DropGlyphs() {
    Flush();
    DestroyGlyphCache(glyph_cache_);
    glyph_cache_ = nullptr;
    tables_.clear();
    last_table_ = nullptr;
    kept_glyphs_ = 0;
    kept_bytes_ = 0;
}

bool RasterCanvas::MakeGlyph(GlyphTable& t, uint8_t c) {
    const unsigned long index = t.Codes[c];
    cairo_glyph_t g = {index, 0, 0};
    cairo_text_extents_t e;
    std::unique_lock<std::mutex> glyphs(GlyphMutex());
    cairo_scaled_font_glyph_extents(t.Font, &g, 1, &e);
    if (cairo_scaled_font_status(t.Font) != CAIRO_STATUS_SUCCESS) return false;
    // The box cairo keeps for the glyph; a glyph without ink has none.
    if (e.width == 0 || e.height == 0) {
        t.Made[c] = true;
        t.Glyph[c] = nullptr;
        std::fill(t.Box[c], t.Box[c] + 4, 0);
        return true;
    }
    const int32_t box[4] = {ToFixed(e.x_bearing), ToFixed(e.y_bearing),
                            ToFixed(e.x_bearing + e.width), ToFixed(e.y_bearing + e.height)};
    void* const key = reinterpret_cast<void*>(static_cast<uintptr_t>(index));
    // Keyed by font and glyph index: the charsets of one font share images.
    if (const void* known = glyph_cache_ ? pixman_glyph_cache_lookup(glyph_cache_, t.Font, key)
                                         : nullptr) {
        t.Made[c] = true;
        t.Glyph[c] = known;
        std::copy(box, box + 4, t.Box[c]);
        return true;
    }
    // cairo renders the glyph into an 8-bit mask with room around its ink
    // box; what it draws there is the image it composites for the glyph.
    const int margin = 2 + t.Em / 2;
    const int x0 = FixedFloor(box[0]) - margin, y0 = FixedFloor(box[1]) - margin;
    const int w = FixedCeil(box[2]) + margin - x0, h = FixedCeil(box[3]) + margin - y0;
    if (static_cast<size_t>(w) * static_cast<size_t>(h) > 4 * kLargestKeptGlyph) return false;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* cr = cairo_create(scratch);
    cairo_set_scaled_font(cr, t.Font);
    cairo_set_source_rgb(cr, 0, 0, 0);
    g.x = -x0;
    g.y = -y0;
    cairo_show_glyphs(cr, &g, 1);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    glyphs.unlock();
    cairo_surface_flush(scratch);
    const uint8_t* data = cairo_image_surface_get_data(scratch);
    const int stride = cairo_image_surface_get_stride(scratch);
    // The image is kept only as large as its ink.
    int left = w, top = h, right = 0, bottom = 0;
    for (int row = 0; drawn && row < h; ++row)
        for (int col = 0; col < w; ++col)
            if (data[row * stride + col]) {
                left = std::min(left, col);
                right = std::max(right, col + 1);
                top = std::min(top, row);
                bottom = std::max(bottom, row + 1);
            }
    bool kept = drawn;
    const void* glyph = nullptr;
    if (drawn && left < right) {
        const size_t bytes = static_cast<size_t>(right - left) * static_cast<size_t>(bottom - top);
        kept = bytes <= kLargestKeptGlyph && kept_bytes_ + bytes <= kMostKeptBytes &&
               kept_glyphs_ < kMostKeptGlyphs;
        if (kept && !glyph_cache_) {
            // Kept frozen for good: a thaw would let pixman drop glyphs the
            // tables still point to.
            glyph_cache_ = pixman_glyph_cache_create();
            if (glyph_cache_) pixman_glyph_cache_freeze(glyph_cache_);
        }
        pixman_image_t* image =
            kept && glyph_cache_ ? pixman_image_create_bits(PIXMAN_a8, right - left, bottom - top,
                                                            nullptr, 0)
                                 : nullptr;
        if (image) {
            auto* bits = reinterpret_cast<uint8_t*>(pixman_image_get_data(image));
            const int image_stride = pixman_image_get_stride(image);
            for (int row = top; row < bottom; ++row)
                std::memcpy(bits + (row - top) * image_stride, data + row * stride + left,
                            static_cast<size_t>(right - left));
            glyph = pixman_glyph_cache_insert(glyph_cache_, t.Font, key, -x0 - left, -y0 - top,
                                              image);
            pixman_image_unref(image);
        }
        kept = glyph != nullptr;
        if (kept) {
            ++kept_glyphs_;
            kept_bytes_ += bytes;
        }
    }
    cairo_surface_destroy(scratch);
    if (!kept) return false;
    t.Made[c] = true;
    t.Glyph[c] = glyph;
    std::copy(box, box + 4, t.Box[c]);
    return true;
}

void RasterCanvas::HoldGlyph(const GlyphTable& t, uint8_t c, int x, int y) {
    // The run's ink box and whether this glyph's box meets it, as cairo
    // reckons them before it composites a run.
    const int32_t* g = t.Box[c];
    const int32_t x1 = x * 256 + g[0], y1 = y * 256 + g[1];
    const int32_t x2 = x * 256 + g[2], y2 = y * 256 + g[3];
    int32_t* b = pending_box_;
    if (pending_glyphs_ == 0) {
        b[0] = x1, b[1] = y1, b[2] = x2, b[3] = y2;
        pending_overlap_ = false;
    } else {
        if (!pending_overlap_ && x1 != x2 && y1 != y2)
            pending_overlap_ = x2 > b[0] && x1 < b[2] && y2 > b[1] && y1 < b[3];
        b[0] = std::min(b[0], x1), b[1] = std::min(b[1], y1);
        b[2] = std::max(b[2], x2), b[3] = std::max(b[3], y2);
    }
    ++pending_glyphs_;
    if (t.Glyph[c]) pending_.push_back({x, y, t.Glyph[c]});
}

void RasterCanvas::MarkDirty() {
    bitmap_.plain_ = false;
    if (surface_) cairo_surface_mark_dirty(surface_);
}

void RasterCanvas::DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                             const TRect* clip) {
    if (!Context()) return;
    bitmap_.plain_ = false;
    const FontHandle& h = Handle();
    // Text is drawn transparently in the font colour: a run of glyphs of one
    // font and colour is held back and composited at once, as soon as
    // anything else is drawn or the pixels are read. A clipped run is
    // composited at once, within its clip. An underlined run, or one with a
    // glyph too large to keep, is drawn by cairo.
    bool plain = !(Font.Style & (fsUnderline | fsStrikeOut));
    // Positions are kept in 1/256 pixel, as cairo keeps them: a run reaching
    // beyond what that holds is left to cairo.
    constexpr long long kFarthest = 1LL << 22;
    long long end = x;
    for (size_t i = 0; i < s.size(); ++i) end += advances[i];
    const long long base = static_cast<long long>(y) + h.Ascent;
    if (std::llabs(x) > kFarthest || std::llabs(end) > kFarthest || std::llabs(base) > kFarthest)
        plain = false;
    if (pending_glyphs_ > 0 &&
        (!plain || clip || pending_font_ != h.Scaled || pending_color_ != Font.Color))
        Flush();
    if (plain) {
        // Room for every glyph of the run (at most one per byte value), so
        // none is dropped halfway.
        if (kept_glyphs_ + std::min<size_t>(s.size(), 256) > kMostKeptGlyphs ||
            kept_bytes_ > kMostKeptBytes / 2)
            DropGlyphs();
        GlyphTable& t = TableFor(h);
        for (const char ch : s) {
            const auto c = static_cast<uint8_t>(ch);
            if (!t.Made[c] && !MakeGlyph(t, c)) {
                plain = false;
                break;
            }
        }
        if (plain) {
            if (pending_glyphs_ == 0) pending_mask_allowed_ = t.MaskAllowed;
            int pen = x;
            for (size_t i = 0; i < s.size(); ++i) {
                HoldGlyph(t, static_cast<uint8_t>(s[i]), pen, y + h.Ascent);
                pen += advances[i];
            }
            pending_font_ = h.Scaled;
            pending_color_ = Font.Color;
            bitmap_.pending_drawing_ = true;
            if (clip) FlushWithin(clip);
            return;
        }
        Flush();
    }
    glyphs_.resize(s.size());
    double pen = x;
    for (size_t i = 0; i < s.size(); ++i) {
        glyphs_[i].index = h.Glyphs[static_cast<uint8_t>(s[i])];
        glyphs_[i].x = pen;
        glyphs_[i].y = y + h.Ascent;
        pen += advances[i];
    }
    TextContext& t = TextContextFor(h.Scaled, Font.Color);
    cairo_t* cr = t.Cr;
    cairo_save(cr);
    if (clip) {
        cairo_rectangle(cr, clip->Left, clip->Top, clip->Width(), clip->Height());
        cairo_clip(cr);
    }
    {
        std::lock_guard<std::mutex> glyphs(GlyphMutex());
        cairo_show_glyphs(cr, glyphs_.data(), static_cast<int>(glyphs_.size()));
    }
    // Underline and strike-out as bars under and through the run.
    if (Font.Style & (fsUnderline | fsStrikeOut)) {
        const int thick = std::max(1, h.Em / 14);
        const double width = pen - x;
        if (Font.Style & fsUnderline)
            cairo_rectangle(cr, x, y + h.Ascent + std::max(1, h.Em / 10), width, thick);
        if (Font.Style & fsStrikeOut)
            cairo_rectangle(cr, x, y + h.Ascent - h.Em * 3 / 10, width, thick);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void RasterCanvas::DoLine(int x1, int y1, int x2, int y2) {
    Flush();
    if (!Context() || (x1 == x2 && y1 == y2)) return;
    bitmap_.plain_ = false;
    const int w = std::max(1, Pen.Width);
    // A horizontal or vertical line covers whole pixels: the rows (columns)
    // of the pen's width around it, odd widths centred on the line, from the
    // first point up to, not including, the last. Filled as that rectangle,
    // which is what stroking it gives, only cheaper.
    if (y1 == y2) {
        const int a = x2 > x1 ? x1 : x2 + 1, b = x2 > x1 ? x2 : x1 + 1;
        FillBox(a, y1 - w / 2, b, static_cast<long long>(y1) - w / 2 + w, Pen.Color);
        return;
    }
    if (x1 == x2) {
        const int a = y2 > y1 ? y1 : y2 + 1, b = y2 > y1 ? y2 : y1 + 1;
        FillBox(x1 - w / 2, a, static_cast<long long>(x1) - w / 2 + w, b, Pen.Color);
        return;
    }
    SetSource(Pen.Color);
    cairo_set_line_width(cr_, w);
    cairo_move_to(cr_, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr_, x2 + 0.5, y2 + 0.5);
    cairo_stroke(cr_);
}

bool RasterCanvas::EllipsePath(int x1, int y1, int x2, int y2, bool whole, double a1, double a2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    // The outline runs through the centres of the outermost pixels of the
    // rectangle, whose right and bottom edges are excluded.
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    const double rx = (x2 - x1 - 1) / 2.0, ry = (y2 - y1 - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return false;
    cairo_new_path(cr_);
    cairo_save(cr_);
    cairo_translate(cr_, cx, cy);
    cairo_scale(cr_, rx, ry);
    if (whole) {
        cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
        cairo_close_path(cr_);
    } else {
        cairo_arc_negative(cr_, 0, 0, 1, a1, a2);
    }
    cairo_restore(cr_);
    return true;
}

void RasterCanvas::DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Flush();
    if (!Context()) return;
    bitmap_.plain_ = false;
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    const double rx = std::max(0.5, std::abs(x2 - x1 - 1) / 2.0);
    const double ry = std::max(0.5, std::abs(y2 - y1 - 1) / 2.0);
    // Angles of the two rays on the unit circle the ellipse is scaled from.
    const double a1 = std::atan2((y3 - cy) / ry, (x3 - cx) / rx);
    double a2 = std::atan2((y4 - cy) / ry, (x4 - cx) / rx);
    const bool whole = std::abs(a1 - a2) < 1e-12;  // equal rays draw the whole ellipse
    if (!whole && a2 >= a1) a2 -= 2 * M_PI;
    if (!EllipsePath(x1, y1, x2, y2, whole, a1, a2)) return;
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SetSource(Pen.Color);
    cairo_stroke(cr_);
}

void RasterCanvas::DoEllipse(int x1, int y1, int x2, int y2) {
    Flush();
    if (!Context() || !EllipsePath(x1, y1, x2, y2, true, 0, 0)) return;
    bitmap_.plain_ = false;
    if (Brush.Style == TBrushStyle::bsSolid) {
        SetSource(Brush.Color);
        cairo_fill_preserve(cr_);
    }
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SetSource(Pen.Color);
    cairo_stroke(cr_);
}

void RasterCanvas::DoFillRect(const TRect& r, TColor color) {
    Flush();
    if (!Context() || r.Right <= r.Left || r.Bottom <= r.Top) return;
    // The background of a paint, onto a picture that has nothing else yet.
    const bool whole =
        r.Left <= 0 && r.Top <= 0 && r.Right >= bitmap_.Width() && r.Bottom >= bitmap_.Height();
    color &= 0xFFFFFF;
    if (whole && bitmap_.plain_ && bitmap_.plain_colour_ == color) return;
    FillBox(r.Left, r.Top, r.Right, r.Bottom, color);
    bitmap_.plain_ = whole;
    bitmap_.plain_colour_ = color;
}

void RasterCanvas::FillBox(long long left, long long top, long long right, long long bottom,
                           TColor color) {
    // An opaque fill of whole pixels is what cairo hands to pixman as a
    // plain fill: every pixel of the box becomes the colour, its fourth
    // byte 255. Done here without cairo's path and compositing set-up.
    left = std::max(left, 0LL);
    top = std::max(top, 0LL);
    right = std::min(right, static_cast<long long>(bitmap_.Width()));
    bottom = std::min(bottom, static_cast<long long>(bitmap_.Height()));
    if (left >= right || top >= bottom) return;
    const uint32_t pixel = 0xFF000000u | static_cast<uint32_t>(GetRValue(color)) << 16 |
                           static_cast<uint32_t>(GetGValue(color)) << 8 | GetBValue(color);
    pixman_fill(reinterpret_cast<uint32_t*>(bitmap_.pixels_.data()), bitmap_.Stride() / 4, 32,
                static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                static_cast<int>(bottom - top), pixel);
}

}  // namespace nerovan
