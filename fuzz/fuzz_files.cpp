// Reads any bytes as a formula file and as the settings file, the two files
// the program opens that a user or another program may have written.
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "atomic_file.h"
#include "formula_file.h"
#include "settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/nerovan-fuzz-" + std::to_string(getpid()) + ".ini";
    nerovan::WriteFileAtomic(path, data, size);
    try {
        nerovan::ReadExpressionFile(path);
    } catch (const nerovan::EFileError&) {
        // A first line longer than the longest formula, or one with a byte
        // that is no character of Windows-1251, is refused.
    }
    nerovan::SettingsFile settings(QString::fromStdString(path));
    settings.ReadProgramSettings();
    settings.ReadPlacement();
    std::remove(path.c_str());
    return 0;
}
