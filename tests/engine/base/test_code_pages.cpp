// Code pages of the canvas and the UTF-8 boundary of the program.
#include <gtest/gtest.h>

#include "code_pages.h"

namespace nerovan {
namespace {

TEST(CodePages, CharsetsDecodeTheirUpperHalves) {
    struct Case {
        uint8_t charset, byte;
        uint32_t unicode;
    } cases[] = {
        {1, 0xC0, 0x0410},   {1, 0xFF, 0x044F},   {1, 0xA8, 0x0401},  // 1251: А я Ё
        {204, 0xC0, 0x0410},                                          // any other charset: 1251
        {0, 0xE9, 0x00E9},   {0, 0x80, 0x20AC},                       // 1252: é €
        {161, 0xE1, 0x03B1}, {161, 0xD3, 0x03A3},                     // 1253: α Σ
        {186, 0xCB, 0x0116}, {186, 0xEB, 0x0117},                     // 1257: Ė ė
        {186, 0xDB, 0x016A}, {186, 0xFB, 0x016B},                     // 1257: Ū ū
        {1, 'x', 'x'},       {161, 'x', 'x'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharsetToUnicode(c.charset, c.byte), c.unicode)
            << "charset " << int(c.charset) << " byte " << int(c.byte);
}

TEST(CodePages, SymbolEncodingNamesEveryCode) {
    int named = 0;
    for (int b = 0; b < 256; ++b) {
        const char* name = SymbolGlyphName(static_cast<uint8_t>(b));
        if (!name) continue;
        ++named;
        EXPECT_NE(SymbolToUnicode(static_cast<uint8_t>(b)), 0u) << name;
    }
    EXPECT_GE(named, 189);
    EXPECT_STREQ(SymbolGlyphName(0xA3), "lessequal");
    EXPECT_EQ(SymbolToUnicode(0xA3), 0x2264u);
    EXPECT_STREQ(SymbolGlyphName(0xD7), "dotmath");
    EXPECT_STREQ(SymbolGlyphName(0xF2), "integral");
    EXPECT_EQ(SymbolToUnicode('a'), 0x03B1u);
    EXPECT_EQ(SymbolGlyphName(0x7F), nullptr);
}

TEST(CodePages, Utf8RoundTripsThroughWindows1251) {
    const std::string text = "x \xD0\x90\xD1\x8F \xE2\x80\x94 \xE2\x84\x96";  // x Ая — №
    std::string bytes, bad;
    ASSERT_TRUE(Utf8ToCp1251(text, bytes, bad)) << bad;
    EXPECT_EQ(bytes, "x \xC0\xFF \x97 \xB9");
    EXPECT_EQ(Cp1251ToUtf8(bytes), text);
    EXPECT_TRUE(IsSymbolFontName("symbol"));
    EXPECT_FALSE(IsSymbolFontName("Symbols"));
}

TEST(CodePages, CharactersOutsideWindows1251AreNamed) {
    std::string bytes, bad;
    EXPECT_FALSE(Utf8ToCp1251("a\xE4\xB8\xAD", bytes, bad));  // 中
    EXPECT_EQ(bad, "U+4E2D '\xE4\xB8\xAD'");
    EXPECT_FALSE(Utf8ToCp1251("\xCE\xB1", bytes, bad));  // α is not in 1251
    EXPECT_EQ(bad, "U+03B1 '\xCE\xB1'");
    EXPECT_FALSE(Utf8ToCp1251("ab\xFF", bytes, bad));
    EXPECT_EQ(bad, "an invalid UTF-8 byte 0xFF at byte 3");
    EXPECT_FALSE(Utf8ToCp1251("\xE2\x80", bytes, bad));  // cut short
    EXPECT_FALSE(Utf8ToCp1251("\xC0\xAF", bytes, bad));  // overlong
}

}  // namespace
}  // namespace nerovan
