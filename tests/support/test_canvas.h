// A deterministic canvas for exact layout tests: fixed, simple metrics that
// depend only on the font's height, name and style, and a display list of
// everything drawn. It draws no pixels.
//
// Metrics (later layout tests rely on them exactly):
//   em          = -Font.Height if Height < 0, else Font.Height; at least 1.
//   TextHeight  = em + em div 5, for every string (also "").
//   advance of one character:
//     blank                                   em div 4
//     any other byte in the font "Symbol"     em * 3 div 5   (name in any case)
//     any other character                     em div 2, plus 1 when the style
//                                             is italic and the character is a
//                                             letter (A-Z, a-z, 0xC0-0xFF)
//     plus 1 for every character when the style is bold.
//   TextWidth   = the sum of the advances.
//   InkTop(s)   = em div 5 when s holds a non-blank character, else TextHeight.
//   EmPixels    = em.
// The brush starts clear, so TextOut records the text alone (no cell fill),
// as in a paint of the component.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"
#include "metafile.h"

namespace nerovan {

class TestCanvas : public Canvas {
public:
    explicit TestCanvas(int width = 1000, int height = 1000);

    // Everything drawn since construction or the last ClearOps.
    const DisplayList& List() const { return list_; }
    void ClearOps() { list_.Clear(); }

    TRect ClipRect() const override { return {0, 0, width_, height_}; }
    void SetClipSize(int width, int height) {
        width_ = width;
        height_ = height;
    }

protected:
    int DoTextHeight() override;
    void DoCharAdvances(std::string_view s, std::vector<int>& advances) override;
    int DoInkTop(std::string_view s) override;
    int DoEmPixels() override;
    // The base class records every drawing operation; nothing else happens.
    void DoTextOut(int, int, std::string_view, const std::vector<int>&, const TRect*) override {}
    void DoLine(int, int, int, int) override {}
    void DoArc(int, int, int, int, int, int, int, int) override {}
    void DoEllipse(int, int, int, int) override {}
    void DoFillRect(const TRect&, TColor) override {}

private:
    DisplayList list_;
    int width_;
    int height_;
};

}  // namespace nerovan
