// The style groups small, bold and abli on the fixed-metric canvas (em 20:
// cell 24, italic letters 11, blanks 5, bold adds 1 to every character;
// small at em 12: cell 14, italic letters 7, blanks 3). Their ink with the
// real fonts is checked with the scripts' (test_scripts.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "metafile.h"
#include "style_group.h"
#include "term.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

using Ops = std::vector<std::string>;

class StyleGroupTest : public LayoutTest {};

TEST_F(StyleGroupTest, BoxesAndDrawings) {
    const Ops smallX = {Text(100, 50, "x", 12, true)};
    const Ops boldX = {Text(100, 50, "x", 20, true, true)};
    const TermCase cases[] = {
        {"small(x)", {9, 14, 7}, smallX},
        // The blank room around the group is measured at the term's size.
        {" small(x) ", {5 + 9 + 5, 14, 7}, {Text(105, 50, "x", 12, true)}},
        // A blank's room at the small size between the arguments; " b"
        // keeps its own blank.
        {"small(a, b)",
         {9 + 3 + 3 + 9, 14, 7},
         {Text(100, 50, "a", 12, true), Text(115, 50, "b", 12, true)}},
        {"small(small(x))", {6, 8, 4}, {Text(100, 50, "x", 7, true)}},
        {"bold(x)", {14, 24, 12}, boldX},
        {"boldface(x)", {14, 24, 12}, boldX},
        // The bold blank between the arguments is 6 wide.
        {"bold(a, b)",
         {14 + 6 + 6 + 14, 24, 12},
         {Text(100, 50, "a", 20, true, true), Text(126, 50, "b", 20, true, true)}},
        // Base and script bold.
        {"bold(x_i)",
         {14 + 10, 26, 12},
         {Text(100, 50, "x", 20, true, true), Text(114, 62, "i", 12, true, true)}},
        // The line lies on the top row of the box, which does not grow for it.
        {"abli(x)", {13, 24, 12}, {Text(100, 50, "x", 20, true), Line(100, 50, 113, 50)}},
        {"abli(a, b)",
         {13 + 15 + 5 + 13, 24, 12},
         {Text(100, 50, "a", 20, true), Text(133, 50, "b", 20, true),
          Text(113, 50, ", ", 20, false), Line(100, 50, 146, 50)}},
        {"abli(a/b)",
         {13, 54, 27},
         {Text(100, 50, "a", 20, true), Text(100, 80, "b", 20, true), Line(100, 77, 113, 77),
          Line(100, 50, 113, 50)}},
    };
    for (const TermCase& c : cases) ExpectLaidOut(c);
    // A small group is exactly as big as the script of `x^x`.
    const TFormulaMetrics x = MeasureTerm("x", canvas), xx = MeasureTerm("x^x", canvas);
    const TFormulaMetrics small = MeasureTerm("small(x)", canvas);
    EXPECT_EQ(small.Width, xx.Width - x.Width);
    EXPECT_EQ(small.Height, xx.Ascent);
}

TEST_F(StyleGroupTest, GroupsHandTheFontBackAsTheyFoundIt) {
    canvas.Font.Style = fsItalic | fsUnderline;
    canvas.Font.Charset = GREEK_CHARSET;
    canvas.Pen.Width = 3;
    const TFont font = canvas.Font;
    for (const char* e :
         {"small(x, a+b)", "bold(x_i, y)", "abli(a, b)", "small(bold(abli(x^2)))"}) {
        MeasureTerm(e, canvas);
        EXPECT_EQ(canvas.Font, font) << e;
        Painted(e);
        EXPECT_EQ(canvas.Font, font) << e;
        EXPECT_EQ(canvas.Pen.Width, 3) << e;
    }
    // The group's style is the canvas's style plus bold: underline stays.
    Painted("bold(x)");
    ASSERT_EQ(canvas.List().Ops.size(), 1u);
    EXPECT_EQ(canvas.List().Ops[0].Font.Style & (fsBold | fsUnderline), fsBold | fsUnderline);
}

}  // namespace
}  // namespace nerovan
