// Painting formulas for the layout tests: recorded operations on the
// fixed-metric canvas, and ink positions on the real cairo canvas.
#include "layout_check.h"

#include "bitmap.h"
#include "expression.h"
#include "metafile.h"
#include "raster_canvas.h"
#include "term.h"

namespace nerovan {

std::vector<std::string> PaintedOps(TestCanvas& canvas, const std::string& term,
                                    TFormulaOrigin origin) {
    canvas.ClearOps();
    PaintTerm(term, origin, canvas);
    std::vector<std::string> out;
    for (const DrawOp& op : canvas.List().Ops) out.push_back(FormatDrawOp(op));
    return out;
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

}  // namespace nerovan
