// The picture files of a painted formula, of every kind the programs write:
// the bitmap's (BMP, PNG, JPEG, GIF), the metafile's EMF, and SVG and PDF
// replayed from the metafile; painted larger than the layout or on a
// transparent background on request. Every picture's bytes are made by
// EncodeFormulaPicture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "component.h"

namespace nerovan {

enum class PictureKind { Png, Svg, Pdf, Emf, Bmp, Jpeg, Gif };

struct PictureOptions {
    // The layout painted this many times larger (1 to 8), nothing laid out
    // again. A bitmap grows; a vector picture keeps its printed size.
    double Scale = 1;
    // No background: transparent PNG, SVG and PDF; no other kind has it.
    bool Transparent = false;
};

constexpr double kMaxPictureScale = 8;

// The kind named by a lower-case name: png svg pdf emf bmp jpg jpeg gif.
bool PictureKindFromName(const std::string& name, PictureKind& kind);
// The kind named by a file's extension, in any case; false for another name.
bool PictureKindFromExtension(const std::string& path, PictureKind& kind);

// Why this kind of picture cannot be made with these options, or empty when
// it can.
std::string PictureRefusal(PictureKind kind, const PictureOptions& options);

// Whether the picture is made from the metafile target (TNerovan::EMFPaint)
// rather than from the bitmap.
bool PaintsFromMetafile(PictureKind kind, const PictureOptions& options);

// The typographic baseline of the formula's main row: the baseline of the
// text of the component's font, in pixels from the top edge of the picture
// last painted, at scale 1.
int PictureBaseline(const TNerovan& component);

// The size in pixels of the picture at the scale of the options.
long long PictureWidth(TNerovan& component, const PictureOptions& options);
long long PictureHeight(TNerovan& component, const PictureOptions& options);

// The picture with the expression (Windows-1251) it shows added in the
// carrier of its kind (formula_carrier.h), for pictures encoded elsewhere;
// EMF and BMP pictures come back as they are.
std::vector<uint8_t> AddExpression(std::vector<uint8_t> picture, PictureKind kind,
                                   const std::string& expression);

// The bytes of the picture file of the component as painted last, on the
// target PaintsFromMetafile names, with its expression in it (AddExpression).
// Every picture file passes through here before it is written. Throws EPictureError when the
// picture cannot be encoded, ELimitExceeded when a scaled picture is too large.
std::vector<uint8_t> EncodeFormulaPicture(TNerovan& component, PictureKind kind,
                                          const PictureOptions& options);

}  // namespace nerovan
