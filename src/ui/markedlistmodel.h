// A list box's entries with the marks that an EntryMarks gives them.
#pragma once

#include <QAbstractListModel>
#include <QPointer>
#include <QStringList>

class EntryMarks;

/// The entries are plain strings; decoration, tool tip and accessible description come from the
/// marks, looked up by the entry's text when a view asks. Many entries go in as one insertion, so
/// that a view, a filter and the marks look at the new rows once, not the whole list again.
class MarkedListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarkedListModel)
public:
    using QAbstractListModel::QAbstractListModel;

    const QStringList &stringList() const { return m_entries; }
    /// Puts @p entries in place of all (a model reset).
    void setStringList(const QStringList &entries);
    /// Puts @p entries before row @p row (rowCount() appends them) in one insertion; out of range does nothing.
    void insertEntries(int row, const QStringList &entries);
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    /// Shows @p marks (null shows none); the model repaints whenever they change.
    void setMarks(EntryMarks *marks);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QStringList m_entries;
    QPointer<EntryMarks> m_marks;
};
