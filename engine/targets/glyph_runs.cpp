// Holding back runs of glyphs and compositing them with pixman as cairo's
// image backend composites them, from glyph images rendered once by cairo.
#include "glyph_runs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nerovan {

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

}  // namespace

struct GlyphRuns::GlyphTable {
    const uint32_t* Codes = nullptr;  // the font's glyph index per byte
    cairo_scaled_font_t* Font = nullptr;
    int Em = 1;
    // Glyphs whose ink boxes meet are added up in a mask, unless the font
    // is drawn without antialiasing.
    bool MaskAllowed = true;
    bool Made[256] = {};
    const GlyphImage* Glyph[256] = {};  // null: no ink
    // The ink box about the glyph origin, as cairo rounds it: left, top,
    // right, bottom in 1/256 pixel.
    int32_t Box[256][4] = {};
};

GlyphRuns::GlyphRuns(Bitmap& bitmap) : bitmap_(bitmap) {}

GlyphRuns::~GlyphRuns() {
    if (pixman_) pixman_image_unref(pixman_);
    if (solid_) pixman_image_unref(solid_);
    for (auto& kept : images_) pixman_image_unref(kept.second.Image);
}

void GlyphRuns::Target(uint8_t* rows) {
    if (pixman_) pixman_image_unref(pixman_);
    pixman_ = nullptr;
    // The same pixels, in the format cairo gives its RGB24 surfaces.
    if (rows)
        pixman_ = pixman_image_create_bits(PIXMAN_x8r8g8b8, bitmap_.Width(), bitmap_.Height(),
                                           reinterpret_cast<uint32_t*>(rows), bitmap_.Stride());
}

void GlyphRuns::Composite(const TRect* clip) {
    bitmap_.MarkDrawingHeldBack(false);
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
        pixman_region32_t region;
        if (clip) {
            pixman_region32_init_rect(&region, clip->Left, clip->Top,
                                      static_cast<unsigned>(clip->Right - clip->Left),
                                      static_cast<unsigned>(clip->Bottom - clip->Top));
            pixman_image_set_clip_region32(pixman_, &region);
        }
        // The calls pixman_composite_glyphs and its no-mask variant make:
        // each glyph image added into an 8-bit mask of the box, which is then
        // composited, or each one composited in turn.
        const int w = right - left, h = bottom - top;
        const bool via_mask = pending_overlap_ && pending_mask_allowed_;
        pixman_image_t* mask =
            via_mask ? pixman_image_create_bits(PIXMAN_a8, w, h, nullptr, 0) : nullptr;
        for (const HeldGlyph& g : pending_) {
            pixman_image_t* image = g.Glyph->Image;
            const int x = g.X - g.Glyph->OriginX, y = g.Y - g.Glyph->OriginY;
            const int iw = pixman_image_get_width(image), ih = pixman_image_get_height(image);
            if (!via_mask)
                pixman_image_composite32(PIXMAN_OP_OVER, solid_, image, pixman_, x, y, 0, 0, x, y,
                                         iw, ih);
            else if (mask)
                pixman_image_composite32(PIXMAN_OP_ADD, image, nullptr, mask, 0, 0, 0, 0, x - left,
                                         y - top, iw, ih);
        }
        if (mask) {
            pixman_image_composite32(PIXMAN_OP_OVER, solid_, mask, pixman_, left, top, 0, 0, left,
                                     top, w, h);
            pixman_image_unref(mask);
        }
        if (clip) {
            pixman_image_set_clip_region32(pixman_, nullptr);
            pixman_region32_fini(&region);
        }
    }
    pending_.clear();
    pending_glyphs_ = 0;
}

void GlyphRuns::Discard() {
    pending_.clear();
    pending_glyphs_ = 0;
    bitmap_.MarkDrawingHeldBack(false);
}

GlyphRuns::GlyphTable& GlyphRuns::TableFor(const FontHandle& h) {
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

void GlyphRuns::DropGlyphs() {
    Flush();
    for (auto& kept : images_) pixman_image_unref(kept.second.Image);
    images_.clear();
    tables_.clear();
    last_table_ = nullptr;
    kept_glyphs_ = 0;
    kept_bytes_ = 0;
}

bool GlyphRuns::MakeGlyph(GlyphTable& t, uint8_t c) {
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
    // Keyed by font and glyph index: the charsets of one font share images.
    const auto key = std::make_pair(t.Font, index);
    if (const auto known = images_.find(key); known != images_.end()) {
        t.Made[c] = true;
        t.Glyph[c] = &known->second;
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
    const GlyphImage* glyph = nullptr;
    if (drawn && left < right) {
        const size_t bytes = static_cast<size_t>(right - left) * static_cast<size_t>(bottom - top);
        kept = bytes <= kLargestKeptGlyph && kept_bytes_ + bytes <= kMostKeptBytes &&
               kept_glyphs_ < kMostKeptGlyphs;
        pixman_image_t* image =
            kept ? pixman_image_create_bits(PIXMAN_a8, right - left, bottom - top, nullptr, 0)
                 : nullptr;
        if (image) {
            auto* bits = reinterpret_cast<uint8_t*>(pixman_image_get_data(image));
            const int image_stride = pixman_image_get_stride(image);
            for (int row = top; row < bottom; ++row)
                std::memcpy(bits + (row - top) * image_stride, data + row * stride + left,
                            static_cast<size_t>(right - left));
            glyph = &(images_[key] = {image, -x0 - left, -y0 - top});
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

void GlyphRuns::HoldGlyph(const GlyphTable& t, uint8_t c, int x, int y) {
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

bool GlyphRuns::Hold(const FontHandle& h, TColor colour, int x, int baseline, std::string_view s,
                     const std::vector<int>& advances) {
    // Room for every glyph of the run (at most one per byte value), so
    // none is dropped halfway.
    if (kept_glyphs_ + std::min<size_t>(s.size(), 256) > kMostKeptGlyphs ||
        kept_bytes_ > kMostKeptBytes / 2)
        DropGlyphs();
    GlyphTable& t = TableFor(h);
    for (const char ch : s) {
        const auto c = static_cast<uint8_t>(ch);
        if (!t.Made[c] && !MakeGlyph(t, c)) return false;
    }
    if (pending_glyphs_ == 0) pending_mask_allowed_ = t.MaskAllowed;
    int pen = x;
    for (size_t i = 0; i < s.size(); ++i) {
        HoldGlyph(t, static_cast<uint8_t>(s[i]), pen, baseline);
        pen += advances[i];
    }
    pending_font_ = h.Scaled;
    pending_color_ = colour;
    bitmap_.MarkDrawingHeldBack(true);
    return true;
}

}  // namespace nerovan
