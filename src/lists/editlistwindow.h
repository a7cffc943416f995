// The Edit list window: the stored list as text, changed freely and saved back.
#pragma once

#include "store/listfileversion.h"
#include "ui/multilinetextbox.h"
#include <QWidget>

class Windows;
class QLabel;
class QLineEdit;
class QPushButton;

class EditListWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditListWindow)
public:
    explicit EditListWindow(Windows &windows, QWidget *parent = nullptr);
    void load();
    /// "Edit": replaces the list file by the text and reloads the list browser's list.
    void saveEditedList();
    void hideWindow();

    MultiLineTextBox *m_listText = nullptr;
    QPushButton *m_editButton = nullptr;
    QPushButton *m_hideButton = nullptr;
    QLabel *m_captionStrip = nullptr;
    QLabel *m_paper = nullptr;
    /// The version of the list file the text was read from; set by the command that fills the text.
    ListFileVersion m_listVersion;

protected:
    /// Typed text that is not saved is not thrown away without a question.
    void closeEvent(QCloseEvent *event) override;

private:
    Windows &m_windows;
};
