// Atoms: runs of ordinary characters (`x2`, `sin`, `12.5`, italic letters,
// upright function names) and atoms with escapes (`\alpha2`, `a\pm1`, `\.x`),
// walked left to right, each escape's rest laid out again as an atom; name
// escapes become Greek letters and signs, accent marks go over their base.
#include "atom.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "accent.h"
#include "scanners.h"
#include "style.h"
#include "symbols.h"

namespace nerovan {

namespace {

// ---- The escapes' own glyphs ----------------------------------------------
// The atom walk reaches the glyph of a name escape and the mark of an accent
// only through these three functions.

// Width of the glyph a name escape stands for: a Greek letter or a sign of
// the font "Symbol". Raises the Greek error for a name that is neither.
int MeasureNameEscape(std::string_view name, Canvas& canvas) {
    return MeasureNamedGlyph(name, canvas);
}

// Draws the glyph of a name escape with its place's top-left corner at pen
// and returns the advance, the width MeasureNameEscape gives.
int PaintNameEscape(std::string_view name, TFormulaOrigin pen, Canvas& canvas) {
    return PaintNamedGlyph(name, pen, canvas);
}

// Draws the accent mark over the first glyph of rest (the atom from the base
// character on) at pen; base is the rest's own base, AccentBase(rest). The
// mark takes no room; the base itself is drawn by the walk as part of rest.
void PaintAccentMark(char mark, std::string_view rest, std::string_view base, TFormulaOrigin pen,
                     Canvas& canvas, bool italicSwitch) {
    PaintAccent(mark, rest, base, pen, canvas, italicSwitch);
}

// ---- Characters -----------------------------------------------------------

// Letters of an escape name: Latin only.
bool IsEscapeNameLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// ---- One level of the atom walk ---------------------------------------------
// A level is the atom from some position on: a leading run up to the first
// backslash, then at most one escape, then the rest, which is the next level.

enum class TAtomEscape {
    None,             // no backslash, or a backslash as the last character
    Accent,           // mark and base; the rest starts at the base
    Name,             // Latin letters; the rest starts after them
    InvalidSelector,  // a backslash or anything but a mark or a Latin letter,
                      // or a mark whose base is a lone final backslash
    MarkAtEnd,        // an accent mark with no base
};

struct TAtomStep {
    std::size_t LeadEnd = 0;  // the backslash, or the end of the atom
    TAtomEscape Escape = TAtomEscape::None;
    std::size_t Rest = 0;  // where the next level starts (Accent, Name)
};

TAtomStep ScanAtomStep(std::string_view atom, std::size_t pos) {
    TAtomStep step;
    const std::size_t slash = atom.find('\\', pos);
    step.LeadEnd = slash == std::string::npos ? atom.size() : slash;
    if (slash == std::string::npos || slash + 1 == atom.size()) return step;
    const char selector = atom[slash + 1];
    if (selector == '\\') {
        step.Escape = TAtomEscape::InvalidSelector;
    } else if (IsAccentMark(selector)) {
        step.Escape = slash + 2 == atom.size() ? TAtomEscape::MarkAtEnd : TAtomEscape::Accent;
        step.Rest = slash + 2;
        // A base that is a lone final backslash has no glyph to put the mark
        // over: raised by the measuring pass, before anything is drawn.
        if (slash + 3 == atom.size() && atom[slash + 2] == '\\')
            step.Escape = TAtomEscape::InvalidSelector;
    } else if (IsEscapeNameLetter(selector)) {
        step.Escape = TAtomEscape::Name;
        step.Rest = slash + 1;
        while (step.Rest < atom.size() && IsEscapeNameLetter(atom[step.Rest])) ++step.Rest;
    } else {
        step.Escape = TAtomEscape::InvalidSelector;
    }
    return step;
}

// Raises the error of a level that cannot be laid out; level is the atom from
// pos on, the string the message quotes.
void CheckAtomStep(const TAtomStep& step, std::string_view atom, std::size_t pos) {
    if (step.Escape == TAtomEscape::InvalidSelector)
        throw EInvalidToken("Invalid token in\"" + std::string(atom.substr(pos)) + "\"");
    if (step.Escape == TAtomEscape::MarkAtEnd)
        throw EInvalidToken("Invalid token in \"" + std::string(atom.substr(pos)) + "\"");
}

std::string_view EscapeName(const TAtomStep& step, std::string_view atom) {
    return atom.substr(step.LeadEnd + 1, step.Rest - step.LeadEnd - 1);
}

}  // namespace

// The letters of an upright function name are measured in italic, though
// PaintTextRun draws them upright: the name's box is that of the same letters
// anywhere else, and the upright letters fit inside it.
TFormulaMetrics MeasureTextRun(std::string_view run, Canvas& canvas, bool italicSwitch) {
    TFormulaMetrics m;
    canvas.Font.Charset = DEFAULT_CHARSET;
    if (run.empty()) {
        m.Height = canvas.TextHeight("A");
        return m;
    }
    std::string one(1, run[0]);
    m.Height = canvas.TextHeight(one);
    int advance = 0;
    for (const char c : run) {
        canvas.Font.Charset = DEFAULT_CHARSET;
        if (italicSwitch) SetItalic(canvas, IsItalicLetter(c));
        one[0] = c;
        advance = SizeSum(advance, canvas.TextWidth(one));
        m.Height = std::max(m.Height, canvas.TextHeight(one));
    }
    m.Width = SizeSum(advance, kAtomLevelRoom);
    canvas.Font.Charset = DEFAULT_CHARSET;
    if (italicSwitch) SetItalic(canvas, false);
    return m;
}

void PaintTextRun(std::string_view run, TFormulaOrigin origin, Canvas& canvas, bool italicSwitch) {
    if (run.empty()) return;
    canvas.Font.Charset = DEFAULT_CHARSET;
    const bool upright = IsUprightFunctionName(run);
    std::string one(1, ' ');
    int advance = 0;
    for (const char c : run) {
        canvas.Font.Charset = DEFAULT_CHARSET;
        if (italicSwitch) {
            // A function name's letters keep the style the font came with.
            if (!IsItalicLetter(c))
                SetItalic(canvas, false);
            else if (!upright)
                SetItalic(canvas, true);
        }
        one[0] = c;
        canvas.TextOut(origin.X + advance, origin.Y, one);
        advance += canvas.TextWidth(one);
    }
    if (italicSwitch) SetItalic(canvas, false);
    canvas.Font.Charset = DEFAULT_CHARSET;
}

// Every level that goes on after an escape is the rest of the atom laid out
// again as an atom, so it adds its own 2 pixels. The levels are walked in a
// loop rather than by recursion: a long chain of escapes costs neither stack
// depth nor copies of the rest.
TFormulaMetrics MeasureAtom(std::string_view atom, Canvas& canvas, bool italicSwitch) {
    TFormulaMetrics m;
    if (atom.empty()) return m;
    // A level without a backslash, plain text or not, measures as its run.
    std::size_t pos = 0;
    for (;;) {
        const TAtomStep step = ScanAtomStep(atom, pos);
        const TFormulaMetrics lead =
            MeasureTextRun(atom.substr(pos, step.LeadEnd - pos), canvas, italicSwitch);
        m.Width = SizeSum(m.Width, lead.Width);
        m.Height = std::max(m.Height, lead.Height);
        CheckAtomStep(step, atom, pos);
        if (step.Escape == TAtomEscape::None) break;
        // The accent mark takes no room; its base starts the rest.
        if (step.Escape == TAtomEscape::Name)
            m.Width = SizeSum(m.Width, MeasureNameEscape(EscapeName(step, atom), canvas));
        m.Width = SizeSum(m.Width, kAtomLevelRoom);
        if (step.Rest == atom.size()) break;
        pos = step.Rest;
    }
    return m;
}

void PaintAtom(std::string_view atom, TFormulaOrigin origin, Canvas& canvas, bool italicSwitch) {
    TFormulaOrigin pen = origin;
    std::size_t pos = 0;
    // Where the base of the chain of accents being drawn starts: found once
    // at the chain's first mark, so a long chain is drawn in linear time.
    std::size_t base = 0;
    for (;;) {
        const TAtomStep step = ScanAtomStep(atom, pos);
        const std::string_view lead = atom.substr(pos, step.LeadEnd - pos);
        // A level is plain text only when it has no backslash; then it is one
        // run.
        if (step.LeadEnd == atom.size() && IsPlainText(lead)) {
            PaintTextRun(lead, pen, canvas, italicSwitch);
            return;
        }
        const int leadWidth = MeasureTextRun(lead, canvas, italicSwitch).Width;
        PaintTextRun(lead, pen, canvas, italicSwitch);
        pen.X += leadWidth;
        CheckAtomStep(step, atom, pos);
        switch (step.Escape) {
            case TAtomEscape::None: return;
            case TAtomEscape::Accent:
                // The rest is drawn from the base on at this pen; nothing of
                // this level follows it, so its width is not needed here.
                if (base < step.Rest)
                    base = atom.size() - AccentBase(atom.substr(step.Rest)).size();
                PaintAccentMark(atom[step.LeadEnd + 1], atom.substr(step.Rest), atom.substr(base),
                                pen, canvas, italicSwitch);
                break;
            case TAtomEscape::Name:
                pen.X += PaintNameEscape(EscapeName(step, atom), pen, canvas);
                if (step.Rest == atom.size()) return;
                break;
            default: return;  // raised by CheckAtomStep
        }
        pos = step.Rest;
    }
}

}  // namespace nerovan
