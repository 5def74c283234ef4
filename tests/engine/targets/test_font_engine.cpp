// The fonts: fontconfig's matches for the two faces, the size model, font
// names, the per-thread cache, and the glyphs of the symbol font.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "font_engine.h"

namespace nerovan {
namespace {

TEST(FontSizeModel, PointsAndPixels) {
    TFont f;
    f.SetSize(18);
    EXPECT_EQ(f.Height, -24);
    f.Height = -21;
    EXPECT_EQ(f.Size(), 16);  // 15.75 rounds up
    f.SetSize(10);
    EXPECT_EQ(f.Height, -13);  // 13.33
    f.SetSize(0);
    EXPECT_EQ(f.Height, 0);
    EXPECT_EQ(FontEngine::Instance().EmPixels(f), 1);  // the em never falls below 1 px
}

TEST(FontEngine, ResolvesTheMetricCompatibleFonts) {
    FontEngine& fe = FontEngine::Instance();
    EXPECT_NE(fe.MatchedFile("Times New Roman", false, false).find("LiberationSerif-Regular"),
              std::string::npos);
    EXPECT_NE(fe.MatchedFile("Times New Roman", true, true).find("LiberationSerif-BoldItalic"),
              std::string::npos);
    // The Type 1 file of the symbol font keeps the integral inside its cell.
    EXPECT_NE(fe.MatchedFile("Symbol", false, false).find("StandardSymbolsPS.pfb"),
              std::string::npos);
    // A name that does not exist still gets a usable substitute.
    EXPECT_FALSE(fe.MatchedFile("No Such Font At All", false, false).empty());
}

// Every byte of a name counts, whatever its length.
TEST(FontNames, EveryByteCounts) {
    for (size_t n = 0; n <= 20; ++n) {
        const std::string name(n, 'a');
        EXPECT_TRUE(SameFontName(name, std::string(n, 'a')));
        EXPECT_FALSE(SameFontName(name, name + "a"));
        for (size_t i = 0; i < n; ++i) {
            std::string other = name;
            other[i] = 'b';
            EXPECT_FALSE(SameFontName(name, other)) << n << " " << i;
        }
    }
    EXPECT_TRUE(SameFontName("Times New Roman", "Times New Roman"));
    EXPECT_FALSE(SameFontName("Times New Roman", "Times New Romam"));
}

// The thread's cache of resolved fonts answers as the engine does, also
// after it has been filled and is replacing its oldest fonts.
TEST(FontEngine, TheThreadCacheAnswersAsTheEngine) {
    std::vector<TFont> fonts;
    for (int size = 8; size < 40; size += 3)
        for (const char* name : {"Times New Roman", "Symbol"})
            for (TFontStyles style : {TFontStyles(0), TFontStyles(fsItalic)}) {
                TFont f;
                f.Name = name;
                f.Height = -size;
                f.Style = style;
                fonts.push_back(f);
            }
    ASSERT_GT(fonts.size(), 40u);
    for (int round = 0; round < 3; ++round) {
        for (const TFont& f : fonts) {
            const FontHandle kept = FontCursor::ResolveForThread(f);
            const FontHandle engine = FontEngine::Instance().Resolve(f);
            EXPECT_EQ(kept.Scaled, engine.Scaled) << f.Name << " " << f.Height;
            EXPECT_EQ(kept.Em, -f.Height);
            EXPECT_EQ(kept.Advances, engine.Advances);
        }
    }
}

TEST(FontEngine, EverySymbolCodeHasAGlyph) {
    TFont f;
    f.Name = "Symbol";
    f.Height = -21;
    const FontHandle h = FontEngine::Instance().Resolve(f);
    int codes = 0;
    for (int b = 32; b < 256; ++b) {
        if (b == 0x7F || (b >= 0x80 && b < 0xA0) || b == 0xF0 || b == 0xFF) continue;
        ++codes;
        EXPECT_NE(h.Glyphs[b], 0u) << "byte " << b;
    }
    EXPECT_EQ(codes, 189);
}

}  // namespace
}  // namespace nerovan
