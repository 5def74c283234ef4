// The memo of measured boxes: a paint that answers repeated measuring from
// it draws exactly what a paint without it draws, a piece that failed fails
// again, and nothing of a pass survives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_formulas.h"
#include "expression.h"
#include "metafile.h"
#include "term.h"

namespace nerovan {
namespace {

struct Pass {
    TFormulaMetrics Measured, Painted;
    std::string Ops;
    std::string Error;
};

// Measures and paints expression on a fresh metafile canvas the way the
// component does, and keeps the boxes, the operations or the error.
Pass PaintOnce(const std::string& expression, bool memo, const TFont& font, bool mul_point = true) {
    Metafile target;
    MetafileCanvas canvas(target, "", "");
    canvas.UseMeasureMemo = memo;
    canvas.Font = font;
    canvas.Pass.MulPoint = mul_point;
    Pass p;
    try {
        p.Measured = MeasureExpression(expression, canvas);
        target.Width = p.Measured.Width + 4;
        target.Height = p.Measured.Height + 4;
        canvas.Brush.Style = TBrushStyle::bsClear;
        p.Painted = PaintExpression(expression, {2, 2}, canvas);
        p.Ops = target.List.Format();
    } catch (const Exception& e) {
        p.Error = e.what();
    }
    EXPECT_FALSE(canvas.Memo().Active());
    EXPECT_EQ(canvas.Memo().Size(), 0u);
    return p;
}

void ExpectSamePaint(const std::string& expression, const TFont& font, bool mul_point = true) {
    SCOPED_TRACE(expression);
    const Pass without = PaintOnce(expression, false, font, mul_point);
    const Pass with = PaintOnce(expression, true, font, mul_point);
    EXPECT_EQ(with.Error, without.Error);
    EXPECT_EQ(with.Measured, without.Measured);
    EXPECT_EQ(with.Painted, without.Painted);
    EXPECT_EQ(with.Ops, without.Ops);
}

TFont FormulaFont(int height) {
    TFont f;
    f.Height = height;
    return f;
}

TEST(MeasureMemo, DemoFormulasPaintTheSameOperations) {
    for (int n = 0; n < kDemoFormulaCount; ++n) {
        ExpectSamePaint(DemoFormulas[n], FormulaFont(-21));
        ExpectSamePaint(DemoFormulas[n], FormulaFont(-40), false);
    }
}

TEST(MeasureMemo, FontChangesLeftByMeasuringAreKept) {
    // Measuring an atom leaves italic off and the default charset: a box
    // answered from the memo must leave the font the same way, or what is
    // drawn after it comes out in the font the formula started with.
    TFont f = FormulaFont(-21);
    f.Style = fsItalic | fsBold;
    f.Charset = GREEK_CHARSET;
    for (int n = 0; n < kDemoFormulaCount; ++n) ExpectSamePaint(DemoFormulas[n], f);
    for (const std::string e : {"x + 1 = y",   "sin x + 2 < f(a, b) * c",
                                "a b c / d e", "a/b",
                                "(a+b)/c",     "x_i^2 + x_i^2",
                                "f(x) g(x)",   "sum(i=1,n,x_i) = sum(i=1,n,x_i)",
                                "x*y*z",       "a b",
                                "x^2 y^2",     "bold(x) x",
                                "small(x) x",  "sqrt(x) x",
                                "root(3,x) x", "mat22[a,b,c,d] x",
                                "x_a b_a",     "a\\.b c",
                                "\\.x y",      "(x) (x)",
                                "[x]/[x]",     "int(a,b,x dx) x"})
        ExpectSamePaint(e, f);
}

TEST(MeasureMemo, RepeatedPiecesInOtherFontsPaintTheSameOperations) {
    // The same text as a base, a script, a limit, in bold and small groups,
    // and in a fraction: each must be measured in its own font.
    const std::vector<std::string> formulas = {
        "x^x^x^x + x_x_x",
        "sum(x, x, x) + x/x + bold(x + x) + small(x + x) + x",
        "sqrt(x^2+y^2) + root(3, x^2+y^2) + (x^2+y^2)/(x^2+y^2)",
        "mat22[x,x^x,x_x,(x)] = sys2[x;x]",
        "(a+b)(a+b)^(a+b) + -(a+b) - (a+b)",
        "\\a_\\a^\\a + int(\\a, \\a, \\a d\\a)",
    };
    for (const std::string& f : formulas) ExpectSamePaint(f, FormulaFont(-21));
}

TEST(MeasureMemo, ErrorsSurfaceAsWithoutIt) {
    for (const std::string f : {"a + (b", "a) + b", "x_(y))", "f(x]]", "sqrt()"})
        ExpectSamePaint(f, FormulaFont(-21));
}

TEST(MeasureMemo, AnAnswerFromTheMemoLeavesTheFontAsMeasuringDid) {
    Metafile target;
    MetafileCanvas canvas(target, "", "");
    TFont start = FormulaFont(-21);
    start.Style = fsItalic | fsBold;
    start.Charset = GREEK_CHARSET;
    canvas.Memo().Open();
    canvas.Font = start;
    const TFormulaMetrics first = MeasureTerm("x1", canvas);
    const TFont after = canvas.Font;
    const size_t entries = canvas.Memo().Size();
    ASSERT_NE(after, start);
    canvas.Font = start;
    EXPECT_EQ(MeasureTerm("x1", canvas), first);
    EXPECT_EQ(canvas.Font, after);
    EXPECT_EQ(canvas.Memo().Size(), entries);  // answered, nothing measured anew
    canvas.Memo().Close();
}

std::string Nested(const std::string& open, const std::string& core, const std::string& close,
                   int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += core;
    for (int i = 0; i < depth; ++i) s += close;
    return s;
}

TEST(MeasureMemo, APieceFitsShallowButIsRefusedDeep) {
    // The same piece first at a shallow depth, where it fits, then deep
    // enough that the nesting limit refuses it: the box measured shallow
    // must not answer for the deep one.
    const std::string piece = Nested("sqrt(", "x", ")", 150);
    const TFont font = FormulaFont(-21);
    ASSERT_EQ(PaintOnce(piece, true, font).Error, "");
    const std::string deep = Nested("sqrt(", piece, ")", 260);
    const std::string expected = PaintOnce(deep, false, font).Error;
    ASSERT_NE(expected, "");
    EXPECT_EQ(PaintOnce(piece + "+" + deep, true, font).Error, expected);
    EXPECT_EQ(PaintOnce(piece + "+" + deep, false, font).Error, expected);

    // The same within one open memo, the depth set by hand.
    Metafile target;
    MetafileCanvas canvas(target, "", "");
    canvas.Font = font;
    canvas.Memo().Open();
    const TFormulaMetrics shallow = MeasureExpression(piece, canvas);
    EXPECT_EQ(MeasureExpression(piece, canvas), shallow);
    canvas.Pass.NestingDepth = kMaxNestingDepth - 100;
    EXPECT_THROW(MeasureExpression(piece, canvas), ELimitExceeded);
    EXPECT_THROW(MeasureExpression(piece, canvas), ELimitExceeded);
    canvas.Pass.NestingDepth = 0;
    canvas.Memo().Close();
}

}  // namespace
}  // namespace nerovan

namespace nerovan {
namespace {

TEST(MeasureMemo, StopsTakingEntriesBeyondItsBudget) {
    MeasureMemo memo;
    memo.Open();
    const MeasureMemo::KeyHead head{};
    const std::string big(1u << 20, 'x');
    for (int i = 0; i < 100; ++i) memo.Store(head, std::to_string(i) + big, {i, i, i}, TFont{});
    EXPECT_GT(memo.Size(), 0u);
    EXPECT_LE(memo.Size() * big.size(), MeasureMemo::kMaxBytes);
    // What it took it still answers; what it refused it does not.
    ASSERT_NE(memo.Find(head, "0" + big), nullptr);
    EXPECT_EQ(memo.Find(head, "0" + big)->Box, (TFormulaMetrics{0, 0, 0}));
    EXPECT_EQ(memo.Find(head, "99" + big), nullptr);
    memo.Close();
    EXPECT_EQ(memo.Size(), 0u);
    EXPECT_FALSE(memo.Active());
}

// Thousands of keys (the table grows many times over), keys that are
// prefixes of each other, keys told apart by their heads alone, and a second
// pass that must find nothing of the first although it reuses the room.
TEST(MeasureMemo, AnswersEveryKeyItTookAndNothingAfterThePass) {
    MeasureMemo memo;
    const MeasureMemo::KeyHead head{};
    MeasureMemo::KeyHead other{};
    other.Fields[2] = 1;
    for (int pass = 0; pass < 2; ++pass) {
        memo.Open();
        for (int i = 0; i < 5000; ++i) {
            EXPECT_EQ(memo.Find(head, "k" + std::to_string(i)), nullptr) << pass << " " << i;
            TFont f;
            f.Height = -i;
            memo.Store(head, "k" + std::to_string(i), {i, pass, i}, f);
        }
        memo.Store(head, "k7", {-1, -1, -1}, TFont{});  // a key already there keeps its box
        memo.Store(other, "k7", {-2, -2, -2}, TFont{});
        EXPECT_EQ(memo.Size(), 5001u);
        for (int i = 0; i < 5000; ++i) {
            const MeasureMemo::Entry* e = memo.Find(head, "k" + std::to_string(i));
            ASSERT_NE(e, nullptr) << i;
            EXPECT_EQ(e->Box, (TFormulaMetrics{i, pass, i}));
            EXPECT_EQ(e->FontAfter.Height, -i);
        }
        ASSERT_NE(memo.Find(other, "k7"), nullptr);
        EXPECT_EQ(memo.Find(other, "k7")->Box, (TFormulaMetrics{-2, -2, -2}));
        EXPECT_EQ(memo.Find(other, "k8"), nullptr);
        EXPECT_EQ(memo.Find(head, "k"), nullptr);
        EXPECT_EQ(memo.Find(head, "k50000"), nullptr);
        EXPECT_EQ(memo.Find(head, ""), nullptr);
        memo.Close();
        EXPECT_EQ(memo.Find(head, "k1"), nullptr);
    }
}

// Pieces of the pass's own text are kept as where they lie in it: the same
// characters elsewhere in it, or in a text of their own, find the same
// answer, and other characters at the same length do not.
TEST(MeasureMemo, PiecesOfTheRootAreFoundByTheirCharacters) {
    MeasureMemo memo;
    const MeasureMemo::KeyHead head{};
    const std::string root = "ab+cd+ab+abc";
    const std::string_view r = root;
    memo.Open(r);
    memo.Store(head, r.substr(0, 2), {1, 1, 1}, TFont{});  // "ab" at 0
    memo.Store(head, r.substr(9, 3), {3, 3, 3}, TFont{});  // "abc"
    memo.Store(head, r.substr(0, 0), {5, 5, 5}, TFont{});  // the empty text
    const std::string copy = "ab";
    for (const std::string_view ab : {r.substr(0, 2), r.substr(6, 2), std::string_view(copy)}) {
        ASSERT_NE(memo.Find(head, ab), nullptr);
        EXPECT_EQ(memo.Find(head, ab)->Box, (TFormulaMetrics{1, 1, 1}));
    }
    EXPECT_EQ(memo.Find(head, r.substr(3, 2)), nullptr);  // "cd"
    EXPECT_EQ(memo.Find(head, r.substr(9, 2))->Box, (TFormulaMetrics{1, 1, 1}));
    EXPECT_EQ(memo.Find(head, "abc")->Box, (TFormulaMetrics{3, 3, 3}));
    EXPECT_EQ(memo.Find(head, std::string_view())->Box, (TFormulaMetrics{5, 5, 5}));
    // A text of its own, freed after it was kept, still answers by its
    // characters.
    {
        const std::string own = "zz" + std::string(40, 'q');
        memo.Store(head, own, {7, 7, 7}, TFont{});
    }
    const std::string again = "zz" + std::string(40, 'q');
    ASSERT_NE(memo.Find(head, again), nullptr);
    EXPECT_EQ(memo.Find(head, again)->Box, (TFormulaMetrics{7, 7, 7}));
    memo.Close();
}

}  // namespace
}  // namespace nerovan
