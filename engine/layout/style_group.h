// The style groups `small(x)`, `bold(x_i)` and `abli(a, b)`: their arguments
// in a row at the script size, in bold, or with a line over them.
#pragma once

#include "canvas.h"
#include "metrics.h"
#include "term.h"

namespace nerovan {

// The keyword constructs `small`, `bold` and `abli`.
extern const Construct kSmallCall, kBoldCall, kAbliCall;

// The box of a call of one of those keywords, without the term's blank
// room.
TFormulaMetrics MeasureStyleGroup(const TermCall& call, Canvas& canvas);
// Draws the group with the top-left corner of its box at origin and returns
// the same box as MeasureStyleGroup.
TFormulaMetrics PaintStyleGroup(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
