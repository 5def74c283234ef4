#include "style.h"

#include <algorithm>
#include <iterator>

namespace nerovan {

const char* const UprightFunctionNames[6] = {"sin", "cos", "tg", "sinh", "cosh", "ctg"};

bool IsUprightFunctionName(std::string_view run) {
    return std::any_of(std::begin(UprightFunctionNames), std::end(UprightFunctionNames),
                       [run](const char* name) { return run == name; });
}

}  // namespace nerovan
