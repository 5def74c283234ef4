// The style groups `small(x)`, `bold(x_i)` and `abli(a, b)`: their arguments
// in a row at the script size, in bold, or with a line over them.
#pragma once

#include "canvas.h"
#include "metrics.h"
#include "term.h"

namespace nerovan {

// The box of a call whose keyword is Small, Bold or Abli, without the term's
// blank room. A call with any other keyword is laid out as its argument row
// separated by ", " with nothing changed or added.
TFormulaMetrics MeasureStyleGroup(const TermCall& call, Canvas& canvas);
// Draws the group with the top-left corner of its box at origin and returns
// the same box as MeasureStyleGroup.
TFormulaMetrics PaintStyleGroup(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
