// Recorded drawing operations: what a canvas records while it paints (the
// metafile's contents, and the record a test or an icon compares), replayed
// onto any canvas and printed one per line by `nerovan-render --ops`.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

namespace nerovan {

enum class DrawOpKind { Fill, Text, Line, Arc, Ellipse };

// One recorded operation. Coordinates are pixels of the picture.
//   Fill:    Rect, Color
//   Text:    X1, Y1 (top-left of the character cell), text (single-byte, in
//            Font.Charset or the Symbol encoding), Font (as set on the canvas),
//            Color (= Font.Color), Em (pixel em height), Advances (Dx),
//            optional Clip rectangle
//   Line:    X1 Y1 X2 Y2 (end point excluded), PenWidth, Color
//   Arc:     Rect, start point (X1, Y1), end point (X2, Y2), pen width, color
//   Ellipse: Rect, pen width, color, Filled + FillColor
struct DrawOp {
    DrawOpKind Kind = DrawOpKind::Fill;
    TRect Rect;
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    int PenWidth = 1;
    TColor Color = clBlack;
    bool Filled = false;
    TColor FillColor = clWhite;
    std::string Text;
    TFont Font;
    int Em = 0;
    std::vector<int> Advances;
    bool Clipped = false;
    TRect Clip;
};

class DisplayList {
public:
    std::vector<DrawOp> Ops;
    // How many operations recording into the list expects.
    size_t SizeHint = 0;
    void Clear() { Ops.clear(); }
    // Draws every operation onto canvas, in order, shifted by (dx, dy).
    void ReplayOn(Canvas& canvas, int dx = 0, int dy = 0) const;
    // Moves every operation by (dx, dy).
    void Offset(int dx, int dy);
    // One line per operation in the renderer's `--ops` format.
    std::string Format() const;
};

// Formats one operation as a `--ops` line (without the line feed).
std::string FormatDrawOp(const DrawOp& op);

}  // namespace nerovan
