// Drawing into a bitmap with cairo, following the pixel rules of the
// original drawing interface: lines exclude their end point, arcs run
// counter-clockwise on screen, text cells are placed by their top-left corner.
#include "raster_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "cairo_shapes.h"

namespace nerovan {

RasterCanvas::RasterCanvas(Bitmap& bitmap) : bitmap_(bitmap), runs_(bitmap) {
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
        runs_.Target(nullptr);
        generation_ = bitmap_.Generation();
        source_valid_ = false;
        if (bitmap_.Width() > 0 && bitmap_.Height() > 0) {
            surface_ = cairo_image_surface_create_for_data(bitmap_.ScanLine(0), CAIRO_FORMAT_RGB24,
                                                           bitmap_.Width(), bitmap_.Height(),
                                                           bitmap_.Stride());
            cr_ = cairo_create(surface_);
            cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
            runs_.Target(bitmap_.ScanLine(0));
        }
    }
    return cr_;
}

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

void RasterCanvas::MarkDirty() {
    bitmap_.MarkDrawn();
    if (surface_) cairo_surface_mark_dirty(surface_);
}

void RasterCanvas::DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                             const TRect* clip) {
    if (!Context()) return;
    bitmap_.MarkDrawn();
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
    if (!plain || clip || !runs_.Joins(h.Scaled, Font.Color)) runs_.Flush();
    if (plain) {
        if (runs_.Hold(h, Font.Color, x, y + h.Ascent, s, advances)) {
            if (clip) runs_.Flush(clip);
            return;
        }
        runs_.Flush();
    }
    const double pen = PlaceGlyphs(h, x, y, s, advances, glyphs_);
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
    if (TextBarsPath(cr, h, Font.Style, x, y, pen - x)) cairo_fill(cr);
    cairo_restore(cr);
}

void RasterCanvas::DoLine(int x1, int y1, int x2, int y2) {
    Flush();
    if (!Context() || (x1 == x2 && y1 == y2)) return;
    bitmap_.MarkDrawn();
    // A horizontal or vertical line covers whole pixels: filled as that
    // rectangle, which is what stroking it gives, only cheaper.
    PixelBox box;
    if (AxisLineBox(x1, y1, x2, y2, Pen.Width, box)) {
        FillBox(box.Left, box.Top, box.Right, box.Bottom, Pen.Color);
        return;
    }
    SetSource(Pen.Color);
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SlantedLinePath(cr_, x1, y1, x2, y2);
    cairo_stroke(cr_);
}

void RasterCanvas::DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Flush();
    if (!Context()) return;
    bitmap_.MarkDrawn();
    if (!ArcPath(cr_, x1, y1, x2, y2, x3, y3, x4, y4)) return;
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SetSource(Pen.Color);
    cairo_stroke(cr_);
}

void RasterCanvas::DoEllipse(int x1, int y1, int x2, int y2) {
    Flush();
    if (!Context() || !EllipsePath(cr_, x1, y1, x2, y2, true, 0, 0)) return;
    bitmap_.MarkDrawn();
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
    if (whole && bitmap_.IsPlain(color)) return;
    FillBox(r.Left, r.Top, r.Right, r.Bottom, color);
    bitmap_.MarkFilled(color, whole);
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
    // Every caller has drawn the glyphs held back: reading the rows finishes nothing.
    pixman_fill(reinterpret_cast<uint32_t*>(bitmap_.ScanLine(0)), bitmap_.Stride() / 4, 32,
                static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                static_cast<int>(bottom - top), pixel);
}

}  // namespace nerovan
