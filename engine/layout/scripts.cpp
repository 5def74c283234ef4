// Superscripts and subscripts: `x^2`, `x_i`, `x^2_i`, `x^2^3`, `x^(y^z)`,
// `(a+b)^2`. The base keeps the term's alignment line; the superscript
// column sits above and the subscript column below it, both at the script
// size, both starting right of the base.
#include "scripts.h"

#include "delimiters.h"
#include "expression.h"
#include "list.h"
#include "scanners.h"
#include "style.h"
#include "term.h"

namespace nerovan {

bool NeedsBaseBrackets(std::string_view b) {
    // The base without its outer brackets; blanks around it stay, so only a
    // base with blanks needs a string of its own.
    const TTrimmedBlanks trimmed = TrimBlanks(b);
    std::string padded;
    std::string_view t = InsideOuterBrackets(trimmed.Core);
    if (trimmed.Lead > 0 || trimmed.Trail > 0) {
        padded = StripOuterBrackets(b);
        t = padded;
    }
    std::string_view name;
    std::string brackets;
    PieceList arguments;
    // A bracket group draws its own brackets, which the script would seem to
    // belong to alone; a named call such as `f(x)` is one unit.
    if (SplitCall(t, name, arguments, brackets)) return name.empty();
    BracketDepth depth;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const bool escaped = i > 0 && t[i - 1] == '\\';
        if (depth.Step(c) != 0 || escaped) continue;
        switch (c) {
            case '*':
            case '+':
            case '-':
            case '/':
            case '^':
            case '_': return true;
            default: break;
        }
    }
    return false;
}

namespace {

// The boxes of base and columns and where each goes, measured from the
// top-left corner of the construct; shared by both passes.
struct ScriptsLayout {
    std::string_view Base;  // a view into the term
    PieceList Superscripts;
    TFormulaMetrics BaseBox;  // with the room of its parentheses when they are drawn
    bool Parenthesised = false;
    TFormulaMetrics SuperscriptBox, SubscriptBox;  // at the script size
    int BaseTop = 0, SuperscriptTop = 0, SubscriptTop = 0;
    TFormulaMetrics Box;
};

// A script column shorter than the base's ascent or descent on its side
// reaches a third of its height beyond the base (above it for superscripts,
// below it for subscripts); the other two thirds lie against the base.
int ScriptOverhang(int column) { return column / 3; }
int ScriptOverlap(int column) { return (2 * column) / 3; }

// Sets the canvas font to the script size of the current size; the caller
// holds a CanvasStateGuard that puts the size back.
void UseScriptSize(Canvas& canvas) { canvas.Font.SetSize(ScriptSize(canvas.Font.Size())); }

ScriptsLayout LayOutScripts(const PieceList& baseAndSuperscripts, const PieceList& subscripts,
                            Canvas& canvas) {
    // The atoms of the base reset the charset and the italic bit; the
    // construct hands the font back as it found it.
    CanvasStateGuard guard(canvas);
    ScriptsLayout s;
    if (!baseAndSuperscripts.empty()) {
        s.Base = baseAndSuperscripts.front();
        s.Superscripts.assign(baseAndSuperscripts.begin() + 1, baseAndSuperscripts.end());
    }
    s.BaseBox = MeasureExpression(s.Base, canvas);
    s.Parenthesised = !s.Base.empty() && NeedsBaseBrackets(s.Base);
    if (s.Parenthesised) s.BaseBox = PadForDelimiters(s.BaseBox);
    {
        CanvasStateGuard scriptSize(canvas);
        UseScriptSize(canvas);
        // Superscripts after one another multiply ((x^a)^b is x^(ab)), so they
        // are set as a product; subscripts are a row of indices, blank apart.
        s.SuperscriptBox = MeasureList(s.Superscripts, canvas, "*");
        s.SubscriptBox = MeasureList(subscripts, canvas, " ");
    }
    const int w0 = s.BaseBox.Width, h0 = s.BaseBox.Height, a0 = s.BaseBox.Ascent;
    const int d0 = h0 - a0;
    const int hsup = s.SuperscriptBox.Height, hsub = s.SubscriptBox.Height;

    // A superscript column taller than the base's ascent sets the ascent;
    // a shorter one lifts the term by a third of its height over a base
    // whose descent is at least its ascent, and over a base with a taller
    // upper part only as far as it reaches above that part.
    int ascent;
    if (hsup > a0)
        ascent = hsup;
    else if (d0 < a0)
        ascent = Max2(a0, SizeSum(d0, ScriptOverhang(hsup)));
    else
        ascent = SizeSum(a0, ScriptOverhang(hsup));
    int height = SizeSum(ascent, d0);
    if (hsub > d0)
        height = SizeSum(ascent, hsub);
    else if (ScriptOverhang(hsub) >= d0 - a0)
        height = SizeSum(height, ScriptOverhang(hsub));

    s.Box = {SizeSum(w0, Max2(s.SuperscriptBox.Width, s.SubscriptBox.Width)), height, ascent};
    // The base's alignment line lies on the term's alignment line.
    s.BaseTop = ascent - a0;

    // A subscript column taller than the base's descent hangs from the
    // alignment line; a shorter one is lowered so that about a third of it
    // lies below the base. A base deeper below its line than above it counts
    // as mirrored about the line (2 a0 high), so that subscript stays by the
    // line instead of sinking with the depth.
    if (hsub > d0)
        s.SubscriptTop = s.BaseTop + a0;
    else if (a0 >= d0)
        s.SubscriptTop = s.BaseTop + h0 - ScriptOverlap(hsub);
    else
        s.SubscriptTop = s.BaseTop + 2 * a0 - ScriptOverlap(hsub);

    if (hsup > a0)
        s.SuperscriptTop = 0;
    else if (d0 < a0 && ScriptOverhang(hsup) < a0 - d0)
        s.SuperscriptTop = hsup < d0 ? a0 - d0 - ScriptOverhang(hsup) : a0 - hsup;
    else
        s.SuperscriptTop = 0;
    return s;
}

}  // namespace

TFormulaMetrics MeasureScripts(const PieceList& baseAndSuperscripts, const PieceList& subscripts,
                               Canvas& canvas) {
    return LayOutScripts(baseAndSuperscripts, subscripts, canvas).Box;
}

TFormulaMetrics PaintScripts(const PieceList& baseAndSuperscripts, const PieceList& subscripts,
                             TFormulaOrigin origin, Canvas& canvas) {
    CanvasStateGuard guard(canvas);
    const ScriptsLayout s = LayOutScripts(baseAndSuperscripts, subscripts, canvas);
    TFormulaOrigin base{origin.X, origin.Y + s.BaseTop};
    if (s.Parenthesised) {
        const TDelimiterOrigin inner = PaintDelimiters(base, s.BaseBox, canvas, "()");
        base = {inner.X, inner.Y};
    }
    PaintExpression(s.Base, base, canvas);

    UseScriptSize(canvas);
    const int columnLeft = origin.X + s.BaseBox.Width;
    PaintList(subscripts, {columnLeft, origin.Y + s.SubscriptTop}, canvas, " ");
    PaintList(s.Superscripts, {columnLeft, origin.Y + s.SuperscriptTop}, canvas, "*");
    return s.Box;
}

}  // namespace nerovan
