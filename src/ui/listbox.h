// A list box in the classic sense: an unsorted list of text entries with at most one selected.
#pragma once

#include <QListView>

class MarkedListModel;
class EntryMarks;

/// Holds its entries in a string model, so that very long lists load and scroll quickly.
class ListBox final : public QListView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListBox)
public:
    explicit ListBox(QWidget *parent = nullptr);

    void addEntry(const QString &entry);
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

signals:
    /// The selection moved to an entry, by the user or by setCurrentRow.
    void entryChosen();
    void entryActivated();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    MarkedListModel *m_model;
    bool m_quietSelection = false;
};
