// Greek letters and special signs named by backslash escapes inside atoms:
// `\alpha`, `\a`, `\OMEGA`, `\Omline` from the text font in code page 1253,
// and the 19 signs `\pm`, `\bb`, `\BB`, `\ox`, `\oxx`, `\LL`... from the font
// "Symbol", drawn centred on the middle of the text font's cell.
#include "symbols.h"

#include <cstddef>

#include "style.h"

namespace nerovan {

const char* const SymbolFontName = "Symbol";

const uint8_t GreekSmallLetters[26] = {
    0xE1, 0xE2, 0xFA, 0xE4, 0xE5, 0xF6, 0xE3, 0xF7, 0xE9, 0x3F, 0xEA, 0xEB, 0xEC,
    0xED, 0xEF, 0xF0, 0x3F, 0xF1, 0xF3, 0xF4, 0xF5, 0x3F, 0xF9, 0xEE, 0x3F, 0xE6,
};

const uint8_t GreekCapitalLetters[26] = {
    0xC1, 0xC2, 0xDA, 0xC4, 0xC5, 0xD6, 0xC3, 0xD7, 0xC9, 0x3F, 0xCA, 0xCB, 0xCC,
    0xCD, 0xCF, 0xD0, 0x3F, 0xD1, 0xD3, 0xD4, 0xD5, 0x3F, 0xD9, 0xCE, 0x3F, 0xC6,
};

namespace {

constexpr uint8_t kNoGreekLetter = 0x3F;  // '?'

// Names are views, so a comparison with a piece checks the length first.
struct SymbolEscape {
    std::string_view Name;
    uint8_t Byte;
};

// Bytes of the Symbol font's own character set.
const SymbolEscape kSymbolEscapes[] = {
    {"ww", 0xD9},   // logical and
    {"vv", 0xDA},   // logical or
    {"dd", 0xB6},   // partial differential
    {"xx", 0xB4},   // multiplication sign
    {"pm", 0xB1},   // plus-minus
    {"oo", 0xB0},   // degree
    {"omc", 0xB8},  // division sign
    {"YY", 0xA1},   // capital upsilon with hook
    {"BB", 0xA5},   // infinity
    {"bb", 0xA5},   // infinity
    {"ff", 0xA6},   // florin, the function sign
    {"HH", 0xC0},   // alef
    {"TT", 0xC1},   // black-letter I, imaginary part
    {"RR", 0xC2},   // black-letter R, real part
    {"PP", 0xC3},   // Weierstrass p
    {"ox", 0xC4},   // circled times
    {"oxx", 0xC5},  // circled plus
    {"OO", 0xC6},   // empty set
    {"LL", 0xD0},   // angle
};

// A Greek letter named in full: its small byte and its capital byte.
struct GreekName {
    std::string_view Name;
    uint8_t Small;
    uint8_t Capital;
};

// The capitals are written with the same names starting with a capital
// letter. Iota, kappa and omicron take their long capital names too
// (`\Yota`, `\Kappa`, `\Omicron`), like every other letter; their single
// letters `\I`, `\K`, `\O` give the same bytes.
// clang-format off
const GreekName kGreekNames[] = {
    {"alpha", 0xE1, 0xC1},   {"beta", 0xE2, 0xC2},   {"gamma", 0xE3, 0xC3},
    {"delta", 0xE4, 0xC4},   {"epsilon", 0xE5, 0xC5}, {"dzeta", 0xE6, 0xC6},
    {"etha", 0xE7, 0xC7},    {"tetha", 0xE8, 0xC8},  {"yota", 0xE9, 0xC9},
    {"kappa", 0xEA, 0xCA},   {"lambda", 0xEB, 0xCB}, {"mu", 0xEC, 0xCC},
    {"nu", 0xED, 0xCD},      {"ksi", 0xEE, 0xCE},    {"omicron", 0xEF, 0xCF},
    {"pi", 0xF0, 0xD0},      {"ro", 0xF1, 0xD1},     {"omline", 0xF2, 0xD2},
    {"sigma", 0xF3, 0xD3},   {"fi", 0xF6, 0xD6},     {"hi", 0xF7, 0xD7},
    {"psi", 0xF8, 0xD8},     {"omega", 0xF9, 0xD9},
};
// clang-format on

char ToSmallLatin(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether a piece is the name: the length and the first letter rule out
// nearly every other name before the bytes are compared.
bool IsName(std::string_view piece, std::string_view name) {
    return piece.size() == name.size() && !piece.empty() && piece[0] == name[0] && piece == name;
}

[[noreturn]] void RaiseInvalidGreek(std::string_view reported) {
    throw EInvalidToken("Invalid greek symbol in \"" + std::string(reported) + "\"");
}

// The font changes of one glyph, undone by Restore: a Symbol sign switches
// the font name (charset 1), a Greek letter the charset. Size, style and
// colour are never touched.
class GlyphFont {
public:
    GlyphFont(const TNamedGlyph& glyph, Canvas& canvas)
        : canvas_(canvas), name_(canvas.Font.Name), symbol_(glyph.Symbol) {
        canvas_.Font.Charset = symbol_ ? DEFAULT_CHARSET : GREEK_CHARSET;
    }
    // Switches to the glyph's own font (a no-op for a Greek letter, which
    // only needs its charset).
    void Select() {
        if (symbol_) canvas_.Font.Name = SymbolFontName;
    }
    ~GlyphFont() {
        canvas_.Font.Name = name_;
        canvas_.Font.Charset = DEFAULT_CHARSET;
    }
    GlyphFont(const GlyphFont&) = delete;
    GlyphFont& operator=(const GlyphFont&) = delete;

private:
    Canvas& canvas_;
    std::string name_;
    bool symbol_;
};

}  // namespace

bool IsLatinLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsSmallLatinLetter(char c) { return c >= 'a' && c <= 'z'; }

bool DecodeSymbolEscape(std::string_view name, uint8_t& byte) {
    for (const SymbolEscape& e : kSymbolEscapes) {
        if (IsName(name, e.Name)) {
            byte = e.Byte;
            return true;
        }
    }
    return false;
}

uint8_t DecodeGreek(std::string_view name) {
    if (name.empty()) RaiseInvalidGreek(name);
    if (name.size() == 1) {
        const char c = name[0];
        if (!IsLatinLetter(c)) RaiseInvalidGreek(name);
        const bool small = IsSmallLatinLetter(c);
        const char letter = ToSmallLatin(c);
        const uint8_t byte = (small ? GreekSmallLetters
                                    : GreekCapitalLetters)[static_cast<std::size_t>(letter - 'a')];
        if (byte == kNoGreekLetter) RaiseInvalidGreek(std::string(1, letter));
        return byte;
    }
    if (IsSmallLatinLetter(name[0])) {
        for (const GreekName& g : kGreekNames)
            if (IsName(name, g.Name)) return g.Small;
        RaiseInvalidGreek(name);
    }
    // A capital: the rest of the name may be in either case.
    std::string small(name);
    for (char& c : small) c = ToSmallLatin(c);
    for (const GreekName& g : kGreekNames)
        if (IsName(small, g.Name)) return g.Capital;
    RaiseInvalidGreek(small);
}

TNamedGlyph ResolveNamedGlyph(std::string_view name) {
    TNamedGlyph glyph;
    if (DecodeSymbolEscape(name, glyph.Byte)) {
        glyph.Symbol = true;
        return glyph;
    }
    glyph.Byte = DecodeGreek(name);
    return glyph;
}

int MeasureNamedGlyph(std::string_view name, Canvas& canvas) {
    const TNamedGlyph glyph = ResolveNamedGlyph(name);
    GlyphFont font(glyph, canvas);
    font.Select();
    return canvas.TextWidth(std::string(1, static_cast<char>(glyph.Byte)));
}

int PaintNamedGlyph(std::string_view name, TFormulaOrigin pen, Canvas& canvas) {
    const TNamedGlyph glyph = ResolveNamedGlyph(name);
    GlyphFont font(glyph, canvas);
    const std::string text(1, static_cast<char>(glyph.Byte));
    int y = pen.Y;
    if (glyph.Symbol) {
        // Centred on the middle of the text font's cell, the atom's
        // alignment line.
        const int half = CentredAscent(canvas.TextHeight("1"));
        font.Select();
        y += half - CentredAscent(canvas.TextHeight(text));
    }
    canvas.TextOut(pen.X, y, text);
    return canvas.TextWidth(text);
}

TFormulaMetrics MeasureNamedGlyphBox(std::string_view name, Canvas& canvas) {
    const TNamedGlyph glyph = ResolveNamedGlyph(name);
    GlyphFont font(glyph, canvas);
    font.Select();
    const std::string text(1, static_cast<char>(glyph.Byte));
    TFormulaMetrics m;
    m.Width = canvas.TextWidth(text);
    m.Height = canvas.TextHeight(text);
    m.Ascent = CentredAscent(m.Height);
    return m;
}

}  // namespace nerovan
