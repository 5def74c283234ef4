// The style groups: `small(x)` sets its arguments at the script size,
// `bold(a, b)` in bold (the atoms inside switch only italics, so bold stays
// on for them), `abli(a, b)` draws a line along the top edge of its box.
#include "style_group.h"

#include <string>

#include "list.h"
#include "style.h"

namespace nerovan {

namespace {

enum StyleForm { kSmall, kBold, kAbli };

// Changes the canvas font as the group asks and returns the separator of
// its argument row. The caller holds a CanvasStateGuard that undoes it.
std::string EnterStyle(const TermCall& call, Canvas& canvas) {
    switch (call.Keyword->Form) {
        case kSmall: canvas.Font.SetSize(ScriptSize(canvas.Font.Size())); return "*";
        case kBold: canvas.Font.Style |= fsBold; return "*";
        default: return ", ";
    }
}

}  // namespace

TFormulaMetrics MeasureStyleGroup(const TermCall& call, Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    const std::string separator = EnterStyle(call, canvas);
    return MeasureList(call.Arguments, canvas, separator);
}

TFormulaMetrics PaintStyleGroup(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    const std::string separator = EnterStyle(call, canvas);
    const TFormulaMetrics m = MeasureList(call.Arguments, canvas, separator);
    PaintList(call.Arguments, origin, canvas, separator);
    if (call.Keyword->Form == kAbli) {
        // On the top pixel row of the box, which does not grow for it; the
        // end point is excluded, so the line is exactly as wide as the box.
        canvas.MoveTo(origin.X, origin.Y);
        canvas.LineTo(origin.X + m.Width, origin.Y);
    }
    return m;
}

const Construct kSmallCall{"small", kSmall, nullptr, MeasureStyleGroup, PaintStyleGroup};
const Construct kBoldCall{"bold", kBold, nullptr, MeasureStyleGroup, PaintStyleGroup};
const Construct kAbliCall{"abli", kAbli, nullptr, MeasureStyleGroup, PaintStyleGroup};

}  // namespace nerovan
