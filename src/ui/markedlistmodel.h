// A list box's entries with the marks that an EntryMarks gives them.
#pragma once

#include <QPointer>
#include <QStringListModel>

class EntryMarks;

/// The entries are plain strings; decoration, tool tip and accessible description come from the
/// marks, looked up by the entry's text when a view asks.
class MarkedListModel final : public QStringListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MarkedListModel)
public:
    using QStringListModel::QStringListModel;
    /// Shows @p marks (null shows none); the model repaints whenever they change.
    void setMarks(EntryMarks *marks);
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QPointer<EntryMarks> m_marks;
};
