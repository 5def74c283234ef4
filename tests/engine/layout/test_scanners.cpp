// The bracket-aware scanners: where each one cuts, where it must not, and
// the error for a closing bracket without partner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout_check.h"
#include "metrics.h"
#include "scanners.h"

namespace nerovan {
namespace {

using Pieces = PieceList;

TEST(BracketClasses, OnlySixCharactersAreBrackets) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(IsOpenBracket(c), c == '(' || c == '[' || c == '{') << b;
        EXPECT_EQ(IsCloseBracket(c), c == ')' || c == ']' || c == '}') << b;
    }
}

TEST(SplitSum, CutsAtTopLevelSigns) {
    const std::vector<SplitCase> cases = {
        {"-a+b", {"a", "b"}, {"-", "+"}},
        {"a+b", {"a", "b"}, {"+", "+"}},
        {"+a", {"a"}, {"+"}},
        {"a+-b", {"a", " ", "b"}, {"+", "+", "-"}},
        {"a-", {"a", " "}, {"+", "-"}},
        {"-", {" "}, {"-"}},
        {"2E-3+x", {"2E-3", "x"}, {"+", "+"}},
        {"x+e-1", {"x", "e-1"}, {"+", "+"}},
        {"1.5e+3", {"1.5e+3"}, {"+"}},
        {"\\-a", {"\\-a"}, {"+"}},
        {"a+\\-x", {"a", "\\-x"}, {"+", "+"}},
        {"f(a+b)", {"f(a+b)"}, {"+"}},
        {"(a]-[b+c}", {"(a]", "[b+c}"}, {"+", "-"}},
        {"a + b", {"a ", " b"}, {"+", "+"}},
        // Not valid input for the dispatcher, which never passes it, but
        // it must not read before the text.
        {"", {" "}, {"+"}},
    };
    ExpectSplits(SplitSum, cases, {"stale"});
}

TEST(SplitProduct, CutsAtTopLevelProductsAndQuotients) {
    const std::vector<SplitCase> cases = {
        {"a*b/z*d", {"a", "b", "d"}, {"z"}},
        {"a/b/q", {"a"}, {"b", "q"}},
        {"/a", {" "}, {"a"}},
        {"*a", {" ", "a"}, {}},
        {"a*", {"a", " "}, {}},
        {"a/", {"a"}, {" "}},
        {"A^*", {"A^*"}, {}},
        {"x_/y", {"x_/y"}, {}},
        {"(a*b)/(c/d)", {"(a*b)"}, {"(c/d)"}},
        {"abc", {"abc"}, {}},
        {"", {" "}, {}},
    };
    ExpectSplits(SplitProduct, cases, {"stale"});
}

TEST(SplitScripts, CutsAtUnescapedScriptMarks) {
    const std::vector<SplitCase> cases = {
        {"x_i^2", {"x", "2"}, {"i"}},
        {"x^2_i", {"x", "2"}, {"i"}},
        {"x_(i+1)", {"x"}, {"(i+1)"}},
        {"x^", {"x", ""}, {}},
        {"x_", {"x"}, {""}},
        {"^x", {"", "x"}, {}},
        {"x_a_b^c^d", {"x", "c", "d"}, {"a", "b"}},
        {"x\\_i", {"x\\_i"}, {}},
        {"\\^x_i", {"\\^x"}, {"i"}},
        {"x\\^", {"x\\^"}, {}},
        {"f(x^2)", {"f(x^2)"}, {}},
        {"", {""}, {}},
    };
    ExpectSplits(SplitScripts, cases);
}

TEST(Scanners, ClosingBracketWithoutPartnerIsAnError) {
    struct Case {
        std::string Term;
        void (*Split)(std::string_view, Pieces&, Pieces&);
    };
    const std::vector<Case> cases = {
        {"a)+b", SplitSum},     {"a+b)", SplitSum},     {")", SplitSum},
        {"-]", SplitSum},       {"a)*b", SplitProduct}, {"(a))", SplitProduct},
        {"x)^2", SplitScripts}, {"x^2}", SplitScripts}, {"(x]]_i", SplitScripts},
    };
    for (const Case& c : cases) {
        Pieces first;
        Pieces second;
        try {
            c.Split(c.Term, first, second);
            ADD_FAILURE() << "no error for " << c.Term;
        } catch (const EInvalidBracket& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid bracket in \"" + c.Term + "\"");
        }
    }
}

TEST(SplitJuxtaposition, CutsAtTheLastBlankOfEachTopLevelRun) {
    const std::vector<std::pair<std::string, Pieces>> cases = {
        {"a b", {"a", "b"}},
        {"a  b", {"a ", "b"}},
        {"a   b c", {"a  ", "b", "c"}},
        {" a", {"", "a"}},
        {"  a", {" ", "a"}},
        {"a ", {"a"}},
        {"a  ", {"a "}},
        {"2 (a+b)", {"2", "(a+b)"}},
        {"f(a b) c", {"f(a b)", "c"}},
        {"a) b c", {"a) b c"}},
        {"ab", {"ab"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        Pieces items = {"keep"};
        SplitJuxtaposition(c.first, items);
        Pieces expected = {"keep"};
        for (const std::string_view piece : c.second) expected.push_back(piece);
        EXPECT_EQ(items, expected) << '"' << c.first << '"';
    }
}

TEST(SplitCall, RecognisesNameAndOneClosingGroup) {
    struct Case {
        std::string Term;
        std::string Name;
        Pieces Arguments;
        std::string Brackets;
    };
    const std::vector<Case> cases = {
        {"sqrt(x)", "sqrt", {"x"}, "()"},
        {"f[a, b]", "f", {"a", " b"}, "[]"},
        {"(a, b)", "", {"a", " b"}, "()"},
        {"f()", "f", {""}, "()"},
        {"f(a,)", "f", {"a", ""}, "()"},
        {"sum(i=1, n, g(i, j))", "sum", {"i=1", " n", " g(i, j)"}, "()"},
        {"((x))", "", {"(x)"}, "()"},
        {"{a]", "", {"a"}, "{]"},
        {"f x(y)", "f x", {"y"}, "()"},
    };
    for (const Case& c : cases) {
        std::string_view name = "unset";
        std::string brackets;
        Pieces arguments;
        ASSERT_TRUE(SplitCall(c.Term, name, arguments, brackets)) << c.Term;
        EXPECT_EQ(name, c.Name) << c.Term;
        EXPECT_EQ(arguments, c.Arguments) << c.Term;
        EXPECT_EQ(brackets, c.Brackets) << c.Term;
    }
}

TEST(SplitCall, RejectsWhatIsNotOneGroupAtTheEnd) {
    for (const std::string term :
         {"(a)+(b)", "f(a)x", "f(a)(b)", "f(x)g(y)", "abc", "f(", "(", "f)", "f(a", "", "a]"}) {
        std::string_view name = "unset";
        std::string brackets;
        Pieces arguments;
        EXPECT_FALSE(SplitCall(term, name, arguments, brackets)) << term;
        EXPECT_EQ(name, "unset") << term;
    }
}

TEST(IsPlainText, AcceptsOnlyTheCharactersOfPlainRuns) {
    for (const std::string s : {"x1", "3.5E-2", "", "a'", "+-.:;", "\xC0\xE9\xFF", "Zz09"})
        EXPECT_TRUE(IsPlainText(s)) << s;
    for (const std::string s :
         {"x y", "\\alpha", "a_b", "(a)", "a\tb", "\xBF", "|x|", "a,b", "a=b", "a*b", "\xA8"})
        EXPECT_FALSE(IsPlainText(s)) << s;
}

}  // namespace
}  // namespace nerovan
