// Glyph outlines taken from cairo's path of a glyph (FreeType's outline with
// the scaled font's hinting), rounded to 1/16 pixel and kept per scaled font
// and glyph index.
#include "glyph_outlines.h"

#include "font_engine.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace nerovan {

namespace {

int32_t ToUnits(double v) {
    const double u = std::round(v * kOutlineUnitsPerPixel);
    return static_cast<int32_t>(std::clamp(u, double{INT32_MIN / 2}, double{INT32_MAX / 2}));
}

std::unique_ptr<GlyphOutline> TraceOutline(cairo_scaled_font_t* scaled, uint32_t glyph) {
    auto outline = std::make_unique<GlyphOutline>();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    cairo_set_scaled_font(cr, scaled);
    cairo_glyph_t g{glyph, 0.0, 0.0};
    cairo_glyph_path(cr, &g, 1);
    cairo_path_t* path = cairo_copy_path(cr);
    if (path->status == CAIRO_STATUS_SUCCESS) {
        GlyphOutline& o = *outline;
        for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t* d = &path->data[i];
            int points = 0;
            switch (d->header.type) {
                case CAIRO_PATH_MOVE_TO:
                    o.Steps.push_back(GlyphOutline::MoveTo);
                    points = 1;
                    break;
                case CAIRO_PATH_LINE_TO:
                    o.Steps.push_back(GlyphOutline::LineTo);
                    points = 1;
                    break;
                case CAIRO_PATH_CURVE_TO:
                    o.Steps.push_back(GlyphOutline::CurveTo);
                    points = 3;
                    break;
                case CAIRO_PATH_CLOSE_PATH: o.Steps.push_back(GlyphOutline::Close); break;
            }
            for (int k = 1; k <= points; ++k) {
                o.Points.push_back(ToUnits(d[k].point.x));
                o.Points.push_back(ToUnits(d[k].point.y));
            }
        }
        // cairo ends every closed contour with a move to its start: a move
        // with nothing after it draws nothing.
        while (!o.Steps.empty() && o.Steps.back() == GlyphOutline::MoveTo) {
            o.Steps.pop_back();
            o.Points.resize(o.Points.size() - 2);
        }
        if (o.Points.empty()) o.Steps.clear();
        for (size_t k = 0; k < o.Points.size(); k += 2) {
            const int32_t x = o.Points[k], y = o.Points[k + 1];
            if (k == 0) {
                o.Left = o.Right = x;
                o.Top = o.Bottom = y;
            }
            o.Left = std::min(o.Left, x);
            o.Right = std::max(o.Right, x);
            o.Top = std::min(o.Top, y);
            o.Bottom = std::max(o.Bottom, y);
        }
    }
    cairo_path_destroy(path);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return outline;
}

struct OutlineCache {
    std::mutex Mutex;
    std::map<std::pair<cairo_scaled_font_t*, uint32_t>, std::unique_ptr<GlyphOutline>> Outlines;
};

OutlineCache& Cache() {
    static OutlineCache* cache = new OutlineCache;  // lives as long as the fonts
    return *cache;
}

}  // namespace

const GlyphOutline& OutlineOf(cairo_scaled_font_t* scaled, uint32_t glyph) {
    OutlineCache& c = Cache();
    const auto key = std::make_pair(scaled, glyph);
    {
        std::lock_guard<std::mutex> lock(c.Mutex);
        auto it = c.Outlines.find(key);
        if (it != c.Outlines.end()) return *it->second;
    }
    // Traced outside the cache's lock, which other threads need meanwhile.
    std::unique_ptr<GlyphOutline> traced;
    {
        std::lock_guard<std::mutex> glyphs(GlyphMutex());
        traced = TraceOutline(scaled, glyph);
    }
    std::lock_guard<std::mutex> lock(c.Mutex);
    auto inserted = c.Outlines.emplace(key, std::move(traced));
    return *inserted.first->second;
}

}  // namespace nerovan
