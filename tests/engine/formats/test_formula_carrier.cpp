// The formula that pictures carry back: exact round trips in every format,
// and no formula (never another one) from a carrier that was cut short,
// altered or written by another program.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "carrier_sample.h"
#include "code_pages.h"
#include "component.h"
#include "demo_formulas.h"
#include "emf.h"
#include "errors.h"
#include "formula_carrier.h"
#include "formula_seal.h"

namespace nerovan {
namespace {

const CarrierFormat kFormats[] = {CarrierFormat::Png, CarrierFormat::Jpeg, CarrierFormat::Gif,
                                  CarrierFormat::Svg, CarrierFormat::Pdf};
const char* const kFormatNames[] = {"PNG", "JPEG", "GIF", "SVG", "PDF"};

std::optional<std::string> Read(const std::vector<uint8_t>& bytes) {
    return ReadFormula(bytes.data(), bytes.size());
}

std::vector<std::string> Formulas() {
    std::vector<std::string> f;
    for (const char* demo : DemoFormulas) f.push_back(Cp1251ToUtf8(demo));
    f.push_back("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 + \xD1\x91");  // Cyrillic
    f.push_back("\"a\" + 'b' \\ \\\\ c");
    f.push_back("a<b && c>d <&> &amp; ]]> &#13; \r\n\ttab");
    f.push_back("");
    std::string long_one;
    for (int i = 0; long_one.size() < 10000; ++i) long_one += "x_" + std::to_string(i) + "<&>";
    f.push_back(long_one.substr(0, 10000));
    // More than one JPEG comment segment holds.
    std::string longer;
    for (int i = 0; i < 40000; ++i) longer += "\xD0\xB6";
    f.push_back(longer);
    return f;
}

TEST(FormulaCarrier, EveryFormatCarriesEveryFormulaExactly) {
    const std::vector<std::string> formulas = Formulas();
    for (size_t k = 0; k < std::size(kFormats); ++k) {
        SCOPED_TRACE(kFormatNames[k]);
        const std::vector<uint8_t> plain = SampleCarrierPicture(kFormats[k]);
        EXPECT_EQ(Read(plain), std::nullopt);
        for (const std::string& formula : formulas) {
            const std::vector<uint8_t> carried = EmbedFormula(plain, kFormats[k], formula);
            ASSERT_TRUE(Read(carried) == formula) << formula.substr(0, 80);
            // A picture given a new formula carries the new one.
            EXPECT_TRUE(Read(EmbedFormula(carried, kFormats[k], "a+b")) == "a+b");
        }
    }
}

// Cut anywhere or with any one byte altered, a picture reads as the formula
// or as none; cut or altered within the formula's text, as none.
TEST(FormulaCarrier, CutOrAlteredCarrierReadsAsNone) {
    const std::string formula = "sum(i=1, n, \xD0\xB6_i) <&> \"q\"";
    for (size_t k = 0; k < std::size(kFormats); ++k) {
        SCOPED_TRACE(kFormatNames[k]);
        const std::vector<uint8_t> carried =
            EmbedFormula(SampleCarrierPicture(kFormats[k]), kFormats[k], formula);
        const std::string bytes(carried.begin(), carried.end());
        const size_t text = bytes.rfind("sum(i=1");
        ASSERT_NE(text, std::string::npos);
        for (size_t n = 0; n < carried.size(); ++n) {
            const std::optional<std::string> cut = ReadFormula(carried.data(), n);
            ASSERT_TRUE(!cut || *cut == formula) << "cut at " << n;
            if (n > text && n < text + 12) {
                ASSERT_EQ(cut, std::nullopt) << "cut at " << n;
            }
            std::vector<uint8_t> altered = carried;
            altered[n] ^= 0x04;
            const std::optional<std::string> got = Read(altered);
            ASSERT_TRUE(!got || *got == formula) << "altered at " << n;
            if (n >= text && n < text + 12) {
                ASSERT_EQ(got, std::nullopt) << "altered at " << n;
            }
        }
    }
}

// Appends a PNG chunk with its CRC before the first IDAT of the sample.
std::vector<uint8_t> PngWithChunk(const std::string& type, const std::string& data) {
    std::vector<uint8_t> png = SampleCarrierPicture(CarrierFormat::Png);
    const std::string bytes(png.begin(), png.end());
    const size_t idat = bytes.find("IDAT") - 4;
    const std::string body = type + data;
    std::string chunk;
    for (const uint32_t v : {static_cast<uint32_t>(data.size())})
        for (int shift = 24; shift >= 0; shift -= 8) chunk += char(v >> shift);
    chunk += body;
    const uint32_t crc = Crc32(body);
    for (int shift = 24; shift >= 0; shift -= 8) chunk += char(crc >> shift);
    png.insert(png.begin() + idat, chunk.begin(), chunk.end());
    return png;
}

// The sample JPEG with comments right after SOI.
std::vector<uint8_t> JpegWithComments(const std::vector<std::string>& comments) {
    std::vector<uint8_t> jpeg = SampleCarrierPicture(CarrierFormat::Jpeg);
    std::string segments;
    for (const std::string& c : comments)
        segments += std::string("\xFF\xFE") + char((c.size() + 2) >> 8) + char(c.size() + 2) + c;
    jpeg.insert(jpeg.begin() + 2, segments.begin(), segments.end());
    return jpeg;
}

TEST(FormulaCarrier, OtherProgramsTextsAreNotTaken) {
    const std::string sealed = SealFormula("a+b");
    const std::string ours = std::string(kFormulaKeyword) + " " + sealed;
    struct Case {
        const char* what;
        std::vector<uint8_t> picture;
        std::optional<std::string> want;
    } cases[] = {
        {"PNG text chunk", PngWithChunk("tEXt", "Comment\0" + sealed), std::nullopt},
        {"PNG iTXt of another keyword",
         PngWithChunk("iTXt", "Title" + std::string(5, '\0') + sealed), std::nullopt},
        {"PNG iTXt, compressed",
         PngWithChunk("iTXt",
                      std::string(kFormulaKeyword) + '\0' + '\1' + std::string(3, '\0') + sealed),
         std::nullopt},
        {"PNG iTXt of ours",
         PngWithChunk("iTXt", std::string(kFormulaKeyword) + std::string(5, '\0') + sealed), "a+b"},
        {"JPEG comment without signature", JpegWithComments({sealed}), std::nullopt},
        {"JPEG comment of another program", JpegWithComments({"Nerovan formulae " + sealed}),
         std::nullopt},
        {"JPEG comments around ours", JpegWithComments({"made by x", ours, "edited by y"}), "a+b"},
        {"SVG element in another namespace",
         EmbedFormula(SampleCarrierPicture(CarrierFormat::Svg), CarrierFormat::Svg, "a+b"),
         std::nullopt},
    };
    // The element under our prefix, but the prefix bound to another namespace.
    std::vector<uint8_t>& foreign = cases[std::size(cases) - 1].picture;
    std::string text(foreign.begin(), foreign.end());
    text.replace(text.find(kFormulaNamespace), kFormulaNamespace.size(), "urn:x-other:formula:1");
    foreign.assign(text.begin(), text.end());
    for (const Case& c : cases) EXPECT_EQ(Read(c.picture), c.want) << c.what;
}

// The EMF carries the expression in its header since before the other
// formats did.
TEST(FormulaCarrier, EmfGivesItsExpression) {
    for (const char* expression : {DemoFormulas[0], DemoFormulas[17], "\xE6 <&> \"q\""}) {
        TNerovan component;
        component.Expression = expression;
        component.EMFPaint = true;
        component.Paint();
        const std::vector<uint8_t> emf = SerializeEmf(component.Metafile());
        EXPECT_EQ(Read(emf), Cp1251ToUtf8(expression));
    }
}

TEST(FormulaCarrier, TextThatPicturesCannotHoldIsRefused) {
    const std::vector<uint8_t> png = SampleCarrierPicture(CarrierFormat::Png);
    EXPECT_THROW(EmbedFormula(png, CarrierFormat::Png, "a\xFF"), EPictureError);
    EXPECT_THROW(EmbedFormula(png, CarrierFormat::Png, std::string("a\0b", 3)), EPictureError);
    EXPECT_THROW(
        EmbedFormula(SampleCarrierPicture(CarrierFormat::Svg), CarrierFormat::Svg, "a\x01"),
        EPictureError);
    for (size_t k = 0; k < std::size(kFormats); ++k)
        EXPECT_THROW(EmbedFormula({'x', 'y'}, kFormats[k], "a"), EPictureError) << kFormatNames[k];
}

}  // namespace
}  // namespace nerovan
