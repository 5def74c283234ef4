// Drawing into a bitmap with cairo, following the pixel rules of the
// original drawing interface: lines exclude their end point, arcs run
// counter-clockwise on screen, text cells are placed by their top-left corner.
#include "raster_canvas.h"

#include <cmath>

namespace nerovan {

Bitmap::Bitmap() : canvas_(std::make_unique<RasterCanvas>(*this)) {}

Bitmap::~Bitmap() = default;

RasterCanvas& Bitmap::Canvas() { return *canvas_; }

void Bitmap::FinishDrawing() const { canvas_->Flush(); }

void Bitmap::PixelsChanged() { canvas_->MarkDirty(); }

RasterCanvas::RasterCanvas(Bitmap& bitmap) : bitmap_(bitmap) {
    text_contexts_.reserve(kTextContexts);
}

RasterCanvas::~RasterCanvas() {
    DropContexts();
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
        generation_ = bitmap_.Generation();
        source_valid_ = false;
        if (bitmap_.Width() > 0 && bitmap_.Height() > 0) {
            surface_ = cairo_image_surface_create_for_data(bitmap_.ScanLine(0), CAIRO_FORMAT_RGB24,
                                                           bitmap_.Width(), bitmap_.Height(),
                                                           bitmap_.Stride());
            cr_ = cairo_create(surface_);
            cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
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

void RasterCanvas::Flush() {
    if (pending_.empty()) return;
    bitmap_.pending_drawing_ = false;
    const TextContext& t = TextContextFor(pending_font_, pending_color_);
    cairo_show_glyphs(t.Cr, pending_.data(), static_cast<int>(pending_.size()));
    pending_.clear();
}

void RasterCanvas::DiscardPending() {
    pending_.clear();
    bitmap_.pending_drawing_ = false;
}

void RasterCanvas::MarkDirty() {
    if (surface_) cairo_surface_mark_dirty(surface_);
}

void RasterCanvas::DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                             const TRect* clip) {
    if (!Context()) return;
    const FontHandle& h = Handle();
    // Text is drawn transparently in the font colour: a run of glyphs of one
    // font and colour is held back and drawn by one call, as soon as anything
    // else is drawn or the pixels are read. A clipped or underlined run is
    // drawn at once.
    const bool plain = !clip && !(Font.Style & (fsUnderline | fsStrikeOut));
    if (!pending_.empty() && (!plain || pending_font_ != h.Scaled || pending_color_ != Font.Color))
        Flush();
    std::vector<cairo_glyph_t>& glyphs = plain ? pending_ : glyphs_;
    const size_t first = plain ? glyphs.size() : 0;
    glyphs.resize(first + s.size());
    double pen = x;
    for (size_t i = 0; i < s.size(); ++i) {
        glyphs[first + i].index = h.Glyphs[static_cast<uint8_t>(s[i])];
        glyphs[first + i].x = pen;
        glyphs[first + i].y = y + h.Ascent;
        pen += advances[i];
    }
    if (plain) {
        pending_font_ = h.Scaled;
        pending_color_ = Font.Color;
        bitmap_.pending_drawing_ = true;
        return;
    }
    TextContext& t = TextContextFor(h.Scaled, Font.Color);
    cairo_t* cr = t.Cr;
    cairo_save(cr);
    if (clip) {
        cairo_rectangle(cr, clip->Left, clip->Top, clip->Width(), clip->Height());
        cairo_clip(cr);
    }
    cairo_show_glyphs(cr, glyphs_.data(), static_cast<int>(glyphs_.size()));
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
    const int w = std::max(1, Pen.Width);
    SetSource(Pen.Color);
    // A horizontal or vertical line covers whole pixels: the rows (columns)
    // of the pen's width around it, odd widths centred on the line, from the
    // first point up to, not including, the last. Filled as that rectangle,
    // which is what stroking it gives, only cheaper.
    if (y1 == y2) {
        const int a = x2 > x1 ? x1 : x2 + 1, b = x2 > x1 ? x2 : x1 + 1;
        cairo_rectangle(cr_, a, y1 - w / 2, b - a, w);
        cairo_fill(cr_);
        return;
    }
    if (x1 == x2) {
        const int a = y2 > y1 ? y1 : y2 + 1, b = y2 > y1 ? y2 : y1 + 1;
        cairo_rectangle(cr_, x1 - w / 2, a, w, b - a);
        cairo_fill(cr_);
        return;
    }
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
    cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    SetSource(color);
    cairo_fill(cr_);
}

}  // namespace nerovan
