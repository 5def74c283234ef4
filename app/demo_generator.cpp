// The demo formulas' pseudo-random sequence.
#include "demo_generator.h"

#include "demo_formulas.h"

namespace nerovan {

int DemoGenerator::Next(int range) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<int>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(range)) >> 32);
}

int DemoGenerator::NextDemoNumber() { return 1 + Next(kDemoFormulaCount); }

}  // namespace nerovan
