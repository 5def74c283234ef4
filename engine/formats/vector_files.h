// The vector picture files made from the metafile target: SVG and PDF,
// drawn by cairo's vector surfaces from the recorded display list, at 96
// pixels per inch (a picture 100 pixels wide is 100 CSS px, or 75 pt).
#pragma once

#include <cstdint>
#include <vector>

#include "metafile.h"

namespace nerovan {

struct VectorPictureOptions {
    // False leaves out the background fill: the picture is transparent
    // around its ink.
    bool Background = true;
    // The formula's baseline in pixels from the picture's top edge; the
    // SVG's root element says how far below it the picture reaches, as a
    // "vertical-align" style, so a page that holds it inline lines the
    // formula up with its text. Negative: not given.
    int Baseline = -1;
};

// SVG: width and height in px with a viewBox in the picture's pixels; glyphs
// are outlines, so no reader needs the fonts.
std::vector<uint8_t> EncodeSvg(const Metafile& mf, const VectorPictureOptions& options);
// PDF: one page of the picture's size in points, the fonts embedded as
// subsets; the metafile's creator as the document's creator, and no creation
// date, so one formula always gives the same bytes.
std::vector<uint8_t> EncodePdf(const Metafile& mf, const VectorPictureOptions& options);

}  // namespace nerovan
