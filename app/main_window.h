// TNerovan1: the main window. The user types a formula into the expression
// box and sees it typeset below at once; every change of the text asks the
// paint cycle (paint_cycle.h) for a repaint, which runs on a short-lived
// paint thread, so typing never waits for the typesetter. The window keeps the
// history in the box's drop-down list, shows the outcome of each paint in
// the status line, and offers the program's commands through the menu and
// the tool bar. It reads the settings file when it is created and writes it
// back when it closes. Between uses it waits in the notification area, and
// the global hot key ("Paste, paint and restore") brings it back with the
// formula on the clipboard painted; Enter copies the picture and hides it
// again.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

#include "demo_generator.h"
#include "history.h"
#include "desktop_hot_key.h"
#include "hot_key.h"
#include "paint_cycle.h"
#include "settings_file.h"
#include "window_questions.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSystemTrayIcon;
class QTimer;
class QToolBar;

namespace nerovan {

class TPictureImage;

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
    void RequestPaint() { paint_cycle_.RequestPaint(); }
    bool PaintBusy() const { return paint_cycle_.Busy(); }
    // Whether a paint thread still exists (PaintBusy is cleared a moment
    // before the thread hands its end back).
    bool PaintThreadRunning() const { return paint_cycle_.ThreadRunning(); }
    // Empties LastPaintedText and asks for a paint of the unchanged text.
    void RepaintUnchanged();

    // The picture Image1 shows: a copy of the bitmap, or the metafile
    // replayed for display; unchanged by a paint that failed. A metafile
    // pasted by the hot key is shown as an empty frame of its size (the
    // typesetter cannot draw another program's records).
    QImage ShownPicture() const;

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
    // The selected history entry, or -1 when the text in the box was typed
    // or set by code rather than chosen from the list.
    int ItemIndex() const;

    // --- Application state ---------------------------------------------------
    TColor ForeColor = clBlack;
    TColor BackColor = clWhite;
    // The font of FontDialog1, stored with the placement and given to the
    // component at start and by the font command.
    TFont FontDialog1Font;
    // The program's settings (hot key, picture kind, painter switches,
    // insert palette): read from the settings file at start, edited by the
    // parameters dialog and the palette's check item, written back at close.
    // The component gets the picture kind and the painter switches from here.
    ProgramSettings Settings;

    // Builds the hot key text from the four hot key settings, captions the tray
    // menu's PaintRes1 with it and registers the system-wide hot key.
    // Registering again replaces the previous registration. When the hot key
    // cannot be registered (the combination is taken, or the window system
    // has no global hot keys) the status line says so once: in place of the
    // "OK" of the paint running or about to run, or at once when none does.
    void RegisterProgramHotKey();
    // What the parameters dialog says of a hot key asked of the desktop:
    // nothing where the program grabs its key itself (X11).
    DesktopHotKeyNote HotKeyNote() const;
    // Releases the hot key (at close, and while the parameters dialog changes it).
    void UnregisterProgramHotKey();

public slots:
    // --- Commands ----------------------------------------------------------
    void Open1Click();
    // Opens a formula file, or a picture the program made for the formula it
    // carries (Open, and a file dropped on the window).
    void OpenFile(const QString& name);
    void SaveExpression1Click();
    void SaveExpressionAs1Click();
    void Demo1Click();
    // Writes the text of the box to ExpressionFileName and sets the caption;
    // false (after the error box) when it could not be written.
    bool WriteExpressionFile();

    // Shows or hides the insert palette with the check of "AutoInsert Buttons".
    void Hintbar1Click();
    void Exit1Click();

    // Enter in the box, the menu item and the "Clipboard" button: puts the
    // picture on the clipboard (the component's metafile in metafile mode,
    // else the picture Image1 shows) and hides to the tray. While a paint
    // runs, the copy waits for its end (CopyPending).
    virtual void CopyAsPictureAndHide();
    // Hides the window to the notification area and shows the tray icon.
    // Without a notification area the window is minimised instead, keeping
    // its task-bar entry: a hidden window could not be reached again. Should
    // the notification area go away while the window waits there, the
    // window comes back minimised.
    void HideToTray();
    // Shows the window again, active and in front, and hides the tray icon.
    void RestoreFromTray();
    // The hot key and the tray item PaintRes1: takes the formula from the
    // clipboard (its text, or the expression a metafile of this program was
    // painted from), paints it and restores the window. On Wayland the
    // clipboard is read once the restored window has the keyboard focus,
    // before which the compositor tells a program nothing of it.
    void OnhotKey();
    // The tray item "Close": hides the tray icon and closes the window.
    void Close1Click();
    // Save Picture (Ctrl+P) asks for a name only while the picture has none;
    // Save Picture As always asks.
    void SavePicture1Click();
    void SavePictureAs1Click();
    void ToolButton2Click();  // colours dialog
    void Foreground2Click();
    void BackGround2Click();
    void ToolButton3Click();  // font
    void Parameters1Click();
    void ToolButton6Click();  // help contents
    void About1Click();

protected:
    // --- Window events -------------------------------------------------------
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;    // FormClose
    void resizeEvent(QResizeEvent* event) override;  // FormResize
    // Minimising the window sends it to the notification area.
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A file dropped anywhere on the window, the box included, is opened.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Writes the formula file under name; the previous name stays when it
    // cannot be written.
    void WriteExpressionFileAs(const QString& name);
    // SavePictureDialog1 with the picture's name and filter; false when
    // cancelled, else both become the ones chosen.
    bool AskPictureFile();
    // Which command asks SavePictureToFile to save.
    enum class SaveCommand { SavePicture, SavePictureAs };
    // Writes PictureFileName in the format of the filter index (the name's
    // extension does not matter): bitmap and metafile from the component's
    // targets, painting the one the display does not use on this thread;
    // JPEG and GIF from the picture Image1 shows. Errors go to the error box.
    void SavePictureToFile(int filterIndex, SaveCommand command);

    // The status line: text and colour of Label1.
    void SetStatus(const QString& text, const QColor& color);
    // Label1 across Panel2, showing as much of the status text as fits (all
    // of it in the tool tip when it does not); again at every resize.
    void ShowStatusText();
    // Image1 shows the picture; then the scroll positions go to 0 and the
    // picture is centred.
    void ShowPicture(const DisplayedPicture& kept);
    // Both scroll positions of ScrollBox1 to 0, and Image1 centred.
    void ScrollHomeAndCenter();
    void SetCaption();

    // The dialogs and boxes the window asks the user with: its own, or those
    // of a test that answers them itself.
    TWindowQuestions own_questions_{this};
    TWindowQuestions* questions_ = &own_questions_;
    // The formula component and its paint thread.
    TPaintCycle paint_cycle_;
    bool copy_pending_ = false;  // a copy waits for the running paint's end

    // What the window shows and holds, kept where a subclass (the test
    // window) can read it. status_text_ is the whole text of the status
    // line; Label1 shows it cut short with an ellipsis when the window is
    // too narrow for it.
    QString status_text_;
    // What Image1 shows; shown_.Emf holds the bytes of a metafile pasted by
    // the hot key while Image1 shows its frame.
    DisplayedPicture shown_;
    bool shown_is_metafile_ = false;
    History history_;
    QString expression_file_name_;
    QString picture_file_name_;
    // The filter index of SavePictureDialog1: 1 until the user chooses
    // another filter, then the last one chosen, for the rest of the run.
    int save_picture_filter_index_ = 1;
    GlobalHotKey* hot_key_ = nullptr;
    // The hot key asked of the desktop where no key can be grabbed (Wayland).
    DesktopHotKey* desktop_hot_key_ = nullptr;
    // Whether the window waits in the notification area (hidden, tray icon shown).
    bool in_tray_ = false;
    // A paste waits for the window's keyboard focus (Wayland).
    bool paste_on_focus_ = false;

    // --- Widgets (object names as the system names its controls) ------------
    QWidget* CoolBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QLabel* ExpressionLabel = nullptr;
    TExpressionBox* ComboBox1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* PictureArea = nullptr;  // the scrolled surface that holds Image1
    TPictureImage* Image1 = nullptr;
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

    // The notification-area icon and its menu.
    QSystemTrayIcon* RxTrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* PaintRes1 = nullptr;
    QAction* Show1 = nullptr;
    QAction* Close1 = nullptr;

private slots:
    // The handlers of the paint cycle, on the window thread.
    void OnPaintStarted();
    void OnPaintFinished(bool ok, const nerovan::DisplayedPicture& kept);
    // Handler of the paint's end, once the cycle has painted again a text
    // changed meanwhile: makes a copy asked for meanwhile.
    void OnProcessDone();
    // Shows the notice kept for the status line when no paint runs and the
    // status says "OK"; it then replaces that "OK" once.
    void ShowPendingNotice();
    void ComboBox1Change();
    void ComboBox1DropDown();

private:
    // A file dragged over or dropped on the box's text field goes to the
    // window (a text dropped there stays the field's); true when taken.
    bool DropOnBox(QEvent* event);
    void BuildWindow();
    void BuildMenu();
    void BuildToolBar();
    void BuildTray();
    void FormCreate();
    void FormStorage1RestorePlacement();
    void FormClose();
    void RestorePlacement();
    // The window no longer waits in the tray: the icon goes, and closing the
    // window ends the program again.
    void LeaveTray();
    // What OnhotKey does with the clipboard: its formula into the box, painted.
    void PasteFromClipboard();

    // Key handlers of the expression box; true when the key is swallowed.
    bool ComboBox1KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool ComboBox1KeyUp(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat);

    // Image1 shows a metafile pasted from the clipboard.
    void ShowPastedMetafile(const QByteArray& emf, int width, int height);
    // Makes the box's list equal to the history, keeping the text, caret and
    // selection of the box as they were.
    void SyncHistoryList();

    std::unique_ptr<SettingsFile> settings_;
    bool placement_known_ = false;  // a placement was restored or the window was shown

    bool history_selected_ = false;
    bool enter_pressed_in_box_ = false;  // Enter went down in the box, not yet up
    int programmatic_change_ = 0;        // >0 while code changes the box

    // The status line's notice that the hot key could not be registered.
    void NoticeHotKeyNotRegistered();
    QString pending_notice_;          // a hot key that could not be registered, not yet shown
    QString settings_notice_;         // a settings file that was not read, not yet shown
    QTimer* tray_watch_ = nullptr;    // runs while in_tray_
    QString save_dialog1_file_name_;  // what SaveDialog1 held last
    DemoGenerator demo_;
};

}  // namespace nerovan
