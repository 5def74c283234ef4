// nerovan-render --read FILE: prints the formula a picture carries.
#pragma once

namespace nerovan {

// When the arguments after the program name ask for --read, carries it out
// and sets status: 0 with the formula (UTF-8) on one line of standard
// output; 1 when the picture holds no formula; 2 on a usage error or a file
// that cannot be read, with the message on standard error. False, status
// untouched, for any other command line.
bool RunReadFormula(int argc, const char* const* argv, int& status);

}  // namespace nerovan
