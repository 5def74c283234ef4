// The formula of a PDF picture, added as an incremental update: the file's
// bytes stay as they are and a new section follows them with an XMP
// metadata stream holding the formula's element, an Info dictionary with
// the old one's entries and the formula as /Subject, a catalog that is the
// old one pointing to the metadata, and a cross-reference section whose
// trailer names the previous one.
#include <cstdio>
#include <cstring>
#include <utility>

#include "errors.h"
#include "formula_seal.h"
#include "utf16.h"

namespace nerovan {

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;  // key without "/", raw value

[[noreturn]] void Unreadable(const std::string& what) {
    throw EPictureError("Cannot add the formula to the PDF picture: " + what);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || !c; }
bool IsDelimiter(char c) { return std::strchr("()<>[]{}/%", c) && c; }

// The place of the next token: past blanks and comments.
size_t SkipBlanks(std::string_view s, size_t at) {
    while (at < s.size()) {
        if (s[at] == '%') {
            while (at < s.size() && s[at] != '\r' && s[at] != '\n') ++at;
        } else if (IsBlank(s[at])) {
            ++at;
        } else {
            break;
        }
    }
    return at;
}

size_t SkipRegular(std::string_view s, size_t at) {
    while (at < s.size() && !IsBlank(s[at]) && !IsDelimiter(s[at])) ++at;
    return at;
}

// The end of the literal string that opens at s[at] == '('.
size_t SkipString(std::string_view s, size_t at) {
    int depth = 0;
    for (; at < s.size(); ++at) {
        if (s[at] == '\\') {
            ++at;
        } else if (s[at] == '(') {
            ++depth;
        } else if (s[at] == ')' && --depth == 0) {
            return at + 1;
        }
    }
    return std::string_view::npos;
}

// The end of the value that starts at s[at]: a dictionary or array with all
// it holds, a string, a name or one plain token. npos when it runs off.
size_t SkipValue(std::string_view s, size_t at) {
    if (at >= s.size()) return std::string_view::npos;
    if (s[at] == '(') return SkipString(s, at);
    if (s[at] == '/') return SkipRegular(s, at + 1);
    if (s.compare(at, 2, "<<") != 0 && s[at] != '[') {
        if (s[at] != '<') return at < s.size() && !IsDelimiter(s[at]) ? SkipRegular(s, at) : s.npos;
        const size_t end = s.find('>', at);
        return end == std::string_view::npos ? end : end + 1;
    }
    int depth = 0;
    while (at < s.size()) {
        if (s.compare(at, 2, "<<") == 0 || s.compare(at, 2, ">>") == 0) {
            depth += s[at] == '<' ? 1 : -1;
            at += 2;
        } else if (s[at] == '[' || s[at] == ']') {
            depth += s[at++] == '[' ? 1 : -1;
        } else if (s[at] == '(' || s[at] == '<' || s[at] == '%') {
            at = s[at] == '%' ? SkipBlanks(s, at) : SkipValue(s, at);
            if (at == std::string_view::npos) return at;
        } else {
            ++at;
        }
        if (depth == 0) return at;
    }
    return std::string_view::npos;
}

bool IsInteger(std::string_view t) {
    return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos;
}

// The entries of the dictionary at s[at] == "<<"; a reference "N G R" is
// one value.
bool ParseDictionary(std::string_view s, size_t at, Entries& entries) {
    if (s.compare(at, 2, "<<") != 0) return false;
    for (at = SkipBlanks(s, at + 2); at < s.size() && s.compare(at, 2, ">>") != 0;) {
        if (s[at] != '/') return false;
        const size_t key_end = SkipRegular(s, at + 1);
        const std::string key(s.substr(at + 1, key_end - at - 1));
        const size_t value = SkipBlanks(s, key_end);
        size_t end = SkipValue(s, value);
        if (end == std::string_view::npos) return false;
        if (IsInteger(s.substr(value, end - value))) {
            const size_t gen = SkipBlanks(s, end), gen_end = SkipValue(s, gen);
            const size_t r = gen_end == s.npos ? s.npos : SkipBlanks(s, gen_end);
            if (r != s.npos && IsInteger(s.substr(gen, gen_end - gen)) &&
                s.compare(r, 1, "R") == 0 && SkipRegular(s, r) == r + 1)
                end = r + 1;
        }
        entries.emplace_back(key, std::string(s.substr(value, end - value)));
        at = SkipBlanks(s, end);
    }
    return at < s.size();
}

const std::string* Find(const Entries& entries, const std::string& key) {
    for (const auto& [k, v] : entries)
        if (k == key) return &v;
    return nullptr;
}

// The dictionary of the newest definition "N G obj" of a reference "N G R".
bool ReadObjectDictionary(std::string_view s, const std::string& reference, Entries& entries) {
    if (reference.size() < 2 || reference.compare(reference.size() - 1, 1, "R") != 0) return false;
    std::string head = reference.substr(0, reference.size() - 1);
    while (!head.empty() && IsBlank(head.back())) head.pop_back();
    head += " obj";
    for (size_t at = s.rfind(head); at != std::string_view::npos;
         at = at == 0 ? s.npos : s.rfind(head, at - 1))
        if (at == 0 || IsBlank(s[at - 1]))
            return ParseDictionary(s, SkipBlanks(s, at + head.size()), entries);
    return false;
}

// The dictionary's text with the entries, less the one named `replaced`,
// and `added` at its end.
std::string Dictionary(const Entries& entries, const std::string& replaced,
                       const std::string& added) {
    std::string d = "<<";
    for (const auto& [k, v] : entries)
        if (k != replaced) d += " /" + k + " " + v;
    return d + " /" + replaced + " " + added + " >>";
}

// A PDF text string: UTF-16BE with its byte order mark, in hexadecimal.
std::string PdfText(const std::string& utf8) {
    std::vector<uint16_t> units;
    AppendUtf16(units, utf8);
    std::string hex = "<FEFF";
    char unit[5];
    for (const uint16_t u : units) {
        std::snprintf(unit, sizeof unit, "%04X", u);
        hex += unit;
    }
    return hex + ">";
}

std::string XmpPacket(const std::string& formula) {
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "<rdf:Description rdf:about=\"\">\n" +
           FormulaElement(formula) +
           "\n</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

}  // namespace

std::vector<uint8_t> EmbedFormulaInPdf(const std::vector<uint8_t>& pdf,
                                       const std::string& formula) {
    const std::string_view s(reinterpret_cast<const char*>(pdf.data()), pdf.size());
    if (s.rfind("%PDF-", 0) != 0) Unreadable("it does not start as a PDF");
    // The last cross-reference section and its trailer (a table followed by
    // "trailer", or a cross-reference stream's own dictionary).
    const size_t startxref = s.rfind("startxref");
    if (startxref == std::string_view::npos) Unreadable("it has no startxref");
    const size_t number = SkipBlanks(s, startxref + 9), number_end = SkipRegular(s, number);
    const std::string_view prev_text = s.substr(number, number_end - number);
    if (!IsInteger(prev_text) || prev_text.size() > 15) Unreadable("its startxref is no offset");
    const size_t prev = std::stoull(std::string(prev_text));
    if (prev >= s.size()) Unreadable("its startxref lies outside the file");
    size_t trailer_at = std::string_view::npos;
    if (s.compare(prev, 4, "xref") == 0) {
        const size_t t = s.find("trailer", prev);
        if (t != std::string_view::npos) trailer_at = SkipBlanks(s, t + 7);
    } else {
        const size_t obj = s.find("obj", prev);
        if (obj != std::string_view::npos && obj - prev < 32) trailer_at = SkipBlanks(s, obj + 3);
    }
    Entries trailer, catalog, info;
    if (trailer_at == std::string_view::npos || !ParseDictionary(s, trailer_at, trailer))
        Unreadable("its trailer cannot be read");
    const std::string* size_text = Find(trailer, "Size");
    const std::string* root = Find(trailer, "Root");
    if (!size_text || !IsInteger(*size_text) || size_text->size() > 9 || !root ||
        !ReadObjectDictionary(s, *root, catalog))
        Unreadable("its catalog cannot be found");
    if (const std::string* old_info = Find(trailer, "Info"))
        if (!ReadObjectDictionary(s, *old_info, info)) info.clear();

    const long first = std::stol(*size_text);
    const std::string metadata = std::to_string(first), info_n = std::to_string(first + 1),
                      catalog_n = std::to_string(first + 2);
    std::string update = s.empty() || s.back() == '\n' || s.back() == '\r' ? "" : "\n";
    std::vector<size_t> offsets;
    auto object = [&](const std::string& n, const std::string& body) {
        offsets.push_back(pdf.size() + update.size());
        update += n + " 0 obj\n" + body + "\nendobj\n";
    };
    const std::string xmp = XmpPacket(formula);
    object(metadata, "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) +
                         " >>\nstream\n" + xmp + "\nendstream");
    object(info_n, Dictionary(info, "Subject", PdfText(formula)));
    object(catalog_n, Dictionary(catalog, "Metadata", metadata + " 0 R"));
    const size_t xref = pdf.size() + update.size();
    update += "xref\n" + metadata + " 3\n";
    char entry[32];
    for (const size_t offset : offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", offset);
        update += entry;
    }
    update += "trailer\n<< /Size " + std::to_string(first + 3) + " /Root " + catalog_n +
              " 0 R /Info " + info_n + " 0 R /Prev " + std::to_string(prev);
    if (const std::string* id = Find(trailer, "ID")) update += " /ID " + *id;
    update += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    std::vector<uint8_t> out(pdf);
    out.insert(out.end(), update.begin(), update.end());
    return out;
}

}  // namespace nerovan
