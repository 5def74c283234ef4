// Shared checks of the layout tests: the cuts of the scanners, the
// operations a paint draws on the fixed-metric canvas, and where the ink of
// a formula falls with the real fonts relative to its measured box.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "metrics.h"
#include "small_list.h"
#include "term.h"
#include "test_canvas.h"

namespace nerovan {

// A row of the scanner tables: a text and the two lists a scanner cuts it into.
struct SplitCase {
    std::string Text;
    PieceList First;
    PieceList Second;
};
using Splitter = void (*)(std::string_view, PieceList&, PieceList&);

// Runs the scanner on every row, into two lists that hold `before` when it
// starts, and expects the row's lists.
void ExpectSplits(Splitter split, const std::vector<SplitCase>& cases,
                  const PieceList& before = {});

// The operations drawn by painting the term at the origin, one `--ops` line each.
std::vector<std::string> PaintedOps(TestCanvas& canvas, const std::string& term,
                                    TFormulaOrigin origin = {100, 50});

// Recorded operations as PaintedOps spells them, in black: a text cell at
// an em of px pixels, a line of the given pen width, and the outline of an
// ellipse.
std::string Text(int x, int y, const std::string& s, int px, bool italic, bool bold = false,
                 const std::string& font = "Times New Roman");
std::string Line(int x1, int y1, int x2, int y2, int width = 1);
std::string Ellipse(int x1, int y1, int x2, int y2);

// A row of the construct tables: a term, the box it measures and the
// operations it draws at (100, 50).
struct TermCase {
    const char* term;
    TFormulaMetrics box;
    std::vector<std::string> ops;
};

// The result of painting an expression with the real fonts into a bitmap
// with room on every side.
struct InkCheck {
    TFormulaMetrics Measured;    // what MeasureExpression gave
    TFormulaMetrics Painted;     // what PaintExpression returned
    int Inked = 0;               // pixels with any ink
    int Outside = 0;             // inked pixels outside the box plus the margin
    std::string FirstOutside;    // "x,y" of the first such pixel, relative to the box
    bool CanvasRestored = true;  // font and pen width as before the paint
};

// Paints `expression` in "Times New Roman" at an em of `em` pixels and counts
// the ink that falls outside the measured box widened by `margin` pixels.
InkCheck CheckInk(const std::string& expression, int em, int margin = 2);

// CheckInk with the margin of a picture (2 pixels), expecting no ink outside
// the box; the result for further checks.
InkCheck ExpectInkInsideTheBox(const std::string& expression, int em);

// The fixed-metric canvas as the construct tests use it: em 20 (cell 24,
// characters 10 wide, blanks 5), a clear brush, and no multiplication dot.
class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        canvas.Font.Height = -20;
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.Pass.MulPoint = false;
    }
    TFormulaMetrics Measure(const std::string& term) { return MeasureTerm(term, canvas); }
    // The operations drawn by painting the term at (100, 50).
    std::vector<std::string> Painted(const std::string& term) { return PaintedOps(canvas, term); }
    // Expects the row's box and operations.
    void ExpectLaidOut(const TermCase& c) {
        EXPECT_EQ(Measure(c.term), c.box) << c.term;
        EXPECT_EQ(Painted(c.term), c.ops) << c.term;
    }
    TestCanvas canvas;
};

}  // namespace nerovan
