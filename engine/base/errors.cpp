#include "errors.h"

#include <cstdint>
#include <vector>

#include "code_pages.h"
#include "utf16.h"

namespace nerovan {

namespace {

// Bytes meant as UTF-8, with every byte that starts no well-formed sequence
// replaced by U+FFFD (the round trip through UTF-16 does that replacement).
std::string WellFormedUtf8(const std::string& s) {
    std::vector<uint16_t> units;
    AppendUtf16(units, s);
    return Utf16ToUtf8(units, 0, units.size());
}

}  // namespace

std::string EUserError::Utf8Message() const {
    return encoding_ == MessageEncoding::Cp1251 ? Cp1251ToUtf8(what()) : WellFormedUtf8(what());
}

std::string UserMessage(const std::exception& e) {
    if (const auto* user = dynamic_cast<const EUserError*>(&e)) return user->Utf8Message();
    return WellFormedUtf8(e.what());
}

}  // namespace nerovan
