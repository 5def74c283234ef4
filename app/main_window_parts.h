// What the files of the main window share: the status line's colours and
// its "OK", and the messages of errors from painting and from files.
#pragma once

#include <QColor>
#include <QFile>
#include <QString>

#include <exception>
#include <string>

#include "atomic_file.h"
#include "code_pages.h"
#include "metrics.h"

namespace nerovan {

inline const QColor kStatusBusyColor(128, 0, 0);  // maroon
inline const QColor kStatusColor(0, 0, 0);
inline constexpr const char* kStatusOk = "OK";

inline QString FromLocalPath(const std::string& s) {
    return QFile::decodeName(QByteArray::fromStdString(s));
}

// The message of an error from painting or writing a picture: the
// typesetter's messages quote the expression in Windows-1251, the file
// errors name the file in the local encoding.
inline QString ErrorText(const std::exception& e) {
    if (dynamic_cast<const Exception*>(&e)) return QString::fromStdString(Cp1251ToUtf8(e.what()));
    if (dynamic_cast<const EFileError*>(&e)) return FromLocalPath(e.what());
    return QString::fromUtf8(e.what());
}

}  // namespace nerovan
