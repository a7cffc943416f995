#include "ui/markedlistmodel.h"

#include "ui/entrymarks.h"

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

QVariant MarkedListModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole || role == Qt::EditRole || !m_marks)
        return QStringListModel::data(index, role);
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    return m_marks->markData(QStringListModel::data(index, Qt::DisplayRole).toString(), role);
}
