// Measuring and painting a row of expressions on one alignment line, with
// the separator (or the multiplication dot) drawn in the gap before each
// item but the first.
#include "list.h"

#include "delimiters.h"
#include "expression.h"
#include "style.h"
#include "term.h"

namespace nerovan {

namespace {

struct RowLayout {
    SmallList<TFormulaMetrics, 6> Items;  // each item's box, parentheses included
    SmallList<int, 6> Offsets;            // each item's start from the row's left edge
    SmallList<bool, 6> Parenthesised;
    TFormulaMetrics Row;
};

int SeparatorRoom(Canvas& canvas, std::string_view separator) {
    return canvas.TextWidth(separator == "*" ? std::string(" ") : separator);
}

// The boxes and offsets shared by both passes, so they cannot drift apart.
RowLayout LayOutRow(const PieceList& items, Canvas& canvas, std::string_view separator) {
    RowLayout r;
    r.Items.reserve(items.size());
    r.Offsets.reserve(items.size());
    r.Parenthesised.reserve(items.size());
    const bool may_parenthesise = separator != ", " && items.size() > 1;
    int width = 0, ascent = 0, descent = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const bool parens = may_parenthesise && HasTopLevelSign(items[i]);
        const TFormulaMetrics m = MeasureItem(items[i], parens, canvas);
        if (i > 0) width = SizeSum(width, SeparatorRoom(canvas, separator));
        r.Offsets.push_back(width);
        r.Items.push_back(m);
        r.Parenthesised.push_back(parens);
        width = SizeSum(width, m.Width);
        ascent = Max2(ascent, m.Ascent);
        descent = Max2(descent, m.Height - m.Ascent);
    }
    r.Row = {width, SizeSum(ascent, descent), ascent};
    return r;
}

}  // namespace

TFormulaMetrics MeasureItem(std::string_view item, bool parenthesised, Canvas& canvas) {
    const TFormulaMetrics m = MeasureExpression(item, canvas);
    return parenthesised ? PadForDelimiters(m) : m;
}

void PaintItem(std::string_view item, TFormulaOrigin box, const TFormulaMetrics& m,
               bool parenthesised, Canvas& canvas) {
    if (parenthesised) {
        const TDelimiterOrigin inner = PaintDelimiters(box, m, canvas, "()");
        box = {inner.X, inner.Y};
    }
    PaintExpression(item, box, canvas);
}

TFormulaMetrics MeasureList(const PieceList& items, Canvas& canvas, std::string_view separator) {
    return LayOutRow(items, canvas, separator).Row;
}

void PaintList(const PieceList& items, TFormulaOrigin origin, Canvas& canvas,
               std::string_view separator) {
    const RowLayout r = LayOutRow(items, canvas, separator);
    const int line = origin.Y + r.Row.Ascent;
    for (size_t i = 0; i < items.size(); ++i) {
        const TFormulaMetrics& m = r.Items[i];
        const int x = origin.X + r.Offsets[i];
        PaintItem(items[i], {x, line - m.Ascent}, m, r.Parenthesised[i], canvas);
        if (i == 0) continue;
        if (separator == "*") {
            PaintMulDot(x - canvas.TextWidth(" ") - 1,
                        line - CentredAscent(canvas.TextHeight("\xD7")), canvas);
        } else if (!separator.empty()) {
            canvas.TextOut(x - canvas.TextWidth(separator),
                           line - CentredAscent(canvas.TextHeight(separator)), separator);
        }
    }
}

}  // namespace nerovan
