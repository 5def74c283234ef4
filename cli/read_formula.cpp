// Reading the formula back out of a picture from the command line.
#include "read_formula.h"

#include <exception>
#include <iostream>
#include <string>

#include "atomic_file.h"
#include "errors.h"
#include "formula_carrier.h"

namespace nerovan {

bool RunReadFormula(int argc, const char* const* argv, int& status) {
    const std::string option = "--read";
    if (argc < 1 || std::string(argv[0]).rfind(option, 0) != 0) return false;
    const std::string first = argv[0];
    std::string path;
    if (first == option && argc == 2) {
        path = argv[1];
    } else if (first.rfind(option + "=", 0) == 0 && argc == 1) {
        path = first.substr(option.size() + 1);
    } else if (first != option && first[option.size()] != '=') {
        return false;  // another option that begins the same way
    } else {
        std::cerr << "nerovan-render: --read takes one FILE and no other arguments\n";
        status = 2;
        return true;
    }
    std::string bytes;
    try {
        // Only a regular file: a pipe or a device may never end.
        FileReader file(path, true);
        char buffer[65536];
        while (const size_t n = file.Read(buffer, sizeof buffer)) bytes.append(buffer, n);
    } catch (const std::exception& e) {
        std::cerr << "nerovan-render: " << UserMessage(e) << "\n";
        status = 2;
        return true;
    }
    const std::optional<std::string> formula =
        ReadFormula(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!formula) {
        std::cerr << "nerovan-render: " << path << " holds no formula\n";
        status = 1;
        return true;
    }
    std::cout << *formula << "\n";
    std::cout.flush();
    status = std::cout.good() ? 0 : 2;
    if (status != 0) std::cerr << "nerovan-render: cannot write to standard output\n";
    return true;
}

}  // namespace nerovan
