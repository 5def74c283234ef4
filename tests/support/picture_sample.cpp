// The sample picture of the picture-file tests.
#include "picture_sample.h"

namespace nerovan {

void SetPixel(Bitmap& bmp, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = bmp.ScanLine(y) + x * 4;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

void PaintSample(Bitmap& bmp, TPixelFormat format) {
    bmp.SetSize(7, 5);
    bmp.SetPixelFormat(format);
    SetPixel(bmp, 1, 1, 255, 0, 0);
    SetPixel(bmp, 5, 3, 0, 0, 255);
    for (int x = 0; x < 7; ++x) SetPixel(bmp, x, 2, 100, 100, 100);
    SetPixel(bmp, 6, 4, 20, 90, 160);
    if (format == TPixelFormat::pf8bit) bmp.MapToPalette();
}

}  // namespace nerovan
