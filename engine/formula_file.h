// Formula files (*.fla): one line of expression text in Windows-1251, ended
// by carriage return and line feed; reading takes the first line only.
#pragma once

#include <string>

namespace nerovan {

// The first line of the file, without its line end. Throws EFileError.
std::string ReadExpressionFile(const std::string& path);
// Writes the expression followed by CR LF, atomically: a failed save keeps
// the file that was there. Throws EFileError.
void WriteExpressionFile(const std::string& path, const std::string& expression);

}  // namespace nerovan
