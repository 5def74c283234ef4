// The eighteen built-in example formulas that the Demo command offers,
// numbered 1 to 18 (index 0 holds formula 1). Runs of blanks and brackets
// left open are part of the texts.
#pragma once

namespace nerovan {

constexpr int kDemoFormulaCount = 18;
extern const char* const DemoFormulas[kDemoFormulaCount];

}  // namespace nerovan
