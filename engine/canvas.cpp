// The canvas operations shared by every implementation: the font size model,
// the pen position, and the recording of each drawing operation into a
// display list before the implementation draws it.
#include "canvas.h"

#include <algorithm>
#include <cmath>

#include "metafile.h"

namespace nerovan {

namespace {

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long q = (2 * (n < 0 ? -n : n) + c) / (2LL * c);
    return static_cast<int>(n < 0 ? -q : q);
}

}  // namespace

void MeasureMemo::Open() {
    map_.clear();
    bytes_ = 0;
    active_ = true;
}

void MeasureMemo::Close() {
    // Swapping frees the buckets too, so nothing of a large pass lingers.
    std::unordered_map<std::string, Entry>().swap(map_);
    // The scratch key keeps a small room for the next pass, not a long formula's.
    if (scratch_.capacity() > 4096) std::string().swap(scratch_);
    bytes_ = 0;
    active_ = false;
}

void MeasureMemo::MakeKey(std::string& key, char routine, const std::string& text,
                          const Canvas& canvas) {
    const TFont& f = canvas.Font;
    const int32_t fixed[] = {f.Height, static_cast<int32_t>(f.Style),
                             static_cast<int32_t>(f.Charset), static_cast<int32_t>(f.Color),
                             canvas.NestingDepth, static_cast<int32_t>(f.Name.size())};
    key.reserve(1 + sizeof fixed + f.Name.size() + text.size());
    key.push_back(routine);
    key.append(reinterpret_cast<const char*>(fixed), sizeof fixed);
    key.append(f.Name);
    key.append(text);
}

const MeasureMemo::Entry* MeasureMemo::Find(const std::string& key) const {
    const auto it = map_.find(key);
    return it == map_.end() ? nullptr : &it->second;
}

void MeasureMemo::Store(std::string&& key, const TFormulaMetrics& m, const TFont& font_after) {
    // The key, the entry, and the node and bucket around them.
    const size_t cost = key.size() + sizeof(Entry) + 4 * sizeof(void*);
    if (bytes_ + cost > kMaxBytes) return;
    bytes_ += cost;
    map_.emplace(std::move(key), Entry{m, font_after});
}

int TFont::Size() const { return MulDivRound(-Height, 72, kScreenPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, kScreenPixelsPerInch, 72); }

int Canvas::TextWidth(const std::string& s) { return s.empty() ? 0 : DoTextWidth(s); }

int Canvas::DoTextWidth(const std::string& s) {
    CharAdvances(s, scratch_);
    int w = 0;
    for (int a : scratch_) w += a;
    return w;
}

int Canvas::TextHeight(const std::string&) { return DoTextHeight(); }

void Canvas::CharAdvances(const std::string& s, std::vector<int>& advances) {
    advances.clear();
    if (!s.empty()) DoCharAdvances(s, advances);
}

int Canvas::InkTop(const std::string& s) { return DoInkTop(s); }

int Canvas::EmPixels() { return DoEmPixels(); }

void Canvas::TextOut(int x, int y, const std::string& s) { TextOutImpl(x, y, s, nullptr); }

void Canvas::TextOutClipped(int x, int y, const std::string& s, const TRect& clip) {
    TextOutImpl(x, y, s, &clip);
}

void Canvas::TextOutImpl(int x, int y, const std::string& s, const TRect* clip) {
    if (s.empty()) return;
    // Kept between calls so a run of one-glyph texts allocates nothing.
    std::vector<int>& advances = text_advances_;
    CharAdvances(s, advances);
    if (Brush.Style == TBrushStyle::bsSolid) {
        int w = 0;
        for (int a : advances) w += a;
        TRect cell{x, y, x + w, y + DoTextHeight()};
        if (clip) {
            cell.Left = std::max(cell.Left, clip->Left);
            cell.Top = std::max(cell.Top, clip->Top);
            cell.Right = std::min(cell.Right, clip->Right);
            cell.Bottom = std::min(cell.Bottom, clip->Bottom);
        }
        if (cell.Left < cell.Right && cell.Top < cell.Bottom) FillRect(cell);
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
        recorder_->Ops.push_back(std::move(op));
    }
    DoTextOut(x, y, s, advances, clip);
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
        recorder_->Ops.push_back(std::move(op));
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
        recorder_->Ops.push_back(std::move(op));
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
        recorder_->Ops.push_back(std::move(op));
    }
    DoEllipse(x1, y1, x2, y2);
}

void Canvas::FillRect(const TRect& r) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Fill;
        op.Rect = r;
        op.Color = Brush.Color;
        recorder_->Ops.push_back(std::move(op));
    }
    DoFillRect(r, Brush.Color);
}

}  // namespace nerovan
