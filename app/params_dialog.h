// The parameters dialog TFParams: the picture kind of the clipboard (metafile
// or bitmap), the hot key's modifiers and letter, the multiplication dot, the
// smoothing of bitmaps and the transparent background of copies and saved
// pictures. The dialog has no cancel: whatever state it is in
// when it closes is taken. Parameters1Click runs the whole command: the hot
// key stays unregistered while the dialog is open and is registered again,
// with the tray caption that names it, when it has closed.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <mutex>

#include "desktop_hot_key.h"
#include "settings_file.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nerovan {

class TNerovan;

// The explanations under the picture kinds, lines joined by CR LF.
extern const char* const kParamsEmfExplanation;  // Label1, item 0
extern const char* const kParamsBmpExplanation;  // Label4, item 1

// The hot key letter taken from the key field: its first character when that
// is a letter from "A" to "Z", else "F" (also for an empty field).
char HotKeyLetterFromEdit(const QString& text);

class TFParams : public QDialog {
    Q_OBJECT
public:
    explicit TFParams(QWidget* parent = nullptr);

    // Step 2 of Parameters1Click: Edit2 from the letter; CheckBox1 (Ctrl),
    // CheckBox2 (Shift), CheckBox3 (Alt) in this order, each change running
    // its click rule; the picture kind; pmul and CBlur.
    void LoadValues(const ProgramSettings& values);
    // Under the hot key: what the desktop made of it, and the command to
    // bind where it binds none (selectable, to copy). Nothing shows for an
    // empty note.
    void ShowDesktopHotKey(const DesktopHotKeyNote& note);

    // RadioGroup1: 0 = "In EMF (Enhanced Metafile Format)", 1 = "In BMP (Bitmap)".
    int ItemIndex() const;
    void SetItemIndex(int index);
    QString Edit2Text() const;
    bool PaintMulPoint() const;  // pmul
    bool BlurBitmap() const;     // CBlur
    bool Transparent() const;    // CTransparent: copies and saved pictures without background

    // The modifiers FormClose took from the check boxes when the dialog
    // closed (before that, the ones LoadValues was given).
    bool HotKeyShift() const { return hot_key_shift_; }
    bool HotKeyCtrl() const { return hot_key_ctrl_; }
    bool HotKeyAlt() const { return hot_key_alt_; }
    // Whether the dialog has been closed (FormClose has run).
    bool Closed() const { return closed_; }

    // Edit2KeyPress: a typed letter "A" to "Z" or "a" to "z" becomes the
    // field's text in upper case; every typed character is swallowed, the
    // backspace too. Returns true (swallowed) for every character.
    bool Edit2KeyPress(QChar key);

public slots:
    void RadioGroup1Click();
    void CheckBox1Click();  // Ctrl
    void CheckBox2Click();  // Shift
    void CheckBox3Click();  // Alt

    // Every way of closing (OK, the close box, Escape) runs FormClose.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormClose();
    // The rule that keeps at least one modifier: a checked box enables its
    // partners; an unchecked one disables the first partner when the second
    // is unchecked, then the second when the first is unchecked.
    static void ModifierRule(QCheckBox* x, QCheckBox* first, QCheckBox* second);

    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* RadioItem0 = nullptr;
    QRadioButton* RadioItem1 = nullptr;
    QButtonGroup* radio_items_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label3 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* HotKeyNote = nullptr;
    QLineEdit* PasteCommandEdit = nullptr;
    QCheckBox* pmul = nullptr;
    QCheckBox* CBlur = nullptr;
    QCheckBox* CTransparent = nullptr;
    QPushButton* BitBtn1 = nullptr;

    bool hot_key_shift_ = true;
    bool hot_key_ctrl_ = true;
    bool hot_key_alt_ = false;
    bool placed_ = false;
    bool closed_ = false;
};

// The picture kind and the painter switches of values (EMFPaint, MulPoint,
// BlurBitmap) given to the component, under its mutex.
void ApplyPainterSwitches(const ProgramSettings& values, TNerovan& component,
                          std::mutex& componentMutex);

// What Parameters1Click needs of the window.
struct ParametersSteps {
    // Step 1: unregister the hot key (it stays so while the dialog is open).
    std::function<void()> UnregisterHotKey;
    // Shown under the hot key: what the desktop made of it (empty on X11).
    DesktopHotKeyNote HotKeyNote;
    // Step 4: give the chosen picture kind and painter switches to the component.
    std::function<void(const ProgramSettings& values)> ApplyPainterSwitches;
    // Steps 7 and 8: register the hot key with the new values and caption the
    // tray item PaintRes1 with the combination.
    std::function<void(const ProgramSettings& values)> RegisterProgramHotKey;
    // Step 5: empty LastPaintedText and RequestPaint.
    std::function<void()> Repaint;
    // Step 3: shows the dialog modally; empty = exec(). Tests set the
    // controls and close the dialog here instead.
    std::function<void(TFParams& dialog)> ShowModal;
};

// Parameters1Click: the dialog shows values and writes what it holds when it
// closes back into them (all but AutoInsertButtons).
void Parameters1Click(QWidget* parent, ProgramSettings& values, const ParametersSteps& steps);

}  // namespace nerovan
