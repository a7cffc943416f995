// The cheat box: the right code loads the shipped full list into the list browser.
#pragma once

#include <QWidget>

class Windows;
class QLabel;
class QLineEdit;

class CheatBox final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheatBox)
public:
    /// The code that unlocks the full list, compared exactly.
    static inline const QString cheatCode = QStringLiteral("opensesame");

    explicit CheatBox(Windows &windows, QWidget *parent = nullptr);
    void load();

    /// Enter in the code box: the right code loads the full list, a wrong one is answered.
    void checkCheatCode();

    QLineEdit *m_codeBox = nullptr;
    QLabel *m_picture = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadFullList();
    bool keepUsersList(const QStringList &entries, const QStringList &fullList);

    Windows &m_windows;
};
