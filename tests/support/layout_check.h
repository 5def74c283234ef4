// Shared checks of the layout tests: the operations a paint draws on the
// fixed-metric canvas, and where the ink of a formula falls with the real
// fonts relative to its measured box.
#pragma once

#include <string>
#include <vector>

#include "metrics.h"
#include "test_canvas.h"

namespace nerovan {

// The operations drawn by painting the term at the origin, one `--ops` line each.
std::vector<std::string> PaintedOps(TestCanvas& canvas, const std::string& term,
                                    TFormulaOrigin origin = {100, 50});

// The result of painting an expression with the real fonts into a bitmap
// with room on every side.
struct InkCheck {
    TFormulaMetrics Measured;     // what MeasureExpression gave
    TFormulaMetrics Painted;      // what PaintExpression returned
    int Inked = 0;                // pixels with any ink
    int Outside = 0;              // inked pixels outside the box plus the margin
    std::string FirstOutside;     // "x,y" of the first such pixel, relative to the box
    bool CanvasRestored = true;   // font and pen width as before the paint
};

// Paints `expression` in "Times New Roman" at an em of `em` pixels and counts
// the ink that falls outside the measured box widened by `margin` pixels.
InkCheck CheckInk(const std::string& expression, int em, int margin = 2);

}  // namespace nerovan
