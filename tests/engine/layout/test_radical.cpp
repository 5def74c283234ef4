// Radicals on the fixed-metric canvas at em 20 (15 points): the radical unit
// w is the width of "3" at 9 points (em 12), 6 pixels; italic x is 13 wide
// and 24 high. With the real fonts: ink inside the box, and the strokes of
// the sign joined into one piece.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bitmap.h"
#include "expression.h"
#include "radical.h"
#include "raster_canvas.h"
#include "term.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

// Text (italic at em 20 unless said) and lines, short for the tables.
std::string T(int x, int y, const std::string& s, bool italic = true, int px = 20) {
    return Text(x, y, s, px, italic);
}
std::string L(int x1, int y1, int x2, int y2, int w = 1) { return Line(x1, y1, x2, y2, w); }

class RadicalTest : public LayoutTest {};

TEST_F(RadicalTest, SignRadicandAndIndexArePlacedExactly) {
    const TermCase cases[] = {
        // 3w wider and w taller than x; lead-in at 5/8 of the height, the
        // down-stroke to the bottom row, the up-stroke to the bar on row 1;
        // the radicand 3w right and w down.
        {"sqrt(x)",
         {31, 30, 18},
         {L(100, 68, 103, 68), L(103, 68, 109, 79), L(109, 79, 115, 51), L(115, 51, 131, 51),
          T(118, 56, "x")}},
        // Arguments spaced like factors (plus the room of the blank before b).
        {"sqrt(a, b)",
         {54, 30, 18},
         {L(100, 68, 103, 68), L(103, 68, 109, 79), L(109, 79, 115, 51), L(115, 51, 154, 51),
          T(118, 56, "a"), T(141, 56, "b")}},
        // The index (8 wide) with its bottom on the lead-in's row, which starts
        // under its last w pixels; the bar stops w - w div 2 short of the edge.
        {"root(3,x)",
         {33, 30, 18},
         {L(102, 68, 105, 68), L(105, 68, 111, 79), L(111, 79, 117, 51), L(117, 51, 130, 51),
          T(120, 56, "x"), T(100, 54, "3", false, 12)}},
        // An index taller than 5/8 of the sign (a fraction, 31 against 18)
        // makes the box 13 pixels taller, so it is not cut off.
        {"root(a/b,x)",
         {34, 43, 31},
         {L(103, 81, 106, 81), L(106, 81, 112, 92), L(112, 92, 118, 64), L(118, 64, 131, 64),
          T(121, 69, "x"), T(100, 50, "a", true, 12), T(100, 67, "b", true, 12),
          L(100, 65, 109, 65)}},
    };
    const TFont font = canvas.Font;
    for (const TermCase& c : cases) {
        ExpectLaidOut(c);
        EXPECT_EQ(canvas.Font, font) << c.term;
        EXPECT_EQ(canvas.Pen.Width, 1) << c.term;
    }
    // With one argument "root" is a plain call with its upright name.
    EXPECT_EQ(Painted("root(x)")[0], T(100, 50, "r", false));
    // An index narrower than w (here empty) would start the lead-in left of
    // the box: the box grows to the left instead.
    EXPECT_EQ(MeasureTerm("root(,x)", canvas), MeasureTerm("sqrt(x)", canvas));
    EXPECT_EQ(Painted("root(,x)")[0], L(100, 68, 103, 68));
}

TEST_F(RadicalTest, SignFollowsTheRadicandAndThePenGrowsAboveSize20) {
    const TFormulaMetrics x2 = MeasureTerm("x^2", canvas);
    EXPECT_EQ(MeasureTerm("sqrt(x^2)", canvas),
              (TFormulaMetrics{x2.Width + 18, x2.Height + 6, x2.Ascent + 6}));
    canvas.Font.Height = -28;  // 21 points: only the down-stroke is 2 pixels
    const std::vector<std::string> ops = Painted("sqrt(x)");
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(ops[i].find("width=2") != ops[i].npos, i == 1);
    EXPECT_EQ(canvas.Pen.Width, 1);
    canvas.Font.Height = -27;  // 20 points
    for (const std::string& op : Painted("root(3, x)")) EXPECT_EQ(op.find("width=2"), op.npos);
}

// With the real fonts the ink stays inside the box plus the margin, and the
// sign alone is one 8-connected piece of dark pixels: its strokes join.
TEST(RadicalInk, InkInsideTheBoxAndTheSignInOnePiece) {
    for (const char* e : {"sqrt(x)", "sqrt(x^2)", "root(3, x)", "root(a/b, x)", "root(i, x)",
                          "sqrt(a, b)", "root(n, sqrt(x+1))", "sqrt(2)/2"}) {
        for (int em : {21, 48}) ExpectInkInsideTheBox(e, em);
    }
    const int pad = 20;
    for (int em : {13, 21, 48, 80}) {
        Bitmap bitmap;
        RasterCanvas& canvas = bitmap.Canvas();
        canvas.Font.Height = -em;
        const TFormulaMetrics p = PadForRadical({3 * em, 2 * em, em}, canvas);
        bitmap.SetSize(p.Width + 2 * pad, p.Height + 2 * pad);
        PaintRadical({pad, pad}, p, canvas);
        // Flood from the lead-in's first pixel over dark pixels (none lie on
        // the bitmap's border); every dark pixel must be reached.
        const int width = bitmap.Width();
        std::vector<char> dark(static_cast<size_t>(width) * bitmap.Height());
        for (size_t i = 0; i < dark.size(); ++i)
            dark[i] = bitmap.ScanLine(static_cast<int>(i) / width)[4 * (i % width) + 1] < 160;
        std::vector<int> stack{(pad + (5 * p.Height) / 8) * width + pad};
        EXPECT_TRUE(dark[stack[0]]) << em;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            if (!dark[i]) continue;
            dark[i] = 0;
            for (int d = 0; d < 9; ++d) stack.push_back(i + (d / 3 - 1) * width + d % 3 - 1);
        }
        EXPECT_EQ(std::count(dark.begin(), dark.end(), 1), 0) << "em " << em << ": strokes apart";
    }
}

}  // namespace
}  // namespace nerovan
