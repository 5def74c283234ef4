// The history rules of the expression box.
#include "history.h"

namespace nerovan {

void History::SetItems(const QStringList& items) { items_ = items.mid(0, kMaxEntries); }

bool History::HistoryContains(const QString& text, const QStringList& list) {
    return list.contains(text, Qt::CaseSensitive);
}

bool History::Add(const QString& text) {
    if (Contains(text)) return false;
    Push(text);
    return true;
}

void History::Push(const QString& text) {
    if (items_.size() > kMaxEntries - 1) items_.removeLast();
    items_.insert(0, text);
}

}  // namespace nerovan
