// Measuring and painting the whole expression into the bitmap or the
// metafile, in the order the targets need: measure, size, fill the
// background, then paint at (2, 2).
#include "component.h"

#include <algorithm>

#include "expression.h"
#include "font_engine.h"
#include "raster_canvas.h"

namespace nerovan {

const char* const kMetafileCreator = "Nerovan by Tarquel";

TNerovan::TNerovan()
    : bitmap_(std::make_shared<nerovan::Bitmap>()),
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

// Called before anything is allocated for the picture.
void CheckPictureSize(long long w, long long h, long long max_pixels) {
    constexpr long long kMega = 1024 * 1024;
    if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > max_pixels)
        throw ELimitExceeded(
            "The picture would be " + std::to_string(w) + " x " + std::to_string(h) +
            " pixels; the largest is " + std::to_string(kMaxPictureSide) + " pixels a side and " +
            (max_pixels % kMega == 0 ? std::to_string(max_pixels / kMega) + " megapixels in all"
                                     : std::to_string(max_pixels) + " pixels in all"));
}

namespace {

void CheckPictureSize(const TFormulaMetrics& m, long long max_pixels) {
    nerovan::CheckPictureSize(static_cast<long long>(m.Width) + 2 * kPictureMargin,
                              static_cast<long long>(m.Height) + 2 * kPictureMargin, max_pixels);
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

std::shared_ptr<const nerovan::Bitmap> TNerovan::SharedBitmap() {
    // Text the canvas still holds back is drawn now, so that the keeper of
    // the pointer reads finished rows without writing to the bitmap.
    const nerovan::Bitmap& painted = *bitmap_;
    if (painted.Height() > 0) painted.ScanLine(0);
    return bitmap_;
}

void TNerovan::UnshareBitmap() {
    if (bitmap_.use_count() == 1) return;
    auto fresh = std::make_shared<nerovan::Bitmap>();
    fresh->SetPixelFormat(bitmap_->PixelFormat());
    bitmap_ = std::move(fresh);
}

void TNerovan::Measure() {
    CheckFormulaLimits(Expression, Font);
    if (EMFPaint) {
        working_canvas_.reset();
        working_canvas_ = std::make_unique<MetafileCanvas>(*metafile_, "", "");
        working_canvas_->Font = Font;
        Metrics = MeasureExpression(Expression, *working_canvas_);
        working_canvas_.reset();
        CheckPictureSize(Metrics, MaxPicturePixels);
        metafile_->Height = Metrics.Height + 2 * kPictureMargin;
        metafile_->Width = Metrics.Width + 2 * kPictureMargin;
    } else {
        UnshareBitmap();
        Canvas& canvas = bitmap_->Canvas();
        canvas.Font = Font;
        Metrics = MeasureExpression(Expression, canvas);
        CheckPictureSize(Metrics, MaxPicturePixels);
        bitmap_->SetSize(Metrics.Width + 2 * kPictureMargin, Metrics.Height + 2 * kPictureMargin);
    }
}

namespace {

// Brush, the pass's values, pen and font colour, the background fill, and
// a clear brush so text leaves what is behind it.
void PreparePass(Canvas& canvas, const TNerovan& c) {
    canvas.Font = c.Font;
    canvas.Brush.Color = c.BackGroundColor;
    canvas.Pass = LayoutPass{c.MulPoint, c.BackGroundColor};
    canvas.Pen.Color = c.ForeGroundColor;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Font.Color = c.ForeGroundColor;
    canvas.FillRect(canvas.ClipRect());
    canvas.Brush.Style = TBrushStyle::bsClear;
}

// Ink keeps this many pixels clear of the picture's edges.
constexpr int kClearance = 1;

// How far the picture must grow at each edge so that no ink reaches its
// outermost columns and rows: a glyph's hook (an italic f or j at either end
// of a formula) can hang beyond its box and the margin. Nothing when all
// ink keeps clear of the edges, which is almost always.
TRect InkOverhang(const TRect& ink, int width, int height) {
    if (ink.Empty()) return TRect{0, 0, 0, 0};
    return TRect{std::max(0, kClearance - ink.Left), std::max(0, kClearance - ink.Top),
                 std::max(0, ink.Right - (width - kClearance)),
                 std::max(0, ink.Bottom - (height - kClearance))};
}

bool Grows(const TRect& overhang) {
    return overhang.Left || overhang.Top || overhang.Right || overhang.Bottom;
}

// Moves a recorded paint into the picture grown by `by`: every operation
// moves, and the background fill of the whole old picture covers the whole
// new one.
void MoveIntoGrownPicture(DisplayList& list, const TRect& by, int width, int height) {
    const TRect old_whole{by.Left, by.Top, width - by.Right, height - by.Bottom};  // once moved
    list.Offset(by.Left, by.Top);
    for (DrawOp& op : list.Ops)
        if (op.Kind == DrawOpKind::Fill && op.Rect == old_whole)
            op.Rect = TRect{0, 0, width, height};
}

}  // namespace

void TNerovan::Paint() {
    // The layout's box and Metrics stay as measured; only the picture grows
    // where ink would be cut off, and the formula moves that much further
    // in. Nothing is laid out again: the recorded operations move, and on
    // the bitmap the pixels move and only the runs whose ink left the
    // picture are drawn again, within the new strips, which they had not
    // been drawn into.
    const TFormulaOrigin origin{kPictureMargin, kPictureMargin};
    PaintOrigin = origin;
    if (EMFPaint) {
        Measure();
        working_canvas_.reset();
        working_canvas_ =
            std::make_unique<MetafileCanvas>(*metafile_, kMetafileCreator, Expression);
        working_canvas_->Lock();
        PreparePass(*working_canvas_, *this);
        working_canvas_->TrackInk(true, kClearance);
        try {
            PaintExpression(Expression, origin, *working_canvas_);
        } catch (...) {
            working_canvas_->Unlock();
            throw;
        }
        const TRect by =
            InkOverhang(working_canvas_->TrackedInk(), metafile_->Width, metafile_->Height);
        working_canvas_->Unlock();
        working_canvas_.reset();
        if (Grows(by)) {
            const int w = metafile_->Width + by.Left + by.Right;
            const int h = metafile_->Height + by.Top + by.Bottom;
            CheckPictureSize(w, h, MaxPicturePixels);
            metafile_->Width = w;
            metafile_->Height = h;
            MoveIntoGrownPicture(metafile_->List, by, w, h);
            PaintOrigin = {origin.X + by.Left, origin.Y + by.Top};
        }
    } else {
        UnshareBitmap();
        bitmap_->SetPixelFormat(BlurBitmap ? TPixelFormat::pf32bit : TPixelFormat::pf8bit);
        bitmap_->Canvas().Font = Font;
        Measure();
        Canvas& canvas = bitmap_->Canvas();
        PreparePass(canvas, *this);
        canvas.TrackInk(true, kClearance);
        PaintExpression(Expression, origin, canvas);
        canvas.TrackInk(false);
        const int old_w = bitmap_->Width(), old_h = bitmap_->Height();
        const TRect by = InkOverhang(canvas.TrackedInk(), old_w, old_h);
        if (Grows(by)) {
            const int w = old_w + by.Left + by.Right, h = old_h + by.Top + by.Bottom;
            CheckPictureSize(w, h, MaxPicturePixels);
            bitmap_->Grow(by, BackGroundColor);
            PaintOrigin = {origin.X + by.Left, origin.Y + by.Top};
            DisplayList* recorder = canvas.Recorder();
            if (recorder) MoveIntoGrownPicture(*recorder, by, w, h);
            canvas.SetRecorder(nullptr);
            // The strips the picture grew by: left, right, top and bottom.
            const TRect strips[4] = {{0, 0, by.Left, h},
                                     {by.Left + old_w, 0, w, h},
                                     {by.Left, 0, by.Left + old_w, by.Top},
                                     {by.Left, by.Top + old_h, by.Left + old_w, h}};
            {
                CanvasStateGuard guard(canvas);
                canvas.Brush.Style = TBrushStyle::bsClear;
                for (const Canvas::TrackedRun& run : canvas.TrackedRuns())
                    for (TRect strip : strips) {
                        if (run.Clipped)
                            strip.Intersect(TRect{run.Clip.Left + by.Left, run.Clip.Top + by.Top,
                                                  run.Clip.Right + by.Left,
                                                  run.Clip.Bottom + by.Top});
                        if (strip.Empty()) continue;
                        canvas.Font = run.Font;
                        canvas.TextOutClipped(run.X + by.Left, run.Y + by.Top, run.Text, strip);
                    }
            }
            canvas.SetRecorder(recorder);
        }
        if (BlurBitmap)
            SmoothBitmap(*bitmap_);
        else
            bitmap_->MapToPalette();
    }
}

}  // namespace nerovan
