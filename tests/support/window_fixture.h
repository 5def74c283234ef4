// The main window as the Qt tests drive it: the questions to the user
// answered by the test, the notification area present or not as the test
// says, the copy command counted, the paint cycle reachable; the folder a
// window test keeps its settings and files in; and the small helpers the
// window tests share.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <mutex>

#include "app_bytes.h"
#include "main_window.h"
#include "paint_recorder.h"
#include "params_dialog.h"

namespace nerovan {

// The questions to the user, answered as the test says and recorded.
class TestQuestions : public TWindowQuestions {
public:
    TestQuestions() : TWindowQuestions(nullptr) {}

    QString openAnswer;             // the file the open dialog returns
    QString saveAnswer;             // the file the save dialog returns
    QStringList saveDialogShowed;   // the file name each save dialog showed
    QString pictureAnswer;          // the file the save-picture dialog returns
    int pictureFilterAnswer = 0;    // the filter chosen there (0: keep the shown one)
    QStringList dialogShowedName;   // the name each save-picture dialog showed
    QList<int> dialogShowedFilter;  // and its filter
    QStringList errors;             // every error box's message
    bool tray = true;               // whether a notification area is there
    // What the user does in the parameters dialog (nothing: it is closed).
    std::function<void(TFParams&)> parametersAnswer;

    QString AskOpenFile() override { return openAnswer; }
    QString AskSaveFile(const QString& fileName) override {
        saveDialogShowed << fileName;
        return saveAnswer;
    }
    QString AskSavePictureFile(const QString& fileName, int& filterIndex, const QImage&) override {
        dialogShowedName << fileName;
        dialogShowedFilter << filterIndex;
        if (!pictureAnswer.isEmpty() && pictureFilterAnswer) filterIndex = pictureFilterAnswer;
        return pictureAnswer;
    }
    void RunParametersDialog(TFParams& dialog) override {
        if (parametersAnswer) parametersAnswer(dialog);
    }
    void ShowError(const QString& message) override { errors << message; }
    bool TrayAvailable() const override { return tray; }
};

// The window that answers its questions itself (w.openAnswer, w.errors...),
// with its paint cycle reachable and the copy command counted.
class TestWindow : public TNerovan1, public TestQuestions {
public:
    explicit TestWindow(const QString& settingsPath) : TNerovan1(settingsPath) {
        questions_ = this;
    }

    int copies = 0;  // CopyAsPictureAndHide calls

    TPaintCycle& Cycle() { return paint_cycle_; }
    const QString& LastPaintedText() const { return paint_cycle_.LastPaintedText(); }
    void ForgetLastPaintedText() { paint_cycle_.ForgetLastPaintedText(); }
    TNerovan& Component() { return paint_cycle_.Component(); }
    std::mutex& ComponentMutex() { return paint_cycle_.ComponentMutex(); }
    bool CopyPending() const { return copy_pending_; }
    const QString& StatusText() const { return status_text_; }
    bool ShownPictureIsMetafile() const { return shown_is_metafile_; }
    const QByteArray& ShownPastedMetafile() const { return shown_.Emf; }
    QStringList HistoryItems() const { return history_.Items(); }
    const QString& ExpressionFileName() const { return expression_file_name_; }
    const QString& PictureFileName() const { return picture_file_name_; }
    int SavePictureFilterIndex() const { return save_picture_filter_index_; }
    bool HotKeyRegistered() const { return hot_key_->IsRegistered(); }
    bool InTray() const { return in_tray_; }

    void CopyAsPictureAndHide() override {
        ++copies;
        TNerovan1::CopyAsPictureAndHide();
    }
};

// What the status line says once the start-up's paint has ended well: the
// offscreen platform has no global hot keys.
inline const QString kNoHotKey = QStringLiteral("The hot key Ctrl+Shift+F could not be registered");

// Waits until no paint runs, once what the window posted to itself (the
// start-up's paint of the restored expression) has been handled.
inline bool WaitIdle(TNerovan1& w) {
    QCoreApplication::processEvents();
    return QTest::qWaitFor([&] { return !w.PaintBusy() && !w.PaintThreadRunning(); }, 20000);
}

// Sets the text from code and waits for its paint.
inline void SetAndPaint(TNerovan1& w, const QString& text) {
    w.SetExpressionText(text);
    w.RequestPaint();
    QVERIFY(WaitIdle(w));
}

// The picture kind and the smoothing of bitmaps, as the parameters dialog sets them.
inline void SetMode(TestWindow& w, bool emf, bool blur = false) {
    w.Settings.EMFPaint = emf;
    w.Settings.BlurBitmap = blur;
    ApplyPainterSwitches(w.Settings, w.Component(), w.ComponentMutex());
}

inline QComboBox* Box(TNerovan1& w) { return w.findChild<QComboBox*>("ComboBox1"); }
inline QLabel* Status(TNerovan1& w) { return w.findChild<QLabel*>("Label1"); }
inline QWidget* Image(TNerovan1& w) { return w.findChild<QWidget*>("Image1"); }
inline QScrollArea* Scroll(TNerovan1& w) { return w.findChild<QScrollArea*>("ScrollBox1"); }
inline QSystemTrayIcon* Tray(TNerovan1& w) { return w.findChild<QSystemTrayIcon*>("RxTrayIcon1"); }
inline QColor StatusColor(TNerovan1& w) { return Status(w)->palette().color(QPalette::WindowText); }

// Types the text into the box key by key, as the user would.
inline void Type(TNerovan1& w, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(Box(w), c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, Box(w), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Shows the window, active, and types the text once the start-up is done.
inline void ShowAndType(TNerovan1& w, const QString& text) {
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(WaitIdle(w));
    Type(w, text);
    QVERIFY(WaitIdle(w));
}

// The base of the window test classes: a folder that lasts as long as the
// test object, for the settings files and whatever else a test writes.
class WindowTest : public QObject {
protected:
    QTemporaryDir dir_;
    // A fresh settings file name for each window, holding content when
    // there is some.
    QString NewSettings(const QByteArray& content = QByteArray()) {
        const QString path = dir_.filePath(QString("Nerovan%1.Ini").arg(++serial_));
        if (!content.isEmpty()) WriteAll(path, content);
        return path;
    }

private:
    int serial_ = 0;
};

}  // namespace nerovan
