// Radicals: square roots `sqrt(x)`, `sqrt(a, b)` and roots with an index
// `root(3, x)`. The sign is drawn with straight lines whose proportions all
// derive from one length, the radical unit.
#pragma once

#include "canvas.h"
#include "metrics.h"
#include "term.h"

namespace nerovan {

// The radical unit w: the width of "3" at the script size of the current font.
int RadicalUnit(Canvas& canvas);
// The box of a square root around the radicand's box r: 3w wider, w taller,
// the alignment line w lower.
TFormulaMetrics PadForRadical(const TFormulaMetrics& r, Canvas& canvas);
// The box of a root around the radicand r with an index of box index: the
// index width plus 2w wider, w taller, the alignment line w lower.
TFormulaMetrics PadForRoot(const TFormulaMetrics& r, const TFormulaMetrics& index, Canvas& canvas);
// Draws the sign for a box p made by PadForRadical with its top-left corner at
// origin; returns where the radicand goes.
TFormulaOrigin PaintRadical(TFormulaOrigin origin, const TFormulaMetrics& p, Canvas& canvas);
// The same for a box made by PadForRoot: the lead-in stroke starts under the
// last w pixels of the index, which the caller paints at the left.
TFormulaOrigin PaintIndexedRadical(TFormulaOrigin origin, const TFormulaMetrics& p,
                                   const TFormulaMetrics& index, Canvas& canvas);

// The keyword constructs `sqrt` and `root` (a root needs at least two
// arguments, the first being the index; otherwise it is a plain call).
extern const Construct kSqrtCall, kRootCall;

// Their entries: the box is without the term's blank room; painting draws
// at the origin.
TFormulaMetrics MeasureRadicalCall(const TermCall& call, Canvas& canvas);
TFormulaMetrics PaintRadicalCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
