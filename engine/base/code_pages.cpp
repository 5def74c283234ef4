// Byte-to-Unicode decoding for the charsets of the canvas, the Symbol
// encoding, and UTF-8 <-> Windows-1251 at the boundary of the program.
#include "code_pages.h"

#include <cstdio>
#include <strings.h>

namespace nerovan {
namespace {

#include "code_page_tables.inc"

const uint16_t* UpperHalf(uint8_t charset) {
    switch (charset) {
        case 0: return kCp1252;
        case 161: return kCp1253;
        case 186: return kCp1257;
        default: return kCp1251;
    }
}

}  // namespace

uint32_t CharsetToUnicode(uint8_t charset, uint8_t b) {
    if (b < 0x80) return b;
    return UpperHalf(charset)[b - 0x80];
}

const char* SymbolGlyphName(uint8_t b) { return kSymbolNames[b]; }

uint32_t SymbolToUnicode(uint8_t b) { return kSymbolUnicode[b]; }

bool IsSymbolFontName(const std::string& name) { return strcasecmp(name.c_str(), "Symbol") == 0; }

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string DecodeToUtf8(const std::string& s, uint8_t charset, bool symbol_font) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char b : s) {
        uint32_t cp = symbol_font ? SymbolToUnicode(b) : CharsetToUnicode(charset, b);
        if (cp == 0) cp = 0xFFFD;  // a byte the Symbol encoding leaves empty
        AppendUtf8(out, cp);
    }
    return out;
}

std::string Cp1251ToUtf8(const std::string& s) { return DecodeToUtf8(s, 1, false); }

bool Utf8ToCp1251(const std::string& utf8, std::string& out, std::string& bad_char) {
    out.clear();
    bad_char.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    char buf[96];
    while (i < n) {
        const size_t start = i;
        uint32_t cp = p[i];
        int extra = 0;
        if (cp >= 0xF0 && cp <= 0xF4) {
            extra = 3;
            cp &= 0x07;
        } else if (cp >= 0xE0) {
            extra = cp <= 0xEF ? 2 : -1;
            cp &= 0x0F;
        } else if (cp >= 0xC2) {
            extra = cp <= 0xDF ? 1 : -1;
            cp &= 0x1F;
        } else if (cp >= 0x80) {
            extra = -1;
        }
        bool ok = extra >= 0 && i + extra < n;
        for (int k = 1; ok && k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (ok && ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
                   (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))))
            ok = false;
        if (!ok) {
            std::snprintf(buf, sizeof buf, "an invalid UTF-8 byte 0x%02X at byte %zu", p[start],
                          start + 1);
            bad_char = buf;
            return false;
        }
        i += extra + 1;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            continue;
        }
        int found = -1;
        for (int b = 0; b < 128; ++b) {
            if (kCp1251[b] == cp && cp != 0x98) {  // 0x98 is unassigned in Windows-1251
                found = b + 0x80;
                break;
            }
        }
        if (found < 0) {
            std::snprintf(buf, sizeof buf, "U+%04X '", cp);
            bad_char = buf;
            bad_char.append(utf8, start, i - start);
            bad_char += "'";
            return false;
        }
        out += static_cast<char>(found);
    }
    return true;
}

}  // namespace nerovan
