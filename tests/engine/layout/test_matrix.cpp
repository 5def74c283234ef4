// Matrices, determinants and systems: exact boxes and operations on the
// fixed-metric canvas, the minimum height of short systems and grids, and
// with the real fonts all ink inside the measured box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bitmap.h"
#include "expression.h"
#include "matrix.h"
#include "metafile.h"
#include "raster_canvas.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

using Ops = std::vector<std::string>;

// The operations of painting e with its box's top-left corner at (x, y),
// without font and colour: "text X Y S", "line X1 Y1 X2 Y2 wPEN", "arc ...".
Ops Paint(TestCanvas& canvas, const std::string& e, int x = 100, int y = 50) {
    canvas.ClearOps();
    PaintExpression(e, {x, y}, canvas);
    Ops out;
    for (const DrawOp& op : canvas.List().Ops) {
        std::string s = FormatDrawOp(op);
        s.erase(std::min(s.find(" font="), s.find(" color=")));
        s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
        const size_t w = s.find(" width=");
        if (w != std::string::npos) s.replace(w, 7, " w");
        out.push_back(s);
    }
    return out;
}

// On the fixed-metric canvas at em 20 (cell 24, characters 10, italic letters
// 11, blanks 5, runs 2 px wider): cells "a" 13 wide, " b", " p"... 18 with
// their blank room; a 2 x 2 grid is 18 + 10 ("=") + 18 by 48, padded by
// 48 div 3 + 5, its content at X + 48 div 6 + 2. Systems: lines behind a
// column as wide as "-" (10).
TEST(MatrixLayout, ExactBoxesAndOperations) {
    TestCanvas canvas;
    canvas.Font.Height = -20;
    const Ops square = {"line 108 56 102 56 w1", "line 102 56 102 92 w1", "line 102 92 108 92 w1",
                        "line 159 56 164 56 w1", "line 164 56 164 92 w1", "line 164 92 158 92 w1"};
    const Ops cells = {"text 112 50 a", "text 115 74 p", "text 143 50 b", "text 143 74 q"};
    const Ops bars = {"line 105 55 105 93 w1", "line 161 55 161 93 w1"};
    const auto join = [](Ops a, const Ops& b) { return a.insert(a.end(), b.begin(), b.end()), a; };
    const struct {
        const char* e;
        TFormulaMetrics box;
        Ops ops;
    } cases[] = {
        // Row-major cells, centred by their boxes, painted column by column.
        {"mat22[a, b, p, q]", {67, 48, 24}, join(square, cells)},
        // Determinants get bars whatever was typed; case and characters after
        // the digits do not matter.
        {"det22(a, b, p, q)", {67, 48, 24}, join(bars, cells)},
        {"DET22x[a, b, p, q]", {67, 48, 24}, join(bars, cells)},
        // A missing argument leaves its cell empty.
        {"mat22[a, b, p]",
         {67, 48, 24},
         join(square, {"text 112 50 a", "text 115 74 p", "text 143 50 b"})},
        // An argument beyond the grid is not drawn but widens every cell (73).
        {"mat22[a, b, p, q, longer]",
         {177, 48, 24},
         {"line 108 56 102 56 w1", "line 102 56 102 92 w1", "line 102 92 108 92 w1",
          "line 269 56 274 56 w1", "line 274 56 274 92 w1", "line 274 92 268 92 w1",
          "text 140 50 a", "text 142 74 p", "text 225 50 b", "text 225 74 q"}},
        // Three rows: 72 high, so the brackets take the 2 px pen and arms of h div 12.
        {"mat23[a, b, p, q, u, w]",
         {75, 72, 36},
         {"line 108 56 102 56 w2", "line 102 56 102 116 w2", "line 102 116 108 116 w2",
          "line 167 56 172 56 w2", "line 172 56 172 116 w2", "line 172 116 166 116 w2",
          "text 116 50 a", "text 119 74 p", "text 119 98 u", "text 147 50 b", "text 147 74 q",
          "text 147 98 w"}},
        // One row is a text cell high: the font's own characters.
        {"det11(x)", {26, 24, 12}, {"text 100 50 |", "text 116 50 |", "text 106 50 x"}},
        // A brace with q = 5 and r = 2; the wide square's arms w = 5 from d = 2.
        {"sys(a, b)",
         {28, 48, 24},
         {"text 110 50 a", "text 115 74 b", "line 105 55 105 69 w1", "line 105 69 102 74 w1",
          "line 102 74 105 79 w1", "line 105 79 105 93 w1", "arc 105 50 115 60 110 50 105 55 w1",
          "arc 105 88 115 98 105 93 110 98 w1"}},
        {"sys[a, b]",
         {28, 48, 24},
         {"text 110 50 a", "text 115 74 b", "line 107 52 102 52 w1", "line 102 52 102 96 w1",
          "line 102 96 107 96 w1"}},
        {"sys(a)", {23, 24, 12}, {"text 110 50 a", "text 100 50 {"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MeasureExpression(c.e, canvas), c.box) << c.e;
        EXPECT_EQ(Paint(canvas, c.e), c.ops) << c.e;
    }
}

// A brace or bracket is never lower than a text cell (it is then the font's
// own character), so a system or grid of shorter rows measures a full cell,
// its rows centred in it; no delimiter reaches below the box.
TEST(MatrixLayout, ShortSystemsAndGridsMeasureTheDelimitersCell) {
    TestCanvas canvas;
    canvas.Font.Height = -20;
    const TermCall no_lines{&kSysCall, "sys", {}, "()"};
    EXPECT_EQ(MeasureMatrixCall(no_lines, canvas), (TFormulaMetrics{10, 24, 12}));

    const TFormulaMetrics line = MeasureExpression("small(a)", canvas);
    ASSERT_LT(line.Height, 24);
    const int top = 50 + (24 - line.Height) / 2;
    Ops expected = Paint(canvas, "small(a)", 110, top);
    expected.push_back("text 100 50 {");
    EXPECT_EQ(MeasureExpression("sys(small(a))", canvas),
              (TFormulaMetrics{10 + line.Width, 24, 12}));
    EXPECT_EQ(Paint(canvas, "sys(small(a))"), expected);

    // One such cell: padded by 48 div 6 + 5, content at X + 24 div 6 + 2.
    expected = {"text 100 50 [", "text " + std::to_string(100 + line.Width + 13 - 10) + " 50 ]"};
    for (const std::string& op : Paint(canvas, "small(a)", 106, top)) expected.push_back(op);
    EXPECT_EQ(MeasureExpression("mat11[small(a)]", canvas),
              (TFormulaMetrics{line.Width + 13, 24, 12}));
    EXPECT_EQ(Paint(canvas, "mat11[small(a)]"), expected);
}

// With the real fonts, every pixel of ink lies inside the measured box plus
// the 2-pixel margin of a picture, and the font and pen are put back.
TEST(MatrixInk, InkStaysInsideTheBoxWithTheRealFonts) {
    for (const std::string e : {"mat22[a, b, p, q]",
                                "det22(a, b, p, q)",
                                "mat22[a, b, p]",
                                "mat23(a, b, p, q, u, w)",
                                "mat22{a, b, c, d}",
                                "mat11[x]",
                                "det21(small(a), small(b))",
                                "mat11[small(x)]",
                                "mat33[1/(z+1),0,0,0,1/(z+2),0,0,0,1/(z+3)]",
                                "det33(1/2, 0, 0, 0, 1, 0, 0, 0, x/(x+1))",
                                "sys(x+y=1, x-y=0)",
                                "sys[x+y=1, x-y=0, x/y = 2]",
                                "sys(mat22[a, b, c, d], x = 1)",
                                "sys(a)",
                                "sys[a]",
                                "sys()",
                                "sys[]",
                                "sys(,)",
                                "sys[,]",
                                "sys(small(x))",
                                "sys[small(x)]"}) {
        // Systems also at a large em: the font's "{" is wider than its column.
        std::vector<int> ems = {21, 48};
        if (e.rfind("sys", 0) == 0) ems.push_back(96);
        for (int em : ems) {
            const InkCheck ink = ExpectInkInsideTheBox(e, em);
            EXPECT_EQ(ink.Painted, ink.Measured) << e;
            EXPECT_TRUE(ink.CanvasRestored) << e;
        }
    }
}

}  // namespace
}  // namespace nerovan
