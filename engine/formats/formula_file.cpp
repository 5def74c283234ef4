// Reading and writing formula files.
#include "formula_file.h"

#include <algorithm>
#include <cstdio>

#include "atomic_file.h"
#include "metrics.h"

namespace nerovan {

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

namespace {

// A first line holding a byte that is no character of Windows-1251 (NUL, or
// the unassigned 0x98) is refused, by the renderer and the window alike,
// rather than painted as a box by one and refused by the other.
const std::string& CheckedLine(const std::string& line, const std::string& path) {
    const size_t at = line.find_first_of(std::string("\0\x98", 2));
    if (at == std::string::npos) return line;
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(line[at]));
    throw EFileError("Cannot open \"" + path + "\": byte " + byte + " at position " +
                         std::to_string(at + 1) + " is not a character of Windows-1251",
                     path);
}

}  // namespace

std::string ReadExpressionFile(const std::string& path) {
    FileReader file(path, true);
    // Only the first line is read, and of it one character more than the
    // longest formula: whatever follows costs neither time nor memory.
    std::string line;
    char buffer[65536];
    while (line.size() <= kMaxExpressionLength) {
        const size_t n =
            file.Read(buffer, std::min(sizeof buffer, kMaxExpressionLength + 1 - line.size()));
        if (n == 0) return CheckedLine(line, path);
        const char* end = std::find_if(buffer, buffer + n, IsLineEnd);
        line.append(buffer, static_cast<size_t>(end - buffer));
        if (end != buffer + n) return CheckedLine(line, path);
    }
    // The line is over the limit; its length is known when it ends right here.
    char next;
    const bool ends = file.Read(&next, 1) == 0 || IsLineEnd(next);
    const std::string limit = std::to_string(kMaxExpressionLength);
    throw EFileError("Cannot open \"" + path + "\": the formula is " +
                         (ends ? std::to_string(line.size()) : "more than " + limit) +
                         " characters long; the longest is " + limit,
                     path);
}

void WriteExpressionFile(const std::string& path, const std::string& expression) {
    const std::string bytes = expression + "\r\n";
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

}  // namespace nerovan
