// UTF-8 and UTF-16 for the texts of EMF records.
#include "utf16.h"

#include "code_pages.h"

namespace nerovan {

void AppendUtf16(std::vector<uint16_t>& out, const std::string& utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    out.reserve(out.size() + n);  // never more units than bytes
    size_t i = 0;
    while (i < n) {
        uint32_t cp = p[i];
        size_t len = 1;
        uint32_t min = 0;
        if (cp >= 0xC2 && cp <= 0xDF) {
            len = 2;
            cp &= 0x1F;
            min = 0x80;
        } else if (cp >= 0xE0 && cp <= 0xEF) {
            len = 3;
            cp &= 0x0F;
            min = 0x800;
        } else if (cp >= 0xF0 && cp <= 0xF4) {
            len = 4;
            cp &= 0x07;
            min = 0x10000;
        } else if (cp >= 0x80) {
            cp = 0xFFFD;  // stray continuation byte or invalid lead byte
        }
        if (len > 1) {
            bool ok = i + len <= n;
            for (size_t k = 1; ok && k < len; ++k) {
                if ((p[i + k] & 0xC0) != 0x80) {
                    ok = false;
                } else {
                    cp = (cp << 6) | (p[i + k] & 0x3F);
                }
            }
            if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                cp = 0xFFFD;
                len = 1;
            }
        }
        i += len;
        if (cp == 0) continue;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<uint16_t>(cp));
        }
    }
}

std::string Utf16ToUtf8(const std::vector<uint16_t>& units, size_t begin, size_t end) {
    std::string out;
    for (size_t i = begin; i < end; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < end && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace nerovan
