// TNerovan: the formula component. It holds the expression, the font, the
// colours and the switches, and paints the expression into its bitmap or its
// metafile, sized to the measured box plus a 2-pixel margin on every side.
#pragma once

#include <memory>
#include <string>

#include "bitmap.h"
#include "canvas.h"
#include "metafile.h"
#include "metrics.h"

namespace nerovan {

constexpr int kPictureMargin = 2;
extern const char* const kMetafileCreator;  // "Nerovan by Tarquel"

// Refuses a picture of w x h pixels larger than the drawing library can hold
// or than max_pixels, naming its size (ELimitExceeded).
void CheckPictureSize(long long w, long long h, long long max_pixels);

class TNerovan {
public:
    TNerovan();
    ~TNerovan();
    TNerovan(const TNerovan&) = delete;
    TNerovan& operator=(const TNerovan&) = delete;

    // Published properties, read and written straight to their fields.
    TColor ForeGroundColor = clBlack;
    TColor BackGroundColor = clWhite;
    std::string Expression;   // single-byte, Windows-1251
    bool ItalicVars = true;   // stored with the component; the layout does not read it
    TFont Font;               // "Times New Roman", 18 points
    bool EMFPaint = true;     // true: paint into the metafile; false: into the bitmap
    bool MulPoint = true;     // mark products with a small dot
    bool BlurBitmap = false;  // bitmap target: 32-bit pixels, smoothed after painting
    // The largest picture painted, in pixels: a program that keeps several
    // pictures at once may ask for less than the engine's bound.
    long long MaxPicturePixels = kMaxPicturePixels;

    // The targets; the caller uses them after Paint and never frees them.
    nerovan::Bitmap& Bitmap() { return *bitmap_; }
    // The bitmap as painted, to be kept without a copy: while the returned
    // pointer lives, the next Measure or Paint of the bitmap target paints
    // into a new bitmap and leaves this one as it is.
    std::shared_ptr<const nerovan::Bitmap> SharedBitmap();
    nerovan::Metafile& Metafile() { return *metafile_; }
    // Metrics of the last measured expression.
    TFormulaMetrics Metrics;
    // Where the last paint put the expression's top-left corner in the
    // picture: the margin, and what the picture grew by at its left and top.
    TFormulaOrigin PaintOrigin{kPictureMargin, kPictureMargin};

    // Measures Expression on the selected target's canvas and sizes the target.
    void Measure();
    // Measures, sizes, fills with the background colour and paints.
    void Paint();

private:
    // A new bitmap of the same pixel format when the current one is kept
    // elsewhere (see SharedBitmap).
    void UnshareBitmap();

    std::shared_ptr<nerovan::Bitmap> bitmap_;
    std::unique_ptr<nerovan::Metafile> metafile_;
    // The metafile canvas of a pass in progress; a pass that failed leaves it
    // behind and the next pass frees it first.
    std::unique_ptr<MetafileCanvas> working_canvas_;
};

}  // namespace nerovan
