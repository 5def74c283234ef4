// A small picture of each kind that carries a formula, made without the
// typesetter: the sample bitmap encoded as PNG, JPEG or GIF, and a square
// and a word drawn by cairo as SVG or PDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formula_carrier.h"

namespace nerovan {

std::vector<uint8_t> SampleCarrierPicture(CarrierFormat format);

// The format that a file name's extension names (.png .jpg .gif .svg
// .pdf); false for any other.
bool CarrierFormatFromName(const std::string& name, CarrierFormat& format);

}  // namespace nerovan
