// The picture files made from the bitmap target: Windows bitmap (8-bit with
// the halftone palette, or 32-bit), PNG, JPEG and GIF, all at 96 DPI, and the
// atomic write of any of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"

namespace nerovan {

enum class PictureFormat { Bmp, Png, Jpeg, Gif };

// What a picture file says beside its pixels.
struct RasterFileOptions {
    // Pixels per inch, where the format has a field for it (BMP, PNG, JPEG):
    // 96, or more for a picture painted larger that keeps its printed size.
    double Dpi = 96;
    // PNG only: the fourth byte of each pixel is its opacity, its colour
    // premultiplied by it (as cairo keeps it); written as 8-bit RGBA.
    bool Alpha = false;
};

// Windows bitmap file: 8 bits with the 256-entry halftone palette for an
// 8-bit picture, 32 bits (BI_RGB) otherwise; rows bottom-up.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap, const RasterFileOptions& options = {});
// PNG: a palette image for an 8-bit picture, 8-bit RGB (or RGBA) otherwise;
// with a pHYs chunk.
std::vector<uint8_t> EncodePng(const Bitmap& bitmap, const RasterFileOptions& options = {});
// JPEG: baseline, quality 90, no chroma subsampling (4:4:4), JFIF density.
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const RasterFileOptions& options = {});
// GIF89a, one image. An 8-bit picture keeps the halftone palette; a 32-bit
// picture with at most 256 colours keeps them exactly, one with more is
// reduced to the halftone palette.
std::vector<uint8_t> EncodeGif(const Bitmap& bitmap);

std::vector<uint8_t> EncodePicture(const Bitmap& bitmap, PictureFormat format,
                                   const RasterFileOptions& options = {});

// Encodes the picture and writes it with WriteFileAtomic. Throws EFileError
// when the file cannot be written, EPictureError when the picture
// cannot be encoded (an empty picture, or one too large for the format).
void WritePictureFile(const Bitmap& bitmap, const std::string& path, PictureFormat format);

// The format named by the file's extension: .bmp, .png, .jpg, .jpeg, .gif,
// in any case. False for any other name.
bool PictureFormatFromExtension(const std::string& path, PictureFormat& format);

}  // namespace nerovan
