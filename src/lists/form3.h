// The Edit list window: the stored list as text, changed freely and saved back.
#pragma once

#include "ui/multilinetextbox.h"
#include <QWidget>

class Forms;
class QLabel;
class QLineEdit;
class QPushButton;

class Form3 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form3)
public:
    explicit Form3(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();
    /// "Edit": replaces the list file by the text and reloads the list browser's list.
    void Command1_Click();
    void Command2_Click();

    MultiLineTextBox *url = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;

private:
    Forms &m_forms;
};
