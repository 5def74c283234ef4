// Rows of sub-expressions with a separator between neighbours: the factors
// of a product ("*"), argument lists (", "), subscripts (" ") and juxtaposed
// items (""). In a row of several items, a sum gets parentheses unless the
// separator is ", ".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "metrics.h"
#include "small_list.h"

namespace nerovan {

// The box of an expression item, with room for a pair of parentheses when
// it gets them; and painting it into that box (parentheses, then content).
TFormulaMetrics MeasureItem(std::string_view item, bool parenthesised, Canvas& canvas);
void PaintItem(std::string_view item, TFormulaOrigin box, const TFormulaMetrics& m,
               bool parenthesised, Canvas& canvas);

TFormulaMetrics MeasureList(const PieceList& items, Canvas& canvas, std::string_view separator);
void PaintList(const PieceList& items, TFormulaOrigin origin, Canvas& canvas,
               std::string_view separator);

}  // namespace nerovan
