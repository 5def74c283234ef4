// The Demo command's choice of formula: the program's own 32-bit linear
// congruential generator, seeded with 0 at start, so every run offers the
// same sequence (1, 1, 16, 4, 5, 13, 6, 3, 7, 8, 2, 9, ...).
#pragma once

#include <cstdint>

namespace nerovan {

class DemoGenerator {
public:
    // A number from 0 to range - 1: seed := seed * 134775813 + 1 (mod 2^32),
    // then the upper 32 bits of seed * range.
    int Next(int range);
    // The number of the next demo formula, 1 to 18.
    int NextDemoNumber();

private:
    uint32_t seed_ = 0;
};

}  // namespace nerovan
