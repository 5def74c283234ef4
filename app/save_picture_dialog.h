// SavePictureDialog1: the file dialog of Save Picture and Save Picture As,
// with the four picture filters and a preview beside the list.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace nerovan {

// Shows the dialog over parent with fileName and the filter filterIndex (1
// to 4). The preview shows the picture in the file the list points at
// (which saving would replace), else formula. Returns the chosen file, or
// empty when cancelled; filterIndex becomes the filter chosen.
QString RunSavePictureDialog(QWidget* parent, const QString& fileName, int& filterIndex,
                             const QImage& formula);

}  // namespace nerovan
