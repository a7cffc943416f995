// The cheat box: the right code loads the shipped full list into the list browser.
#pragma once

#include <QWidget>

class Forms;
class QLineEdit;
class QPushButton;

class Form5 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form5)
public:
    explicit Form5(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    QLineEdit *Text1 = nullptr;

private:
    Forms &m_forms;
};
