// The expression box and its history: the text set from code without a
// change event, the list kept equal to the history, and the keys of the box
// (Down stores the text, Up waits for an entry, Enter copies on release).
#include "main_window.h"

#include <QKeyEvent>
#include <QFrame>
#include <QLineEdit>

#include "expression_box.h"

namespace nerovan {

// ---------------------------------------------------------------------------
// The expression box and the history

QString TNerovan1::ExpressionText() const { return ComboBox1->currentText(); }

void TNerovan1::SetExpressionText(const QString& text) {
    ++programmatic_change_;
    ComboBox1->setEditText(text);
    --programmatic_change_;
    history_selected_ = false;
}

void TNerovan1::ComboBox1Change() {
    if (programmatic_change_ == 0) RequestPaint();
}

int TNerovan1::ItemIndex() const { return history_selected_ ? ComboBox1->currentIndex() : -1; }

void TNerovan1::AddToHistory() {
    if (history_.Add(ExpressionText())) SyncHistoryList();
}

void TNerovan1::PushToHistory() {
    history_.Push(ExpressionText());
    SyncHistoryList();
}

void TNerovan1::SyncHistoryList() {
    QLineEdit* edit = ComboBox1->lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    const int selStart = edit->selectionStart();
    const int selLength = edit->selectedText().size();
    ++programmatic_change_;
    // Changing the items can make the box select an entry and show its text;
    // the text the user sees stays what it was.
    while (ComboBox1->count() > 0) ComboBox1->removeItem(ComboBox1->count() - 1);
    ComboBox1->addItems(history_.Items());
    if (edit->text() != text) {
        edit->setText(text);
        if (selStart >= 0)
            edit->setSelection(selStart, selLength);
        else
            edit->setCursorPosition(cursor);
    }
    --programmatic_change_;
    history_selected_ = false;
}

void TNerovan1::ComboBox1DropDown() { AddToHistory(); }

bool TNerovan1::ComboBox1KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
    if (key == Qt::Key_Down && ItemIndex() < 0) {
        // Store the text, select the newest entry; the key then steps on
        // through the list as usual.
        AddToHistory();
        if (ComboBox1->count() > 0) {
            ComboBox1->setCurrentIndex(0);
            // Selecting shows the entry's text (a change that asks for a paint).
            if (ComboBox1->currentText() != ComboBox1->itemText(0))
                ComboBox1->setEditText(ComboBox1->itemText(0));
            history_selected_ = true;
        }
        return false;
    }
    if (key == Qt::Key_Up && ItemIndex() < 0) return true;
    // Enter acts when it is released; its press would make the box pick a
    // matching entry and move the caret.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        enter_pressed_in_box_ = true;
        return true;
    }
    return false;
}

bool TNerovan1::ComboBox1KeyUp(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !autoRepeat &&
        !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
        // Only the release of a press the box saw: Enter that closes a
        // dialog (the save dialog, an error box) is released after the focus
        // came back here, and must not copy the picture and hide the window.
        if (!enter_pressed_in_box_) return true;
        enter_pressed_in_box_ = false;
        CopyAsPictureAndHide();
        return true;
    }
    return false;
}

bool TNerovan1::eventFilter(QObject* watched, QEvent* event) {
    if (ComboBox1 && watched == ComboBox1->lineEdit() && DropOnBox(event)) return true;
    if (watched == ComboBox1) {
        switch (event->type()) {
            case QEvent::ShortcutOverride: {
                // Enter in the box is the box's own key, acted on when released:
                // the menu shortcut must not fire as well for the same press.
                auto* k = static_cast<QKeyEvent*>(event);
                const bool plain =
                    !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
                if (plain && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
                    event->accept();
                    return true;
                }
                break;
            }
            case QEvent::KeyPress: {
                auto* k = static_cast<QKeyEvent*>(event);
                if (ComboBox1KeyDown(k->key(), k->modifiers())) return true;
                break;
            }
            case QEvent::KeyRelease: {
                auto* k = static_cast<QKeyEvent*>(event);
                if (ComboBox1KeyUp(k->key(), k->modifiers(), k->isAutoRepeat())) return true;
                break;
            }
            case QEvent::FocusOut: enter_pressed_in_box_ = false; break;
            default: break;
        }
        return false;
    }
    if (watched == Panel2 && event->type() == QEvent::Resize) ShowStatusText();
    if (event->type() == QEvent::ToolTip && watched->property("nerovanNoHint").toBool())
        return true;
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace nerovan
