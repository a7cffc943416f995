// The New list window: the user types a whole new list, one address per line, and creates it.
#pragma once

#include "ui/multilinetextbox.h"
#include <QWidget>

class Forms;
class QLabel;
class QLineEdit;
class QPushButton;

class Form1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    explicit Form1(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();
    /// "Create": replaces the list file by the typed text and loads it into the list browser.
    void Command1_Click();
    void Command3_Click();

    MultiLineTextBox *url = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;

private:
    Forms &m_forms;
};
