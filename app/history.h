// The history of expressions shown in the drop-down list of the expression
// box: at most 16 texts, the newest first, no two equal except where a paste
// from the clipboard pushes the previous text without looking.
#pragma once

#include <QString>
#include <QStringList>

namespace nerovan {

class History {
public:
    static constexpr int kMaxEntries = 16;

    const QStringList& Items() const { return items_; }
    // Takes a restored list, keeping its first 16 entries.
    void SetItems(const QStringList& items);
    // Whether an entry equals the text exactly (case-sensitive).
    static bool HistoryContains(const QString& text, const QStringList& list);
    bool Contains(const QString& text) const { return HistoryContains(text, items_); }
    // Stores the text at the top unless an equal entry exists (which keeps its
    // place); the oldest entry goes when the list is full. Returns whether the
    // list changed.
    bool Add(const QString& text);
    // Puts the text at the top without looking for an equal entry.
    void Push(const QString& text);

private:
    QStringList items_;
};

}  // namespace nerovan
