// Reads any bytes as a formula file, as the settings file and as the
// renderer's kept fonts: the files the programs open that a user, another
// program or a run cut short may have written. Kept fonts that read are
// written again and read back the same.
#include <unistd.h>

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "atomic_file.h"
#include "font_cache.h"
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

    // Any table size reads; a small one lets the fuzzer reach whole files.
    constexpr size_t kTableSize = 8;
    nerovan::ResolvedFonts fonts, again;
    if (nerovan::DecodeResolved(std::string(reinterpret_cast<const char*>(data), size), kTableSize,
                                fonts)) {
        if (!nerovan::DecodeResolved(nerovan::EncodeResolved(fonts, kTableSize), kTableSize,
                                     again) ||
            again.Stamps != fonts.Stamps || again.Patterns != fonts.Patterns ||
            again.Tables != fonts.Tables)
            __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
