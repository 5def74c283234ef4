// Big operators: `sum(...)`, `mul(...)`, `int(...)` to `int30(...)`,
// `lim(...)` and `inf(...)`. The glyph stands centred on the alignment line
// with the lower limit hanging from its cell and the upper limit above it,
// both at the script size; the body follows to the right as a term.
#include "big_operator.h"

#include <algorithm>

#include "delimiters.h"
#include "expression.h"
#include "style.h"

namespace nerovan {

namespace {

const char kSymbolFont[] = "Symbol";
const char kSummationSign[] = "\xE5";
const char kIntegralSign[] = "\xF2";

// The enlarged signs stand taller than the letters beside them: thirteen
// tenths of the text size (whole points, rounded down).
constexpr int kEnlargedSignTenths = 13;

// How far above the alignment line the upper limit's bottom stands, in
// tenths of the glyph's half cell: eight over the integrals and the operator
// names, six over the summation and product signs, whose ink starts further
// down their cell than an integral's tall stroke.
constexpr int kUpperLimitRiseTenths = 8;
constexpr int kWideTopUpperLimitRiseTenths = 6;

// The glyph's font: "Symbol" at 13/10 of the size for the enlarged signs,
// the text font itself for operator names.
void SelectGlyphFont(Canvas& canvas, const TFont& text_font, bool enlarged) {
    canvas.Font = text_font;
    if (!enlarged) return;
    canvas.Font.Name = kSymbolFont;
    canvas.Font.SetSize(text_font.Size() * kEnlargedSignTenths / 10);
}

void SelectScriptFont(Canvas& canvas, const TFont& text_font) {
    canvas.Font = text_font;
    canvas.Font.SetSize(ScriptSize(text_font.Size()));
}

// Every box and offset of the construct, relative to the top-left corner of
// its box, computed the same way for both passes.
struct BigOperatorLayout {
    int Count = 1;                        // 1: body; 2: lower limit, body; 3: both limits, body
    std::string_view Body, Lower, Upper;  // views into the call's term
    bool BodyParenthesised = false;
    TFormulaMetrics BodyBox;  // with the room for parentheses when they are drawn
    TFormulaMetrics LowerBox, UpperBox;
    int GlyphWidth = 0, GlyphHeight = 0, GlyphAscent = 0;
    bool Ring = false;
    TRect RingRect;
    TFormulaOrigin GlyphAt, LowerAt, UpperAt, BodyAt;
    TFormulaMetrics Box;
};

BigOperatorLayout LayOutBigOperator(const PieceList& arguments, Canvas& canvas,
                                    std::string_view glyph, bool enlarged, bool circle) {
    BigOperatorLayout l;
    l.Count = static_cast<int>(std::min<size_t>(std::max<size_t>(arguments.size(), 1), 3));
    if (!arguments.empty()) l.Body = arguments[l.Count - 1];
    if (l.Count >= 2) l.Lower = arguments[0];
    if (l.Count >= 3) l.Upper = arguments[1];

    // The body is a term: a relation sign in it is not a row of the chain.
    l.BodyBox = MeasureTerm(l.Body, canvas);
    l.BodyParenthesised = HasTopLevelSign(l.Body);
    if (l.BodyParenthesised) l.BodyBox = PadForDelimiters(l.BodyBox);

    {
        const TFont text_font = canvas.Font;
        CanvasStateGuard guard(canvas);
        SelectGlyphFont(canvas, text_font, enlarged);
        l.GlyphWidth = canvas.TextWidth(glyph);
        l.GlyphHeight = canvas.TextHeight(glyph);
        l.GlyphAscent = CentredAscent(l.GlyphHeight);
        SelectScriptFont(canvas, text_font);
        if (l.Count >= 2) l.LowerBox = MeasureExpression(l.Lower, canvas);
        if (l.Count >= 3) l.UpperBox = MeasureExpression(l.Upper, canvas);
    }

    const int gw = l.GlyphWidth, gh = l.GlyphHeight, ga = l.GlyphAscent;
    const TFormulaMetrics& body = l.BodyBox;
    const TFormulaMetrics& low = l.LowerBox;
    const TFormulaMetrics& up = l.UpperBox;

    // The ring reaches one pixel beyond the glyph on each side; its room is
    // part of the glyph column, so the outline stays inside the box.
    l.Ring = circle && l.Count <= 2;
    const int glyph_room = gw + (l.Ring ? 2 : 0);

    int column = glyph_room, ascent = 0, descent = 0, raise = 0;
    switch (l.Count) {
        case 1:
            ascent = Max2(body.Ascent, ga);
            descent = Max2(body.Height - body.Ascent, gh - ga);
            break;
        case 2:
            column = Max2(low.Width, glyph_room);
            ascent = Max2(body.Ascent, ga);
            descent = Max2(body.Height - body.Ascent, SizeSum(gh, low.Height, -ga));
            break;
        default:
            column = Max3(low.Width, up.Width, gw);
            // The body sits one pixel higher next to two limits; the box
            // takes that pixel in, so the body's top stays inside it.
            raise = 1;
            ascent = Max2(SizeSum(body.Ascent, raise), SizeSum(ga, up.Height));
            descent = Max2(body.Height - body.Ascent, SizeSum(gh, low.Height, -ga));
            break;
    }
    l.Box = {SizeSum(column, body.Width), SizeSum(ascent, descent), ascent};

    // Glyph and limits centred in the column, each half truncated first. The
    // upper limit overlaps the empty top of the glyph's cell.
    const int gx = Middle(column) - Middle(gw);
    l.GlyphAt = {gx, ascent - ga};
    l.LowerAt = {Middle(column) - Middle(low.Width), ascent - ga + gh};
    const bool wide_top = glyph == kSummationSign || glyph == "P";
    const int rise =
        wide_top ? ga * kWideTopUpperLimitRiseTenths / 10 : ga * kUpperLimitRiseTenths / 10;
    l.UpperAt = {Middle(column) - Middle(up.Width), ascent - up.Height - rise};
    l.BodyAt = {column, ascent - body.Ascent - raise};

    // The ring is as high as one integral sign is wide, centred on the
    // alignment line.
    const int signs = std::max<int>(1, static_cast<int>(glyph.size()));
    const int cs = gw / signs;
    const int half = CentredAscent(cs);
    l.RingRect = {gx - 1, ascent - half, gx + gw + 1, ascent + half};
    return l;
}

TFormulaOrigin Offset(TFormulaOrigin origin, TFormulaOrigin by) {
    return {origin.X + by.X, origin.Y + by.Y};
}

}  // namespace

TFormulaMetrics MeasureBigOperator(const PieceList& arguments, Canvas& canvas,
                                   std::string_view glyph, bool enlarged, bool circle) {
    return LayOutBigOperator(arguments, canvas, glyph, enlarged, circle).Box;
}

TFormulaMetrics PaintBigOperator(TFormulaOrigin origin, const PieceList& arguments, Canvas& canvas,
                                 std::string_view glyph, bool enlarged, bool circle) {
    const BigOperatorLayout l = LayOutBigOperator(arguments, canvas, glyph, enlarged, circle);
    {
        const TFont text_font = canvas.Font;
        CanvasStateGuard guard(canvas);
        SelectGlyphFont(canvas, text_font, enlarged);
        const TFormulaOrigin at = Offset(origin, l.GlyphAt);
        canvas.TextOut(at.X, at.Y, glyph);
        canvas.Font = text_font;
        if (l.Ring) {
            // Always an outline: a filled ring would hide the integral sign.
            const TBrush brush = canvas.Brush;
            canvas.Brush.Style = TBrushStyle::bsClear;
            canvas.Ellipse(origin.X + l.RingRect.Left, origin.Y + l.RingRect.Top,
                           origin.X + l.RingRect.Right, origin.Y + l.RingRect.Bottom);
            canvas.Brush = brush;
        }
        SelectScriptFont(canvas, text_font);
        if (l.Count >= 2) PaintExpression(l.Lower, Offset(origin, l.LowerAt), canvas);
        if (l.Count >= 3) PaintExpression(l.Upper, Offset(origin, l.UpperAt), canvas);
    }
    TFormulaOrigin body = Offset(origin, l.BodyAt);
    if (l.BodyParenthesised) {
        const TDelimiterOrigin inner = PaintDelimiters(body, l.BodyBox, canvas, "()");
        body = {inner.X, inner.Y};
    }
    PaintTerm(l.Body, body, canvas);
    return l.Box;
}

namespace {

struct OperatorKind {
    bool IsBigOperator = true;
    std::string Glyph;
    bool Enlarged = true;
    bool Circle = false;
};

enum OperatorForm { kSum, kMul, kLim, kInf, kInt30, kInt20, kInt0, kInt3, kInt2, kInt };

OperatorKind KindOf(const TermCall& call) {
    const std::string one(kIntegralSign), two = one + one, three = two + one;
    switch (call.Keyword->Form) {
        case kSum: return {true, kSummationSign, true, false};
        case kMul: return {true, "P", true, false};  // capital Pi
        case kLim:
        case kInf: return {true, std::string(call.Name), false, false};  // as typed
        case kInt30: return {true, three, true, true};
        case kInt20: return {true, two, true, true};
        case kInt0: return {true, one, true, true};
        case kInt3: return {true, three, true, false};
        case kInt2: return {true, two, true, false};
        case kInt: return {true, one, true, false};
        default: return {false, "", false, false};
    }
}

}  // namespace

TFormulaMetrics MeasureBigOperatorCall(const TermCall& call, Canvas& canvas) {
    const OperatorKind k = KindOf(call);
    if (!k.IsBigOperator) return MeasurePlainCall(call, canvas);
    return MeasureBigOperator(call.Arguments, canvas, k.Glyph, k.Enlarged, k.Circle);
}

TFormulaMetrics PaintBigOperatorCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    const OperatorKind k = KindOf(call);
    if (!k.IsBigOperator) return PaintPlainCall(call, origin, canvas);
    return PaintBigOperator(origin, call.Arguments, canvas, k.Glyph, k.Enlarged, k.Circle);
}

const Construct kSumCall{"sum", kSum, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kMulCall{"mul", kMul, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kLimCall{"lim", kLim, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInfCall{"inf", kInf, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInt30Call{"int30", kInt30, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInt20Call{"int20", kInt20, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInt0Call{"int0", kInt0, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInt3Call{"int3", kInt3, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kInt2Call{"int2", kInt2, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};
const Construct kIntCall{"int", kInt, nullptr, MeasureBigOperatorCall, PaintBigOperatorCall};

}  // namespace nerovan
