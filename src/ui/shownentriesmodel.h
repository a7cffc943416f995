// The entries of a list box that its filter lets through, as the box's view shows them.
#pragma once

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QPointer>
#include <QStringMatcher>
#include <QTimer>

#include <functional>

class MarkedListModel;

/// A view of a string model: all of its rows while no filter is set, otherwise the rows whose text
/// holds the filter text anywhere, case-insensitively, in the list's order. Rows are the source's
/// rows in the source's order, so positions map with a binary search.
///
/// A new filter text is worked out in slices of a few milliseconds in the event loop, so that typing
/// into a filter over a million entries never holds the window; the rows shown change at once when
/// the work is done (a layout change, so the selection follows its entry). Text that extends the
/// previous filter looks only at the rows that one let through. While the work is under way the
/// previous rows stay shown and busy() is true.
class ShownEntriesModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ShownEntriesModel)
public:
    explicit ShownEntriesModel(MarkedListModel *source, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    /// Sets the filter text; empty shows every entry.
    void setFilterText(const QString &text);
    QString filterText() const { return m_visibleText; }
    /// Shows only the entries that @p onlyIf passes too (and hold the filter text); an empty
    /// function lifts it. refilter() asks it again when its answers change.
    void setOnlyIf(std::function<bool(const QString &)> onlyIf);
    bool hasOnlyIf() const { return bool(m_onlyIf); }
    void refilter();
    /// A filter is set (it may still be at work).
    bool filtering() const { return !m_text.isEmpty(); }
    /// The filter's work is not finished yet: the rows shown are still those of the previous text.
    bool busy() const { return m_pending; }
    /// Finishes the filter's work now (for a caller that needs the rows of the text just set).
    void finish();

    /// The source row shown at @p shownRow, or -1.
    int sourceRow(int shownRow) const;
    /// Where source row @p row is shown, or -1 when the filter hides it.
    int shownRow(int row) const;
    /// The number of rows shown and of all rows.
    int shownCount() const { return rowCount(); }
    int allCount() const;

signals:
    /// The rows shown, their count or the filter's state changed.
    void shownChanged();

private:
    void step();
    /// Sets the key of the filter: its text, and whether an entry test is on.
    void setKey(const QString &key);
    void startWork(bool refine);
    void applyResult();
    /// After the source changed under a filter: the rows shown again from the current entries.
    void recomputeNow();
    bool matches(const QString &entry) const;

    void sourceRowsAboutToBeRemoved(int first, int last);
    void sourceRowsRemoved(int first, int last);
    void sourceRowsInserted(int first, int last);
    void sourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles);

    MarkedListModel *m_source;
    /// The filter's key: the text, after a mark when an entry test is on (so that every "no filter"
    /// test below is one of an empty key, and a test added to a text refines what the text found).
    QString m_text;
    QString m_visibleText;
    std::function<bool(const QString &)> m_onlyIf;
    QStringMatcher m_matcher;
    /// Source rows shown while filtering (ascending); unused while not filtering.
    QList<int> m_rows;
    /// The filter that m_rows was made by (empty: every row).
    QString m_appliedText;

    // The work in progress.
    bool m_pending = false;
    bool m_refining = false;
    qsizetype m_next = 0;
    QList<int> m_found;
    QStringList m_snapshot;
    QTimer m_timer;
    // Rows being removed from the source: the shown range they were at.
    int m_removeFirst = -1;
    int m_removeLast = -1;
};
