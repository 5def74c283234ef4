// Fixed metrics of the test canvas; see test_canvas.h for the rules.
#include "test_canvas.h"

#include "code_pages.h"

namespace nerovan {

namespace {

bool IsLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0;
}

}  // namespace

TestCanvas::TestCanvas(int width, int height) : width_(width), height_(height) {
    Brush.Style = TBrushStyle::bsClear;
    SetRecorder(&list_);
}

int TestCanvas::DoEmPixels() {
    const int em = Font.Height < 0 ? -Font.Height : Font.Height;
    return em < 1 ? 1 : em;
}

int TestCanvas::DoTextHeight() {
    const int em = DoEmPixels();
    return em + em / 5;
}

void TestCanvas::DoCharAdvances(std::string_view s, std::vector<int>& advances) {
    const int em = DoEmPixels();
    const bool symbol = IsSymbolFontName(Font.Name);
    advances.clear();
    advances.reserve(s.size());
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        int advance;
        if (c == ' ')
            advance = em / 4;
        else if (symbol)
            advance = em * 3 / 5;
        else
            advance = em / 2 + (Font.Italic() && IsLetter(c) ? 1 : 0);
        if (Font.Bold()) ++advance;
        advances.push_back(advance);
    }
}

int TestCanvas::DoInkTop(std::string_view s) {
    for (const char c : s)
        if (c != ' ') return DoEmPixels() / 5;
    return DoTextHeight();
}

}  // namespace nerovan
