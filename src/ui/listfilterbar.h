// The filter box and the count of entries above a list box.
#pragma once

#include <QWidget>

class ListBox;
class QLabel;
class QLineEdit;

/// Typing shows only the list's entries that hold the text; the count says how many of how many.
/// Ctrl+F in the list comes here; Esc clears the filter; Enter or Down goes to the list.
class ListFilterBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListFilterBar)
public:
    ListFilterBar(ListBox *list, QWidget *parent);

    /// Places the bar at @p rect (in its parent) and its box and count within it.
    void place(const QRect &rect);
    /// Puts the focus in the filter box with its text selected.
    void focusFilter();

    QLineEdit *m_filterBox;
    QLabel *m_countLabel;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCount();
    void goToList();

    ListBox *m_list;
};
