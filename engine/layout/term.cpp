// The term dispatcher: one operand of a relation chain, such as `x_i^2 + 1`,
// `(a-b)/2`, `f(x, y)` or `sqrt(x)`. Blanks and one pair of outer brackets
// are stripped, then the first matching construct decides: sum, product or
// fraction, juxtaposition, scripts, call (keyword construct or plain call),
// atom. Scripts and the keyword constructs (style groups, matrices and
// systems, radicals, big operators) have files of their own.
#include "term.h"

#include <array>

#include "atom.h"
#include "big_operator.h"
#include "delimiters.h"
#include "expression.h"
#include "list.h"
#include "memoized.h"
#include "matrix.h"
#include "radical.h"
#include "scanners.h"
#include "scripts.h"
#include "style.h"
#include "style_group.h"

namespace nerovan {

TTrimmedBlanks TrimBlanks(std::string_view s) {
    TTrimmedBlanks t;
    const int length = static_cast<int>(s.size());
    while (t.Lead < length && s[t.Lead] == ' ') ++t.Lead;
    while (t.Trail < length && s[length - 1 - t.Trail] == ' ') ++t.Trail;
    if (t.Lead + t.Trail < length) t.Core = s.substr(t.Lead, length - t.Lead - t.Trail);
    return t;
}

std::string BlankString(int n) { return n > 0 ? std::string(n, ' ') : std::string(); }

int BlankWidth(Canvas& canvas, int n) {
    // Most terms have a blank or two around them: those are measured from
    // a constant, not a string made for the purpose.
    static const char kBlanks[] = "                                ";
    if (n <= 0) return 0;
    if (n < static_cast<int>(sizeof kBlanks))
        return canvas.TextWidth(std::string_view(kBlanks, static_cast<size_t>(n)));
    return canvas.TextWidth(BlankString(n));
}

std::string_view InsideOuterBrackets(std::string_view core) {
    const size_t n = core.size();
    if (n < 2 || !IsOpenBracket(core.front()) || !IsCloseBracket(core.back())) return core;
    BracketDepth depth;
    for (size_t i = 1; i + 1 < n; ++i)
        if (depth.Step(core[i]) < 0) return core;
    return depth.Value() == 0 ? core.substr(1, n - 2) : core;
}

std::string StripOuterBrackets(std::string_view s) {
    const TTrimmedBlanks t = TrimBlanks(s);
    return BlankString(t.Lead) + std::string(InsideOuterBrackets(t.Core)) + BlankString(t.Trail);
}

bool HasTopLevelSign(std::string_view s) {
    // Most pieces hold no sign at all.
    if (s.find('+') == std::string_view::npos && s.find('-') == std::string_view::npos)
        return false;
    // The blanks around the text can neither be a sign nor escape one.
    const std::string_view stripped = InsideOuterBrackets(TrimBlanks(s).Core);
    BracketDepth depth;
    for (size_t i = 0; i < stripped.size(); ++i) {
        const char c = stripped[i];
        if (depth.Step(c) == 0 && (c == '+' || c == '-') && (i == 0 || stripped[i - 1] != '\\'))
            return true;
    }
    return false;
}

namespace {

enum class TermKind { Empty, EmptyCore, Sum, Product, Juxtaposition, Scripts, Call, Atom };

// What the recognition order found in a term, shared by both passes.
struct TermParts {
    TermKind Kind = TermKind::Atom;
    int Lead = 0, Trail = 0;  // L and R: the blanks around the core
    std::string_view Core;    // a view into the term
    PieceList First, Second;  // the scanners' lists
    TermCall Call;            // a call: its keyword, name, arguments, brackets
};

// The keyword constructs in the order they are tried: the first row whose
// keyword starts the call's name and which accepts the call decides.
constexpr const Construct* kKeywordConstructs[] = {
    &kSmallCall, &kBoldCall,  &kMatCall,  &kDetCall,  &kSysCall,  &kAbliCall,
    &kSqrtCall,  &kRootCall,  &kSumCall,  &kMulCall,  &kLimCall,  &kInfCall,
    &kInt30Call, &kInt20Call, &kInt0Call, &kInt3Call, &kInt2Call, &kIntCall,
};

}  // namespace

const Construct* MatchKeyword(std::string_view name, size_t argument_count) {
    for (const Construct* row : kKeywordConstructs) {
        const std::string_view keyword = row->Keyword;
        if (name.size() < keyword.size()) continue;
        bool same = true;
        for (size_t i = 0; i < keyword.size() && same; ++i) {
            // The keywords are Latin: only Latin capitals need lowering.
            const char c = name[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == keyword[i];
        }
        if (same && (!row->Accepts || row->Accepts(name, argument_count))) return row;
    }
    return nullptr;
}

namespace {

// Which of the characters the scanners cut at the core holds outside
// brackets, found in one walk: a scanner whose characters are all absent
// would cut nothing, so it is not run. A closing bracket without partner
// marks every kind, so each scanner runs and the error is raised where it
// always was.
struct TopLevelMarks {
    bool Sign = false;     // "+" or "-"
    bool Product = false;  // "*" or "/"
    bool Blank = false;
    bool Script = false;  // "^" or "_"
};

// What each character is to the walk: most are nothing and cost one look.
enum : uint8_t { kOpens = 1, kCloses = 2, kSign = 4, kProduct = 8, kBlank = 16, kScript = 32 };

constexpr std::array<uint8_t, 256> MarkClasses() {
    std::array<uint8_t, 256> t{};
    t['('] = t['['] = t['{'] = kOpens;
    t[')'] = t[']'] = t['}'] = kCloses;
    t['+'] = t['-'] = kSign;
    t['*'] = t['/'] = kProduct;
    t[' '] = kBlank;
    t['^'] = t['_'] = kScript;
    return t;
}

TopLevelMarks FindTopLevelMarks(std::string_view core) {
    static constexpr std::array<uint8_t, 256> kClasses = MarkClasses();
    unsigned found = 0;
    int depth = 0;
    for (const char ch : core) {
        const uint8_t c = kClasses[static_cast<unsigned char>(ch)];
        if (c == 0) continue;
        if (c == kOpens) {
            ++depth;
        } else if (c == kCloses) {
            if (--depth < 0) return {true, true, true, true};
        } else if (depth == 0) {
            found |= c;
        }
    }
    return {(found & kSign) != 0, (found & kProduct) != 0, (found & kBlank) != 0,
            (found & kScript) != 0};
}

TermParts RecogniseTerm(std::string_view term) {
    TermParts p;
    if (term.empty()) {
        p.Kind = TermKind::Empty;
        return p;
    }
    const TTrimmedBlanks outer = TrimBlanks(term);
    const TTrimmedBlanks inner = TrimBlanks(InsideOuterBrackets(outer.Core));
    p.Lead = outer.Lead + inner.Lead;
    p.Trail = outer.Trail + inner.Trail;
    p.Core = inner.Core;
    const size_t length = p.Core.size();
    if (length == 0) {
        p.Kind = TermKind::EmptyCore;
        return p;
    }
    const TopLevelMarks marks = FindTopLevelMarks(p.Core);
    if (length > 1 && marks.Sign) {
        SplitSum(p.Core, p.First, p.Second);
        if (p.First.size() >= 2 || (p.First.size() == 1 && p.Second[0] == "-")) {
            p.Kind = TermKind::Sum;
            return p;
        }
    }
    p.First.clear();
    p.Second.clear();
    if (length > 2 && marks.Product) {
        SplitProduct(p.Core, p.First, p.Second);
        if (p.First.size() > 1 || !p.Second.empty()) {
            p.Kind = TermKind::Product;
            return p;
        }
    }
    p.First.clear();
    p.Second.clear();
    if (length > 1 && marks.Blank) {
        SplitJuxtaposition(p.Core, p.First);
        if (p.First.size() >= 2) {
            p.Kind = TermKind::Juxtaposition;
            return p;
        }
    }
    p.First.clear();
    if (length > 1 && marks.Script) {
        SplitScripts(p.Core, p.First, p.Second);
        if (p.First.size() > 1 || !p.Second.empty()) {
            p.Kind = TermKind::Scripts;
            return p;
        }
    }
    p.First.clear();
    p.Second.clear();
    if (SplitCall(p.Core, p.Call.Name, p.Call.Arguments, p.Call.Brackets)) {
        p.Kind = TermKind::Call;
        p.Call.Keyword = MatchKeyword(p.Call.Name, p.Call.Arguments.size());
        return p;
    }
    p.Call.Arguments.clear();
    p.Kind = TermKind::Atom;
    return p;
}

// ---- Sums and differences ----------------------------------------------

struct SumLayout {
    SmallList<TFormulaMetrics, 6> Operands;  // with room for parentheses where drawn
    SmallList<bool, 6> Parenthesised;
    SmallList<int, 6> Lefts;  // each operand's left edge from the sum's left edge
    TFormulaMetrics Box;
};

// A minus is the bar PaintMinusBar draws as wide as an "=", so it takes the
// room of one; the first operand's sign has no blanks around it.
int SignRoom(Canvas& canvas, std::string_view sign, size_t i) {
    if (sign == "+") return i == 0 ? 0 : canvas.TextWidth(" + ");
    return canvas.TextWidth(i == 0 ? "=" : " = ");
}

SumLayout LayOutSum(const TermParts& p, Canvas& canvas) {
    SumLayout s;
    s.Operands.reserve(p.First.size());
    s.Parenthesised.reserve(p.First.size());
    s.Lefts.reserve(p.First.size());
    int total = 0, ascent = 0, descent = 0;
    for (size_t i = 0; i < p.First.size(); ++i) {
        const bool parens = p.Second[i] == "-" && HasTopLevelSign(p.First[i]);
        const TFormulaMetrics m = MeasureItem(p.First[i], parens, canvas);
        const int room = SignRoom(canvas, p.Second[i], i);
        s.Lefts.push_back(SizeSum(total, room));
        total = SizeSum(total, m.Width, room);
        s.Operands.push_back(m);
        s.Parenthesised.push_back(parens);
        ascent = Max2(ascent, m.Ascent);
        descent = Max2(descent, m.Height - m.Ascent);
    }
    s.Box = {total, SizeSum(ascent, descent), ascent};
    return s;
}

TFormulaMetrics PaintSum(const TermParts& p, TFormulaOrigin at, Canvas& canvas) {
    const SumLayout s = LayOutSum(p, canvas);
    const int line = at.Y + s.Box.Ascent;
    for (size_t i = 0; i < p.First.size(); ++i) {
        const TFormulaMetrics& m = s.Operands[i];
        const int x = at.X + s.Lefts[i];
        PaintItem(p.First[i], {x, line - m.Ascent}, m, s.Parenthesised[i], canvas);
        // The sign, right-aligned against the operand; a minus is the bar.
        if (p.Second[i] == "+") {
            if (i == 0) continue;
            const std::string_view s3 = " + ";
            canvas.TextOut(x - canvas.TextWidth(s3), line - CentredAscent(canvas.TextHeight(s3)),
                           s3);
        } else if (i > 0) {
            PaintMinusBar(x - canvas.TextWidth("= "),
                          line - CentredAscent(canvas.TextHeight(" = ")), canvas);
        } else {
            PaintMinusBar(x - canvas.TextWidth("="), line - CentredAscent(canvas.TextHeight(" =")),
                          canvas);
        }
    }
    return s.Box;
}

// ---- Products and fractions ----------------------------------------------

struct ProductLayout {
    TFormulaMetrics Numerator, Denominator, Box;
};

// A fraction's numerator and denominator are a quarter of the cell of a "-"
// apart; the bar lies in that gap an eighth of the cell below the numerator,
// on the alignment line.
int FractionGap(int cell) { return cell / 4; }
int FractionBarDrop(int cell) { return cell / 8; }

ProductLayout LayOutProduct(const TermParts& p, Canvas& canvas) {
    ProductLayout r;
    r.Numerator = MeasureList(p.First, canvas, "*");
    r.Denominator = MeasureList(p.Second, canvas, "*");
    const TFormulaMetrics& n = r.Numerator;
    const TFormulaMetrics& d = r.Denominator;
    r.Box.Width = Max2(n.Width, d.Width);
    if (d.Width <= 0) {
        r.Box.Height = n.Height;
        r.Box.Ascent = n.Ascent;
    } else {
        const int th = canvas.TextHeight("-");
        r.Box.Height = SizeSum(FractionGap(th), n.Height, d.Height);
        r.Box.Ascent = SizeSum(n.Height, FractionBarDrop(th));
    }
    return r;
}

TFormulaMetrics PaintProduct(const TermParts& p, TFormulaOrigin at, Canvas& canvas) {
    const ProductLayout r = LayOutProduct(p, canvas);
    const TFormulaMetrics& n = r.Numerator;
    const TFormulaMetrics& d = r.Denominator;
    int nx = at.X, dx = at.X;
    if (d.Width > n.Width)
        nx = at.X + (Middle(d.Width) - Middle(n.Width));
    else
        dx = at.X + (Middle(n.Width) - Middle(d.Width));
    const int th = canvas.TextHeight("-");
    PaintList(p.First, {nx, at.Y}, canvas, "*");
    PaintList(p.Second, {dx, at.Y + n.Height + FractionGap(th)}, canvas, "*");
    if (d.Width > 0) {
        // The fraction bar lies on the alignment line.
        const int pen = canvas.Pen.Width;
        canvas.Pen.Width = BarPenWidth(canvas.Font.Size(), pen);
        const int y = at.Y + n.Height + FractionBarDrop(th);
        canvas.MoveTo(at.X, y);
        canvas.LineTo(at.X + Max2(n.Width, d.Width), y);
        canvas.Pen.Width = pen;
    }
    return r.Box;
}

// ---- Calls -----------------------------------------------------------------

// The keyword constructs, each in its own file; a call without keyword is a
// plain call.
TFormulaMetrics MeasureCall(const TermParts& p, Canvas& canvas) {
    const TermCall& call = p.Call;
    return call.Keyword ? call.Keyword->Measure(call, canvas) : MeasurePlainCall(call, canvas);
}

TFormulaMetrics PaintCall(const TermParts& p, TFormulaOrigin at, Canvas& canvas) {
    const TermCall& call = p.Call;
    return call.Keyword ? call.Keyword->Paint(call, at, canvas) : PaintPlainCall(call, at, canvas);
}

// ---- Atoms ---------------------------------------------------------------

TFormulaMetrics MeasureTermAtom(std::string_view core, Canvas& canvas) {
    TFormulaMetrics m = MeasureAtom(core, canvas, true);
    m.Ascent = CentredAscent(m.Height);
    return m;
}

// The box of a recognised term without its blank room.
TFormulaMetrics MeasureCore(const TermParts& p, Canvas& canvas) {
    switch (p.Kind) {
        case TermKind::Sum: return LayOutSum(p, canvas).Box;
        case TermKind::Product: return LayOutProduct(p, canvas).Box;
        case TermKind::Juxtaposition: return MeasureList(p.First, canvas, "");
        case TermKind::Call: return MeasureCall(p, canvas);
        case TermKind::Scripts: return MeasureScripts(p.First, p.Second, canvas);
        case TermKind::Atom:
        default: return MeasureTermAtom(p.Core, canvas);
    }
}

// Paints a recognised term at (X0, Y0) and returns its box without the blank room.
TFormulaMetrics PaintCore(const TermParts& p, TFormulaOrigin at, Canvas& canvas) {
    switch (p.Kind) {
        case TermKind::Sum: return PaintSum(p, at, canvas);
        case TermKind::Product: return PaintProduct(p, at, canvas);
        case TermKind::Juxtaposition: {
            const TFormulaMetrics m = MeasureList(p.First, canvas, "");
            PaintList(p.First, at, canvas, "");
            return m;
        }
        case TermKind::Call: return PaintCall(p, at, canvas);
        case TermKind::Scripts: return PaintScripts(p.First, p.Second, at, canvas);
        case TermKind::Atom:
        default: {
            const TFormulaMetrics m = MeasureTermAtom(p.Core, canvas);
            PaintAtom(p.Core, at, canvas, true);
            return m;
        }
    }
}

// The boxes of the empty term and of a term of blanks (or empty brackets).
TFormulaMetrics MeasureEmpty(const TermParts& p, Canvas& canvas) {
    TFormulaMetrics m;
    if (p.Kind == TermKind::Empty) {
        m.Width = 1;
        m.Height = canvas.TextHeight(" ");
        m.Ascent = CentredAscent(m.Height);
        return m;
    }
    m.Width = SizeSum(BlankWidth(canvas, p.Lead), BlankWidth(canvas, p.Trail));
    m.Height = canvas.TextHeight(" ");
    m.Ascent = CentredAscent(m.Height);
    return m;
}

bool IsEmptyKind(TermKind k) { return k == TermKind::Empty || k == TermKind::EmptyCore; }

// Every construct's box gets the room of its leading and trailing blanks.
int BlankRoom(const TermParts& p, Canvas& canvas) {
    return SizeSum(BlankWidth(canvas, p.Lead), BlankWidth(canvas, p.Trail));
}

}  // namespace

// ---- Plain calls ---------------------------------------------------------

namespace {

struct CallLayout {
    TFormulaMetrics Arguments, Padded, Box;
    int NameWidth = 0;
    int NameHeight = 0;
};

CallLayout LayOutPlainCall(const TermCall& call, Canvas& canvas) {
    CallLayout c;
    c.Arguments = MeasureList(call.Arguments, canvas, ", ");
    c.Padded = PadForDelimiters(c.Arguments);
    c.NameWidth = MeasureAtom(call.Name, canvas, false).Width;
    c.Box.Width = SizeSum(c.NameWidth, c.Padded.Width);
    c.NameHeight = canvas.TextHeight(call.Name);
    if (c.Arguments.Height < c.NameHeight) {
        c.Box.Height = c.NameHeight;
        c.Box.Ascent = CentredAscent(c.NameHeight);
    } else {
        c.Box.Height = c.Arguments.Height;
        c.Box.Ascent = c.Arguments.Ascent;
    }
    return c;
}

}  // namespace

TFormulaMetrics MeasurePlainCall(const TermCall& call, Canvas& canvas) {
    return LayOutPlainCall(call, canvas).Box;
}

TFormulaMetrics PaintPlainCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    const CallLayout c = LayOutPlainCall(call, canvas);
    // The name's cell is centred on the alignment line; the brackets are the
    // ones the user typed.
    PaintAtom(call.Name, {origin.X, origin.Y + c.Box.Ascent - CentredAscent(c.NameHeight)}, canvas,
              false);
    const TDelimiterOrigin inner =
        PaintDelimiters({origin.X + c.NameWidth, origin.Y}, c.Padded, canvas, call.Brackets);
    PaintList(call.Arguments, {inner.X, inner.Y}, canvas, ", ");
    return c.Box;
}

TFormulaMetrics MeasureTerm(std::string_view term, Canvas& canvas) {
    return Memoized(canvas, MemoRoutine::Term, term, [&] {
        const TermParts p = RecogniseTerm(term);
        if (IsEmptyKind(p.Kind)) return MeasureEmpty(p, canvas);
        TFormulaMetrics m = MeasureCore(p, canvas);
        m.Width = SizeSum(m.Width, BlankRoom(p, canvas));
        return m;
    });
}

TFormulaMetrics PaintTerm(std::string_view term, TFormulaOrigin origin, Canvas& canvas) {
    const TermParts p = RecogniseTerm(term);
    if (IsEmptyKind(p.Kind)) return MeasureEmpty(p, canvas);
    const TFormulaOrigin at{origin.X + BlankWidth(canvas, p.Lead), origin.Y};
    TFormulaMetrics m = PaintCore(p, at, canvas);
    m.Width = SizeSum(m.Width, BlankRoom(p, canvas));
    return m;
}

}  // namespace nerovan
