// The browser window: a free-standing browser with an address box, a navigation toolbar and a status bar.
#pragma once

#include <QMainWindow>

class Forms;
class MediaPlayer;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolBar;
class WebBrowser;

class Form4 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form4)
public:
    explicit Form4(Forms &forms, QWidget *parent = nullptr);

    void Form_Load();
    /// "Go", also reached by Enter in the address box.
    void Command2_Click();
    /// "GO>": does what "Go" does.
    void Command1_Click();
    /// One handler for the five navigation buttons, told apart by their keys.
    void Toolbar1_ButtonClick(const QString &key);
    void Timer1_Timer();
    void new_Click();
    void quit_Click();

    /// Panel @p index (1 to 3) of the status bar: date, time and text.
    QLabel *Panels(int index) const;
    /// The menu item of each key ("file", "new", "fd", "quit").
    QAction *menuItem(const QString &key) const;

    QStatusBar *StatusBar1 = nullptr;
    QComboBox *cboAddress = nullptr;
    QToolBar *Toolbar1 = nullptr;
    QPushButton *Command1 = nullptr;
    QTimer *Timer1 = nullptr;
    WebBrowser *brow = nullptr;
    QPushButton *Command2 = nullptr;
    QLabel *Label2 = nullptr;
    MediaPlayer *player = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createMenus();
    void createToolbar();
    void createStatusBar();
    /// Keeps the date and time panels current.
    void updateClockPanels();
    /// Opens a further, independent browser window and shows it.
    Form4 *OpenNewBrowserWindow();

    Forms &m_forms;
    QWidget *m_client;
    QList<QLabel *> m_panels;
    QTimer *m_clockTimer = nullptr;
};
