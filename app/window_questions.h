// TWindowQuestions: everything the main window asks the user or the desktop
// (the file dialogs, the parameters dialog, the error box, whether a
// notification area is there),
// in one place. The window keeps one; a test puts in its own to answer the
// questions itself.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace nerovan {

class TFParams;

class TWindowQuestions {
public:
    // The dialogs and boxes open over parent.
    explicit TWindowQuestions(QWidget* parent) : parent_(parent) {}
    virtual ~TWindowQuestions() = default;

    // OpenDialog1: the chosen file, or an empty string when cancelled.
    virtual QString AskOpenFile();
    // SaveDialog1 showing fileName: the chosen file, or empty when cancelled.
    virtual QString AskSaveFile(const QString& fileName);
    // SavePictureDialog1 showing fileName with the filter filterIndex (1 to
    // 4) and the formula's picture as its preview: the chosen file, or empty
    // when cancelled; filterIndex becomes the filter chosen.
    virtual QString AskSavePictureFile(const QString& fileName, int& filterIndex,
                                       const QImage& formula);
    // The parameters dialog, filled with the current values, shown modally.
    virtual void RunParametersDialog(TFParams& dialog);
    // The program's standard error box.
    virtual void ShowError(const QString& message);
    // Whether a notification area is there to hide into.
    virtual bool TrayAvailable() const;

private:
    QWidget* parent_;
};

}  // namespace nerovan
