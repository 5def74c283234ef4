// The style groups: `small(x)` sets its arguments at the script size,
// `bold(a, b)` in bold (the atoms inside switch only italics, so bold stays
// on for them), `abli(a, b)` draws a line along the top edge of its box.
#include "style_group.h"

#include <string>

#include "list.h"

namespace nerovan {

namespace {

// Changes the canvas font as the group asks and returns the separator of
// its argument row. The caller holds a CanvasStateGuard that undoes it.
std::string EnterStyle(TermKeyword key, Canvas& canvas) {
    switch (key) {
        case TermKeyword::Small:
            canvas.Font.SetSize(ScriptSize(canvas.Font.Size()));
            return "*";
        case TermKeyword::Bold:
            canvas.Font.Style |= fsBold;
            return "*";
        default: return ", ";
    }
}

}  // namespace

TFormulaMetrics MeasureStyleGroup(const TermCall& call, Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    const std::string separator = EnterStyle(call.Key, canvas);
    return MeasureList(call.Arguments, canvas, separator);
}

TFormulaMetrics PaintStyleGroup(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    const std::string separator = EnterStyle(call.Key, canvas);
    const TFormulaMetrics m = MeasureList(call.Arguments, canvas, separator);
    PaintList(call.Arguments, origin, canvas, separator);
    if (call.Key == TermKeyword::Abli) {
        // On the top pixel row of the box, which does not grow for it; the
        // end point is excluded, so the line is exactly as wide as the box.
        canvas.MoveTo(origin.X, origin.Y);
        canvas.LineTo(origin.X + m.Width, origin.Y);
    }
    return m;
}

}  // namespace nerovan
