// Recorded drawing operations: replay onto any canvas, and the one-line
// text form of each operation that `nerovan-render --ops` prints.
#include "display_list.h"

#include <cstdio>

#include "code_pages.h"

namespace nerovan {

namespace {

std::string ColorText(TColor c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

// Quotes text with `"` and `\` escaped by a backslash.
std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

std::string FormatDrawOp(const DrawOp& op) {
    char buf[160];
    switch (op.Kind) {
        case DrawOpKind::Fill:
            std::snprintf(buf, sizeof buf, "fill %d %d %d %d color=", op.Rect.Left, op.Rect.Top,
                          op.Rect.Right, op.Rect.Bottom);
            return buf + ColorText(op.Color);
        case DrawOpKind::Text: {
            const bool symbol = IsSymbolFontName(op.Font.Name);
            std::string s = "text " + std::to_string(op.X1) + " " + std::to_string(op.Y1) + " " +
                            Quoted(DecodeToUtf8(op.Text, op.Font.Charset, symbol)) +
                            " font=" + Quoted(op.Font.Name);
            std::snprintf(buf, sizeof buf, " px=%d bold=%d italic=%d charset=%d color=", op.Em,
                          op.Font.Bold() ? 1 : 0, op.Font.Italic() ? 1 : 0, op.Font.Charset);
            s += buf + ColorText(op.Font.Color);
            if (op.Clipped) {
                std::snprintf(buf, sizeof buf, " clip=%d,%d,%d,%d", op.Clip.Left, op.Clip.Top,
                              op.Clip.Right, op.Clip.Bottom);
                s += buf;
            }
            return s;
        }
        case DrawOpKind::Line:
            std::snprintf(buf, sizeof buf, "line %d %d %d %d width=%d color=", op.X1, op.Y1, op.X2,
                          op.Y2, op.PenWidth);
            return buf + ColorText(op.Color);
        case DrawOpKind::Arc:
            std::snprintf(buf, sizeof buf,
                          "arc %d %d %d %d %d %d %d %d width=%d color=", op.Rect.Left, op.Rect.Top,
                          op.Rect.Right, op.Rect.Bottom, op.X1, op.Y1, op.X2, op.Y2, op.PenWidth);
            return buf + ColorText(op.Color);
        case DrawOpKind::Ellipse:
            std::snprintf(buf, sizeof buf, "ellipse %d %d %d %d width=%d color=", op.Rect.Left,
                          op.Rect.Top, op.Rect.Right, op.Rect.Bottom, op.PenWidth);
            return buf + ColorText(op.Color) +
                   " fill=" + (op.Filled ? ColorText(op.FillColor) : std::string("none"));
    }
    return {};
}

std::string DisplayList::Format() const {
    std::string out;
    for (const DrawOp& op : Ops) {
        out += FormatDrawOp(op);
        out += '\n';
    }
    return out;
}

void DisplayList::Offset(int dx, int dy) {
    auto move = [dx, dy](TRect& r) {
        r.Left += dx;
        r.Right += dx;
        r.Top += dy;
        r.Bottom += dy;
    };
    for (DrawOp& op : Ops) {
        move(op.Rect);
        move(op.Clip);
        op.X1 += dx;
        op.X2 += dx;
        op.Y1 += dy;
        op.Y2 += dy;
    }
}

void DisplayList::ReplayOn(Canvas& canvas, int dx, int dy) const {
    CanvasStateGuard guard(canvas);
    for (const DrawOp& op : Ops) {
        switch (op.Kind) {
            case DrawOpKind::Fill:
                canvas.Brush.Style = TBrushStyle::bsSolid;
                canvas.Brush.Color = op.Color;
                canvas.FillRect(
                    {op.Rect.Left + dx, op.Rect.Top + dy, op.Rect.Right + dx, op.Rect.Bottom + dy});
                break;
            case DrawOpKind::Text:
                canvas.Brush.Style = TBrushStyle::bsClear;
                canvas.Font = op.Font;
                if (op.Clipped)
                    canvas.TextOutClipped(op.X1 + dx, op.Y1 + dy, op.Text,
                                          {op.Clip.Left + dx, op.Clip.Top + dy, op.Clip.Right + dx,
                                           op.Clip.Bottom + dy});
                else
                    canvas.TextOut(op.X1 + dx, op.Y1 + dy, op.Text);
                break;
            case DrawOpKind::Line:
                canvas.Pen.Width = op.PenWidth;
                canvas.Pen.Color = op.Color;
                canvas.MoveTo(op.X1 + dx, op.Y1 + dy);
                canvas.LineTo(op.X2 + dx, op.Y2 + dy);
                break;
            case DrawOpKind::Arc:
                canvas.Pen.Width = op.PenWidth;
                canvas.Pen.Color = op.Color;
                canvas.Arc(op.Rect.Left + dx, op.Rect.Top + dy, op.Rect.Right + dx,
                           op.Rect.Bottom + dy, op.X1 + dx, op.Y1 + dy, op.X2 + dx, op.Y2 + dy);
                break;
            case DrawOpKind::Ellipse:
                canvas.Pen.Width = op.PenWidth;
                canvas.Pen.Color = op.Color;
                canvas.Brush.Style = op.Filled ? TBrushStyle::bsSolid : TBrushStyle::bsClear;
                canvas.Brush.Color = op.FillColor;
                canvas.Ellipse(op.Rect.Left + dx, op.Rect.Top + dy, op.Rect.Right + dx,
                               op.Rect.Bottom + dy);
                break;
        }
    }
}

}  // namespace nerovan
