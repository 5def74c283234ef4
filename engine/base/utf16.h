// Conversions between UTF-8 and the UTF-16 code units of EMF texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nerovan {

// Appends utf8 as UTF-16 code units; a byte that does not start a
// well-formed sequence becomes U+FFFD. NUL characters are left out: EMF
// header texts use NUL as their separator.
void AppendUtf16(std::vector<uint16_t>& out, const std::string& utf8);

// units[begin..end) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<uint16_t>& units, size_t begin, size_t end);

}  // namespace nerovan
