// The bitmap target: sizing the 32-bit rows, the halftone palette and the
// nearest-entry rule that maps an 8-bit picture onto it, and the in-place
// smoothing of a 32-bit picture (the pixel kernels doing the work of both
// are in pixel_kernels.cpp).
#include "bitmap.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "pixel_kernels.h"
#include "raster_canvas.h"

namespace nerovan {

namespace {

// The six levels of each channel in the colour cube: 0, 51, ..., 255.
constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;  // 216
// Greys added between each pair of neighbouring cube greys.
constexpr int kGreysPerGap = 8;
static_assert(kCubeSize + kGreysPerGap * (kCubeLevels - 1) == 256, "the palette has 256 entries");

inline int CubeIndex(int r, int g, int b) { return r * 36 + g * 6 + b; }

struct HalftoneTables {
    std::vector<PaletteEntry> palette;
    // For every sum r + g + b (0..765), the palette index of the grey
    // nearest to any colour with that sum. For a grey (v, v, v) the squared
    // distance is sum(c^2) - 2*v*s + 3*v^2, so the ranking of the greys
    // depends on the sum s alone.
    std::array<uint8_t, 766> greyForSum{};

    HalftoneTables() {
        palette.reserve(256);
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b) {
                    PaletteEntry e;
                    e.Red = static_cast<uint8_t>(r * kCubeStep);
                    e.Green = static_cast<uint8_t>(g * kCubeStep);
                    e.Blue = static_cast<uint8_t>(b * kCubeStep);
                    palette.push_back(e);
                }
        // Eight greys evenly spread inside each of the five gaps between the
        // cube's greys (0, 51, 102, 153, 204, 255), ascending: the shades of
        // antialiased text then find a close entry.
        for (int gap = 0; gap < kCubeLevels - 1; ++gap)
            for (int k = 1; k <= kGreysPerGap; ++k) {
                const int v = gap * kCubeStep +
                              (kCubeStep * k * 2 + (kGreysPerGap + 1)) / (2 * (kGreysPerGap + 1));
                PaletteEntry e;
                e.Red = e.Green = e.Blue = static_cast<uint8_t>(v);
                palette.push_back(e);
            }

        for (int s = 0; s <= 765; ++s) {
            long best = 0;
            int bestIndex = -1;
            for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
                const PaletteEntry& e = palette[i];
                if (e.Red != e.Green || e.Green != e.Blue) continue;
                const long v = e.Red;
                const long rank = 3 * v * v - 2 * v * s;
                if (bestIndex < 0 || rank < best) {  // ties keep the lower index
                    best = rank;
                    bestIndex = i;
                }
            }
            greyForSum[s] = static_cast<uint8_t>(bestIndex);
        }
    }
};

const HalftoneTables& Tables() {
    static const HalftoneTables tables;
    return tables;
}

inline long SquaredDistance(const PaletteEntry& e, int r, int g, int b) {
    const long dr = r - e.Red, dg = g - e.Green, db = b - e.Blue;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

const std::vector<PaletteEntry>& HalftonePalette() { return Tables().palette; }

uint8_t NearestHalftoneIndex(uint8_t red, uint8_t green, uint8_t blue) {
    const HalftoneTables& t = Tables();
    // The distance is a sum over the channels, so the nearest cube entry is
    // the nearest level in each channel (51 is odd: no ties inside the cube).
    const int cube =
        CubeIndex((red + kCubeStep / 2) / kCubeStep, (green + kCubeStep / 2) / kCubeStep,
                  (blue + kCubeStep / 2) / kCubeStep);
    const int grey = t.greyForSum[red + green + blue];
    const long cubeDistance = SquaredDistance(t.palette[cube], red, green, blue);
    const long greyDistance = SquaredDistance(t.palette[grey], red, green, blue);
    // Equal distances go to the lower index, as a scan of the palette would.
    if (greyDistance < cubeDistance || (greyDistance == cubeDistance && grey < cube))
        return static_cast<uint8_t>(grey);
    return static_cast<uint8_t>(cube);
}

Bitmap::Bitmap() : canvas_(std::make_unique<RasterCanvas>(*this)) {}

Bitmap::~Bitmap() = default;

RasterCanvas& Bitmap::Canvas() { return *canvas_; }

void Bitmap::FinishDrawing() const { canvas_->Flush(); }

void Bitmap::PixelsChanged() { canvas_->MarkDirty(); }

void Bitmap::SetSize(int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if (w == width_ && h == height_) {
        // The same size again (a repaint): the buffer, and the drawing
        // context over it, are kept; only the pixels turn white.
        if (canvas_) canvas_->DiscardPending();
        std::fill(pixels_.begin(), pixels_.end(), 0xFF);
        indices_valid_ = false;
        PixelsChanged();
        plain_ = true;
        plain_colour_ = clWhite;
        return;
    }
    if (canvas_) canvas_->DiscardPending();
    // Allocate before touching the fields, so a failed allocation leaves the
    // bitmap as it was.
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0xFF);
    TakePixels(pixels, w, h);
    indices_.shrink_to_fit();
    plain_ = true;
    plain_colour_ = clWhite;
}

void Bitmap::TakePixels(std::vector<uint8_t>& pixels, int w, int h) {
    pixels_.swap(pixels);
    indices_.clear();
    indices_valid_ = false;
    width_ = w;
    height_ = h;
    ++generation_;
}

const std::vector<uint8_t>& Bitmap::NoIndices() {
    static const std::vector<uint8_t> none;
    return none;
}

void Bitmap::MapToPalette() {
    const size_t count = static_cast<size_t>(width_) * static_cast<size_t>(height_);
    // Every index is written below.
    if (indices_.size() != count) indices_.resize(count);
    indices_valid_ = true;
    uint8_t* bytes = ScanLine(0);
    PaletteMapping mapping(bytes, count);
    MapPixelsToPalette(bytes, indices_.data(), count, mapping);
    PixelsChanged();
}

void SmoothBitmap(Bitmap& bitmap) {
    const int h = bitmap.Height();
    const int w = bitmap.Width();
    if (h < 4) return;
    const SmoothRowKernel smoothRow = FastestSmoothRow();
    for (int y = 2; y <= h - 2; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        const uint8_t* above = bitmap.ScanLine(y - 1);
        const int last = (w - 1) * 4;  // the last column's first byte
        smoothRow(row, above, 4, last);
        // The last column has no right neighbour: it stands in for itself.
        if (w > 1)
            for (int c = 0; c < 3; ++c)
                row[last + c] = static_cast<uint8_t>((3u * row[last + c] + above[last + c]) / 4u);
    }
    bitmap.PixelsChanged();
}

void Bitmap::Grow(const TRect& by, TColor colour) {
    if (pending_drawing_) FinishDrawing();
    if (canvas_) canvas_->DiscardPending();
    const int w = width_ + by.Left + by.Right, h = height_ + by.Top + by.Bottom;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    const uint8_t bgra[4] = {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0xFF};
    for (size_t i = 0; i < pixels.size(); i += 4) std::memcpy(&pixels[i], bgra, 4);
    for (int y = 0; y < height_; ++y)
        std::memcpy(&pixels[(static_cast<size_t>(y + by.Top) * w + by.Left) * 4],
                    &pixels_[static_cast<size_t>(y) * width_ * 4], static_cast<size_t>(width_) * 4);
    TakePixels(pixels, w, h);
    plain_ = false;
}

void Bitmap::CopyFrom(const Bitmap& other) {
    if (&other == this) return;
    if (other.pending_drawing_) other.FinishDrawing();
    if (canvas_) canvas_->DiscardPending();
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    pixels_ = other.pixels_;
    indices_ = other.indices_;
    indices_valid_ = other.indices_valid_;
    ++generation_;
    plain_ = false;
}

}  // namespace nerovan
