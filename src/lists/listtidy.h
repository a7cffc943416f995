// Tidying the working list: repeats taken out, entries sorted; each asks first and can be undone.
#pragma once

#include <QString>
#include <QStringList>

class Windows;

namespace ListTidy {

/// What makes two entries the same address: the address the checker checks for them (the list
/// browser's address, its fragment aside; scheme and host in any case). An entry that is no web or
/// file address is only the same as the same text.
QString comparisonKey(const QString &entry);
/// The host an entry's address names, in lower case; empty for an entry that names none.
QString hostOf(const QString &entry);

/// The result of a tidy: the entries kept, in their new order, and for each its row before.
struct Tidied {
    QStringList entries;
    QList<int> fromRows;
};
/// Every entry but the repeats of one before it (blank entries are all kept).
Tidied withoutDuplicates(const QStringList &entries);
/// The entries ordered by their address (comparisonKey); the same address keeps the list's order.
Tidied sortedByAddress(const QStringList &entries);
/// Ordered by host, then by address; entries without a host come last, in the list's order.
Tidied sortedByHost(const QStringList &entries);

/// The List menu's commands on the list browser's working list: each says what it will do and asks.
void removeDuplicates(Windows &windows);
void sortByAddress(Windows &windows);
void sortByHost(Windows &windows);
/// Takes back the last change of the working list; false when the list browser has none.
bool undo(Windows &windows);

} // namespace ListTidy
