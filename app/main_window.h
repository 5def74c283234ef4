// TNerovan1: the main window. The user types a formula into the expression
// box and sees it typeset below at once; every change of the text asks for a
// repaint, which runs on a short-lived paint thread, so typing never waits
// for the typesetter. The window owns the formula component, keeps the
// history in the box's drop-down list, shows the outcome of each paint in
// the status line, and offers the program's commands through the menu and
// the tool bar. It reads the settings file when it is created and writes it
// back when it closes.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "canvas.h"
#include "component.h"
#include "demo_generator.h"
#include "history.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;

namespace nerovan {

class SettingsFile;
class TExpressionBox;

class TNerovan1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kInitialWidth = 570;
    static constexpr int kInitialHeight = 383;
    static const char* const kUntitledExpression;  // "Untitled.fla"
    static const char* const kUntitledPicture;     // "Untitled.bmp"

    // Creates the window and runs FormCreate with the settings file at
    // settingsPath; the restored expression is painted once the event loop
    // runs.
    explicit TNerovan1(const QString& settingsPath, QWidget* parent = nullptr);
    // Waits for a running paint to end (handling its messages) before the
    // widgets go.
    ~TNerovan1() override;

    // --- The paint cycle -------------------------------------------------
    // Asks for a repaint of the current text; returns at once. Does nothing
    // while a paint runs (the text is picked up when it ends) or when the
    // text equals LastPaintedText.
    void RequestPaint();
    bool PaintBusy() const { return paint_busy_; }
    bool CopyPending() const { return copy_pending_; }
    const QString& LastPaintedText() const { return last_painted_text_; }
    // Empties LastPaintedText, so the next RequestPaint paints an unchanged
    // text again (font, colours, parameters, restore).
    void ForgetLastPaintedText() { last_painted_text_.clear(); }
    // Whether a paint thread still exists (PaintBusy is cleared a moment
    // before the thread hands its end back).
    bool PaintThreadRunning() const { return paint_threads_.load() > 0; }

    // Called on the paint thread with the text about to be painted, before
    // the component is touched. Tests use it to record what is painted and to
    // hold a paint back. Set it only while no paint runs.
    std::function<void(const QString&)> BeforePaintHook;

    // The component and the mutex that guards it. Whoever reads or changes
    // the component from the window thread takes the mutex; the paint thread
    // holds it for the whole of its Paint.
    TNerovan& Component() { return component_; }
    std::mutex& ComponentMutex() { return component_mutex_; }

    // The picture Image1 shows: a copy of the bitmap, or the metafile
    // replayed for display; unchanged by a paint that failed.
    const QImage& ShownPicture() const { return shown_picture_; }
    bool ShownPictureIsMetafile() const { return shown_is_metafile_; }

    // The centring rule of Image1 in ScrollBox1: the left edge is
    // W div 2 - w div 2 when the area's width W exceeds the picture's width
    // w, else 0; the top likewise from the heights.
    static QPoint CenteredOrigin(const QSize& area, const QSize& picture);

    // --- The expression box and the history -------------------------------
    QString ExpressionText() const;
    // Sets the box's text from code (open, demo, paste). This is no edit by
    // the user: no change event; the caller calls RequestPaint.
    void SetExpressionText(const QString& text);
    // Stores the current text in the history unless an equal entry exists;
    // the oldest entry goes when the list is full.
    void AddToHistory();
    // Puts the current text at the top without looking for an equal entry.
    void PushToHistory();
    static bool HistoryContains(const QString& text, const QStringList& list);
    QStringList HistoryItems() const { return history_.Items(); }
    // The selected history entry, or -1 when the text in the box was typed
    // or set by code rather than chosen from the list.
    int ItemIndex() const;

    // --- Application state ---------------------------------------------------
    const QString& ExpressionFileName() const { return expression_file_name_; }
    const QString& PictureFileName() const { return picture_file_name_; }
    TColor ForeColor = clBlack;
    TColor BackColor = clWhite;
    // The font of FontDialog1, stored with the placement and given to the
    // component at start and by the font command.
    TFont FontDialog1Font;
    // Hot key settings, kept from the settings file and written back at close.
    bool HotKeyCtrl = true;
    bool HotKeyShift = true;
    bool HotKeyAlt = false;
    char HotKeyLetter = 'F';

    QString SettingsPath() const;

public slots:
    // --- Commands ----------------------------------------------------------
    void Open1Click();
    void SaveExpression1Click();
    void SaveExpressionAs1Click();
    void Demo1Click();
    // Writes the text of the box to ExpressionFileName and sets the caption;
    // false (after the error box) when it could not be written.
    bool WriteExpressionFile();

    // Shows or hides the insert palette with the check of "AutoInsert Buttons".
    void Hintbar1Click();
    void Exit1Click();

    // Enter in the box, the menu item and the "Clipboard" button; its copy
    // and hiding come with the clipboard work.
    virtual void CopyAsPictureAndHide();
    // Commands whose work comes with the clipboard, tray and dialog work.
    virtual void HideToTray();
    virtual void SavePicture1Click();
    virtual void SavePictureAs1Click();
    virtual void ToolButton2Click();  // colours dialog
    virtual void Foreground2Click();
    virtual void BackGround2Click();
    virtual void ToolButton3Click();  // font
    virtual void Parameters1Click();
    virtual void ToolButton6Click();  // help contents
    virtual void About1Click();

protected:
    // --- Window events -------------------------------------------------------
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;    // FormClose
    void resizeEvent(QResizeEvent* event) override;  // FormResize
    bool eventFilter(QObject* watched, QEvent* event) override;

    // --- Questions to the user, overridable so tests can answer them ---------
    // OpenDialog1: the chosen file, or an empty string when cancelled.
    virtual QString RunOpenDialog();
    // SaveDialog1 showing fileName: the chosen file, or empty when cancelled.
    virtual QString RunSaveDialog(const QString& fileName);
    // The program's standard error box.
    virtual void ShowErrorBox(const QString& message);

    // The status line: text and colour of Label1.
    void SetStatus(const QString& text, const QColor& color);
    // Image1 shows the picture; then the scroll positions go to 0 and the
    // picture is centred.
    void ShowPicture(const QImage& picture, bool metafile);
    // Both scroll positions of ScrollBox1 to 0, and Image1 centred.
    void ScrollHomeAndCenter();
    void SetCaption();

    // --- Widgets (object names as the system names its controls) ------------
    QWidget* CoolBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QLabel* ExpressionLabel = nullptr;
    TExpressionBox* ComboBox1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* PictureArea = nullptr;  // the scrolled surface that holds Image1
    QLabel* Image1 = nullptr;
    QWidget* TabControl1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label1 = nullptr;

    QMenu* File1 = nullptr;
    QMenu* Options1 = nullptr;
    QMenu* Colors1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* SaveExpression1 = nullptr;
    QAction* SaveExpressionAs1 = nullptr;
    QAction* SavePicture1 = nullptr;
    QAction* SavePictureAs1 = nullptr;
    QAction* CopyAsPictureAndHide1 = nullptr;
    QAction* Hide1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Font1 = nullptr;
    QAction* Foreground2 = nullptr;
    QAction* BackGround2 = nullptr;
    QAction* Parameters1 = nullptr;
    QAction* Hintbar1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* Demo1 = nullptr;
    QAction* About1 = nullptr;

private slots:
    // Handler of the paint thread's end, on the window thread: paints again
    // if the text changed meanwhile, then makes a copy asked for meanwhile.
    void OnProcessDone();
    void ComboBox1Change();
    void ComboBox1DropDown();

private:
    void BuildWindow();
    void BuildMenu();
    void BuildToolBar();
    void FormCreate();
    void FormStorage1RestorePlacement();
    void FormClose();
    void RestorePlacement();

    // Key handlers of the expression box; true when the key is swallowed.
    bool ComboBox1KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool ComboBox1KeyUp(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);

    // The routine of the paint thread: paints the text (already in
    // Windows-1251) with the given colours and sends its results back.
    void PaintWorker(QString text, std::string expression, TColor fore, TColor back);
    // The picture for Image1 from the component's current target (component
    // mutex held).
    QImage DisplayPicture();
    // Runs f on the window thread after everything posted before it.
    void PostToWindow(std::function<void()> f);

    // Makes the box's list equal to the history, keeping the text, caret and
    // selection of the box as they were.
    void SyncHistoryList();

    std::unique_ptr<SettingsFile> settings_;
    bool placement_known_ = false;  // a placement was restored or the window was shown

    TNerovan component_;
    std::mutex component_mutex_;

    // The paint cycle's state; read and written on the window thread only.
    bool paint_busy_ = false;
    bool copy_pending_ = false;
    QString last_painted_text_;
    bool closing_ = false;
    // Paint threads that have not yet returned (at most one painting; a
    // second can start while the first waits for OnProcessDone).
    std::atomic<int> paint_threads_{0};

    History history_;
    bool history_selected_ = false;
    int programmatic_change_ = 0;  // >0 while code changes the box

    QImage shown_picture_;
    bool shown_is_metafile_ = false;

    QString expression_file_name_;
    QString picture_file_name_;
    QString save_dialog1_file_name_;  // what SaveDialog1 held last
    DemoGenerator demo_;
};

}  // namespace nerovan
