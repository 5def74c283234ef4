// The layout tests' checks: the scanners' cuts, painting formulas into
// recorded operations on the fixed-metric canvas and their spelling, and ink
// positions on the real cairo canvas.
#include "layout_check.h"

#include "bitmap.h"
#include "expression.h"
#include "metafile.h"
#include "raster_canvas.h"
#include "term.h"

namespace nerovan {

void ExpectSplits(Splitter split, const std::vector<SplitCase>& cases, const PieceList& before) {
    for (const SplitCase& c : cases) {
        PieceList first = before, second = before;
        split(c.Text, first, second);
        EXPECT_EQ(first, c.First) << c.Text;
        EXPECT_EQ(second, c.Second) << c.Text;
    }
}

std::vector<std::string> PaintedOps(TestCanvas& canvas, const std::string& term,
                                    TFormulaOrigin origin) {
    canvas.ClearOps();
    PaintTerm(term, origin, canvas);
    std::vector<std::string> out;
    for (const DrawOp& op : canvas.List().Ops) out.push_back(FormatDrawOp(op));
    return out;
}

std::string Text(int x, int y, const std::string& s, int px, bool italic, bool bold,
                 const std::string& font) {
    return "text " + std::to_string(x) + " " + std::to_string(y) + " \"" + s + "\" font=\"" + font +
           "\" px=" + std::to_string(px) + " bold=" + (bold ? "1" : "0") +
           " italic=" + (italic ? "1" : "0") + " charset=1 color=#000000";
}

std::string Line(int x1, int y1, int x2, int y2, int width) {
    return "line " + std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) +
           " " + std::to_string(y2) + " width=" + std::to_string(width) + " color=#000000";
}

std::string Ellipse(int x1, int y1, int x2, int y2) {
    return "ellipse " + std::to_string(x1) + " " + std::to_string(y1) + " " + std::to_string(x2) +
           " " + std::to_string(y2) + " width=1 color=#000000 fill=none";
}

InkCheck CheckInk(const std::string& expression, int em, int margin) {
    const int pad = 20;
    InkCheck r;
    Bitmap bitmap;
    RasterCanvas& canvas = bitmap.Canvas();
    canvas.Font.Height = -em;
    canvas.Brush.Style = TBrushStyle::bsClear;
    const TFont font = canvas.Font;
    const int pen = canvas.Pen.Width;
    r.Measured = MeasureExpression(expression, canvas);
    bitmap.SetSize(r.Measured.Width + 2 * pad, r.Measured.Height + 2 * pad);
    r.Painted = PaintExpression(expression, {pad, pad}, canvas);
    r.CanvasRestored = canvas.Font == font && canvas.Pen.Width == pen;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.ScanLine(y)[4 * x + 1] == 255) continue;  // paper
            ++r.Inked;
            const bool inside = x >= pad - margin && x < pad + r.Measured.Width + margin &&
                                y >= pad - margin && y < pad + r.Measured.Height + margin;
            if (inside) continue;
            if (r.Outside++ == 0)
                r.FirstOutside = std::to_string(x - pad) + "," + std::to_string(y - pad);
        }
    return r;
}

InkCheck ExpectInkInsideTheBox(const std::string& expression, int em) {
    const InkCheck ink = CheckInk(expression, em);
    EXPECT_EQ(ink.Outside, 0) << expression << " em " << em << ": ink at " << ink.FirstOutside
                              << " outside " << ink.Measured.Width << "x" << ink.Measured.Height;
    return ink;
}

}  // namespace nerovan
