// Accents over the next glyph of an atom: `\.x`, `\:a`, `\-A`, `\~n`, `\^x`,
// `\0a`, over an escape (`\.\alpha`, `\^\S`) or another accent (`\.\.x`).
// The mark is the part of an accented Latin letter above its plain letter's
// ink, centred over the base's width; the base is drawn by the atom walk.
#include "accent.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "atom.h"
#include "style.h"
#include "symbols.h"

namespace nerovan {

namespace {

// The accented letter of a mark in a capital form (over tall bases) and a
// small form, with its plain letter, in the code page that holds them.
struct AccentForm {
    char Mark;
    uint8_t Charset;
    char TallAccented;
    char TallPlain;
    char ShortAccented;
    char ShortPlain;
};

const AccentForm kAccentForms[] = {
    {'.', BALTIC_CHARSET, '\xCB', 'E', '\xEB', 'e'},  // E/e with dot above (1257)
    {':', ANSI_CHARSET, '\xC4', 'A', '\xE4', 'a'},    // A/a with diaeresis
    {'-', BALTIC_CHARSET, '\xDB', 'U', '\xFB', 'u'},  // U/u with macron (1257)
    {'~', ANSI_CHARSET, '\xC3', 'A', '\xE3', 'a'},    // A/a with tilde
    {'^', ANSI_CHARSET, '\xC2', 'A', '\xE2', 'a'},    // A/a with circumflex
    {'0', ANSI_CHARSET, '\xC5', 'A', '\xE5', 'a'},    // A/a with ring above
};

// Each accent of a chain is written as two characters, a backslash and its
// mark, so a chain's length tells how many accents it holds.
constexpr std::size_t kAccentEscapeLength = 2;

// How far sideways a mark may ink beyond its letter's cell: half an em.
int MarkSideRoom(int em) { return em / 2; }

const AccentForm& FormOf(char mark) {
    for (const AccentForm& f : kAccentForms)
        if (f.Mark == mark) return f;
    return kAccentForms[0];  // the walk passes marks only
}

// With letters italic, the mark takes the style its base character is drawn
// in by the text run that starts at rest: a letter leans unless the run is
// an upright function name (then it keeps the font's style), anything else
// is upright. An escape base keeps the font's style; `\i`, I, i and j carry
// an upright mark.
void SetMarkStyle(std::string_view rest, Canvas& canvas) {
    const char base = rest[0];
    const char next = rest.size() > 1 ? rest[1] : '\0';
    if (IsUprightAccentBase(base, next)) {
        SetItalic(canvas, false);
        return;
    }
    if (base == '\\') return;
    if (!IsItalicLetter(base)) {
        SetItalic(canvas, false);
        return;
    }
    if (!IsUprightFunctionName(rest.substr(0, rest.find('\\')))) SetItalic(canvas, true);
}

// How far right of the pen the atom's box is sure to reach: the 2 pixels of
// the accent's own level, 2 more for each of the nested accents between it
// and its base, and the base glyph as the measuring pass measures it (in the
// style the atom had there, a letter of a run in italic when letters are
// italic) with the 2 pixels of its level. base is valid. Leaves the style at
// style.
int RoomRightOfPen(std::string_view base, std::size_t nested, Canvas& canvas, bool italicSwitch,
                   TFontStyles style) {
    const int room = kAtomLevelRoom + kAtomLevelRoom * static_cast<int>(nested);
    canvas.Font.Style = style;
    if (base[0] == '\\') {
        std::size_t end = 1;
        while (end < base.size() && IsLatinLetter(base[end])) ++end;
        return room + MeasureNamedGlyph(std::string(base.substr(1, end - 1)), canvas) +
               kAtomLevelRoom;
    }
    if (italicSwitch) SetItalic(canvas, IsItalicLetter(base[0]));
    const int glyph = canvas.TextWidth(std::string(1, base[0]));
    canvas.Font.Style = style;
    return room + glyph + kAtomLevelRoom;
}

[[noreturn]] void RaiseInvalidToken(std::string_view s) {
    throw EInvalidToken("Invalid token in\"" + std::string(s) + "\"");
}

}  // namespace

bool IsTallAccentBase(char base, char next) {
    if (base != '\\') return !(base != '\0' && std::strchr("acegmnopqrsuvwxyz", base));
    return !(next != '\0' && std::strchr("aceghijkmnoprstuvwy", next));
}

bool IsUprightAccentBase(char base, char next) {
    return base == 'I' || base == 'i' || base == 'j' || (base == '\\' && next == 'i');
}

std::string_view AccentBase(std::string_view s) {
    // Nested accents are followed in a loop: `\\.\\.\\.x` costs no stack.
    while (s.size() > 1 && s[0] == '\\' && IsAccentMark(s[1])) {
        if (s.size() == 2) throw EInvalidToken("Invalid token in \"" + std::string(s) + "\"");
        if (s.substr(2) == "\\") RaiseInvalidToken(s);
        s.remove_prefix(2);
    }
    return s;
}

TFormulaMetrics MeasureFirstGlyph(std::string_view s, Canvas& canvas) {
    TFormulaMetrics m;
    s = AccentBase(s);  // an accent's first glyph is its base's
    if (s.empty()) return m;
    if (s[0] != '\\') {
        const std::string one(1, s[0]);
        m.Width = canvas.TextWidth(one);
        m.Height = canvas.TextHeight(one);
        m.Ascent = CentredAscent(m.Height);
        return m;
    }
    // A lone backslash has no glyph; a second backslash is no escape.
    if (s.size() == 1 || s[1] == '\\' || !IsLatinLetter(s[1])) RaiseInvalidToken(s);
    std::size_t end = 1;
    while (end < s.size() && IsLatinLetter(s[end])) ++end;
    return MeasureNamedGlyphBox(std::string(s.substr(1, end - 1)), canvas);
}

void PaintAccent(char mark, std::string_view rest, TFormulaOrigin pen, Canvas& canvas,
                 bool italicSwitch) {
    if (rest.empty()) return;
    PaintAccent(mark, rest, AccentBase(rest), pen, canvas, italicSwitch);
}

void PaintAccent(char mark, std::string_view rest, std::string_view base, TFormulaOrigin pen,
                 Canvas& canvas, bool italicSwitch) {
    if (rest.empty()) return;
    {
        CanvasStateGuard guard(canvas);
        const char first = rest[0];
        const char next = rest.size() > 1 ? rest[1] : '\0';
        const TFontStyles style = canvas.Font.Style;
        if (italicSwitch) SetMarkStyle(rest, canvas);
        // The base and what is measured of it come from base, found once for
        // a whole chain of accents: each mark costs the same whatever its depth.
        const int baseWidth = MeasureFirstGlyph(base, canvas).Width;
        const TFontStyles markStyle = canvas.Font.Style;
        const int room = RoomRightOfPen(base, (rest.size() - base.size()) / kAccentEscapeLength,
                                        canvas, italicSwitch, style);
        canvas.Font.Style = markStyle;

        const AccentForm& form = FormOf(mark);
        const bool tall = IsTallAccentBase(first, next);
        canvas.Font.Charset = form.Charset;
        const std::string accented(1, tall ? form.TallAccented : form.ShortAccented);
        const std::string plain(1, tall ? form.TallPlain : form.ShortPlain);
        const int accentedWidth = canvas.TextWidth(accented);
        const int x = pen.X + Middle(baseWidth) - Middle(accentedWidth);
        // Only the rows above the plain letter's first ink row: they hold the
        // mark and nothing of the letter's body. Sideways the mark keeps
        // half an em beyond the letter's cell, room for an italic mark's
        // lean, but never passes the right end of the atom's box (an italic
        // capital's bar is wider than a narrow base such as f).
        const int side = MarkSideRoom(canvas.EmPixels());
        const TRect clip{x - side, pen.Y, std::min(x + accentedWidth + side, pen.X + room),
                         pen.Y + canvas.InkTop(plain)};
        if (clip.Bottom > clip.Top) canvas.TextOutClipped(x, pen.Y, accented, clip);
    }
    // The font is back as it was (the style included, so an escape base such
    // as `\i` is laid out in the style it was measured in); the charset is 1.
    canvas.Font.Charset = DEFAULT_CHARSET;
}

}  // namespace nerovan
