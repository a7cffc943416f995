// The List view window: the stored list shown large; a double-click opens an entry in the list browser.
#pragma once

#include "ui/listbox.h"
#include <QWidget>

class Windows;
class QLineEdit;
class ListFilterBar;
class QPushButton;

class ListViewWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListViewWindow)
public:
    explicit ListViewWindow(Windows &windows, QWidget *parent = nullptr);
    void load();
    /// Shows the list as the file holds it now, keeping the selected position where it can;
    /// reports a list that is there but cannot be read.
    void showStoredList();
    /// Opens the selected entry in the list browser and hides this window.
    void openSelected();
    void hideWindow();

    ListBox *m_addressList = nullptr;
    ListFilterBar *m_filterBar = nullptr;
    QPushButton *m_hideButton = nullptr;

private:
    Windows &m_windows;
};
