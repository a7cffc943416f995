// The List view window: the stored list shown large; a double-click opens an entry in the list browser.
#pragma once

#include "ui/listbox.h"
#include <QWidget>

class Forms;
class QLineEdit;
class QPushButton;

class Form2 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form2)
public:
    explicit Form2(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();
    /// Opens the selected entry in the list browser and hides this window.
    void List1_DblClick();
    void Command1_Click();

    ListBox *List1 = nullptr;
    QPushButton *Command1 = nullptr;

private:
    Forms &m_forms;
};
