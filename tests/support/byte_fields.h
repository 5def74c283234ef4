// Little-endian fields of the binary files the format tests read back (BMP,
// EMF), by their byte offset in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace nerovan {

inline uint16_t Le16(const std::vector<uint8_t>& d, size_t at) {
    return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

inline uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

}  // namespace nerovan
