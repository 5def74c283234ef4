// Reading and writing formula files.
#include "formula_file.h"

#include <algorithm>

#include "atomic_file.h"
#include "metrics.h"

namespace nerovan {

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

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
        if (n == 0) return line;
        const char* end = std::find_if(buffer, buffer + n, IsLineEnd);
        line.append(buffer, static_cast<size_t>(end - buffer));
        if (end != buffer + n) return line;
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
