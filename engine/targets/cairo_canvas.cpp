// Drawing a recorded picture onto a cairo context of any surface, with the
// bitmap canvas's geometry; text is drawn as the glyphs of the very scaled
// fonts the layout measured, at the advances it measured.
#include "cairo_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "cairo_shapes.h"
#include "glyph_outlines.h"

namespace nerovan {

CairoCanvas::CairoCanvas(cairo_t* cr, int width, int height, bool background)
    : cr_(cr), width_(width), height_(height), background_(background) {
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
}

void CairoCanvas::DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                            const TRect* clip) {
    const FontHandle& h = Handle();
    const double pen = PlaceGlyphs(h, x, y, s, advances, glyphs_);
    if (OutlineGlyphs || (clip && OutlineClippedGlyphs)) {
        cairo_save(cr_);
        if (clip) {
            cairo_rectangle(cr_, clip->Left, clip->Top, clip->Width(), clip->Height());
            cairo_clip(cr_);
        }
        SetSourceColor(cr_, Font.Color);
        for (const cairo_glyph_t& g : glyphs_)
            GlyphOutlinePath(cr_, OutlineOf(h.Scaled, static_cast<uint32_t>(g.index)), g.x, g.y);
        TextBarsPath(cr_, h, Font.Style, x, y, pen - x);
        cairo_fill(cr_);
        cairo_restore(cr_);
        return;
    }
    // Setting the font, drawing with it and letting the context go of it
    // all reach cairo's glyph code.
    std::lock_guard<std::mutex> lock(GlyphMutex());
    cairo_save(cr_);
    if (clip) {
        cairo_rectangle(cr_, clip->Left, clip->Top, clip->Width(), clip->Height());
        cairo_clip(cr_);
    }
    SetSourceColor(cr_, Font.Color);
    cairo_set_scaled_font(cr_, h.Scaled);
    cairo_show_glyphs(cr_, glyphs_.data(), static_cast<int>(glyphs_.size()));
    if (TextBarsPath(cr_, h, Font.Style, x, y, pen - x)) cairo_fill(cr_);
    cairo_restore(cr_);
}

void CairoCanvas::DoLine(int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    SetSourceColor(cr_, Pen.Color);
    PixelBox box;
    if (AxisLineBox(x1, y1, x2, y2, Pen.Width, box)) {
        cairo_rectangle(cr_, static_cast<double>(box.Left), static_cast<double>(box.Top),
                        static_cast<double>(box.Right - box.Left),
                        static_cast<double>(box.Bottom - box.Top));
        cairo_fill(cr_);
        return;
    }
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SlantedLinePath(cr_, x1, y1, x2, y2);
    cairo_stroke(cr_);
}

void CairoCanvas::DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (!ArcPath(cr_, x1, y1, x2, y2, x3, y3, x4, y4)) return;
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SetSourceColor(cr_, Pen.Color);
    cairo_stroke(cr_);
}

void CairoCanvas::DoEllipse(int x1, int y1, int x2, int y2) {
    if (!EllipsePath(cr_, x1, y1, x2, y2, true, 0, 0)) return;
    if (Brush.Style == TBrushStyle::bsSolid) {
        SetSourceColor(cr_, Brush.Color);
        cairo_fill_preserve(cr_);
    }
    cairo_set_line_width(cr_, std::max(1, Pen.Width));
    SetSourceColor(cr_, Pen.Color);
    cairo_stroke(cr_);
}

void CairoCanvas::DoFillRect(const TRect& r, TColor color) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    if (!background_ && r.Left <= 0 && r.Top <= 0 && r.Right >= width_ && r.Bottom >= height_)
        return;
    SetSourceColor(cr_, color);
    cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
    cairo_fill(cr_);
}

void ReplayPicture(const Metafile& mf, cairo_t* cr, bool background, GlyphOutlines outlines) {
    CairoCanvas canvas(cr, mf.Width, mf.Height, background);
    canvas.OutlineGlyphs = outlines == GlyphOutlines::All;
    canvas.OutlineClippedGlyphs = outlines == GlyphOutlines::Clipped;
    mf.List.ReplayOn(canvas);
}

cairo_status_t FinishSurface(cairo_t* cr, cairo_surface_t* surface) {
    std::lock_guard<std::mutex> lock(GlyphMutex());
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    return status;
}

long long ScaledSide(int pixels, double scale) {
    // A side that is whole at this scale stays whole, whatever the rounding
    // of the product.
    return static_cast<long long>(std::ceil(pixels * scale - 1e-9));
}

void PaintScaledPicture(const Metafile& mf, double scale, bool transparent, Bitmap& bitmap) {
    const int w = static_cast<int>(ScaledSide(mf.Width, scale));
    const int h = static_cast<int>(ScaledSide(mf.Height, scale));
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    bitmap.SetSize(w, h);
    if (w <= 0 || h <= 0) return;
    uint8_t* pixels = bitmap.ScanLine(0);
    if (transparent) std::memset(pixels, 0, static_cast<size_t>(bitmap.Stride()) * h);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        pixels, transparent ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h, bitmap.Stride());
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    ReplayPicture(mf, cr, !transparent, GlyphOutlines::All);
    const cairo_status_t status = FinishSurface(cr, surface);
    bitmap.PixelsChanged();
    if (status != CAIRO_STATUS_SUCCESS)
        throw EPictureError(std::string("Cannot paint the picture: ") +
                            cairo_status_to_string(status));
}

}  // namespace nerovan
