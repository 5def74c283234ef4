// SVG and PDF through cairo's vector surfaces: the metafile's display list is
// replayed onto the surface by the cairo canvas, so the pictures hold the
// very glyphs, lines and arcs the bitmap holds.
#include "vector_files.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <cctype>
#include <map>
#include <string>

#include "cairo_canvas.h"

namespace nerovan {

namespace {

// Points per pixel at 96 pixels per inch.
constexpr double kPointsPerPixel = 72.0 / 96.0;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(closure);
    try {
        out->insert(out->end(), data, data + length);
    } catch (...) {
        return CAIRO_STATUS_NO_MEMORY;
    }
    return CAIRO_STATUS_SUCCESS;
}

void CheckPicture(const Metafile& mf, const char* format) {
    if (mf.Width <= 0 || mf.Height <= 0)
        throw EPictureError(std::string("Cannot encode an empty picture as ") + format);
}

// Replays the picture onto the surface with `scale` pixels to a unit of
// the surface, finishes it and throws when cairo failed.
void DrawAndFinish(const Metafile& mf, cairo_surface_t* surface, double scale,
                   const VectorPictureOptions& options, const char* format,
                   GlyphOutlines outlines) {
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    ReplayPicture(mf, cr, options.Background, outlines);
    const cairo_status_t status = FinishSurface(cr, surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw EPictureError(std::string("Cannot encode the picture as ") + format + ": " +
                            cairo_status_to_string(status));
}

// cairo names an SVG's groups "surfaceN" after a count of every surface the
// process has made, so the same picture would get other bytes after other
// pictures (the window's second save, the batch renderer's threads). The
// groups are numbered again from 1 in the order they appear, as a process's
// first picture has them.
void NumberSurfacesFromOne(std::vector<uint8_t>& svg) {
    static const std::string kName = "surface";
    std::string text(svg.begin(), svg.end()), out;
    std::map<std::string, int> numbers;
    size_t from = 0;
    for (size_t at = text.find(kName); at != std::string::npos; at = text.find(kName, at)) {
        const size_t digits = at + kName.size();
        size_t end = digits;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        const bool name = end > digits && at > 0 && (text[at - 1] == '"' || text[at - 1] == '#');
        if (!name) {
            at = digits;
            continue;
        }
        const int number =
            numbers.emplace(text.substr(digits, end - digits), static_cast<int>(numbers.size()) + 1)
                .first->second;
        out.append(text, from, digits - from);
        out += std::to_string(number);
        from = at = end;
    }
    if (numbers.empty()) return;
    out.append(text, from, std::string::npos);
    svg.assign(out.begin(), out.end());
}

}  // namespace

std::vector<uint8_t> EncodeSvg(const Metafile& mf, const VectorPictureOptions& options) {
    CheckPicture(mf, "SVG");
    std::vector<uint8_t> out;
    cairo_surface_t* surface =
        cairo_svg_surface_create_for_stream(AppendBytes, &out, mf.Width, mf.Height);
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
    // cairo writes every glyph as its outline at the layout's size.
    DrawAndFinish(mf, surface, 1.0, options, "SVG", GlyphOutlines::None);
    NumberSurfacesFromOne(out);
    if (options.Baseline >= 0) {
        // CSS lines the bottom of an inline picture up with the text's
        // baseline; lowering it by the depth below the formula's baseline
        // puts the two baselines on one line.
        static const std::string kRoot = "<svg ";
        const std::string text(out.begin(), out.end());
        const size_t at = text.find(kRoot);
        if (at == std::string::npos) throw EPictureError("Cannot encode the picture as SVG");
        const std::string style =
            "style=\"vertical-align: " + std::to_string(options.Baseline - mf.Height) + "px\" ";
        out.insert(out.begin() + static_cast<long>(at + kRoot.size()), style.begin(), style.end());
    }
    return out;
}

std::vector<uint8_t> EncodePdf(const Metafile& mf, const VectorPictureOptions& options) {
    CheckPicture(mf, "PDF");
    std::vector<uint8_t> out;
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        AppendBytes, &out, mf.Width * kPointsPerPixel, mf.Height * kPointsPerPixel);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "");
    if (!mf.Creator.empty())
        cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, mf.Creator.c_str());
    // The fonts embedded are drawn by the reader; the marks of accents,
    // clipped at the rows the hinted glyph inks, are outlines of that glyph.
    DrawAndFinish(mf, surface, kPointsPerPixel, options, "PDF", GlyphOutlines::Clipped);
    return out;
}

}  // namespace nerovan
