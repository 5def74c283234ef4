// Whether a piece of notation typesets, as the palette's buttons and the help
// document's examples must: measured on a bitmap's canvas without a notation
// error. Header only: it speaks Qt, and the engine tests link no Qt.
#pragma once

#include <QString>

#include <exception>
#include <string>

#include "bitmap.h"
#include "code_pages.h"
#include "expression.h"
#include "raster_canvas.h"

namespace nerovan {

// Whether the notation typesets without a notation error.
inline bool Typesets(const QString& notation, QString* error = nullptr) {
    std::string bytes, bad;
    if (!Utf8ToCp1251(notation.toStdString(), bytes, bad)) {
        if (error) *error = "not Windows-1251: " + QString::fromStdString(bad);
        return false;
    }
    Bitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    try {
        MeasureExpression(bytes, bitmap.Canvas());
        return true;
    } catch (const std::exception& e) {
        if (error) *error = QString::fromStdString(Cp1251ToUtf8(e.what()));
        return false;
    }
}

}  // namespace nerovan
