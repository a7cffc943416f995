// The New list window: the user types a whole new list, one address per line, and creates it.
#pragma once

#include "ui/multilinetextbox.h"
#include <QWidget>

class Forms;
class QLineEdit;
class QPushButton;

class Form1 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    explicit Form1(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    MultiLineTextBox *url = nullptr;
    QPushButton *Command1 = nullptr;

private:
    Forms &m_forms;
};
