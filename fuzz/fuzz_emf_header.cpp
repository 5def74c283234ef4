// Reads the header of any bytes as an EMF from the clipboard would be read:
// a malformed one is refused, never read out of bounds.
#include <cstddef>
#include <cstdint>

#include "emf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nerovan::EmfHeaderInfo info;
    nerovan::ReadEmfHeader(data, size, info);
    return 0;
}
