// The term dispatcher: recognition order, blank room, sums with the minus
// bar, products and fractions, juxtaposition and plain calls, checked
// exactly on the fixed-metric canvas (em 20: cell 24, characters 10 wide,
// italic letters 11, blanks 5, Symbol characters 12) and for ink with the
// real fonts.
#include <gtest/gtest.h>

#include "bitmap.h"
#include "component.h"
#include "expression.h"
#include "raster_canvas.h"
#include "big_operator.h"
#include "matrix.h"
#include "radical.h"
#include "style_group.h"
#include "term.h"
#include "layout_check.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

class TermTest : public LayoutTest {};

// Text at em 20, short for the tables.
std::string T(int x, int y, const std::string& s, bool italic) { return Text(x, y, s, 20, italic); }

TEST(TermHelpers, BlanksBracketsAndSigns) {
    const TTrimmedBlanks t = TrimBlanks("   ");
    EXPECT_EQ(t.Lead, 3);
    EXPECT_EQ(t.Trail, 3);
    EXPECT_EQ(t.Core, "");
    EXPECT_EQ(TrimBlanks(" a b  ").Core, "a b");
    struct {
        const char* in;
        const char* out;
    } strip[] = {{"(a+b)", "a+b"},       {"()", ""},   {"(a)(b)", "(a)(b)"},
                 {"(a", "(a"},           {"(a]", "a"}, {" (x) ", " x "},
                 {"[[x]]", "[x]"},       {"x", "x"},   {"  a+b ", "  a+b "},
                 {" (a)(b)", " (a)(b)"}, {"", ""}};
    for (const auto& c : strip) EXPECT_EQ(StripOuterBrackets(c.in), c.out) << c.in;
    EXPECT_EQ(BlankString(3), "   ");
    EXPECT_EQ(BlankString(-1), "");
    for (const char* s : {"a+b", "-a", "(a-b)", " -x", "1e-5"})
        EXPECT_TRUE(HasTopLevelSign(s)) << s;
    for (const char* s : {"ab", "((a+b))", "f(a+b)", "\\-a", "a\\+b"})
        EXPECT_FALSE(HasTopLevelSign(s)) << s;
}

TEST(TermHelpers, KeywordTable) {
    // clang-format off
    struct {
        const char* name;
        size_t args;
        const Construct* row;
    } cases[] = {
        {"small", 1, &kSmallCall},   {"smallest", 1, &kSmallCall}, {"BOLD", 1, &kBoldCall},
        {"mat22", 4, &kMatCall},     {"det33", 9, &kDetCall},      {"det", 1, nullptr},
        {"matrix", 1, nullptr},      {"mat20", 1, nullptr},        {"sys", 2, &kSysCall},
        {"abli", 2, &kAbliCall},     {"Sqrt", 1, &kSqrtCall},      {"root", 2, &kRootCall},
        {"root", 1, nullptr},        {"SUM", 3, &kSumCall},        {"summa", 3, &kSumCall},
        {"mul", 3, &kMulCall},       {"lim", 2, &kLimCall},        {"Lim", 2, &kLimCall},
        {"inf", 2, &kInfCall},       {"int30", 2, &kInt30Call},    {"int20", 2, &kInt20Call},
        {"int0", 2, &kInt0Call},     {"int3", 2, &kInt3Call},      {"int2", 2, &kInt2Call},
        {"integral", 1, &kIntCall},  {"f", 1, nullptr},            {"", 1, nullptr},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(MatchKeyword(c.name, c.args), c.row) << c.name;
}

TEST_F(TermTest, EmptyTermsAndBlanks) {
    EXPECT_EQ(Measure(""), (TFormulaMetrics{1, 24, 12}));
    EXPECT_EQ(Measure(" "), (TFormulaMetrics{10, 24, 12}));  // the blank counts on both sides
    EXPECT_EQ(Measure("()"), (TFormulaMetrics{0, 24, 12}));
    EXPECT_EQ(Measure("( )"), (TFormulaMetrics{10, 24, 12}));
    EXPECT_TRUE(Painted("").empty());
    EXPECT_TRUE(Painted("()").empty());
    EXPECT_EQ(Measure("(x)"), Measure("x"));
    // One juxtaposing blank takes no room; further blanks of the run do.
    EXPECT_EQ(Measure("a b").Width, 26);
    EXPECT_EQ(Measure("a  b").Width, 31);
    // The blanks around the operands of a sum count through their blank room.
    EXPECT_EQ(Measure("a+b").Width, 46);
    EXPECT_EQ(Measure("a + b").Width, 56);
}

// A closing bracket without partner is reported for the term whether or not
// the term holds anything to cut at.
TEST_F(TermTest, ClosingBracketWithoutPartnerIsReportedWhateverTheTermHolds) {
    for (const std::string t : {"ab)c", "a)", "a b)", "x_1)", "a*b)", "a)+b", "f(x))"}) {
        try {
            Measure(t);
            ADD_FAILURE() << "no error for " << t;
        } catch (const EInvalidBracket& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid bracket in \"" + t + "\"");
        }
    }
}

TEST_F(TermTest, SumsDrawPlusAsTextAndMinusAsTheBar) {
    EXPECT_EQ(Painted("a+b"),
              (std::vector<std::string>{T(100, 50, "a", true), T(133, 50, "b", true),
                                        T(113, 50, " + ", false)}));
    // Leading minus: the bar as wide as "=" directly before the operand.
    EXPECT_EQ(Measure("-a"), (TFormulaMetrics{23, 24, 12}));
    EXPECT_EQ(Painted("-a"),
              (std::vector<std::string>{T(110, 50, "a", true), Line(101, 62, 109, 62)}));
    // Between operands the bar has a blank's room on each side.
    EXPECT_EQ(Painted("a-b"),
              (std::vector<std::string>{T(100, 50, "a", true), T(133, 50, "b", true),
                                        Line(119, 62, 127, 62)}));
    // A leading "+" is not drawn.
    EXPECT_EQ(Painted("+a-b")[0], T(100, 50, "a", true));
    // A single operand with a leading "+" stays an atom and draws its "+".
    EXPECT_EQ(Painted("+a"),
              (std::vector<std::string>{T(100, 50, "+", false), T(110, 50, "a", true)}));
    EXPECT_EQ(Painted("1e-5").size(), 4u);  // one atom: 1, e, -, 5
}

TEST_F(TermTest, MinusBeforeASumDrawsParentheses) {
    const std::vector<std::string> ops = Painted("a-(b+d)");
    bool paren = false;
    for (const std::string& op : ops) paren |= op.find("\"(\"") != std::string::npos;
    EXPECT_TRUE(paren);
    for (const char* s : {"a+(b+d)", "a-(b)"})
        for (const std::string& op : Painted(s))
            EXPECT_EQ(op.find("\"(\""), std::string::npos) << s;
}

TEST_F(TermTest, FractionsPutTheBarOnTheAlignmentLine) {
    // a over b q: numerator 13 wide, denominator 13 + 5 + 13 = 31.
    const TFormulaMetrics m = Measure("a/b/q");
    EXPECT_EQ(m, (TFormulaMetrics{31, 6 + 24 + 24, 24 + 3}));
    const std::vector<std::string> ops = Painted("a/b/q");
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[0], T(100 + 15 - 6, 50, "a", true));
    EXPECT_EQ(ops[1], T(100, 80, "b", true));
    EXPECT_EQ(ops[2], T(118, 80, "q", true));
    EXPECT_EQ(ops[3], Line(100, 77, 131, 77));
    // Not split at length 2.
    EXPECT_EQ(Measure("a/").Height, 24);
    EXPECT_EQ(Measure("/b").Height, 24);
}

TEST_F(TermTest, FractionBarPenGrowsWithTheFont) {
    canvas.Font.Height = -40;  // 30 points: 30 div 29 + 1 = 2
    const std::vector<std::string> ops = Painted("a/b");
    EXPECT_NE(ops.back().find("width=2"), std::string::npos) << ops.back();
    EXPECT_EQ(canvas.Pen.Width, 1);
}

TEST_F(TermTest, ProductsParenthesiseSumsAndMarkWithTheDot) {
    canvas.Pass.MulPoint = true;
    std::vector<std::string> ops = Painted("a*(b+d)");
    bool paren = false, dot = false;
    for (const std::string& op : ops) {
        paren |= op.find("\"(\"") != std::string::npos;
        dot |= op.rfind("ellipse", 0) == 0;
    }
    EXPECT_TRUE(paren);
    EXPECT_TRUE(dot);
    canvas.Pass.MulPoint = false;
    for (const std::string& op : Painted("a*(b)")) {
        EXPECT_EQ(op.find("\"(\""), std::string::npos);
        EXPECT_NE(op.rfind("ellipse", 0), 0u);
    }
}

TEST_F(TermTest, DoubledBracketsAreDrawn) {
    // ((x)) is stripped once and drawn as x between parentheses; the name is empty.
    EXPECT_EQ(Measure("((x))"), (TFormulaMetrics{13 + 8 + 5, 24, 12}));
    EXPECT_EQ(Painted("((x))"),
              (std::vector<std::string>{T(100, 50, "(", false), T(116, 50, ")", false),
                                        T(106, 50, "x", true)}));
    const std::vector<std::string> sq = Painted("[[x]]");
    EXPECT_EQ(sq[0], T(100, 50, "[", false));
    EXPECT_EQ(sq[1], T(116, 50, "]", false));
}

TEST_F(TermTest, PlainCallsHaveAnUprightNameAndTheTypedBrackets) {
    // f: upright name (10 + 2), then (x, y) between parentheses.
    // Arguments: x, the separator ", " (15), then " y" with its blank room.
    const TFormulaMetrics args{13 + 15 + 18, 24, 12};
    EXPECT_EQ(Measure("f(x, y)"), (TFormulaMetrics{12 + args.Width + 8 + 5, 24, 12}));
    const std::vector<std::string> ops = Painted("f[x]");
    EXPECT_EQ(ops[0], T(100, 50, "f", false));
    EXPECT_EQ(ops[1], T(112, 50, "[", false));
    EXPECT_EQ(ops[2], T(112 + 26 - 10, 50, "]", false));
    // Keywords whose construct is not laid out yet are plain calls too.
    EXPECT_EQ(Painted("det(A)")[0], T(100, 50, "d", false));
    // Not a call: the atom routines get it.
    EXPECT_EQ(Painted("f(x)g(y)")[0], T(100, 50, "f", true));
}

TEST_F(TermTest, TallArgumentsGetArcs) {
    const std::vector<std::string> ops = Painted("f(a/b)");
    int arcs = 0;
    for (const std::string& op : ops) arcs += op.rfind("arc ", 0) == 0;
    EXPECT_EQ(arcs, 2);
}

TEST_F(TermTest, ConstructsLeaveTheCanvasAsTheyFoundIt) {
    canvas.Font.Style = fsBold;
    canvas.Pen.Width = 3;
    canvas.Font.Charset = 1;
    const TFont font = canvas.Font;
    for (const char* e : {"a - ((b+c))/2 = f(x, y)", "x2 sin(a*(b-c))", "-a/b/q <= [[x, y]]",
                          "((a/b))*(c+d) - e", "(a+b)/(c-d)"}) {
        canvas.ClearOps();
        MeasureExpression(e, canvas);
        PaintExpression(e, {0, 0}, canvas);
        EXPECT_EQ(canvas.Font, font) << e;
        EXPECT_EQ(canvas.Pen.Width, 3) << e;
    }
}

// With the real fonts, the ink of every formula stays inside its measured box
// plus the 2-pixel margin, and both targets draw the same operations.
TEST(TermInk, InkStaysInsideTheBoxWithTheRealFonts) {
    for (const char* e :
         {"a - ((b+c))/2 = f(x, y)", "x2 + sin(y)", "-a/b/q", "[[x, y]]", "((a/b))*(c+d)",
          "{{x/y}}", "a*(b+d) - (a-b)/2", "f(x)g(y)", "(((a/b)/c)/d)", "2 (a+b)"}) {
        for (int em : {13, 21, 48}) ExpectInkInsideTheBox(e, em);
    }
}

}  // namespace
}  // namespace nerovan
