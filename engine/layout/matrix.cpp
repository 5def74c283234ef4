// Matrices and determinants such as `mat22[a, b, p, q]` or `det33(...)`: the
// arguments fill a grid of equal cells row by row, between the typed brackets
// or, for a determinant, vertical bars. Systems such as `sys(x+y=1, x-y=0)`
// or `sys[...]`: lines stacked left-aligned behind one stretched brace or square.
#include "matrix.h"

#include <cctype>
#include <string>
#include <vector>

#include "delimiters.h"
#include "expression.h"
#include "style.h"

namespace nerovan {

namespace {

// The shape a matrix name gives: "mat" or "det", then columns and rows as
// digits 1 to 9; later characters are ignored ("0" makes no matrix).
struct GridShape {
    int Columns = 0;
    int Rows = 0;
    bool Determinant = false;
};

enum MatrixForm { kGrid, kSystem };

bool ShapeOfName(std::string_view name, GridShape& shape) {
    if (name.size() < 5) return false;
    std::string kind(name.substr(0, 3));
    for (char& c : kind) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (kind != "mat" && kind != "det") return false;
    const auto digit = [](char c) { return c >= '1' && c <= '9' ? c - '0' : 0; };
    const int columns = digit(name[3]);
    const int rows = digit(name[4]);
    if (columns == 0 || rows == 0) return false;
    shape.Columns = columns;
    shape.Rows = rows;
    shape.Determinant = kind == "det";
    return true;
}

// ---- Matrices and determinants ----------------------------------------------

// The placement shared by both passes: every argument's box (also those
// beyond the grid, which widen the cells but are not drawn), where each
// drawn cell goes, and the grid with the delimiters' room.
struct MatrixLayout {
    std::vector<TFormulaMetrics> Cells;
    std::vector<TFormulaOrigin> Offsets;  // drawn cells, from the grid's top-left corner
    TFormulaMetrics Box;                  // the grid padded for the delimiters
    std::string Pair;                     // "||" for a determinant, else the typed brackets
};

MatrixLayout LayOutMatrix(const TermCall& call, const GridShape& shape, Canvas& canvas) {
    MatrixLayout l;
    l.Pair = shape.Determinant ? std::string("||") : call.Brackets;
    const int gap = canvas.TextWidth("=");
    int cw = 0, ch = 0;
    for (std::string_view argument : call.Arguments) {
        const TFormulaMetrics m = MeasureExpression(argument, canvas);
        cw = Max2(cw, m.Width);
        ch = Max2(ch, m.Height);
        l.Cells.push_back(m);
    }
    // Columns are a gap of "=" apart; rows touch.
    TFormulaMetrics grid;
    grid.Width = SizeSum(SizeTimes(cw, shape.Columns), SizeTimes(gap, shape.Columns - 1));
    const int rows_height = SizeTimes(ch, shape.Rows);
    // Delimiters this short are the font's own characters, a full text cell
    // high, so a grid lower than that (cells at the reduced size) gets the
    // room of a text cell, its rows centred in it.
    grid.Height = Max2(rows_height, canvas.TextHeight(l.Pair));
    grid.Ascent = CentredAscent(grid.Height);
    const int top = Middle(grid.Height - rows_height);
    // Row-major: argument i (from 0) is row i div N, column i mod N; each cell
    // is centred in its grid cell by its box.
    const size_t drawn = static_cast<size_t>(shape.Columns) * static_cast<size_t>(shape.Rows);
    for (size_t i = 0; i < l.Cells.size() && i < drawn; ++i) {
        const int r = static_cast<int>(i) / shape.Columns;
        const int j = static_cast<int>(i) % shape.Columns;
        const TFormulaMetrics& m = l.Cells[i];
        l.Offsets.push_back({SizeSum(SizeTimes(SizeSum(cw, gap), j), Middle(cw - m.Width)),
                             SizeSum(top, SizeTimes(ch, r), Middle(ch - m.Height))});
    }
    l.Box = PadForDelimiters(grid);
    return l;
}

TFormulaMetrics MeasureMatrix(const TermCall& call, const GridShape& shape, Canvas& canvas) {
    return LayOutMatrix(call, shape, canvas).Box;
}

TFormulaMetrics PaintMatrix(const TermCall& call, const GridShape& shape, TFormulaOrigin origin,
                            Canvas& canvas) {
    const MatrixLayout l = LayOutMatrix(call, shape, canvas);
    const TDelimiterOrigin grid = PaintDelimiters(origin, l.Box, canvas, l.Pair);
    // Column by column, each from the top row down.
    for (int j = 0; j < shape.Columns; ++j)
        for (int r = 0; r < shape.Rows; ++r) {
            const size_t i = static_cast<size_t>(r * shape.Columns + j);
            if (i >= l.Offsets.size()) continue;
            PaintExpression(call.Arguments[i], {grid.X + l.Offsets[i].X, grid.Y + l.Offsets[i].Y},
                            canvas);
        }
    return l.Box;
}

// ---- Systems -------------------------------------------------------------------

// The placement shared by both passes: the lines' boxes, the column of the
// brace, and the top of the first line.
struct SystemLayout {
    std::vector<TFormulaMetrics> Lines;
    int Column = 0;  // the brace's column, as wide as "-"
    int Top = 0;     // the first line's top below the box's top
    TFormulaMetrics Box;
};

bool HasSquare(const TermCall& call) { return !call.Brackets.empty() && call.Brackets[0] == '['; }

// How far right of the system's left edge its delimiter of height h reaches:
// the width of its character while it is small, the wide square's arms
// (w + d) or the brace's hooks (2q) once it is drawn with the pen.
int DelimiterReach(const TermCall& call, int h, Canvas& canvas) {
    const bool square = HasSquare(call);
    if (h <= canvas.TextHeight("K")) return canvas.TextWidth(square ? "[" : "{");
    if (square) {
        const int w = WideSquareArm(canvas);
        return w + WideSquareInset(w);
    }
    return 2 * BraceHookRadius(canvas);
}

SystemLayout LayOutSystem(const TermCall& call, Canvas& canvas) {
    SystemLayout l;
    l.Column = canvas.TextWidth("-");
    int width = 0, stack = 0;
    for (std::string_view line : call.Arguments) {
        const TFormulaMetrics m = MeasureExpression(line, canvas);
        width = Max2(width, m.Width);
        stack = SizeSum(stack, m.Height);
        l.Lines.push_back(m);
    }
    // The brace is never lower than a capital letter (it is then the font's
    // own "{" or "[", a full text cell high), so neither is the box: a
    // shorter stack of lines is centred in it.
    l.Box.Height = Max2(stack, canvas.TextHeight("K"));
    // The font's "{" and the wide square's arms reach beyond the brace's
    // column; lines narrower than that (empty ones) leave the box this wide.
    l.Box.Width = Max2(SizeSum(l.Column, width), DelimiterReach(call, l.Box.Height, canvas));
    l.Box.Ascent = CentredAscent(l.Box.Height);
    l.Top = Middle(l.Box.Height - stack);
    return l;
}

TFormulaMetrics MeasureSystem(const TermCall& call, Canvas& canvas) {
    return LayOutSystem(call, canvas).Box;
}

TFormulaMetrics PaintSystem(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    const SystemLayout l = LayOutSystem(call, canvas);
    // Lines stacked without gaps, left-aligned behind the brace's column.
    int y = origin.Y + l.Top;
    for (size_t i = 0; i < l.Lines.size(); ++i) {
        PaintExpression(call.Arguments[i], {origin.X + l.Column, y}, canvas);
        y += l.Lines[i].Height;
    }
    // Only an opening delimiter, as high as the box.
    if (HasSquare(call))
        PaintWideSquare(origin, l.Box.Height, canvas);
    else
        PaintLeftBrace(origin, l.Box.Height, canvas);
    return l.Box;
}

}  // namespace

TFormulaMetrics MeasureMatrixCall(const TermCall& call, Canvas& canvas) {
    GridShape shape;
    if (call.Keyword->Form == kSystem) return MeasureSystem(call, canvas);
    if (call.Keyword->Form == kGrid && ShapeOfName(call.Name, shape))
        return MeasureMatrix(call, shape, canvas);
    return MeasurePlainCall(call, canvas);
}

TFormulaMetrics PaintMatrixCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas) {
    GridShape shape;
    if (call.Keyword->Form == kSystem) return PaintSystem(call, origin, canvas);
    if (call.Keyword->Form == kGrid && ShapeOfName(call.Name, shape))
        return PaintMatrix(call, shape, origin, canvas);
    return PaintPlainCall(call, origin, canvas);
}

namespace {

// A matrix keyword needs the number of columns and of rows after it.
bool HasGridDigits(std::string_view name, size_t) {
    GridShape shape;
    return ShapeOfName(name, shape);
}

}  // namespace

const Construct kMatCall{"mat", kGrid, HasGridDigits, MeasureMatrixCall, PaintMatrixCall};
const Construct kDetCall{"det", kGrid, HasGridDigits, MeasureMatrixCall, PaintMatrixCall};
const Construct kSysCall{"sys", kSystem, nullptr, MeasureMatrixCall, PaintMatrixCall};

}  // namespace nerovan
