// Reading and writing "Nerovan.Ini" through SimpleIni (sections and keys
// without regard to case). Strings are written between double quotes so
// that an expression keeps its leading and trailing blanks.
#include "settings_file.h"

#include <QDir>
#include <QFileInfo>
// Only the narrow (UTF-8) reader is used, so no wide-character converter.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "atomic_file.h"
#include "metrics.h"

namespace nerovan {

namespace {

constexpr const char* kHotKey = "HOTKEY";
constexpr const char* kCopyAsPicture = "COPYASPICTURE";
constexpr const char* kPainter = "PAINTER";
// The window placement, expression, history and font, kept apart from the
// program's own entries.
constexpr const char* kPlacement = "Placement";

std::string Utf8(const QString& s) { return s.toUtf8().toStdString(); }

// Whether the text holds a control character that would end or break the
// line of its entry (a tab is harmless).
bool HoldsLineBreak(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) return true;
    return false;
}

// A value is written between double quotes as it is. A value that holds a
// line break (a formula pasted with its line end) cannot stand on one line:
// it is written between single quotes with '%' and the control characters
// as %XX, and read back exactly.
QString Quoted(const QString& s) {
    if (!HoldsLineBreak(s)) return "\"" + s + "\"";
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray escaped("'");
    for (char c : s.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || c == '%') {
            escaped += '%';
            escaped += kHex[b >> 4];
            escaped += kHex[b & 15];
        } else {
            escaped += c;
        }
    }
    return QString::fromUtf8(escaped + "'");
}

QString Unquoted(const char* value) {
    QString s = QString::fromUtf8(value ? value : "");
    if (s.size() < 2) return s;
    if (s.startsWith('"') && s.endsWith('"')) return s.mid(1, s.size() - 2);
    if (s.startsWith('\'') && s.endsWith('\''))
        return QString::fromUtf8(QByteArray::fromPercentEncoding(s.mid(1, s.size() - 2).toUtf8()));
    return s;
}

}  // namespace

struct SettingsFile::Impl {
    CSimpleIniA ini{true, false, false};

    bool ReadBool(const char* section, const char* key, bool fallback) const {
        return ini.GetLongValue(section, key, fallback ? 1 : 0) != 0;
    }
    void WriteBool(const char* section, const char* key, bool value) {
        ini.SetValue(section, key, value ? "1" : "0");
    }
    long ReadLong(const char* section, const char* key, long fallback) const {
        return ini.GetLongValue(section, key, fallback);
    }
    void WriteLong(const char* section, const char* key, long value) {
        ini.SetValue(section, key, std::to_string(value).c_str());
    }
    QString ReadString(const char* section, const char* key, const QString& fallback) const {
        const char* v = ini.GetValue(section, key, nullptr);
        return v ? Unquoted(v) : fallback;
    }
    void WriteString(const char* section, const char* key, const QString& value) {
        ini.SetValue(section, key, Utf8(Quoted(value)).c_str());
    }
};

SettingsFile::SettingsFile(const QString& path) : path_(path), impl_(std::make_unique<Impl>()) {
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0) return;  // no file yet: the defaults
    if (!S_ISREG(st.st_mode) || st.st_size > kLargestFile) {
        // A folder in the file's place makes saving fail with its reason.
        keep_ = !S_ISDIR(st.st_mode);
        refused_ =
            "The settings file \"" + path + "\" is " +
            (S_ISREG(st.st_mode) ? QString("larger than 1 MB") : QString("not a regular file")) +
            ": the program starts with its defaults and leaves the file as it is";
        return;
    }
    try {
        const std::string data = ReadFileBytes(Utf8(path));
        if (impl_->ini.LoadData(data) < 0) impl_->ini.Reset();
    } catch (const std::exception&) {
        // Unreadable: the defaults hold until the first save replaces it.
    }
}

SettingsFile::~SettingsFile() = default;

QString SettingsFile::DefaultPath(const QString& executable_dir) {
    // A folder named bin holds installed programs (/usr/bin, ~/.local/bin, an
    // installation prefix's bin): settings do not belong there even when the
    // user may write to it.
    if (!executable_dir.isEmpty() && QFileInfo(executable_dir).fileName() != "bin" &&
        access(QFile::encodeName(executable_dir).constData(), W_OK) == 0)
        return QDir(executable_dir).filePath("Nerovan.Ini");
    QString config = QString::fromLocal8Bit(std::getenv("XDG_CONFIG_HOME"));
    if (config.isEmpty()) config = QDir::home().filePath(".config");
    return QDir(config).filePath("nerovan/Nerovan.Ini");
}

char SettingsFile::LetterFromKey(const QString& value) {
    if (value.isEmpty()) return 'F';
    const QChar c = value.at(0).toUpper();
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c.unicode()) : 'F';
}

ProgramSettings SettingsFile::ReadProgramSettings() const {
    const ProgramSettings d;
    ProgramSettings s;
    s.HotKeyShift = impl_->ReadBool(kHotKey, "Shift", d.HotKeyShift);
    s.HotKeyCtrl = impl_->ReadBool(kHotKey, "Ctrl", d.HotKeyCtrl);
    s.HotKeyAlt = impl_->ReadBool(kHotKey, "Alt", d.HotKeyAlt);
    const char* key = impl_->ini.GetValue(kHotKey, "KEY", "F");
    s.HotKeyLetter = LetterFromKey(QString::fromUtf8(key));
    s.EMFPaint = impl_->ReadBool(kCopyAsPicture, "EMF", d.EMFPaint);
    s.MulPoint = impl_->ReadBool(kPainter, "MULPOINT", d.MulPoint);
    s.BlurBitmap = impl_->ReadBool(kPainter, "BLURBITMAP", d.BlurBitmap);
    s.AutoInsertButtons = impl_->ReadBool(kPainter, "AUTOINSERTBUTTONS", d.AutoInsertButtons);
    s.Transparent = impl_->ReadBool(kCopyAsPicture, "TRANSPARENT", d.Transparent);
    return s;
}

void SettingsFile::WriteProgramSettings(const ProgramSettings& s) {
    impl_->WriteBool(kHotKey, "Shift", s.HotKeyShift);
    impl_->WriteBool(kHotKey, "Ctrl", s.HotKeyCtrl);
    impl_->WriteBool(kHotKey, "Alt", s.HotKeyAlt);
    const char letter[2] = {s.HotKeyLetter, '\0'};
    impl_->ini.SetValue(kHotKey, "Key", letter);
    impl_->WriteBool(kCopyAsPicture, "EMF", s.EMFPaint);
    impl_->WriteBool(kPainter, "MULPOINT", s.MulPoint);
    impl_->WriteBool(kPainter, "BLURBITMAP", s.BlurBitmap);
    impl_->WriteBool(kPainter, "AUTOINSERTBUTTONS", s.AutoInsertButtons);
    impl_->WriteBool(kCopyAsPicture, "TRANSPARENT", s.Transparent);
}

PlacementState SettingsFile::ReadPlacement() const {
    PlacementState p;
    const Impl& i = *impl_;
    p.HasGeometry = i.ini.GetValue(kPlacement, "Width", nullptr) != nullptr;
    // Far beyond any screen, but never past what an int holds; the window
    // fits the size to the screen it restores on.
    static constexpr long kFarthest = 1000000;
    auto coordinate = [&i](const char* key, int fallback) {
        return static_cast<int>(
            std::clamp(i.ReadLong(kPlacement, key, fallback), -kFarthest, kFarthest));
    };
    p.Left = coordinate("Left", p.Left);
    p.Top = coordinate("Top", p.Top);
    p.Width = coordinate("Width", p.Width);
    p.Height = coordinate("Height", p.Height);
    if (p.Width <= 0 || p.Height <= 0) {
        const PlacementState d;
        p.HasGeometry = false;
        p.Width = d.Width;
        p.Height = d.Height;
    }
    p.Maximized = i.ReadBool(kPlacement, "Maximized", false);
    p.Expression = i.ReadString(kPlacement, "Expression", QString());
    // Entries that are not there, or empty, are no history.
    const long count = i.ReadLong(kPlacement, "HistoryCount", 0);
    for (long k = 0; k < count && k < 16; ++k) {
        const QString entry =
            i.ReadString(kPlacement, ("History" + std::to_string(k)).c_str(), QString());
        if (!entry.isEmpty()) p.History << entry;
    }
    p.FontName = i.ReadString(kPlacement, "FontName", p.FontName);
    if (p.FontName.isEmpty()) p.FontName = PlacementState().FontName;
    // The typesetter takes an em of at most kMaxFontPixels. A negative height
    // is the em, a positive one the whole cell, which a face makes taller
    // than its em; a stored height beyond the bound in either direction is
    // taken at the bound, so the window paints instead of failing until the
    // font is changed (and -2147483648 is never negated).
    const long height = i.ReadLong(kPlacement, "FontHeight", p.FontHeight);
    p.FontHeight =
        height == 0 ? PlacementState().FontHeight
                    : static_cast<int>(std::clamp<long>(height, -kMaxFontPixels, kMaxFontPixels));
    p.FontStyle = static_cast<int>(i.ReadLong(kPlacement, "FontStyle", p.FontStyle)) & 15;
    p.FontCharset = static_cast<int>(i.ReadLong(kPlacement, "FontCharset", p.FontCharset)) & 255;
    return p;
}

void SettingsFile::WritePlacement(const PlacementState& p) {
    Impl& i = *impl_;
    i.ini.Delete(kPlacement, nullptr);
    if (p.HasGeometry) {
        i.WriteLong(kPlacement, "Left", p.Left);
        i.WriteLong(kPlacement, "Top", p.Top);
        i.WriteLong(kPlacement, "Width", p.Width);
        i.WriteLong(kPlacement, "Height", p.Height);
        i.WriteBool(kPlacement, "Maximized", p.Maximized);
    }
    i.WriteString(kPlacement, "Expression", p.Expression);
    const int count = static_cast<int>(std::min<qsizetype>(p.History.size(), 16));
    i.WriteLong(kPlacement, "HistoryCount", count);
    for (int k = 0; k < count; ++k)
        i.WriteString(kPlacement, ("History" + std::to_string(k)).c_str(), p.History[k]);
    i.WriteString(kPlacement, "FontName", p.FontName);
    i.WriteLong(kPlacement, "FontHeight", p.FontHeight);
    i.WriteLong(kPlacement, "FontStyle", p.FontStyle);
    i.WriteLong(kPlacement, "FontCharset", p.FontCharset);
}

bool SettingsFile::Save(QString* error) const {
    if (keep_) return true;
    std::string data;
    if (impl_->ini.Save(data) < 0) {
        if (error) *error = "Cannot write \"" + path_ + "\": the settings could not be formatted";
        return false;
    }
    try {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        WriteFileAtomic(Utf8(path_), data.data(), data.size());
    } catch (const std::exception& e) {
        if (error) *error = QString::fromStdString(UserMessage(e));
        return false;
    }
    return true;
}

}  // namespace nerovan
