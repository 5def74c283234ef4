// Matrices and determinants such as `mat22[a, b, p, q]` or `det33(...)`: the
// arguments fill a grid of equal cells row by row, between the typed brackets
// or, for a determinant, vertical bars. Systems such as `sys(x+y=1, x-y=0)`
// or `sys[...]`: lines stacked left-aligned behind one stretched brace or square.
#pragma once

#include "canvas.h"
#include "metrics.h"
#include "term.h"

namespace nerovan {

// The keyword constructs `mat`, `det` and `sys`.
extern const Construct kMatCall, kDetCall, kSysCall;

// The matrix and system calls of the term dispatcher. A matrix name is "mat" or "det" (any case)
// followed by the number of columns and the number of rows as digits 1 to 9 (`mat23x` is 2 x 3).
// Both return the box without the term's blank room; painting draws the
// construct with the top-left corner of that box at origin. A call whose name
// gives no matrix shape and is no system is laid out as a plain call.
TFormulaMetrics MeasureMatrixCall(const TermCall& call, Canvas& canvas);
TFormulaMetrics PaintMatrixCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
