// The window's questions as the program asks them: the toolkit's file
// dialogs and message box, and the desktop's notification area.
#include "window_questions.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "params_dialog.h"
#include "save_picture_dialog.h"

namespace nerovan {

namespace {

const char* const kFormulaFilter = "Formulas (*.fla)";
// The pictures the program makes carry their formula.
const char* const kPictureFilter = "Pictures with a formula (*.png *.svg *.pdf *.jpg *.gif *.emf)";

}  // namespace

QString TWindowQuestions::AskOpenFile() {
    QFileDialog dialog(parent_, "Open formula");
    dialog.setNameFilters({kFormulaFilter, kPictureFilter});
    dialog.setDefaultSuffix("fla");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The name need not exist: a missing file is reported by the read.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

QString TWindowQuestions::AskSaveFile(const QString& fileName) {
    QFileDialog dialog(parent_, "Save the fomula");
    dialog.setNameFilter(kFormulaFilter);
    dialog.setDefaultSuffix("fla");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // As the formula dialogs always did: no question before replacing a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

void TWindowQuestions::ShowError(const QString& message) {
    QMessageBox::critical(parent_,
                          QCoreApplication::applicationName().isEmpty()
                              ? QStringLiteral("Nerovan")
                              : QCoreApplication::applicationName(),
                          message);
}

QString TWindowQuestions::AskSavePictureFile(const QString& fileName, int& filterIndex,
                                             const QImage& formula) {
    return RunSavePictureDialog(parent_, fileName, filterIndex, formula);
}

void TWindowQuestions::RunParametersDialog(TFParams& dialog) { dialog.exec(); }

bool TWindowQuestions::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

}  // namespace nerovan
