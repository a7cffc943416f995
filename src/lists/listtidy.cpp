#include "lists/listtidy.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/verdict.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"

#include <QHash>
#include <QSet>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace ListTidy {

namespace {

QString number(qsizetype n)
{
    return QLocale(QLocale::English).toString(n);
}

Tidied inOrder(const QStringList &entries, QList<int> order)
{
    Tidied t;
    t.entries.reserve(order.size());
    for (int row : order)
        t.entries.append(entries.at(row));
    t.fromRows = std::move(order);
    return t;
}

Tidied sortedBy(const QStringList &entries, const QStringList &primary, const QStringList &secondary)
{
    QList<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QString &pa = primary.at(a);
        const QString &pb = primary.at(b);
        // Entries without a key go last.
        if (pa.isEmpty() != pb.isEmpty())
            return pb.isEmpty();
        if (const int c = pa.compare(pb); c != 0)
            return c < 0;
        return !secondary.isEmpty() && secondary.at(a) < secondary.at(b);
    });
    return inOrder(entries, std::move(order));
}

/// Puts @p tidied in place of the working list, the entry shown staying selected where it went.
void apply(ListBox *list, const Tidied &tidied)
{
    const int selected = list->currentRow();
    int row = -1;
    if (selected >= 0) {
        const auto at = std::find(tidied.fromRows.cbegin(), tidied.fromRows.cend(), selected);
        if (at != tidied.fromRows.cend()) {
            row = int(at - tidied.fromRows.cbegin());
        } else {
            // A repeat that went: its first occurrence, which stayed, is the same address.
            const QString key = comparisonKey(list->entry(selected));
            for (qsizetype i = 0; i < tidied.entries.size() && row < 0; ++i)
                if (comparisonKey(tidied.entries.at(i)) == key)
                    row = int(i);
        }
    }
    list->replaceEntries(tidied.entries, row);
}

bool ask(Windows &windows, const QString &text, const QString &title)
{
    return windows.platform().messageBoxes().show(text + QStringLiteral("\n\nUndo (Ctrl+Z) takes it back while the list browser is open."),
                                                 title, MessageBoxes::Buttons::OkCancelDefaultCancel, MessageBoxes::Icon::Question)
        == MessageBoxes::Answer::Ok;
}

void sortWith(Windows &windows, Tidied (*sort)(const QStringList &), const QString &how, const QString &title)
{
    ListBox *list = windows.listBrowser()->m_addressList;
    const QStringList entries = list->entries();
    if (entries.size() < 2) {
        windows.platform().messageBoxes().show(QStringLiteral("The list has nothing to sort."), title, MessageBoxes::Buttons::Ok,
                                               MessageBoxes::Icon::Information);
        return;
    }
    if (!ask(windows, QStringLiteral("Sort the %1 entries of the list %2?").arg(number(entries.size()), how), title))
        return;
    apply(list, sort(entries));
}

} // namespace

QString comparisonKey(const QString &entry)
{
    const EntryTarget target = targetOfEntry(entry);
    switch (target.kind) {
    case EntryTarget::Kind::Web:
        return target.url.toString(QUrl::FullyEncoded);
    case EntryTarget::Kind::File:
        return target.url.adjusted(QUrl::RemoveFragment).toString(QUrl::FullyEncoded);
    case EntryTarget::Kind::Skip:
    case EntryTarget::Kind::Unloadable:
        break;
    }
    // Not an address: the text itself, marked so that it never equals an address.
    return QLatin1Char(' ') + entry;
}

QString hostOf(const QString &entry)
{
    const EntryTarget target = targetOfEntry(entry);
    return target.kind == EntryTarget::Kind::Web ? target.url.host().toLower() : QString();
}

Tidied withoutDuplicates(const QStringList &entries)
{
    QList<int> kept;
    kept.reserve(entries.size());
    QSet<QString> seen;
    seen.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString &entry = entries.at(i);
        if (!entry.trimmed().isEmpty()) {
            const QString key = comparisonKey(entry);
            if (seen.contains(key))
                continue;
            seen.insert(key);
        }
        kept.append(int(i));
    }
    return inOrder(entries, std::move(kept));
}

Tidied sortedByAddress(const QStringList &entries)
{
    QStringList keys;
    keys.reserve(entries.size());
    for (const QString &entry : entries) {
        // Entries that are no address (blank ones, notes) go last.
        const QString key = comparisonKey(entry);
        keys.append(key.startsWith(QLatin1Char(' ')) ? QString() : key.toLower());
    }
    return sortedBy(entries, keys, {});
}

Tidied sortedByHost(const QStringList &entries)
{
    QStringList hosts;
    QStringList keys;
    hosts.reserve(entries.size());
    keys.reserve(entries.size());
    for (const QString &entry : entries) {
        hosts.append(hostOf(entry));
        keys.append(comparisonKey(entry).toLower());
    }
    return sortedBy(entries, hosts, keys);
}

void removeDuplicates(Windows &windows)
{
    ListBox *list = windows.listBrowser()->m_addressList;
    const QStringList entries = list->entries();
    const Tidied kept = withoutDuplicates(entries);
    const qsizetype repeats = entries.size() - kept.entries.size();
    const QString title = QStringLiteral("Remove Duplicates");
    if (repeats == 0) {
        windows.platform().messageBoxes().show(QStringLiteral("The list holds no repeated entry."), title, MessageBoxes::Buttons::Ok,
                                               MessageBoxes::Icon::Information);
        return;
    }
    const QString stay = kept.entries.size() == 1 ? QStringLiteral("1 entry stays.")
                                                  : QStringLiteral("%1 entries stay.").arg(number(kept.entries.size()));
    const QString text = repeats == 1
        ? QStringLiteral("Remove the 1 repeated entry from the list of %1? %2").arg(number(entries.size()), stay)
        : QStringLiteral("Remove the %1 repeated entries from the list of %2? %3").arg(number(repeats), number(entries.size()), stay);
    if (!ask(windows, text, title))
        return;
    apply(list, kept);
}

void sortByAddress(Windows &windows)
{
    sortWith(windows, &sortedByAddress, QStringLiteral("by address"), QStringLiteral("Sort by Address"));
}

void sortByHost(Windows &windows)
{
    sortWith(windows, &sortedByHost, QStringLiteral("by host"), QStringLiteral("Sort by Host"));
}

bool undo(Windows &windows)
{
    ListBrowser *browser = windows.loadedListBrowser();
    return browser && browser->m_addressList->undo();
}

} // namespace ListTidy
