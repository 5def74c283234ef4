// Big operators on the fixed-metric canvas at em 20 (15 points): the glyph in
// "Symbol" at 19 points, em 25 (cell 30, ga 15, each sign 15 wide); limits at
// 9 points, em 12 (cell 14, italic letters 7 + the atom's 2 pixels); the body
// at em 20 (italic x 13 wide, cell 24). With the real fonts, all ink inside
// the measured box.
#include <gtest/gtest.h>

#include "big_operator.h"
#include "bitmap.h"
#include "expression.h"
#include "raster_canvas.h"
#include "term.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

// Body text, limit text (script size) and the enlarged glyph.
std::string T(int x, int y, const std::string& s, bool italic = true) {
    return Text(x, y, s, 20, italic);
}
std::string S(int x, int y, const std::string& s) { return Text(x, y, s, 12, true); }
std::string G(int x, int y, const std::string& utf8) {
    return Text(x, y, utf8, 25, false, false, "Symbol");
}

const std::string kSum = "\xE2\x88\x91", kPi = "\xCE\xA0", kInt = "\xE2\x88\xAB";

class BigOperatorTest : public LayoutTest {};

TEST_F(BigOperatorTest, GlyphLimitsAndBodyArePlacedExactly) {
    const TermCase cases[] = {
        // One argument: glyph and body centred on one alignment line.
        {"sum(x)", {28, 30, 15}, {G(100, 50, kSum), T(115, 53, "x")}},
        // The lower limit hangs from the glyph's cell, centred under it.
        {"sum(i,x)", {28, 44, 15}, {G(100, 50, kSum), S(103, 80, "i"), T(115, 53, "x")}},
        // Both limits: the upper one overlaps the cell's top by 6/10 of ga for
        // summation and product, 8/10 for integrals; the body is one pixel up.
        {"sum(i,n,x)",
         {28, 58, 29},
         {G(100, 64, kSum), S(103, 94, "i"), S(103, 56, "n"), T(115, 66, "x")}},
        {"int(a,b,x)",
         {28, 58, 29},
         {G(100, 64, kInt), S(103, 94, "a"), S(103, 53, "b"), T(115, 66, "x")}},
        // A wider lower limit widens the column; the glyph is centred in it.
        {"sum(abcd,x)",
         {43, 44, 15},
         {G(108, 50, kSum), S(100, 80, "a"), S(107, 80, "b"), S(114, 80, "c"), S(121, 80, "d"),
          T(130, 53, "x")}},
        // The ring is as high as one sign is wide and spans the signs plus a
        // pixel on each side, all inside the glyph column; it stays an outline
        // under a solid brush (see the loop).
        {"int0(K,x)",
         {30, 44, 15},
         {G(101, 50, kInt), Ellipse(100, 58, 117, 72), S(104, 80, "K"), T(117, 53, "x")}},
        {"int30(x)",
         {60, 30, 15},
         {G(101, 50, kInt + kInt + kInt), Ellipse(100, 58, 147, 72), T(147, 53, "x")}},
        // Operator names: the name as typed, upright in the text font.
        {"Lim(n,x)", {43, 38, 12}, {T(100, 50, "Lim", false), S(111, 74, "n"), T(130, 50, "x")}},
        // A body with a top-level sign goes between parentheses.
        {"sum(i,n,a+b)",
         {74, 58, 29},
         {G(100, 64, kSum), S(103, 94, "i"), S(103, 56, "n"), T(115, 66, "(", false),
          T(164, 66, ")", false), T(121, 66, "a"), T(154, 66, "b"), T(134, 66, " + ", false)}},
        // The body is a term: "a=b" is an atom, not a relation chain.
        {"sum(i,a=b)",
         {49, 44, 15},
         {G(100, 50, kSum), S(103, 80, "i"), T(115, 53, "a"), T(126, 53, "=", false),
          T(136, 53, "b")}},
    };
    const TFont font = canvas.Font;
    for (const TermCase& c : cases) {
        ExpectLaidOut(c);
        canvas.Brush.Style = TBrushStyle::bsSolid;  // text cells filled, the ring not
        for (const std::string& op : Painted(c.term))
            if (op.rfind("ellipse", 0) == 0) {
                EXPECT_NE(op.find("fill=none"), op.npos) << c.term;
            }
        EXPECT_EQ(canvas.Brush.Style, TBrushStyle::bsSolid);
        canvas.Brush.Style = TBrushStyle::bsClear;
        EXPECT_EQ(canvas.Font, font) << c.term;
    }
    // No ring with both limits; brackets typed around a sum still show;
    // arguments after the third are ignored; keywords ignore case; the
    // product sign is placed like the summation sign.
    EXPECT_EQ(Painted("int0(a,b,x)"), Painted("int(a,b,x)"));
    EXPECT_EQ(Painted("sum(i,n,(a+b))"), Painted("sum(i,n,a+b)"));
    EXPECT_EQ(Painted("sum(i,n,x,d)"), Painted("sum(i,n,x)"));
    EXPECT_EQ(Painted("SUM(x)"), Painted("sum(x)"));
    EXPECT_EQ(Painted("mul(i,n,x)")[0], G(100, 64, kPi));
}

// With the real fonts (Liberation Serif, the Symbol font's Type 1 file), the
// ink of glyph, ring, limits and body stays inside the box plus the margin.
TEST(BigOperatorInk, InkStaysInsideTheBoxWithTheRealFonts) {
    for (const char* e : {"sum(i=1, n, x_i^2)", "sum(x)", "sum(i, a+b)", "mul(k=1, n, a_k)",
                          "int(a, b, x dx)", "int0(K, x)", "int0(x)", "int20(S, x dx dy)",
                          "int30(V, g)", "int3(u)", "int(0, 2, cos^2 x dx)", "Lim(n, a_n)",
                          "inf(x, g(x))", "sum(i=1, n, ((u_i)))/sum(i=1, n, ((x)))"}) {
        for (int em : {21, 48}) ExpectInkInsideTheBox(e, em);
    }
}

}  // namespace
}  // namespace nerovan
