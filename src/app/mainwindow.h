// The main window: the multiple-document frame with the menu bar, the toolbar and the start-up sound.
#pragma once

#include <QMainWindow>

class Windows;
class MediaPlayer;
class BrowserWindow;
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
    /// Ctrl+Tab, Ctrl+F6 (@p step 1) and with Shift (-1): brings up the next or previous child window in
    /// the order they were opened, hidden ones included, so that every loaded window can be reached.
    void switchChildWindow(int step);
    /// "Check List": checks the list browser's working list in the Check List window.
    void checkList();
    /// "Gallery" (Ctrl+G): the working list in pictures.
    void openGallery();
    /// "Import Addresses…", "Paste Addresses", "Export List…": other programs' lists in and out.
    void importAddresses();
    void pasteAddresses();
    void exportList();
    /// The List menu's tidying of the working list, each asking first; Undo List Change (Ctrl+Z) takes a change back.
    void removeDuplicates();
    void sortByAddress();
    void sortByHost();
    void undoListChange();
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

signals:
    /// "Big" or "Enlarge" opened the list browser's page in the shared browser window @p window.
    void pageEnlarged(BrowserWindow *window);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createToolbar();
    void createWindowSwitching();
    /// Reads the list file into the Edit list window, or takes the failure path.
    void openEditList();

    Windows &m_windows;
    QMdiArea *m_area;
};
