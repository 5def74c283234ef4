// The metafile target: a display list of drawing operations with the header
// texts (creator, description) and the picture size. A metafile canvas
// records a paint into it; the list replays onto any other canvas (the window
// shows a metafile that way) and serialises to EMF (emf.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "display_list.h"
#include "font_engine.h"

namespace nerovan {

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
