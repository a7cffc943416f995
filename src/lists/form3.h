// The Edit list window: the stored list as text, changed freely and saved back.
#pragma once

#include "ui/multilinetextbox.h"
#include <QWidget>

class Forms;
class QLineEdit;
class QPushButton;

class Form3 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form3)
public:
    explicit Form3(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    MultiLineTextBox *url = nullptr;
    QPushButton *Command1 = nullptr;

private:
    Forms &m_forms;
};
