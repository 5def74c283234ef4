// What the files of the main window share: the status line's colours and
// its "OK", and the messages of errors from painting and from files.
#pragma once

#include <QColor>
#include <QString>

#include <exception>
#include <string>

#include "errors.h"

namespace nerovan {

inline const QColor kStatusBusyColor(128, 0, 0);  // maroon
inline const QColor kStatusColor(0, 0, 0);
inline constexpr const char* kStatusOk = "OK";

// The message of any error, for the status line or a message box.
inline QString ErrorText(const std::exception& e) { return QString::fromStdString(UserMessage(e)); }

}  // namespace nerovan
