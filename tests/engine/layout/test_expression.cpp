// The relation chain on the test canvas: the cut at relation signs, the
// whole sign table, bracket balance, and the exact boxes and positions of
// operands and signs. Operand boxes come from MeasureTerm, so the row
// arithmetic is checked independently of how a single term is laid out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "expression.h"
#include "layout_check.h"
#include "metafile.h"
#include "term.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

using Pieces = PieceList;

// Test canvas metrics at em 20: text height 24, a character of the text
// font 10 wide, a Symbol character 12 wide.
constexpr int kEm = 20;
constexpr int kCellHeight = 24;
constexpr int kSymbolAdvance = 12;

class ExpressionTest : public ::testing::Test {
protected:
    ExpressionTest() { canvas.Font.Height = -kEm; }

    TFormulaMetrics Term(std::string_view term) { return MeasureTerm(term, canvas); }

    // What PaintTerm draws for term at (x, y) on a fresh canvas with the same font.
    std::string TermOps(std::string_view term, int x, int y) {
        TestCanvas reference;
        reference.Font = canvas.Font;
        PaintTerm(term, {x, y}, reference);
        return reference.List().Format();
    }

    // The line a sign drawn at (x, y) in the named font gives.
    std::string SignOp(unsigned char byte, int x, int y, const std::string& font) {
        DrawOp op;
        op.Kind = DrawOpKind::Text;
        op.X1 = x;
        op.Y1 = y;
        op.Text = std::string(1, static_cast<char>(byte));
        op.Font = canvas.Font;
        op.Font.Name = font;
        op.Em = kEm;
        return FormatDrawOp(op) + "\n";
    }

    TestCanvas canvas;
};

TEST(MatchRelation, RecognisesTheWholeSignTable) {
    struct Case {
        std::string Typed;
        unsigned char Byte;
        int Extra;
    };
    const std::vector<Case> table = {
        {"<", 0x3C, 0},   {"<=", 0xA3, 1},  {"<>", 0xB9, 1}, {"<=>", 0xDB, 2}, {"<->", 0xAB, 2},
        {">", 0x3E, 0},   {">=", 0xB3, 1},  {">>", 0xAE, 1}, {"=", 0x3D, 0},   {"==", 0xBA, 1},
        {"=>", 0xDE, 1},  {"=<", 0xDC, 1},  {"=~", 0x40, 1}, {"~", 0x7E, 0},   {"~~", 0xBB, 1},
        {"~A", 0x22, 1},  {"~E", 0x24, 1},  {"~U", 0xC8, 1}, {"~UU", 0xC7, 2}, {"~c", 0xCC, 1},
        {"~c=", 0xCD, 2}, {"~cc", 0xCB, 2}, {"~d", 0xC9, 1}, {"~d=", 0xCA, 2}, {"~e", 0xCE, 1},
        {"~ee", 0xCF, 2},
    };
    for (const Case& c : table) {
        // The sign as the whole rest of the line (blanks stand beyond the
        // end) and followed by an operand letter.
        for (const std::string& text : {c.Typed + "  ", c.Typed + "xx"}) {
            unsigned char byte = 0;
            int extra = -1;
            ASSERT_TRUE(MatchRelation(text[0], text[1], text[2], byte, extra)) << text;
            EXPECT_EQ(byte, c.Byte) << text;
            EXPECT_EQ(extra, c.Extra) << text;
        }
    }
}

TEST(MatchRelation, FallsBackToTheShorterSignAndIsCaseSensitive) {
    struct Case {
        std::string Text;
        unsigned char Byte;
        int Extra;
    };
    const std::vector<Case> cases = {
        {"<-x", 0x3C, 0}, {"<=x", 0xA3, 1}, {"~u ", 0x7E, 0}, {"~a ", 0x7E, 0},
        {"~e=", 0xCE, 1}, {"~Ux", 0xC8, 1}, {"~cd", 0xCC, 1}, {"=>>", 0xDE, 1},
    };
    for (const Case& c : cases) {
        unsigned char byte = 0;
        int extra = -1;
        ASSERT_TRUE(MatchRelation(c.Text[0], c.Text[1], c.Text[2], byte, extra)) << c.Text;
        EXPECT_EQ(byte, c.Byte) << c.Text;
        EXPECT_EQ(extra, c.Extra) << c.Text;
    }
    for (const char c : std::string("a+-*/^_ ()\\|,!")) {
        unsigned char byte = 0;
        int extra = 0;
        EXPECT_FALSE(MatchRelation(c, '=', '>', byte, extra)) << c;
    }
}

TEST(SplitRelations, CutsAtTopLevelUnescapedSigns) {
    const std::vector<SplitCase> cases = {
        {"a<=b", {"a", "b"}, {"\xA3"}},
        {"<=> x", {"", " x"}, {"\xDB"}},
        {"a=", {"a"}, {"="}},
        {"=", {""}, {"="}},
        {"a = b", {"a ", " b"}, {"="}},
        {"f(x=1)", {"f(x=1)"}, {}},
        {"[a<b}>c", {"[a<b}", "c"}, {">"}},
        {"a\\=b", {"a\\=b"}, {}},
        {"\\~a", {"\\~a"}, {}},
        {"x~ee Y", {"x", " Y"}, {"\xCF"}},
        {"~UU", {""}, {"\xC7"}},
        {"~U", {""}, {"\xC8"}},
        {"a<b>c=d~e", {"a", "b", "c", "d"}, {"<", ">", "=", "\xCE"}},
        {"a==b=>c", {"a", "b", "c"}, {"\xBA", "\xDE"}},
        {"a<-b", {"a", "-b"}, {"<"}},
        {"p<->q", {"p", "q"}, {"\xAB"}},
        {"lim(n>>\\bb, a_n)", {"lim(n>>\\bb, a_n)"}, {}},
        {"", {}, {}},
    };
    ExpectSplits(SplitRelations, cases);
}

TEST(BalanceBrackets, ClosesOpenBracketsWithParentheses) {
    EXPECT_EQ(BalanceBrackets("(a"), "(a)");
    EXPECT_EQ(BalanceBrackets("[a"), "[a)");
    EXPECT_EQ(BalanceBrackets("((x"), "((x))");
    EXPECT_EQ(BalanceBrackets("(a]"), "(a]");
    EXPECT_EQ(BalanceBrackets("|x"), "|x");
    EXPECT_EQ(BalanceBrackets(""), "");
}

TEST_F(ExpressionTest, UnexpectedClosingBracketNamesLineAndPosition) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a)", "Unexpected bracket in \"a)\", pos:2"},
        {"(a))b(", "Unexpected bracket in \"(a))b(\", pos:4"},
        {"}", "Unexpected bracket in \"}\", pos:1"},
        {"x<=f(1234567890))", "Unexpected bracket in \"x<=f(1234567890))\", pos:17"},
    };
    for (const auto& c : cases) {
        for (int pass = 0; pass < 2; ++pass) {
            try {
                if (pass == 0)
                    MeasureExpression(c.first, canvas);
                else
                    PaintExpression(c.first, {0, 0}, canvas);
                ADD_FAILURE() << "no error for " << c.first;
            } catch (const EInvalidBracket& e) {
                EXPECT_EQ(std::string(e.what()), c.second);
            }
        }
    }
    EXPECT_TRUE(canvas.List().Ops.empty());
}

TEST_F(ExpressionTest, EmptyLineHasAnEmptyBoxAndDrawsNothing) {
    EXPECT_EQ(MeasureExpression("", canvas), (TFormulaMetrics{0, 0, 0}));
    EXPECT_EQ(PaintExpression("", {5, 5}, canvas), (TFormulaMetrics{0, 0, 0}));
    EXPECT_TRUE(canvas.List().Ops.empty());
}

TEST_F(ExpressionTest, LessOrEqualBetweenTwoOperands) {
    const TFormulaMetrics a = Term("a");
    const TFormulaMetrics b = Term("b");
    const int ascent = std::max(a.Ascent, b.Ascent);
    const int descent = std::max(a.Height - a.Ascent, b.Height - b.Ascent);
    const TFormulaMetrics expected{a.Width + kSymbolAdvance + b.Width, ascent + descent, ascent};
    EXPECT_EQ(MeasureExpression("a<=b", canvas), expected);

    const int x = 7;
    const int y = 11;
    EXPECT_EQ(PaintExpression("a<=b", {x, y}, canvas), expected);
    const std::string drawn = TermOps("a", x, y + ascent - a.Ascent) +
                              SignOp(0xA3, x + a.Width, y + ascent - kCellHeight / 2, "Symbol") +
                              TermOps("b", x + a.Width + kSymbolAdvance, y + ascent - b.Ascent);
    EXPECT_EQ(canvas.List().Format(), drawn);
}

TEST_F(ExpressionTest, EmptyFirstOperandIsOnePixelWide) {
    const TFormulaMetrics x = Term(" x");
    EXPECT_EQ(Term(""), (TFormulaMetrics{1, kCellHeight, kCellHeight / 2}));
    const int ascent = std::max(kCellHeight / 2, x.Ascent);
    const int descent = std::max(kCellHeight - kCellHeight / 2, x.Height - x.Ascent);
    const TFormulaMetrics expected{1 + kSymbolAdvance + x.Width, ascent + descent, ascent};
    EXPECT_EQ(MeasureExpression("<=> x", canvas), expected);

    PaintExpression("<=> x", {0, 0}, canvas);
    const std::string drawn = SignOp(0xDB, 1, ascent - kCellHeight / 2, "Symbol") +
                              TermOps(" x", 1 + kSymbolAdvance, ascent - x.Ascent);
    EXPECT_EQ(canvas.List().Format(), drawn);
}

TEST_F(ExpressionTest, TrailingSignIsDrawnAfterTheOperand) {
    const TFormulaMetrics a = Term("a");
    const TFormulaMetrics expected{a.Width + kSymbolAdvance, a.Height, a.Ascent};
    EXPECT_EQ(MeasureExpression("a=", canvas), expected);

    PaintExpression("a=", {3, 4}, canvas);
    const std::string drawn =
        TermOps("a", 3, 4) +
        SignOp('=', 3 + a.Width, 4 + a.Ascent - kCellHeight / 2, canvas.Font.Name);
    EXPECT_EQ(canvas.List().Format(), drawn);
}

TEST_F(ExpressionTest, SignInsideBracketsLeavesOneOperand) {
    const TFormulaMetrics f = Term("f(x=1)");
    EXPECT_EQ(MeasureExpression("f(x=1)", canvas), f);
    PaintExpression("f(x=1)", {2, 2}, canvas);
    EXPECT_EQ(canvas.List().Format(), TermOps("f(x=1)", 2, 2));
}

TEST_F(ExpressionTest, OpenBracketsAreClosedBeforeLayout) {
    for (const auto& pair : std::vector<std::pair<std::string, std::string>>{
             {"(a", "(a)"}, {"[a", "[a)"}, {"((x", "((x))"}, {"x<(a", "x<(a)"}}) {
        EXPECT_EQ(MeasureExpression(pair.first, canvas), MeasureExpression(pair.second, canvas));
        PaintExpression(pair.first, {1, 1}, canvas);
        const std::string open = canvas.List().Format();
        canvas.ClearOps();
        PaintExpression(pair.second, {1, 1}, canvas);
        EXPECT_EQ(open, canvas.List().Format()) << pair.first;
        canvas.ClearOps();
    }
}

TEST_F(ExpressionTest, PlainSignsAreDrawnInTheCurrentFontButSpacedInSymbol) {
    canvas.Font.Name = "Serif Test";
    canvas.Font.Style = fsItalic;
    // "<", ">" and "=" would be 10 wide in the text font; like every sign
    // they take the Symbol font's 12. "~e" is the Symbol element-of sign.
    const std::string line = "a<b>c=d~ex";
    const Pieces operands = {"a", "b", "c", "d", "x"};
    const std::vector<unsigned char> signs = {'<', '>', '=', 0xCE};
    int ascent = 0;
    for (const std::string_view operand : operands) ascent = std::max(ascent, Term(operand).Ascent);

    PaintExpression(line, {0, 0}, canvas);
    std::string drawn;
    int x = 0;
    for (size_t i = 0; i < operands.size(); ++i) {
        const TFormulaMetrics m = Term(operands[i]);
        drawn += TermOps(operands[i], x, ascent - m.Ascent);
        x += m.Width;
        if (i < signs.size()) {
            const std::string font = signs[i] == 0xCE ? "Symbol" : "Serif Test";
            drawn += SignOp(signs[i], x, ascent - kCellHeight / 2, font);
            x += kSymbolAdvance;
        }
    }
    EXPECT_EQ(canvas.List().Format(), drawn);
    EXPECT_EQ(MeasureExpression(line, canvas).Width, x);

    canvas.ClearOps();
    PaintExpression("~", {0, 0}, canvas);
    EXPECT_EQ(canvas.List().Format(), SignOp('~', 1, 0, "Serif Test"));
    EXPECT_EQ(MeasureExpression("~", canvas).Width, 1 + kSymbolAdvance);
}

TEST_F(ExpressionTest, OperandsShareOneAlignmentLine) {
    // Operands of different heights once terms have their full layout; the
    // row arithmetic must hold for whatever boxes MeasureTerm returns.
    const std::string line = "a/b = x_i^2 <= ((y))";
    const Pieces operands = {"a/b ", " x_i^2 ", " ((y))"};
    int ascent = 0;
    int descent = 0;
    int width = 2 * kSymbolAdvance;
    for (const std::string_view operand : operands) {
        const TFormulaMetrics m = Term(operand);
        ascent = std::max(ascent, m.Ascent);
        descent = std::max(descent, m.Height - m.Ascent);
        width += m.Width;
    }
    const TFormulaMetrics expected{width, ascent + descent, ascent};
    EXPECT_EQ(MeasureExpression(line, canvas), expected);
    EXPECT_EQ(PaintExpression(line, {10, 20}, canvas), expected);

    const TFormulaMetrics m0 = Term(operands[0]);
    const TFormulaMetrics m1 = Term(operands[1]);
    const int axis = 20 + ascent;
    const int sign_top = axis - kCellHeight / 2;
    const int x1 = 10 + m0.Width + kSymbolAdvance;
    const int x2 = x1 + m1.Width + kSymbolAdvance;
    const std::string drawn = TermOps(operands[0], 10, axis - m0.Ascent) +
                              SignOp('=', 10 + m0.Width, sign_top, canvas.Font.Name) +
                              TermOps(operands[1], x1, axis - m1.Ascent) +
                              SignOp(0xA3, x1 + m1.Width, sign_top, "Symbol") +
                              TermOps(operands[2], x2, axis - Term(operands[2]).Ascent);
    EXPECT_EQ(canvas.List().Format(), drawn);
}

TEST_F(ExpressionTest, FontIsAsBeforeAfterMeasuringAndPainting) {
    canvas.Font.Name = "Liberation Serif";
    canvas.Font.Style = fsBold;
    canvas.Font.Color = clMaroon;
    const TFont before = canvas.Font;
    for (const std::string line : {"a<=b", "a=b", "x~ee Y<->z", "=", "~UU"}) {
        MeasureExpression(line, canvas);
        EXPECT_EQ(canvas.Font, before) << line;
        PaintExpression(line, {0, 0}, canvas);
        EXPECT_EQ(canvas.Font, before) << line;
    }
    // Signs keep every font property but the name.
    canvas.ClearOps();
    PaintExpression("a<=b", {0, 0}, canvas);
    ASSERT_EQ(canvas.List().Ops.size(), 3u);
    TFont sign = before;
    sign.Name = "Symbol";
    EXPECT_EQ(canvas.List().Ops[1].Font, sign);
    // Bold adds 1 to every advance, also in Symbol.
    EXPECT_EQ(MeasureExpression("a<=b", canvas).Width,
              Term("a").Width + kSymbolAdvance + 1 + Term("b").Width);
}

TEST(TestCanvasMetrics, FollowTheFixedRules) {
    TestCanvas c;
    c.Font.Height = -20;
    EXPECT_EQ(c.TextHeight(""), 24);
    EXPECT_EQ(c.TextWidth("ab c"), 10 + 10 + 5 + 10);
    EXPECT_EQ(c.InkTop("a"), 4);
    EXPECT_EQ(c.InkTop("  "), 24);
    EXPECT_EQ(c.EmPixels(), 20);
    c.Font.Style = fsItalic;
    EXPECT_EQ(c.TextWidth("a1\xE0 "), 11 + 10 + 11 + 5);
    c.Font.Style = fsBold;
    EXPECT_EQ(c.TextWidth("a "), 11 + 6);
    c.Font.Style = 0;
    c.Font.Name = "sYMBOL";
    EXPECT_EQ(c.TextWidth("a\xA3 "), 12 + 12 + 5);
    c.Font.Height = 7;  // a cell height counts as the em here
    EXPECT_EQ(c.EmPixels(), 7);
    EXPECT_EQ(c.TextHeight("x"), 8);
    c.Font.Height = 0;
    EXPECT_EQ(c.EmPixels(), 1);
    EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 1000, 1000}));
    c.SetClipSize(30, 40);
    EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 30, 40}));
}

}  // namespace
}  // namespace nerovan
