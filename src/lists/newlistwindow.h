// The New list window: the user types a whole new list, one address per line, and creates it.
#pragma once

#include "ui/multilinetextbox.h"
#include <QWidget>

class Windows;
class QLabel;
class QLineEdit;
class QPushButton;

class NewListWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NewListWindow)
public:
    explicit NewListWindow(Windows &windows, QWidget *parent = nullptr);
    void load();
    /// "Create": replaces the list file by the typed text and loads it into the list browser.
    void createList();
    void hideWindow();

    MultiLineTextBox *m_listText = nullptr;
    QPushButton *m_createButton = nullptr;
    QPushButton *m_hideButton = nullptr;
    QLabel *m_captionStrip = nullptr;
    QLabel *m_paper = nullptr;

protected:
    /// Typed text that is not saved is not thrown away without a question.
    void closeEvent(QCloseEvent *event) override;

private:
    Windows &m_windows;
};
