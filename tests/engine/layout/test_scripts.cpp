// Superscripts and subscripts on the fixed-metric canvas (em 20: cell 24,
// italic letters 11, digits 10, blanks 5; scripts at em 12: cell 14, italic
// letters 7, digits 6, blanks 3; scripts of scripts at em 7: cell 8), and the
// ink of scripts and style groups with the real fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bitmap.h"
#include "expression.h"
#include "metafile.h"
#include "raster_canvas.h"
#include "scripts.h"
#include "term.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

using Ops = std::vector<std::string>;

class ScriptsTest : public LayoutTest {};

TEST(ScriptBase, NeedsBracketsOnlyWhenItIsNoSingleUnit) {
    for (const char* b : {"(a+b)", "a+b", "((x))", "(-a)", "(a*b)", "(a/b)", "(x^2)", "(x_i)"})
        EXPECT_TRUE(NeedsBaseBrackets(b)) << b;
    // Blanks and relation signs are no operators of the base: `(sin x)^2`
    // is sin x with the exponent, as typed; `((sin x))^2` draws the pair.
    for (const char* b : {"x", "(x)", "( x )", "x2", "f(x)", "f(a+b)", "mat22[a,b,p,q]", "(\\-a)",
                          "a\\+b", "\\alpha", "(2 x)", "(sin x)", "(a=b)", " ( (x) ) "})
        EXPECT_FALSE(NeedsBaseBrackets(b)) << b;
}

TEST_F(ScriptsTest, BoxesAndPlacesOfAtomScripts) {
    const Ops x2 = {Text(100, 52, "x", 20, true), Text(113, 50, "2", 12, false)};
    const Ops xi2 = {Text(100, 52, "x", 20, true), Text(113, 64, "i", 12, true),
                     Text(113, 50, "2", 12, false)};
    const TermCase cases[] = {
        // The superscript is taller than the base's ascent: it sets the
        // ascent, starts at the top, and the base lies lower.
        {"x^2", {13 + 8, 26, 14}, x2},
        {"(x)^2", {21, 26, 14}, x2},
        {"A^*", {21, 26, 14}, {Text(100, 52, "A", 20, true), Text(113, 50, "*", 12, false)}},
        // The subscript is taller than the base's descent: it hangs from the
        // alignment line.
        {"x_i",
         {13 + 9, 12 + 14, 12},
         {Text(100, 50, "x", 20, true), Text(113, 62, "i", 12, true)}},
        {"x_i^2", {22, 28, 14}, xi2},
        {"x^2_i", {22, 28, 14}, xi2},
        // Several scripts of one kind stand side by side, a blank's room apart.
        {"x^2^3",
         {13 + 8 + 3 + 8, 26, 14},
         {Text(100, 52, "x", 20, true), Text(113, 50, "2", 12, false),
          Text(124, 50, "3", 12, false)}},
        {"x_i_j",
         {13 + 9 + 3 + 9, 26, 12},
         {Text(100, 50, "x", 20, true), Text(113, 62, "i", 12, true), Text(125, 62, "j", 12, true),
          Text(122, 62, " ", 12, false)}},
        // z at 6/10 of 6/10: em 7.
        {"x^(y^z)",
         {13 + 9 + 6, 15 + 12, 15},
         {Text(100, 53, "x", 20, true), Text(113, 51, "y", 12, true), Text(122, 50, "z", 7, true)}},
        // A single superscript keeps its sum without parentheses.
        {"e^(-t)",
         {13 + 6 + 9, 26, 14},
         {Text(100, 52, "e", 20, true), Text(119, 50, "t", 12, true),
          "line 114 57 118 57 width=1 color=#000000"}},
        // An empty base is an empty line: no box at all.
        {"^2", {8, 14, 14}, {Text(100, 50, "2", 12, false)}},
        // a + b is 46 wide, with the room of a pair of parentheses 59.
        {"(a+b)^2",
         {59 + 8, 26, 14},
         {Text(100, 52, "(", 20, false), Text(149, 52, ")", 20, false),
          Text(106, 52, "a", 20, true), Text(139, 52, "b", 20, true),
          Text(119, 52, " + ", 20, false), Text(159, 50, "2", 12, false)}},
        // The base's own bracket group and the pair the script adds.
        {"((x))^2",
         {26 + 13 + 8, 26, 14},
         {Text(100, 52, "(", 20, false), Text(129, 52, ")", 20, false),
          Text(106, 52, "(", 20, false), Text(122, 52, ")", 20, false),
          Text(112, 52, "x", 20, true), Text(139, 50, "2", 12, false)}},
        // A named call is one unit: its own parentheses only.
        {"f(x)^2",
         {12 + 13 + 8 + 5 + 8, 26, 14},
         {Text(100, 52, "f", 20, false), Text(112, 52, "(", 20, false),
          Text(128, 52, ")", 20, false), Text(118, 52, "x", 20, true),
          Text(138, 50, "2", 12, false)}},
    };
    for (const TermCase& c : cases) ExpectLaidOut(c);
}

// Bases taller than a text cell: the thresholds that compare the columns
// with the base's ascent and descent.
TEST_F(ScriptsTest, TallBasesKeepTheirAlignmentLine) {
    struct Case {
        const char* term;
        TFormulaMetrics box;
        std::string script;  // the last operation: the script
    } cases[] = {
        // Base (46, 26, 14) with descent 12: a third of the superscript
        // (4) over the descent reaches 2 above the base's ascent.
        {"f(x^2)^3", {46 + 8, 28, 16}, Text(146, 50, "3", 12, false)},
        // Base (58, 84, 57), descent 27: the short superscript stays within
        // the base's height, lowered to 57 - 27 - 4 = 26.
        {"f((a/b)/c)^2", {58 + 8, 84, 57}, Text(158, 76, "2", 12, false)},
        // Base (53, 43, 31), descent 12 below the superscript's height: its
        // bottom lies on the alignment line.
        {"f(x^(a/b))^2", {53 + 8, 43, 31}, Text(153, 67, "2", 12, false)},
        // The box grows by 14 div 3 below the base; the subscript's top is
        // 2 * 14 div 3 above the base's bottom, so its cell reaches one row
        // further, into the picture's margin.
        {"f((a/b)/c)_i", {58 + 9, 84 + 4, 57}, Text(158, 50 + 84 - 9, "i", 12, true)},
        // Base (58, 84, 27) with descent 57: the subscript is lowered to
        // 2 * 27 - 2 * 14 div 3 and the box does not grow.
        {"f(c/(a/b))_i", {58 + 9, 84, 27}, Text(158, 95, "i", 12, true)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MeasureTerm(c.term, canvas), c.box) << c.term;
        const Ops ops = Painted(c.term);
        ASSERT_FALSE(ops.empty());
        EXPECT_EQ(ops.back(), c.script) << c.term;
    }
    // The base's name cell is centred on the term's alignment line.
    EXPECT_EQ(Painted("f(x^2)^3").front(), Text(100, 50 + 16 - 12, "f", 20, false));
}

// Every cell and line drawn lies inside the measured box, for every branch
// of the thresholds, and the canvas font comes back unchanged.
TEST_F(ScriptsTest, EverythingDrawnStaysInTheBoxAndTheFontIsRestored) {
    canvas.Font.Style = fsItalic;
    canvas.Font.Charset = GREEK_CHARSET;
    canvas.Pen.Width = 2;
    const TFont font = canvas.Font;
    for (const char* e :
         {"x^2", "x_i^2", "(a+b)_k^2", "f(x^2)^3", "f((a/b)/c)_i^2", "f(x^(a/b))_j^2",
          "f(c/(a/b))_i", "(a/b)_q^p", "x^(y^z)_(k_l)", "((x))^(a+b)_(c-d)"}) {
        const TFormulaMetrics m = MeasureExpression(e, canvas);
        canvas.ClearOps();
        PaintExpression(e, {0, 0}, canvas);
        EXPECT_EQ(canvas.Font, font) << e;
        EXPECT_EQ(canvas.Pen.Width, 2) << e;
        for (const DrawOp& op : canvas.List().Ops) {
            // A line's end point is excluded; it is one pixel thick across.
            TRect r{std::min(op.X1, op.X2), std::min(op.Y1, op.Y2),
                    std::max(op.X1, op.X2) + (op.X1 == op.X2),
                    std::max(op.Y1, op.Y2) + (op.Y1 == op.Y2)};
            if (op.Kind == DrawOpKind::Text) {
                int w = 0;
                for (int a : op.Advances) w += a;
                r = {op.X1, op.Y1, op.X1 + w, op.Y1 + op.Em + op.Em / 5};
            } else if (op.Kind == DrawOpKind::Arc) {
                continue;  // a part of its ellipse; the delimiters keep it in their room
            } else if (op.Kind != DrawOpKind::Line) {
                r = op.Rect;
            }
            // A short subscript under a base with the taller upper part may
            // reach one row below the box (2 Hsub div 3 above the base's
            // bottom, while the box grows by Hsub div 3).
            EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= m.Width && r.Bottom <= m.Height + 1)
                << e << ": " << FormatDrawOp(op) << " outside " << m.Width << "x" << m.Height;
        }
    }
}

// Each level of scripts is set at 6/10 of the size of the one below, in
// whole pixels, until the font engine's smallest em of one pixel.
TEST_F(ScriptsTest, NestedScriptsShrinkDownToOnePixel) {
    Painted("x^(x^(x^(x^(x^x))))");
    std::vector<int> ems;
    for (const DrawOp& op : canvas.List().Ops) ems.push_back(op.Em);
    EXPECT_EQ(ems, (std::vector<int>{20, 12, 7, 4, 1, 1}));
    EXPECT_EQ(canvas.Font.Height, -20);
}

// With the real fonts, the ink of scripts and of the style groups stays
// inside the box plus the 2-pixel margin of a picture.
TEST(ScriptsInk, InkStaysInsideTheBoxWithTheRealFonts) {
    for (const char* e :
         {"x^2", "x_i^2", "x^(y^z)", "(a+b)^2", "((x))^2", "e^(-t)", "P^*_k", "x^2^3 + x_i_k",
          "(a/b)_q^p", "h((a/b)/c)_g", "a_(n-1)^(m+1)", "(2 x)^2 = 4 x^2", "small(x) + x^x",
          "bold(x_i) = bold(a, b)", "abli(a, b) + abli(x^2)", "abli(a/b) + small(small(k))"}) {
        for (int em : {21, 48}) EXPECT_GT(ExpectInkInsideTheBox(e, em).Inked, 0) << e;
    }
}

}  // namespace
}  // namespace nerovan
