// A list box in the classic sense: an unsorted list of text entries with at most one selected.
#pragma once

#include "ui/listundo.h"

#include <QListView>

class MarkedListModel;
class EntryMarks;
class QAbstractItemModel;
class ShownEntriesModel;

/// Holds its entries in a string model, so that very long lists load and scroll quickly.
/// Rows are always the positions in the whole list; a filter only hides entries from view
/// (ShownEntriesModel, the view's model), and selecting a hidden entry clears the filter.
/// Every change of the entries after they were first given can be taken back with undo().
class ListBox final : public QListView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListBox)
public:
    explicit ListBox(QWidget *parent = nullptr);

    void addEntry(const QString &entry);
    /// Adds @p entries after the last one, as one change that undo() takes back whole.
    void addEntries(const QStringList &entries);
    void clear();
    /// Puts @p entries in place of the list's and selects @p row among them (-1: nothing). entryChosen
    /// comes only when the selected text changes: an entry that stays selected stays as it is shown.
    void replaceEntries(const QStringList &entries, int row);
    /// Removes the entry at @p index; afterwards nothing is selected. Out of range does nothing.
    void removeEntry(int index);
    int count() const;
    /// The selected position, or -1 when nothing is selected.
    int currentRow() const;
    /// Selects @p index (which emits entryChosen); -1 clears the selection. Out of range does nothing
    /// and returns false.
    bool setCurrentRow(int index);
    /// The selected entry's text, or the empty text when nothing is selected.
    QString currentEntry() const;
    QString entry(int index) const;
    /// The position of an entry that holds exactly @p text: @p position itself when it does, else the
    /// one nearest to it (the earlier of two as near); -1 when no entry holds the text.
    int findEntry(const QString &text, int position) const;
    QStringList entries() const;
    /// Shows a mark beside each entry that @p marks knows (null: no marks).
    void setMarks(EntryMarks *marks);

    /// The entries themselves (the view's model() is the part of them that the filter shows).
    QAbstractItemModel *entryModel() const;
    ShownEntriesModel *shownEntries() const { return m_shown; }
    /// Shows only the entries holding @p text (case-insensitive); empty shows all.
    void setFilterText(const QString &text);
    QString filterText() const;
    /// The shown entry after (before) @p row, or -1 past the last (before the first) one shown.
    /// From -1, nextShownRow gives the first entry shown.
    int nextShownRow(int row) const;
    int previousShownRow(int row) const;
    /// "1,201 entries", or with a filter "751 of 1,201".
    QString countText() const;

    /// Takes back the last change of the entries; false when there is none.
    bool undo();
    bool canUndo() const { return !m_undo.isEmpty(); }

signals:
    /// The selection moved to an entry, by the user or by setCurrentRow.
    void entryChosen();
    void entryActivated();
    /// Ctrl+F in the list: the person wants to type a filter.
    void filterRequested();
    /// The filter's text changed (also when the box cleared it to show a hidden entry).
    void filterTextChanged(const QString &text);
    /// What countText() says may have changed.
    void countChanged();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    /// Selects source row @p row in the view, clearing a filter that hides it.
    void selectRow(int row);
    void putEntries(const QStringList &entries, int row);

    MarkedListModel *m_model;
    ShownEntriesModel *m_shown;
    ListUndo m_undo;
    bool m_quietSelection = false;
};
