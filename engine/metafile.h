// The metafile target: a display list of drawing operations with the header
// texts (creator, description) and the picture size. A metafile canvas
// records a paint into it; the list replays onto any other canvas (the window
// shows a metafile that way) and serialises to EMF (emf.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "font_engine.h"

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

class Metafile {
public:
    DisplayList List;
    std::string Creator;      // header creator text, e.g. "Nerovan by Tarquel"
    std::string Description;  // header description: the expression (Windows-1251)
    int Width = 0;            // picture size in pixels
    int Height = 0;
    // How many operations the last canvas that drew into it recorded.
    size_t RecordedOps = 0;
    void Clear();
};

// Records every operation into its own list, measuring with the real fonts,
// so a metafile pass lays out exactly like a bitmap pass. Freeing the canvas
// completes the metafile: its list and header texts replace the metafile's.
class MetafileCanvas : public FontCanvas {
public:
    MetafileCanvas(Metafile& target, const std::string& creator, const std::string& description);
    ~MetafileCanvas() override;
    TRect ClipRect() const override;

protected:
    void DoTextOut(int, int, std::string_view, const std::vector<int>&, const TRect*) override {}
    void DoLine(int, int, int, int) override {}
    void DoArc(int, int, int, int, int, int, int, int) override {}
    void DoEllipse(int, int, int, int) override {}
    void DoFillRect(const TRect&, TColor) override {}

private:
    Metafile& target_;
    DisplayList list_;
    std::string creator_;
    std::string description_;
};

}  // namespace nerovan
