// What every formula carrier holds and the pieces the carriers share: the
// sealed text "LENGTH CRC32 FORMULA" (LENGTH the formula's bytes in decimal,
// CRC32 its CRC-32 in eight upper-case hexadecimal digits), the signature
// before it in comments, and the XML form of the SVG and PDF carriers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nerovan {

// The signature that opens the JPEG and GIF comments and is the PNG keyword.
constexpr std::string_view kFormulaKeyword = "Nerovan formula";
// The namespace of the XML element that carries the formula in SVG and XMP.
constexpr std::string_view kFormulaNamespace = "urn:x-nerovan:formula:1";
constexpr std::string_view kFormulaPrefix = "nerovan";

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
inline uint32_t Crc32(std::string_view s, uint32_t crc = 0) {
    return Crc32(reinterpret_cast<const uint8_t*>(s.data()), s.size(), crc);
}

// "LENGTH CRC32 " followed by the formula.
std::string SealFormula(const std::string& formula);
// The formula of a sealed text; trailing bytes after the formula are left
// alone. None when the head is malformed, the text is shorter than its
// length or its CRC-32 differs.
std::optional<std::string> UnsealFormula(std::string_view sealed);

// The element <nerovan:formula xmlns:nerovan="..."> holding the sealed
// formula, escaped for XML. Throws EPictureError for a control character
// that XML cannot hold.
std::string FormulaElement(const std::string& formula);
// The formula of the first (or the last) element "formula" in our namespace
// in an XML text: an SVG, whose newest formula comes first, or a PDF, whose
// newest XMP comes last. The element counts under whatever prefix the text
// gives the namespace; none when there is none or its seal does not hold.
std::optional<std::string> ReadFormulaElement(std::string_view xml, bool last);

// The SVG with the formula's <metadata> right after the root start tag
// (formula_xml.cpp).
std::vector<uint8_t> EmbedFormulaInSvg(const std::vector<uint8_t>& svg, const std::string& formula);
// The PDF with the formula added as an incremental update (formula_pdf.cpp).
std::vector<uint8_t> EmbedFormulaInPdf(const std::vector<uint8_t>& pdf, const std::string& formula);

}  // namespace nerovan
