// The list browser: steps through the stored list entry by entry and shows each address in a web view.
#pragma once

#include <QWidget>

class Forms;
class ListBox;
class MediaPlayer;
class QComboBox;
class QLabel;
class QTimer;
class QToolButton;
class QPushButton;
class WebBrowser;

class URLcheck final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(URLcheck)
public:
    explicit URLcheck(Forms &forms, QWidget *parent = nullptr);

    void Form_Load();
    /// Writes the list back; false keeps the window open (the user chose not to lose the list).
    bool Form_Unload();
    void List1_Click();
    void Text1_Change();
    void Command1_Click(); ///< Next
    void Command2_Click(); ///< Prev
    void Command3_Click(); ///< X: hide
    void Command4_Click(); ///< KILL
    void Command5_Click(); ///< back
    void Command6_Click(); ///< forward
    void Command7_Click(); ///< Add
    void Timer1_Timer();

    WebBrowser *WebBrowser1;
    ListBox *List1;
    QToolButton *Command1;
    QToolButton *Command2;
    QToolButton *Command5;
    QToolButton *Command6;
    QLabel *Label1;
    QPushButton *Command3;
    MediaPlayer *player;
    QPushButton *Command4;
    QPushButton *Command7;
    QComboBox *Text1;
    QTimer *Timer1;
    QLabel *Image1;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    /// Sets Text1's text field as a change of the field would: the history step runs when it differs.
    void setText1(const QString &text);

    Forms &m_forms;
};
