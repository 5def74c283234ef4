// Superscripts and subscripts: `x^2`, `x_i`, `x_i^2`, `e^(-t)`, `(a+b)^2`,
// `A^*`. The base stands in the current font; every superscript and every
// subscript is set at the script size, superscripts stacked above
// subscripts in one column right of the base.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "metrics.h"
#include "small_list.h"

namespace nerovan {

// Whether a script base needs a pair of parentheses drawn around it: a
// bracket group with an empty name (`((x))`), or a text that, outer brackets
// stripped, holds an unescaped operator, a juxtaposing blank or a relation
// sign at bracket depth 0 (`(a+b)`, `(2 x)`), but not a named call (`f(x)`).
bool NeedsBaseBrackets(std::string_view b);

// The box of base and scripts as split by SplitScripts: entry 0 of
// baseAndSuperscripts is the base, the further entries the superscripts;
// the box is without the term's blank room.
TFormulaMetrics MeasureScripts(const PieceList& baseAndSuperscripts, const PieceList& subscripts,
                               Canvas& canvas);
// Draws base and scripts with the top-left corner of their box at origin
// and returns the same box as MeasureScripts.
TFormulaMetrics PaintScripts(const PieceList& baseAndSuperscripts, const PieceList& subscripts,
                             TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
