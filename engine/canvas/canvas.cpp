// The canvas operations shared by every implementation: the font size model,
// the pen position, and the recording of each drawing operation into a
// display list before the implementation draws it.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display_list.h"

namespace nerovan {

namespace {

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long q = (2 * (n < 0 ? -n : n) + c) / (2LL * c);
    return static_cast<int>(n < 0 ? -q : q);
}

}  // namespace

int TFont::Size() const { return MulDivRound(-Height, 72, kScreenPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, kScreenPixelsPerInch, 72); }

int Canvas::TextWidth(std::string_view s) { return s.empty() ? 0 : DoTextWidth(s); }

int Canvas::DoTextWidth(std::string_view s) {
    CharAdvances(s, scratch_);
    long long w = 0;
    for (int a : scratch_) w += a;
    return SizeSum(w);
}

int Canvas::TextHeight(std::string_view) { return DoTextHeight(); }

void Canvas::CharAdvances(std::string_view s, std::vector<int>& advances) {
    advances.clear();
    if (!s.empty()) DoCharAdvances(s, advances);
}

int Canvas::InkTop(std::string_view s) { return DoInkTop(s); }

int Canvas::EmPixels() { return DoEmPixels(); }

void Canvas::TextOut(int x, int y, std::string_view s) { TextOutImpl(x, y, s, nullptr); }

void Canvas::TextOutClipped(int x, int y, std::string_view s, const TRect& clip) {
    TextOutImpl(x, y, s, &clip);
}

void Canvas::TextOutImpl(int x, int y, std::string_view s, const TRect* clip) {
    if (s.empty()) return;
    // Kept between calls so a run of one-glyph texts allocates nothing.
    std::vector<int>& advances = text_advances_;
    CharAdvances(s, advances);
    if (Brush.Style == TBrushStyle::bsSolid) {
        int w = 0;
        for (int a : advances) w += a;
        TRect cell{x, y, x + w, y + DoTextHeight()};
        if (clip) cell.Intersect(*clip);
        if (!cell.Empty()) FillRect(cell);
    }
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Text;
        op.X1 = x;
        op.Y1 = y;
        op.Text = s;
        op.Font = Font;
        op.Color = Font.Color;
        op.Em = DoEmPixels();
        op.Advances = advances;
        if (clip) {
            op.Clipped = true;
            op.Clip = *clip;
        }
        Record(std::move(op));
    }
    if (ink_tracking_) {
        TRect ink = DoTextInk(x, y, s, advances, ink_area_);
        if (clip) ink.Intersect(*clip);
        const TRect& area = ink_area_;
        if (!ink.Empty() && (ink.Left < area.Left || ink.Top < area.Top || ink.Right > area.Right ||
                             ink.Bottom > area.Bottom)) {
            tracked_ink_.Unite(ink);
            tracked_runs_.push_back(
                {x, y, std::string(s), Font, clip != nullptr, clip ? *clip : TRect{}});
        }
    }
    DoTextOut(x, y, s, advances, clip);
}

TRect Canvas::DoTextInk(int, int, std::string_view, const std::vector<int>&, const TRect&) {
    return TRect{0, 0, 0, 0};
}

void Canvas::Record(DrawOp&& op) {
    // Room for as many operations as the list expects (as many as the last
    // paint into the same metafile drew), or for dozens, spares it rounds of
    // growing.
    if (recorder_->Ops.empty()) recorder_->Ops.reserve(std::max<size_t>(64, recorder_->SizeHint));
    recorder_->Ops.push_back(std::move(op));
}

void Canvas::MoveTo(int x, int y) { pen_pos_ = {x, y}; }

void Canvas::LineTo(int x, int y) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Line;
        op.X1 = pen_pos_.X;
        op.Y1 = pen_pos_.Y;
        op.X2 = x;
        op.Y2 = y;
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        Record(std::move(op));
    }
    DoLine(pen_pos_.X, pen_pos_.Y, x, y);
    pen_pos_ = {x, y};
}

void Canvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Arc;
        op.Rect = {x1, y1, x2, y2};
        op.X1 = x3;
        op.Y1 = y3;
        op.X2 = x4;
        op.Y2 = y4;
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        Record(std::move(op));
    }
    DoArc(x1, y1, x2, y2, x3, y3, x4, y4);
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Ellipse;
        op.Rect = {x1, y1, x2, y2};
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        op.Filled = Brush.Style == TBrushStyle::bsSolid;
        op.FillColor = Brush.Color;
        Record(std::move(op));
    }
    DoEllipse(x1, y1, x2, y2);
}

void Canvas::FillRect(const TRect& r) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Fill;
        op.Rect = r;
        op.Color = Brush.Color;
        Record(std::move(op));
    }
    DoFillRect(r, Brush.Color);
}

}  // namespace nerovan
