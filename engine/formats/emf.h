// Enhanced metafile bytes: writes a recorded metafile (display list, header
// texts, picture size) as an EMF through libUEMF, and reads the header of an
// EMF from anywhere (the clipboard) back into its creator, description and
// size, treating those bytes as untrusted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "metafile.h"

namespace nerovan {

// 0.01 mm units in an inch: the unit of an EMF's frame.
constexpr int64_t kHimetricPerInch = 2540;

// The EMF of the metafile at 96 pixels per inch. The header carries the
// creator and the expression as its description; every operation of the
// display list becomes GDI records. Throws EPictureError when the
// metafile cannot be written (a negative or oversized picture, a text run
// whose advances do not match its characters, or libUEMF failing).
std::vector<uint8_t> SerializeEmf(const Metafile& mf);

// A picture of this program also carries "CREATOR: EXPRESSION" as a hidden
// text run, which survives where the header does not (a copy taken back out
// of an office document).
constexpr char kFormulaCarrierSeparator[] = ": ";
// The first word of this program's creator text.
constexpr char kCreatorWord[] = "Nerovan";

// What the header of an EMF says about the picture.
struct EmfHeaderInfo {
    std::string Creator;      // UTF-8: the description text before its first NUL
    std::string Description;  // UTF-8: the text after it, up to the next NUL
    int Width = 0;            // pixels at 96 DPI, from rclFrame
    int Height = 0;
};

// Reads the header of the EMF in data[0..size). The bytes may come from any
// program, so every field is checked before it is used and nothing past the
// buffer is read. A header without a description takes creator and
// description from the first text run of the form "CREATOR: EXPRESSION"
// whose creator starts with kCreatorWord, if one is there. Returns false
// (out untouched) when the bytes do not start with a sane EMF header.
bool ReadEmfHeader(const uint8_t* data, size_t size, EmfHeaderInfo& out);

}  // namespace nerovan
