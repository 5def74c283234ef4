// Lines, ellipses, arcs and text runs placed by the pixel rules of the
// original drawing interface: lines exclude their end point, arcs run
// counter-clockwise on screen, text cells are placed by their top-left corner.
#include "cairo_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace nerovan {

void SetSourceColor(cairo_t* cr, TColor c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

bool AxisLineBox(int x1, int y1, int x2, int y2, int width, PixelBox& box) {
    const int w = std::max(1, width);
    // Along the line: from the first point up to, not including, the last.
    const auto along = [](int a, int b, long long& from, long long& to) {
        from = b > a ? a : b + 1;
        to = b > a ? b : a + 1;
    };
    // Across it: the pen's width, odd widths centred on the line.
    const auto across = [w](int c, long long& from, long long& to) {
        from = c - w / 2;
        to = static_cast<long long>(c) - w / 2 + w;
    };
    if (y1 == y2) {
        along(x1, x2, box.Left, box.Right);
        across(y1, box.Top, box.Bottom);
    } else if (x1 == x2) {
        along(y1, y2, box.Top, box.Bottom);
        across(x1, box.Left, box.Right);
    } else {
        return false;
    }
    return true;
}

void SlantedLinePath(cairo_t* cr, int x1, int y1, int x2, int y2) {
    cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
}

bool EllipsePath(cairo_t* cr, int x1, int y1, int x2, int y2, bool whole, double a1, double a2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    // The outline runs through the centres of the outermost pixels of the
    // rectangle, whose right and bottom edges are excluded.
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    const double rx = (x2 - x1 - 1) / 2.0, ry = (y2 - y1 - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return false;
    cairo_new_path(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    if (whole) {
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_close_path(cr);
    } else {
        cairo_arc_negative(cr, 0, 0, 1, a1, a2);
    }
    cairo_restore(cr);
    return true;
}

bool ArcPath(cairo_t* cr, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
    const double rx = std::max(0.5, std::abs(x2 - x1 - 1) / 2.0);
    const double ry = std::max(0.5, std::abs(y2 - y1 - 1) / 2.0);
    // Angles of the two rays on the unit circle the ellipse is scaled from.
    const double a1 = std::atan2((y3 - cy) / ry, (x3 - cx) / rx);
    double a2 = std::atan2((y4 - cy) / ry, (x4 - cx) / rx);
    const bool whole = std::abs(a1 - a2) < 1e-12;  // equal rays draw the whole ellipse
    if (!whole && a2 >= a1) a2 -= 2 * M_PI;
    return EllipsePath(cr, x1, y1, x2, y2, whole, a1, a2);
}

double PlaceGlyphs(const FontHandle& h, int x, int y, std::string_view s,
                   const std::vector<int>& advances, std::vector<cairo_glyph_t>& glyphs) {
    glyphs.resize(s.size());
    double pen = x;
    for (size_t i = 0; i < s.size(); ++i) {
        glyphs[i].index = h.Glyphs[static_cast<uint8_t>(s[i])];
        glyphs[i].x = pen;
        glyphs[i].y = y + h.Ascent;
        pen += advances[i];
    }
    return pen;
}

void GlyphOutlinePath(cairo_t* cr, const GlyphOutline& outline, double x, double y) {
    const int32_t* p = outline.Points.data();
    const auto at = [&](int k, double& px, double& py) {
        px = x + p[2 * k] / static_cast<double>(kOutlineUnitsPerPixel);
        py = y + p[2 * k + 1] / static_cast<double>(kOutlineUnitsPerPixel);
    };
    double x1, y1, x2, y2, x3, y3;
    for (GlyphOutline::Step step : outline.Steps) {
        switch (step) {
            case GlyphOutline::MoveTo:
                at(0, x1, y1);
                cairo_move_to(cr, x1, y1);
                p += 2;
                break;
            case GlyphOutline::LineTo:
                at(0, x1, y1);
                cairo_line_to(cr, x1, y1);
                p += 2;
                break;
            case GlyphOutline::CurveTo:
                at(0, x1, y1);
                at(1, x2, y2);
                at(2, x3, y3);
                cairo_curve_to(cr, x1, y1, x2, y2, x3, y3);
                p += 6;
                break;
            case GlyphOutline::Close: cairo_close_path(cr); break;
        }
    }
}

bool TextBarsPath(cairo_t* cr, const FontHandle& h, TFontStyles style, int x, int y, double width) {
    if (!(style & (fsUnderline | fsStrikeOut))) return false;
    const int thick = std::max(1, h.Em / 14);
    if (style & fsUnderline)
        cairo_rectangle(cr, x, y + h.Ascent + std::max(1, h.Em / 10), width, thick);
    if (style & fsStrikeOut) cairo_rectangle(cr, x, y + h.Ascent - h.Em * 3 / 10, width, thick);
    return true;
}

}  // namespace nerovan
