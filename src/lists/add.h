// The Add URL window: a one-line strip that appends an address to the list browser's list.
#pragma once

#include <QWidget>

class Forms;
class QLabel;
class QLineEdit;
class QPushButton;

class add final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(add)
public:
    explicit add(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();
    /// "ADD": appends the typed text to the list browser's list and hides this window.
    void Command1_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;

private:
    Forms &m_forms;
};
