// Radicals: `sqrt(x)`, `sqrt(a, b)` (the arguments under one sign, set like
// the factors of a product) and `root(n, x)` with the index n at the script
// size. The sign is a lead-in stroke, a down-stroke (two pixels wide for
// large fonts), an up-stroke and the bar over the radicand.
#include "radical.h"

#include <string>
#include <vector>

#include "delimiters.h"
#include "expression.h"
#include "list.h"
#include "style.h"

namespace nerovan {

namespace {

// The sign takes three radical units before the radicand: its strokes and a
// half-unit gap. A root's index covers the first of them.
constexpr int kSignUnits = 3;
constexpr int kIndexOverlapUnits = 1;

// Along the sign, in half units from the lead-in's start: where the lead-in,
// the down-stroke and the up-stroke end.
constexpr int kLeadInEnd = 1;
constexpr int kDownStrokeEnd = 3;
constexpr int kUpStrokeEnd = 5;
int HalfUnits(int n, int w) { return (n * w) / 2; }

// The lead-in stroke lies five eighths of the sign's height down, a little
// below the middle, where the down-stroke starts; a root's index stands on it.
constexpr int kLeadInEighths = 5;
int LeadInDepth(int h) { return (kLeadInEighths * h) / 8; }

// Above this size (points) the down-stroke is drawn two pixels wide.
constexpr int kThinDownStrokeLargestSize = 20;

}  // namespace

int RadicalUnit(Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    canvas.Font.SetSize(ScriptSize(canvas.Font.Size()));
    return canvas.TextWidth("3");
}

TFormulaMetrics PadForRadical(const TFormulaMetrics& r, Canvas& canvas) {
    const int w = RadicalUnit(canvas);
    return {SizeSum(r.Width, kSignUnits * w), SizeSum(r.Height, w), SizeSum(r.Ascent, w)};
}

TFormulaMetrics PadForRoot(const TFormulaMetrics& r, const TFormulaMetrics& index, Canvas& canvas) {
    const int w = RadicalUnit(canvas);
    return {SizeSum(r.Width, index.Width, (kSignUnits - kIndexOverlapUnits) * w),
            SizeSum(r.Height, w), SizeSum(r.Ascent, w)};
}

namespace {

// The lead-in, down- and up-strokes of a sign of height h whose lead-in
// starts at (x, y + 5h/8); the pen ends at the top of the up-stroke, where
// the bar begins. Each stroke starts on the end point the previous one
// left out, so the strokes join.
void PaintSignStrokes(int x, int y, int h, int w, Canvas& canvas) {
    const int pen = canvas.Pen.Width;
    canvas.MoveTo(x, y + LeadInDepth(h));
    canvas.LineTo(x + HalfUnits(kLeadInEnd, w), y + LeadInDepth(h));
    if (canvas.Font.Size() > kThinDownStrokeLargestSize) canvas.Pen.Width = 2;
    canvas.LineTo(x + HalfUnits(kDownStrokeEnd, w), y + h - 1);
    canvas.Pen.Width = pen;
    canvas.LineTo(x + HalfUnits(kUpStrokeEnd, w), y + 1);
}

}  // namespace

TFormulaOrigin PaintRadical(TFormulaOrigin origin, const TFormulaMetrics& p, Canvas& canvas) {
    const int w = RadicalUnit(canvas);
    PaintSignStrokes(origin.X, origin.Y, p.Height, w, canvas);
    canvas.LineTo(origin.X + p.Width, origin.Y + 1);
    return {origin.X + kSignUnits * w, origin.Y + w};
}

TFormulaOrigin PaintIndexedRadical(TFormulaOrigin origin, const TFormulaMetrics& p,
                                   const TFormulaMetrics& index, Canvas& canvas) {
    const int w = RadicalUnit(canvas);
    const int x1 = origin.X + index.Width - kIndexOverlapUnits * w;
    PaintSignStrokes(x1, origin.Y, p.Height, w, canvas);
    // The bar runs from the up-stroke's top as far as the radicand is wide,
    // so it stops w - w/2 short of the radicand's end, unlike a square root's,
    // which runs on to the box's edge.
    canvas.LineTo(x1 + p.Width - index.Width + HalfUnits(1, w), origin.Y + 1);
    return {x1 + kSignUnits * w, origin.Y + w};
}

namespace {

// A square root or a root with its index: the pieces and where the sign and
// the index stand in the box, for both passes.
struct RadicalLayout {
    bool Indexed = false;
    PieceList Radicand;
    std::string_view Index;
    TFormulaMetrics RadicandBox, IndexBox;
    TFormulaMetrics Sign;   // the box PadForRadical or PadForRoot gives
    TFormulaOrigin SignAt;  // the sign box's corner in the construct's box
    TFormulaOrigin IndexAt;
    TFormulaMetrics Box;
};

enum RadicalForm { kSqrt, kRoot };

RadicalLayout LayOutRadical(const TermCall& call, Canvas& canvas) {
    RadicalLayout l;
    l.Indexed = call.Keyword->Form == kRoot;
    l.Radicand.assign(call.Arguments.begin() + (l.Indexed ? 1 : 0), call.Arguments.end());
    l.RadicandBox = MeasureList(l.Radicand, canvas, "*");
    if (!l.Indexed) {
        l.Sign = PadForRadical(l.RadicandBox, canvas);
        l.Box = l.Sign;
        return l;
    }
    l.Index = call.Arguments[0];
    {
        CanvasStateGuard guard(canvas);
        canvas.Font.SetSize(ScriptSize(canvas.Font.Size()));
        l.IndexBox = MeasureExpression(l.Index, canvas);
    }
    l.Sign = PadForRoot(l.RadicandBox, l.IndexBox, canvas);
    // The index's bottom lies at the height of the lead-in stroke, its right
    // end w pixels past the stroke's start. An index taller than that
    // height, or narrower than w, would stick out of the sign's box: the box
    // grows on that side instead, so nothing is cut off in a picture.
    const int w = RadicalUnit(canvas);
    const int lead_in = LeadInDepth(l.Sign.Height);
    const int dx = Max2(0, w - l.IndexBox.Width);
    const int dy = Max2(0, l.IndexBox.Height - lead_in);
    l.SignAt = {dx, dy};
    l.IndexAt = {dx, dy + lead_in - l.IndexBox.Height};
    l.Box = {SizeSum(l.Sign.Width, dx), SizeSum(l.Sign.Height, dy), SizeSum(l.Sign.Ascent, dy)};
    return l;
}

bool IsRadical(const TermCall& call) {
    return call.Keyword->Form == kSqrt ||
           (call.Keyword->Form == kRoot && call.Arguments.size() >= 2);
}

}  // namespace

TFormulaMetrics MeasureRadicalCall(const TermCall& call, Canvas& canvas) {
    if (!IsRadical(call)) return MeasurePlainCall(call, canvas);
    return LayOutRadical(call, canvas).Box;
}

TFormulaMetrics PaintRadicalCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    if (!IsRadical(call)) return PaintPlainCall(call, origin, canvas);
    const RadicalLayout l = LayOutRadical(call, canvas);
    const TFormulaOrigin sign{origin.X + l.SignAt.X, origin.Y + l.SignAt.Y};
    if (!l.Indexed) {
        PaintList(l.Radicand, PaintRadical(sign, l.Sign, canvas), canvas, "*");
        return l.Box;
    }
    PaintList(l.Radicand, PaintIndexedRadical(sign, l.Sign, l.IndexBox, canvas), canvas, "*");
    CanvasStateGuard guard(canvas);
    canvas.Font.SetSize(ScriptSize(canvas.Font.Size()));
    PaintExpression(l.Index, {origin.X + l.IndexAt.X, origin.Y + l.IndexAt.Y}, canvas);
    return l.Box;
}

namespace {

// A root takes its index from its first argument, so it needs two.
bool HasIndexAndRadicand(std::string_view, size_t argument_count) { return argument_count >= 2; }

}  // namespace

const Construct kSqrtCall{"sqrt", kSqrt, nullptr, MeasureRadicalCall, PaintRadicalCall};
const Construct kRootCall{"root", kRoot, HasIndexAndRadicand, MeasureRadicalCall, PaintRadicalCall};

}  // namespace nerovan
