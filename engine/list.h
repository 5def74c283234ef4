// Rows of sub-expressions with a separator between neighbours: the factors
// of a product ("*"), argument lists (", "), subscripts (" ") and juxtaposed
// items (""). In a row of several items, a sum gets parentheses unless the
// separator is ", ".
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

// The box of an expression item, with room for a pair of parentheses when
// it gets them; and painting it into that box (parentheses, then content).
TFormulaMetrics MeasureItem(const std::string& item, bool parenthesised, Canvas& canvas);
void PaintItem(const std::string& item, TFormulaOrigin box, const TFormulaMetrics& m,
               bool parenthesised, Canvas& canvas);

TFormulaMetrics MeasureList(const std::vector<std::string>& items, Canvas& canvas,
                            const std::string& separator);
void PaintList(const std::vector<std::string>& items, TFormulaOrigin origin, Canvas& canvas,
               const std::string& separator);

}  // namespace nerovan
