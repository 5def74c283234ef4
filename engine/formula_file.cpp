// Reading and writing formula files.
#include "formula_file.h"

#include "atomic_file.h"

namespace nerovan {

std::string ReadExpressionFile(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    return bytes.substr(0, bytes.find_first_of("\r\n"));
}

void WriteExpressionFile(const std::string& path, const std::string& expression) {
    const std::string bytes = expression + "\r\n";
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

}  // namespace nerovan
