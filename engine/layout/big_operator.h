// Big operators: summation `sum(i=1, n, x_i)`, product `mul(k=1, n, a_k)`,
// integrals `int(a, b, f dx)`, `int2(D, f)`, `int0(K, f dz)` (with a circle)
// and operator names with limits `lim(n>>\bb, a_n)`, `inf(x, f(x))`: a glyph
// with limits centred below and above it, and the body to its right.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "metrics.h"
#include "small_list.h"
#include "term.h"

namespace nerovan {

// The box of the operator laid out from its call arguments: one argument is
// the body, two are the lower limit and the body, three (or more; the rest
// are ignored) the lower limit, the upper limit and the body. glyph is drawn
// in the font "Symbol" at 13/10 of the size when enlarged, otherwise in the
// current font. circle asks for the ring over an integral (drawn with one or
// two arguments); the glyph column then keeps a pixel free on each side for
// the ring's outline.
TFormulaMetrics MeasureBigOperator(const PieceList& arguments, Canvas& canvas,
                                   std::string_view glyph, bool enlarged, bool circle);
// Draws the operator with the top-left corner of its box at origin and
// returns the box.
TFormulaMetrics PaintBigOperator(TFormulaOrigin origin, const PieceList& arguments, Canvas& canvas,
                                 std::string_view glyph, bool enlarged, bool circle);

// The keyword constructs `sum`, `mul`, `lim`, `inf`, `int30`, `int20`,
// `int0`, `int3`, `int2` and `int`.
extern const Construct kSumCall, kMulCall, kLimCall, kInfCall, kInt30Call, kInt20Call, kInt0Call,
    kInt3Call, kInt2Call, kIntCall;

// Their entries: glyph, enlargement and circle come from the keyword. The
// box is without the term's blank room; painting draws at the origin.
TFormulaMetrics MeasureBigOperatorCall(const TermCall& call, Canvas& canvas);
TFormulaMetrics PaintBigOperatorCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
