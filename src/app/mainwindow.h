// The main window: the multiple-document frame with the menu bar, the toolbar and the start-up sound.
#pragma once

#include <QMainWindow>

class Windows;
class MediaPlayer;
class QAction;
class QMdiArea;
class QMenu;
class QToolBar;

class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    explicit MainWindow(Windows &windows, QWidget *parent = nullptr);

    /// Loads the frame: the start-up sound starts playing.
    void load();

    /// "New Quokka": the shared browser window.
    void openBrowserWindow();
    void quit();
    void openNewList();
    void editList();
    /// Deletes the list file after confirmation and resets the list browser's list.
    void destroyList();
    /// "Big": the list browser's chosen entry in the shared browser window.
    void showSelectedInBrowserWindow();
    void showAbout();
    void showCheatBox();
    /// "Check List": checks the list browser's working list in the Check List window.
    void checkList();
    /// The toolbar's one handler; tells the buttons apart by their keys.
    void toolBarButtonClicked(const QString &key);

    QMdiArea *mdiArea() const { return m_area; }
    /// The menu item or top-level menu of each key ("fileMenu", "newQuokka", "fileSeparator", ...).
    QAction *menuItem(const QString &key) const;

    // The controls, reached by tests.
    QToolBar *m_mainToolBar = nullptr;
    MediaPlayer *m_startupSound = nullptr;

    /// No menu of tool bars to hide: the toolbar is part of the frame.
    QMenu *createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createToolbar();
    /// Reads the list file into the Edit list window, or takes the failure path.
    void openEditList();

    Windows &m_windows;
    QMdiArea *m_area;
};
