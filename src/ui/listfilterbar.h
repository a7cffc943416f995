// The filter box and the count of entries above a list box.
#pragma once

#include <QWidget>

class ListBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class VerdictMarks;

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
    /// Offers "Changed only": the entries @p marks marks changed, with their count.
    void followChanges(VerdictMarks *marks);

    QLineEdit *m_filterBox;
    QLabel *m_countLabel;
    /// "Changed only (3)"; hidden until followChanges().
    QCheckBox *m_changedOnlyBox;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCount();
    void goToList();

    void showChangedOnly(bool on);

    ListBox *m_list;
    VerdictMarks *m_marks = nullptr;
};
