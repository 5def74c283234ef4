// The save-picture dialog: the toolkit's own file dialog (so the preview can
// sit beside the list) with a preview column added to its grid.
#include "save_picture_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "picture_export.h"

namespace nerovan {

QString RunSavePictureDialog(QWidget* parent, const QString& fileName, int& filterIndex,
                             const QImage& formula) {
    QFileDialog dialog(parent, kSavePictureTitle);
    dialog.setObjectName("SavePictureDialog1");
    // The dialog of the toolkit, so that the preview can sit beside the list.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = SavePictureFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex - 1, filters.first()));
    dialog.setDefaultSuffix(kSavePictureDefaultSuffix);
    dialog.setSizeGripEnabled(true);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);

    // The preview: the formula that will be saved, or the picture in the
    // file the list points at (which saving would replace).
    auto* preview = new QLabel(&dialog);
    preview->setObjectName("SavePictureDialog1Preview");
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFixedSize(180, 140);
    auto* previewSize = new QLabel(&dialog);
    previewSize->setAlignment(Qt::AlignCenter);
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(preview);
    previewColumn->addWidget(previewSize);
    previewColumn->addStretch(1);
    auto showPreview = [preview, previewSize, formula](const QString& path) {
        QImage image;
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            QImageReader reader(path);
            // Only modest pictures are read for the preview.
            if (reader.canRead() &&
                reader.size().width() * qint64(reader.size().height()) <= qint64(16) * 1024 * 1024)
                image = reader.read();
        }
        if (image.isNull()) image = formula;
        if (image.isNull()) {
            preview->clear();
            previewSize->clear();
            return;
        }
        const QSize box = preview->contentsRect().size() - QSize(4, 4);
        const QImage shown = image.width() > box.width() || image.height() > box.height()
                                 ? image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 : image;
        preview->setPixmap(QPixmap::fromImage(shown));
        previewSize->setText(QString("%1 x %2").arg(image.width()).arg(image.height()));
    };
    showPreview(QString());
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, showPreview);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addLayout(previewColumn, 0, grid->columnCount(), grid->rowCount(), 1);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const int chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) filterIndex = chosen + 1;
    return dialog.selectedFiles().first();
}

}  // namespace nerovan
