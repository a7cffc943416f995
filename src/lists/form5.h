// The cheat box: the right code loads the shipped full list into the list browser.
#pragma once

#include <QWidget>

class Forms;
class QLabel;
class QLineEdit;

class Form5 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form5)
public:
    /// The code that unlocks the full list, compared exactly.
    static inline const QString cheatCode = QStringLiteral("opensesame");

    explicit Form5(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    /// Every character typed into Text1; Enter (13) checks the code. The key still reaches the box.
    void Text1_KeyPress(int KeyAscii);

    QLineEdit *Text1 = nullptr;
    QLabel *Picture1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadFullList();

    Forms &m_forms;
};
