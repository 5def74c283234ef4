// Shared checks of the layout tests: the operations a paint draws on the
// fixed-metric canvas, and where the ink of a formula falls with the real
// fonts relative to its measured box.
#pragma once

#include <gtest/gtest.h>

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

// The fixed-metric canvas as the construct tests use it: em 20 (cell 24,
// characters 10 wide, blanks 5), a clear brush, and no multiplication dot.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        canvas.Font.Height = -20;
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.Pass.MulPoint = false;
    }
    // The operations drawn by painting the term at (100, 50).
    std::vector<std::string> Painted(const std::string& term) { return PaintedOps(canvas, term); }
    TestCanvas canvas;
};

}  // namespace nerovan
