// The bitmap target: 32-bit pixels (blue, green, red, fourth byte) or 8 bits
// with a halftone palette. An 8-bit picture is painted at 32 bits and then
// mapped to the nearest palette entry, so the rows always hold 32-bit pixels
// that show exactly what the picture holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "canvas.h"

namespace nerovan {

enum class TPixelFormat { pf8bit, pf32bit };

struct PaletteEntry {
    uint8_t Red = 0, Green = 0, Blue = 0;
};

// The 256-entry halftone palette: a 6x6x6 colour cube plus greys.
const std::vector<PaletteEntry>& HalftonePalette();
// Index of the palette entry nearest to the colour.
uint8_t NearestHalftoneIndex(uint8_t red, uint8_t green, uint8_t blue);

class RasterCanvas;

class Bitmap {
public:
    Bitmap();
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Resizing keeps nothing of the old pixels; the new pixels are white.
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    void SetSize(int w, int h);
    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat f) { format_ = f; }

    // 32-bit rows, top to bottom; Stride() bytes apart. Text the canvas
    // still holds back is drawn first, so the rows show all that was drawn.
    uint8_t* ScanLine(int y) {
        if (pending_drawing_) FinishDrawing();
        plain_ = false;  // the caller may write
        return pixels_.data() + static_cast<size_t>(y) * Stride();
    }
    const uint8_t* ScanLine(int y) const {
        if (pending_drawing_) FinishDrawing();
        return pixels_.data() + static_cast<size_t>(y) * Stride();
    }
    int Stride() const { return width_ * 4; }
    // Palette indices of an 8-bit picture (valid after MapToPalette), one byte a pixel.
    const std::vector<uint8_t>& Indices() const { return indices_valid_ ? indices_ : NoIndices(); }
    // Makes this bitmap an exact copy of other's size, format, pixels and
    // palette indices (the canvas state is not copied).
    void CopyFrom(const Bitmap& other);
    // Adds the given numbers of columns and rows at each edge, in colour,
    // keeping every pixel drawn (32-bit rows; the palette indices must be
    // made again).
    void Grow(const TRect& by, TColor colour);
    // Maps every pixel to its nearest halftone entry (8-bit pictures).
    void MapToPalette();
    // Bumped whenever the pixel buffer is reallocated.
    unsigned Generation() const { return generation_; }

    RasterCanvas& Canvas();
    // Tells the canvas that the pixels were written directly, after drawing
    // it held back was finished (see ScanLine).
    void PixelsChanged();

    // What the canvas that draws into this bitmap tells it.
    // The canvas holds drawing back (held), or holds none any more; while it
    // holds some, reading the rows has it finish that drawing first.
    void MarkDrawingHeldBack(bool held) { pending_drawing_ = held; }
    // The canvas drew: the pixels may no longer be all of one colour.
    void MarkDrawn() { plain_ = false; }
    // The canvas filled a box with colour; whole: the box covered the picture.
    void MarkFilled(TColor colour, bool whole) {
        plain_ = whole;
        plain_colour_ = colour;
    }
    // Whether every pixel is colour, so a fill of the whole picture with it
    // changes nothing.
    bool IsPlain(TColor colour) const { return plain_ && plain_colour_ == colour; }

private:
    // Draws what the canvas holds back (runs of glyphs it batches).
    void FinishDrawing() const;
    // Makes pixels (w x h, 32-bit) the bitmap's, dropping its palette indices.
    void TakePixels(std::vector<uint8_t>& pixels, int w, int h);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf32bit;
    std::vector<uint8_t> pixels_;
    // Kept over a repaint at the same size (so mapping writes them without
    // zeroing them first), but valid only after MapToPalette.
    std::vector<uint8_t> indices_;
    bool indices_valid_ = false;
    static const std::vector<uint8_t>& NoIndices();
    unsigned generation_ = 0;
    // Set by the canvas while it holds glyphs back (MarkDrawingHeldBack).
    mutable bool pending_drawing_ = false;
    // Every pixel is plain_colour_ (after a resize, or a fill of the whole
    // picture), so filling the whole picture with it again changes nothing.
    bool plain_ = false;
    TColor plain_colour_ = 0;
    std::unique_ptr<RasterCanvas> canvas_;
};

// Smooths a 32-bit bitmap in place: for rows 2..H-2 and columns 1..W-1,
// each colour byte becomes (2 * own + right + above) div 4. Pictures lower
// than 4 rows are left as they are.
void SmoothBitmap(Bitmap& bitmap);

}  // namespace nerovan
