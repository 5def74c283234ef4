// The small picture the picture-file tests write: white, 7 x 5 (an odd width,
// so BMP rows need padding), with a few coloured pixels.
#pragma once

#include <cstdint>

#include "bitmap.h"

namespace nerovan {

// Sets one pixel of a 32-bit bitmap.
void SetPixel(Bitmap& bmp, int x, int y, uint8_t r, uint8_t g, uint8_t b);

// Paints the sample into bmp in the given pixel format (an 8-bit one mapped
// to its palette).
void PaintSample(Bitmap& bmp, TPixelFormat format);

}  // namespace nerovan
