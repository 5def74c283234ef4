// The drawing surface every measuring and painting routine works through:
// font, pen and brush state, text measurement, text, lines, arcs, ellipses
// and fills. Implementations draw into a bitmap (cairo), record a display
// list (metafile), or use fixed metrics (tests). Any canvas can also record
// what it draws into a display list, which is how `--ops` and the
// metafile-versus-bitmap comparisons see a paint.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "canvas_types.h"
#include "measure_memo.h"
#include "metrics.h"

namespace nerovan {

class DisplayList;
struct DrawOp;

// The values of one layout pass: what the component asks of the pass, set
// in one go when the pass starts, and the nesting the layout counts while it
// works (always back at 0 when a layout call returns, also on an error).
struct LayoutPass {
    // Copies of the component's MulPoint and BackGroundColor.
    bool MulPoint = true;
    TColor EraseColor = clWhite;
    // How many expressions are being laid out inside each other right now.
    int NestingDepth = 0;
    // How many characters those expressions hold together.
    size_t NestedCharacters = 0;
};

class Canvas {
public:
    TFont Font;
    TPen Pen;
    TBrush Brush;
    LayoutPass Pass;
    // Whether the outermost layout calls on this canvas keep a memo of
    // measured boxes (see MeasureMemo); off, every box is measured anew. A
    // setting of the canvas, not of a pass: starting a pass leaves it alone.
    bool UseMeasureMemo = true;
    MeasureMemo& Memo() { return memo_; }

    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas() = default;

    // Advance width of s in the current font: the sum of the whole-pixel
    // advances of its characters, no kerning.
    int TextWidth(std::string_view s);
    // Height of the current font's character cell; the same for every string.
    int TextHeight(std::string_view s);
    // The whole-pixel advance of each character of s (the Dx array of a run).
    void CharAdvances(std::string_view s, std::vector<int>& advances);
    // Draws s with the top-left corner of its character cell at (x, y); with
    // a solid brush the cell is filled with the brush colour first.
    void TextOut(int x, int y, std::string_view s);
    // TextOut limited to the rectangle clip (used to draw only part of a glyph).
    void TextOutClipped(int x, int y, std::string_view s, const TRect& clip);
    // First row of ink of s below the cell top, or TextHeight when s has no ink.
    int InkTop(std::string_view s);
    // The em height in pixels that the current font resolves to (at least 1).
    int EmPixels();

    TPoint PenPos() const { return pen_pos_; }
    void MoveTo(int x, int y);
    // A line with the current pen from the pen position to (x, y), end point
    // excluded; the pen position moves to (x, y).
    void LineTo(int x, int y);
    // Arc of the ellipse inscribed in (x1, y1)-(x2, y2), counter-clockwise on
    // screen from the ray towards (x3, y3) to the ray towards (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Ellipse inscribed in the rectangle, outlined with the pen and filled
    // with the brush unless the brush is clear.
    void Ellipse(int x1, int y1, int x2, int y2);
    void FillRect(const TRect& r);
    // The whole drawing area.
    virtual TRect ClipRect() const = 0;

    // Exclusive use of the canvas (recursive).
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // Every drawing operation is also appended to recorder while it is set.
    void SetRecorder(DisplayList* recorder) { recorder_ = recorder; }
    DisplayList* Recorder() const { return recorder_; }

    // While ink tracking is on, the ink of every text run that can leave
    // the drawing area shrunk by `clearance` pixels at each edge (a glyph's
    // hook can hang outside its advance and its cell) is gathered into one
    // box, and such runs are kept. Turning it on empties both; turning it
    // off keeps them.
    void TrackInk(bool on, int clearance = 0) {
        if (on) {
            tracked_ink_ = TRect{0, 0, 0, 0};
            tracked_runs_.clear();
            ink_area_ = ClipRect();
            ink_area_.Intersect(TRect{ink_area_.Left + clearance, ink_area_.Top + clearance,
                                      ink_area_.Right - clearance, ink_area_.Bottom - clearance});
        }
        ink_tracking_ = on;
    }
    // The box gathered; empty when no run can leave the area.
    const TRect& TrackedInk() const { return tracked_ink_; }
    // The runs drawn while tracking whose ink leaves the area, as they were
    // drawn.
    struct TrackedRun {
        int X = 0, Y = 0;
        std::string Text;
        TFont Font;
        bool Clipped = false;
        TRect Clip;
    };
    const std::vector<TrackedRun>& TrackedRuns() const { return tracked_runs_; }

protected:
    virtual int DoTextHeight() = 0;
    virtual void DoCharAdvances(std::string_view s, std::vector<int>& advances) = 0;
    virtual int DoTextWidth(std::string_view s);
    virtual int DoInkTop(std::string_view s) = 0;
    virtual int DoEmPixels() = 0;
    // Drawing primitives; clip is null for unclipped text.
    virtual void DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                           const TRect* clip) = 0;
    virtual void DoLine(int x1, int y1, int x2, int y2) = 0;
    virtual void DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void DoEllipse(int x1, int y1, int x2, int y2) = 0;
    virtual void DoFillRect(const TRect& r, TColor color) = 0;
    // The box of the pixels the glyphs of s drawn at (x, y) with these
    // advances can ink, or an empty box when that ink surely stays within
    // area; always empty for a canvas that knows nothing of glyphs.
    virtual TRect DoTextInk(int x, int y, std::string_view s, const std::vector<int>& advances,
                            const TRect& area);

private:
    void TextOutImpl(int x, int y, std::string_view s, const TRect* clip);

    TPoint pen_pos_;
    // Appends an operation to the recorder's list.
    void Record(DrawOp&& op);
    DisplayList* recorder_ = nullptr;
    std::recursive_mutex lock_;
    std::vector<int> scratch_;
    std::vector<int> text_advances_;
    MeasureMemo memo_;
    bool ink_tracking_ = false;
    TRect tracked_ink_{0, 0, 0, 0};
    TRect ink_area_{0, 0, 0, 0};
    std::vector<TrackedRun> tracked_runs_;
};

// Restores the font, pen and brush of a canvas when it leaves scope, so
// whatever changes them leaves the canvas as it found it, also on an error.
class CanvasStateGuard {
public:
    explicit CanvasStateGuard(Canvas& c)
        : canvas_(c), font_(c.Font), pen_(c.Pen), brush_(c.Brush) {}
    ~CanvasStateGuard() {
        canvas_.Font = font_;
        canvas_.Pen = pen_;
        canvas_.Brush = brush_;
    }
    CanvasStateGuard(const CanvasStateGuard&) = delete;
    CanvasStateGuard& operator=(const CanvasStateGuard&) = delete;

private:
    Canvas& canvas_;
    TFont font_;
    TPen pen_;
    TBrush brush_;
};

}  // namespace nerovan
