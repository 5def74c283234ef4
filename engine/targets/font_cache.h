// What the font engine resolved, kept from one process for the next: the
// pattern fontconfig matched for each (name, bold, italic) and the glyph
// tables of each scaled font. It is taken only while everything that could
// change the answer is as it was when it was kept: the font files, every
// fontconfig configuration file and folder read, the font folders, the
// variables fontconfig reads, the libraries and the program itself.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace nerovan {

using FaceKey = std::tuple<std::string, bool, bool>;
// A face, its em in pixels and its charset (-1 for the symbol font).
using TableKey = std::tuple<std::string, bool, bool, int, int>;

struct ResolvedFonts {
    // "WHAT\tSTATE" lines: a path and its size and times, or a variable and
    // its value, as they were when the fonts were resolved.
    std::vector<std::string> Stamps;
    std::map<FaceKey, std::string> Patterns;  // FcNameUnparse of the match
    std::map<TableKey, std::string> Tables;   // the bytes of a glyph table
};

// The state of a path: kind, size, inode and change times; "-" when missing.
std::string PathStamp(const std::string& path);

// The stamps of the state the fonts were resolved in now: the files given
// (font files), and the configuration that fontconfig, initialised, read.
std::vector<std::string> CurrentStamps(const std::vector<std::string>& font_files);

// Whether every stamp still holds.
bool StampsHold(const std::vector<std::string>& stamps);

// The bytes of a cache file, and back; false for anything not written by
// EncodeResolved with the same table size (the file is then not used).
std::string EncodeResolved(const ResolvedFonts& fonts, size_t table_size);
bool DecodeResolved(const std::string& bytes, size_t table_size, ResolvedFonts& fonts);

}  // namespace nerovan
