#include "ui/markedlistmodel.h"

#include "ui/entrymarks.h"

#include <algorithm>

void MarkedListModel::setStringList(const QStringList &entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

void MarkedListModel::insertEntries(int row, const QStringList &entries)
{
    if (entries.isEmpty() || row < 0 || row > m_entries.size())
        return;
    beginInsertRows({}, row, row + int(entries.size()) - 1);
    if (row == m_entries.size()) {
        m_entries += entries;
    } else {
        // Moved along in place: an entry taken back by undo in a list of a million.
        m_entries.insert(row, entries.size(), QString());
        std::copy(entries.cbegin(), entries.cend(), m_entries.begin() + row);
    }
    endInsertRows();
}

bool MarkedListModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count <= 0 || row < 0 || row + count > m_entries.size())
        return false;
    beginRemoveRows({}, row, row + count - 1);
    m_entries.remove(row, count);
    endRemoveRows();
    return true;
}

void MarkedListModel::setMarks(EntryMarks *marks)
{
    if (m_marks)
        disconnect(m_marks, nullptr, this, nullptr);
    m_marks = marks;
    auto repaint = [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0), index(rowCount() - 1),
                             {Qt::DecorationRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    };
    if (m_marks)
        connect(m_marks, &EntryMarks::marksChanged, this, repaint);
    repaint();
}

int MarkedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant MarkedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const QString &entry = m_entries.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return entry;
    if (!m_marks)
        return {};
    return m_marks->markData(entry, role);
}
