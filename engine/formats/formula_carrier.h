// The formula a picture carries back: written into the encoded bytes of a
// PNG, JPEG, GIF, SVG or PDF picture after it was drawn, and read back from
// any of those and from our EMF. Every carrier holds the formula as UTF-8
// together with its length in bytes and its CRC-32, so a carrier that was
// cut short or altered reads as no formula, never as another one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nerovan {

enum class CarrierFormat { Png, Jpeg, Gif, Svg, Pdf };

// The picture with the formula (UTF-8) added:
//   PNG   an iTXt chunk with the keyword "Nerovan formula" before the first IDAT
//   JPEG  COM segments right after SOI (and the JFIF APP0, when there is one)
//   GIF   a comment extension before the trailer
//   SVG   a <metadata> element right after the root <svg> start tag
//   PDF   an incremental update: an XMP metadata stream, an Info dictionary
//         with the formula as /Subject, a catalog pointing to the metadata
// The rest of the picture stays byte for byte. Throws EPictureError when the
// formula is not UTF-8, when an SVG or PDF would have to hold a control
// character that XML cannot hold, or when the picture's structure is not
// one this writer knows.
std::vector<uint8_t> EmbedFormula(const std::vector<uint8_t>& picture, CarrierFormat format,
                                  const std::string& formulaUtf8);

// The formula (UTF-8) a picture carries, the format told by the picture's
// own signature (PNG, JPEG, GIF, PDF, EMF, or XML text for SVG); none for a
// picture without one, with a carrier whose check fails, or with bytes this
// reader does not understand. Any bytes may come in: nothing is read out of
// bounds, memory stays within the input's size and time is linear in it.
std::optional<std::string> ReadFormula(const uint8_t* data, size_t size);

// Whether the bytes are a picture of a kind the program writes (PNG, JPEG,
// GIF, PDF, EMF, a BMP of its own size, or XML text that names an <svg>
// element in its first 4 KB), whether it carries a formula or not: such a
// file is never read as a formula file.
bool LooksLikePicture(const uint8_t* data, size_t size);

}  // namespace nerovan
