// The formula as XML: the element in our namespace that the SVG's metadata
// and the PDF's XMP hold, read back under whatever prefix a program that
// re-saved the text gave the namespace.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "code_pages.h"
#include "errors.h"
#include "formula_seal.h"

namespace nerovan {

namespace {

// Element text: markup characters as entities, a carriage return as a
// character reference (a parser would turn it into a line feed).
std::string EscapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\r': out += "&#13;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
                    char name[8];
                    std::snprintf(name, sizeof name, "%04X", static_cast<unsigned>(c));
                    throw EPictureError(std::string("Cannot add the formula to the picture: ") +
                                        "XML cannot hold its control character U+" + name);
                }
                out += c;
        }
    }
    return out;
}

// The character a reference "&...;" at text[at] stands for, appended to out;
// the place after it, or npos when it is no reference XML knows.
size_t Unescape(std::string_view text, size_t at, std::string& out) {
    // The longest reference is "&#x10FFFF;": a ';' is looked for no further.
    const size_t end = text.substr(0, at + 11).find(';', at);
    if (end == std::string_view::npos) return std::string_view::npos;
    const std::string_view name = text.substr(at + 1, end - at - 1);
    static const std::pair<std::string_view, char> named[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [n, c] : named)
        if (name == n) {
            out += c;
            return end + 1;
        }
    if (name.size() < 2 || name[0] != '#') return std::string_view::npos;
    const bool hex = name[1] == 'x';
    uint32_t cp = 0;
    for (size_t i = hex ? 2 : 1; i < name.size(); ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        if (digit < 0 || cp > 0x10FFFF) return std::string_view::npos;
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::string_view::npos;
    AppendUtf8(out, cp);
    return end + 1;
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
           (static_cast<unsigned char>(c) & 0x80);
}

// The prefix the last declaration of our namespace in the text gives it.
std::optional<std::string_view> OurPrefix(std::string_view xml) {
    std::optional<std::string_view> prefix;
    for (size_t at = xml.find(kFormulaNamespace); at != std::string_view::npos;
         at = xml.find(kFormulaNamespace, at + 1)) {
        // ... xmlns:PREFIX="URI" (or with single quotes, blanks around "=").
        if (at == 0 || (xml[at - 1] != '"' && xml[at - 1] != '\'')) continue;
        if (at + kFormulaNamespace.size() >= xml.size() ||
            xml[at + kFormulaNamespace.size()] != xml[at - 1])
            continue;
        size_t p = at - 1;
        while (p > 0 && std::strchr(" \t\r\n", xml[p - 1]) && xml[p - 1]) --p;
        if (p == 0 || xml[--p] != '=') continue;
        while (p > 0 && std::strchr(" \t\r\n", xml[p - 1]) && xml[p - 1]) --p;
        size_t name = p;
        while (name > 0 && IsNameChar(xml[name - 1]) && p - name < 64) --name;
        if (name < 6 || xml.substr(name - 6, 6) != "xmlns:" || name == p) continue;
        prefix = xml.substr(name, p - name);
    }
    return prefix;
}

}  // namespace

std::string FormulaElement(const std::string& formula) {
    const std::string tag = std::string(kFormulaPrefix) + ":formula";
    return "<" + tag + " xmlns:" + std::string(kFormulaPrefix) + "=\"" +
           std::string(kFormulaNamespace) + "\">" + EscapeXml(SealFormula(formula)) + "</" + tag +
           ">";
}

std::optional<std::string> ReadFormulaElement(std::string_view xml, bool last) {
    const std::optional<std::string_view> prefix = OurPrefix(xml);
    if (!prefix) return std::nullopt;
    const std::string tag = std::string(*prefix) + ":formula";
    // The start tag "<PREFIX:formula" followed by ">" or attributes.
    size_t at = last ? xml.size() : 0;
    for (bool first = true;; first = false) {
        if (last)
            at = at == 0 ? std::string_view::npos : xml.rfind("<" + tag, at - 1);
        else
            at = xml.find("<" + tag, first ? 0 : at + 1);
        if (at == std::string_view::npos) return std::nullopt;
        const size_t after = at + 1 + tag.size();
        if (after < xml.size() && (xml[after] == '>' || std::strchr(" \t\r\n", xml[after]))) break;
    }
    const size_t open_end = xml.find('>', at);
    const size_t close = xml.find("</" + tag, at);
    if (open_end == std::string_view::npos || close == std::string_view::npos || close < open_end ||
        xml[open_end - 1] == '/')
        return std::nullopt;
    std::string sealed;
    for (size_t i = open_end + 1; i < close;) {
        if (xml[i] == '<') return std::nullopt;  // markup or CDATA inside: not ours
        if (xml[i] != '&') {
            sealed += xml[i++];
            continue;
        }
        i = Unescape(xml, i, sealed);
        if (i == std::string_view::npos || i > close) return std::nullopt;
    }
    return UnsealFormula(sealed);
}

std::vector<uint8_t> EmbedFormulaInSvg(const std::vector<uint8_t>& svg,
                                       const std::string& formula) {
    const std::string_view text(reinterpret_cast<const char*>(svg.data()), svg.size());
    // Past the XML declaration, comments, processing instructions and the
    // document type to the root's start tag, then to its end outside quotes.
    size_t at = 0;
    for (;;) {
        at = text.find('<', at);
        if (at == std::string_view::npos) break;
        const std::string_view rest = text.substr(at);
        const char* close = rest.rfind("<?", 0) == 0     ? "?>"
                            : rest.rfind("<!--", 0) == 0 ? "-->"
                            : rest.rfind("<!", 0) == 0   ? ">"
                                                         : nullptr;
        if (!close) break;
        at = text.find(close, at + 2);
        if (at == std::string_view::npos) break;
    }
    if (at == std::string_view::npos || text.compare(at, 4, "<svg") != 0 || at + 4 >= text.size() ||
        !(text[at + 4] == '>' || std::strchr(" \t\r\n", text[at + 4])))
        throw EPictureError("Cannot add the formula to the SVG picture: it has no <svg> root");
    char quote = 0;
    for (at += 4; at < text.size() && (quote || text[at] != '>'); ++at)
        if (text[at] == '"' || text[at] == '\'')
            quote = quote == text[at] ? 0 : quote ? quote : text[at];
    if (at >= text.size() || text[at - 1] == '/')
        throw EPictureError("Cannot add the formula to the SVG picture: its <svg> root is empty");
    const std::string metadata = "\n<metadata>" + FormulaElement(formula) + "</metadata>";
    std::vector<uint8_t> out(svg.begin(), svg.begin() + static_cast<ptrdiff_t>(at + 1));
    out.insert(out.end(), metadata.begin(), metadata.end());
    out.insert(out.end(), svg.begin() + static_cast<ptrdiff_t>(at + 1), svg.end());
    return out;
}

}  // namespace nerovan
