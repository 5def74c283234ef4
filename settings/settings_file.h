// The settings file "Nerovan.Ini": the program's entries (hot key,
// metafile mode, painter switches, insert palette) and, in a section of its
// own, the window placement, expression, history and font. Sections and keys
// are matched without regard to case; a missing, empty or malformed file
// gives the defaults; saving is atomic and keeps every other entry.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace nerovan {

// The program's entries in one place: the window keeps them
// (TNerovan1::Settings), the parameters dialog edits them, and the settings
// file reads and writes them.
struct ProgramSettings {
    bool HotKeyShift = true;
    bool HotKeyCtrl = true;
    bool HotKeyAlt = false;
    char HotKeyLetter = 'F';
    bool EMFPaint = false;
    bool MulPoint = false;
    bool BlurBitmap = false;
    bool AutoInsertButtons = true;
    // Copies and saved pictures without a background, where the kind has
    // transparency (PNG, SVG, PDF). A blurred bitmap is smoothed against its
    // background, so it keeps one.
    bool Transparent = false;
    bool PicturesTransparent() const { return Transparent && !BlurBitmap; }
};

struct PlacementState {
    bool HasGeometry = false;  // false: let the window system place the window
    int Left = 227, Top = 189, Width = 570, Height = 383;
    bool Maximized = false;
    QString Expression;
    QStringList History;
    QString FontName = "Times New Roman";
    // The font dialog's initial font: Times New Roman at an em of 27 pixels.
    int FontHeight = -27;  // pixels; negative = em height, positive = cell height
    int FontStyle = 0;     // fsBold | fsItalic | fsUnderline | fsStrikeOut
    int FontCharset = 1;
};

class SettingsFile {
public:
    // Loads the file; a missing or unreadable one is an empty settings file.
    // A path that is not a regular file (a FIFO would never end) or a file
    // larger than kLargestFile is not read: the defaults hold, Refused()
    // says why, and Save leaves that file (but for a folder) as it is.
    explicit SettingsFile(const QString& path);
    static constexpr qint64 kLargestFile = 1024 * 1024;
    ~SettingsFile();

    // "Nerovan.Ini" in the executable's folder when that folder is writable
    // and not an installed bin folder, otherwise in $XDG_CONFIG_HOME/nerovan/
    // (~/.config/nerovan/).
    static QString DefaultPath(const QString& executable_dir);
    // The hot key letter rule: the first character, upper-cased; anything
    // but A to Z (also an empty value) gives 'F'.
    static char LetterFromKey(const QString& value);

    QString Path() const { return path_; }
    // Why the file was not read (empty when it was read or is missing).
    QString Refused() const { return refused_; }
    ProgramSettings ReadProgramSettings() const;
    // The entries, in their order, Booleans as "1"/"0", "Key" as one letter.
    void WriteProgramSettings(const ProgramSettings& s);
    PlacementState ReadPlacement() const;
    void WritePlacement(const PlacementState& p);
    // Writes the file atomically; false with a message naming the file and
    // the reason when it cannot be written. A refused file other than a
    // folder is kept as it is (true, nothing written).
    bool Save(QString* error = nullptr) const;

private:
    QString path_;
    QString refused_;
    bool keep_ = false;  // the file is not to be replaced
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace nerovan
