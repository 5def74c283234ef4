// Reads any bytes as a picture that may carry a formula: whatever the bytes,
// the reader stays within them, and a formula it gives is one whose seal
// holds.
#include <cstddef>
#include <cstdint>

#include "formula_carrier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<std::string> formula = nerovan::ReadFormula(data, size);
    if (formula && formula->size() > size) __builtin_trap();
    return 0;
}
