// Measuring and painting the whole expression into the bitmap or the
// metafile, in the order the targets need: measure, size, fill the
// background, then paint at (2, 2).
#include "component.h"

#include "expression.h"
#include "font_engine.h"
#include "raster_canvas.h"

namespace nerovan {

const char* const kMetafileCreator = "Nerovan by Tarquel";

TNerovan::TNerovan() : bitmap_(std::make_unique<nerovan::Bitmap>()),
                       metafile_(std::make_unique<nerovan::Metafile>()) {
    bitmap_->SetPixelFormat(TPixelFormat::pf32bit);
    Font.Name = "Times New Roman";
    Font.SetSize(18);
}

TNerovan::~TNerovan() {
    working_canvas_.reset();
    metafile_.reset();
    bitmap_.reset();
}

namespace {

// Refuses a picture larger than the drawing library can hold or than a sane
// memory budget, naming its size, before anything is allocated for it.
void CheckPictureSize(const TFormulaMetrics& m) {
    const long long w = static_cast<long long>(m.Width) + 2 * kPictureMargin;
    const long long h = static_cast<long long>(m.Height) + 2 * kPictureMargin;
    if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels)
        throw ELimitExceeded("The picture would be " + std::to_string(w) + " x " +
                             std::to_string(h) + " pixels; the largest is " +
                             std::to_string(kMaxPictureSide) + " pixels a side and " +
                             std::to_string(kMaxPicturePixels / (1024 * 1024)) +
                             " megapixels in all");
}

// Refuses an expression or a font size beyond what the layout arithmetic
// holds, before anything is measured.
void CheckFormulaLimits(const std::string& expression, const TFont& font) {
    if (expression.size() > kMaxExpressionLength)
        throw ELimitExceeded("The formula is " + std::to_string(expression.size()) +
                             " characters long; the longest is " +
                             std::to_string(kMaxExpressionLength));
    const int em = FontEngine::Instance().EmPixels(font);
    if (em > kMaxFontPixels)
        throw ELimitExceeded("The font is " + std::to_string(em) + " pixels high; the largest is " +
                             std::to_string(kMaxFontPixels) + " pixels");
}

}  // namespace

void TNerovan::Measure() {
    CheckFormulaLimits(Expression, Font);
    if (EMFPaint) {
        working_canvas_.reset();
        working_canvas_ = std::make_unique<MetafileCanvas>(*metafile_, "", "");
        working_canvas_->Font = Font;
        Metrics = MeasureExpression(Expression, *working_canvas_);
        working_canvas_.reset();
        CheckPictureSize(Metrics);
        metafile_->Height = Metrics.Height + 2 * kPictureMargin;
        metafile_->Width = Metrics.Width + 2 * kPictureMargin;
    } else {
        Canvas& canvas = bitmap_->Canvas();
        canvas.Font = Font;
        Metrics = MeasureExpression(Expression, canvas);
        CheckPictureSize(Metrics);
        bitmap_->SetSize(Metrics.Width + 2 * kPictureMargin, Metrics.Height + 2 * kPictureMargin);
    }
}

namespace {

// Brush, the two per-pass values, pen and font colour, the background fill,
// and a clear brush so text leaves what is behind it.
void PreparePass(Canvas& canvas, const TNerovan& c) {
    canvas.Font = c.Font;
    canvas.Brush.Color = c.BackGroundColor;
    canvas.CurrentMulPoint = c.MulPoint;
    canvas.EraseColor = c.BackGroundColor;
    canvas.Pen.Color = c.ForeGroundColor;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Font.Color = c.ForeGroundColor;
    canvas.FillRect(canvas.ClipRect());
    canvas.Brush.Style = TBrushStyle::bsClear;
}

}  // namespace

void TNerovan::Paint() {
    const TFormulaOrigin origin{kPictureMargin, kPictureMargin};
    if (EMFPaint) {
        Measure();
        working_canvas_.reset();
        working_canvas_ = std::make_unique<MetafileCanvas>(*metafile_, kMetafileCreator, Expression);
        working_canvas_->Lock();
        PreparePass(*working_canvas_, *this);
        try {
            PaintExpression(Expression, origin, *working_canvas_);
        } catch (...) {
            working_canvas_->Unlock();
            throw;
        }
        working_canvas_->Unlock();
        working_canvas_.reset();
    } else {
        bitmap_->SetPixelFormat(BlurBitmap ? TPixelFormat::pf32bit : TPixelFormat::pf8bit);
        bitmap_->Canvas().Font = Font;
        Measure();
        Canvas& canvas = bitmap_->Canvas();
        PreparePass(canvas, *this);
        PaintExpression(Expression, origin, canvas);
        if (BlurBitmap)
            SmoothBitmap(*bitmap_);
        else
            bitmap_->MapToPalette();
    }
}

}  // namespace nerovan
