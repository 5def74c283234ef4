// Reads any bytes as a picture that may carry a formula: whatever the bytes,
// the reader stays within them, and the formula it gives comes from them (an
// EMF's UTF-16 text grows by half at most as UTF-8, so never past twice their
// size).
#include <cstddef>
#include <cstdint>

#include "formula_carrier.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<std::string> formula = nerovan::ReadFormula(data, size);
    if (formula && formula->size() > 2 * size) __builtin_trap();
    return 0;
}
