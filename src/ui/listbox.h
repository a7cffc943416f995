// A list box in the classic sense: an unsorted list of text entries with at most one selected.
#pragma once

#include <QListView>

class QStringListModel;

/// Holds its entries in a string model, so that very long lists load and scroll quickly.
class ListBox final : public QListView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListBox)
public:
    explicit ListBox(QWidget *parent = nullptr);

    void AddItem(const QString &entry);
    void addItems(const QStringList &entries);
    void Clear();
    /// Removes the entry at @p index; afterwards nothing is selected. Out of range does nothing.
    void RemoveItem(int index);
    int ListCount() const;
    /// The selected position, or -1 when nothing is selected.
    int ListIndex() const;
    /// Selects @p index (which emits Click); -1 clears the selection. Out of range does nothing
    /// and returns false.
    bool setListIndex(int index);
    /// The selected entry's text, or the empty text when nothing is selected.
    QString Text() const;
    QString List(int index) const;
    QStringList entries() const;

signals:
    /// The selection moved to an entry, by the user or by setListIndex.
    void Click();
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStringListModel *m_model;
};
