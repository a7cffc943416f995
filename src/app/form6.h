// The splash window: a picture and a hidden clock label that hands over to the main window.
#pragma once

#include <QWidget>

class Forms;
class QLabel;
class QTimer;

class Form6 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form6)
public:
    explicit Form6(Forms &forms, QWidget *parent = nullptr);

    void Form_Load();
    void Timer1_Timer();
    void Label1_Change();
    /// How many times Label1's caption has changed.
    qint16 changeCount() const { return m_changes; }

    QLabel *Picture1;
    QTimer *Timer1;
    QLabel *Label1;

private:
    /// Sets Label1's caption; a caption that differs from the one held is a change.
    void setLabel1Caption(const QString &caption);

    Forms &m_forms;
    qint16 m_changes = 0;
    bool m_unloaded = false;
};
