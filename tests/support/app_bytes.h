// The bytes the app tests write and read back: whole files, the formats of
// clipboard contents, the header of a metafile and the frame of a JPEG.
// Header only: it speaks Qt, and the engine tests link no Qt.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QMimeData>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <cstdint>

#include "emf.h"

namespace nerovan {

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return f.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The formats of clipboard contents, sorted.
inline QStringList SortedFormats(const QMimeData* data) {
    QStringList f = data ? data->formats() : QStringList();
    f.sort();
    return f;
}

// The header of a metafile, as far as it reads.
inline EmfHeaderInfo EmfHeader(const QByteArray& emf) {
    EmfHeaderInfo h;
    ReadEmfHeader(reinterpret_cast<const uint8_t*>(emf.constData()), size_t(emf.size()), h);
    return h;
}

// The start-of-frame marker of a JPEG (0xC0 baseline, 0xC2 progressive...).
inline int JpegFrameMarker(const QByteArray& jpg) {
    qsizetype at = 2;
    while (at + 4 <= jpg.size()) {
        if (uchar(jpg[at]) != 0xFF) return -1;
        const int marker = uchar(jpg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return marker;
        at += 2 + ((uchar(jpg[at + 2]) << 8) | uchar(jpg[at + 3]));
    }
    return -1;
}

}  // namespace nerovan
