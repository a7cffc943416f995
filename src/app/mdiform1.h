// The main window: the multiple-document frame with the menu bar, the toolbar and the start-up sound.
#pragma once

#include <QMainWindow>

class Forms;
class MediaPlayer;
class QAction;
class QMdiArea;
class QMenu;
class QToolBar;

class MDIForm1 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MDIForm1)
public:
    explicit MDIForm1(Forms &forms, QWidget *parent = nullptr);

    /// Loads the frame: the start-up sound starts playing.
    void Form_Load();

    void new_Click();
    void quit_Click();
    void add_Click();
    void edit_Click();
    void killall_Click();
    void big_Click();
    void info_Click();
    void cheat_Click();
    /// The toolbar's one handler; tells the buttons apart by their keys.
    void Toolbar1_ButtonClick(const QString &key);

    QMdiArea *mdiArea() const { return m_area; }
    /// The menu item or top-level menu of each key ("file", "new", "gf", ...).
    QAction *menuItem(const QString &key) const;

    QToolBar *Toolbar1 = nullptr;
    MediaPlayer *WindowsMediaPlayer1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createToolbar();
    /// Reads the list file into the Edit list window, or takes the failure path.
    void openEditList();
    /// Deletes the list file after confirmation and resets the list browser's list.
    void destroyList();

    Forms &m_forms;
    QMdiArea *m_area;
};
