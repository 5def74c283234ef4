// Formula files (*.fla): one line of expression text in Windows-1251, ended
// by carriage return and line feed; reading takes the first line only.
#pragma once

#include <string>

namespace nerovan {

// The first line of the file, without its line end. Throws EFileError, also
// for a line longer than the longest formula and for anything but a regular
// file; only the first line is read.
std::string ReadExpressionFile(const std::string& path);
// Writes the expression followed by CR LF, atomically: a failed save keeps
// the file that was there. Throws EFileError.
void WriteExpressionFile(const std::string& path, const std::string& expression);

}  // namespace nerovan
