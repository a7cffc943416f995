// The browser window: a free-standing browser with an address box, a navigation toolbar and a status bar.
#pragma once

#include <QMainWindow>

class CopyBar;
class Windows;
class MediaPlayer;
class PageTools;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolBar;
class WebBrowser;

class BrowserWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BrowserWindow)
public:
    explicit BrowserWindow(Windows &windows, QWidget *parent = nullptr);

    void load();
    /// "Go" and "GO>", also reached by Enter in the address box. A typed address that is an entry
    /// of the list is shown as that entry; any other is a page of the web, of which nothing is kept.
    void goToTypedAddress();
    /// Shows @p entry of the list: its page is judged and kept, or its last good copy shown, as in
    /// the list browser.
    void showEntry(const QString &entry);
    /// The list entry whose page the window shows (empty for any other page).
    QString shownEntry() const { return m_entry; }
    /// One handler for the five navigation buttons, told apart by their keys.
    void navigationButtonClicked(const QString &key);
    /// The caption follows the page: it is the page title (empty before the first page).
    void showPageTitle(const QString &title);
    /// The busy animation and the status text follow the load: "Browser is working..." or "Ready!".
    void showBusyState(bool busy);
    /// "New Quokka": opens a further, independent browser window and shows it.
    BrowserWindow *openNewWindow();
    /// F11: the page fills the whole screen (a wall display); F11 again, or Esc, brings the window back.
    void toggleFullScreen();
    void quit();

    /// Panel @p index (1 to 3) of the status bar: date, time and text.
    QLabel *statusPanel(int index) const;
    /// The time panel's format: the locale's short time format @p shortFormat in hours and minutes.
    static QString panelTimeFormat(const QString &shortFormat);
    /// The menu item of each key ("fileMenu", "newQuokka", "fileSeparator", "quit").
    QAction *menuItem(const QString &key) const;

    // The controls, reached by the other windows and by tests.
    QStatusBar *m_statusBar = nullptr;
    QComboBox *m_addressBox = nullptr;
    QToolBar *m_navigationBar = nullptr;
    QPushButton *m_goArrowButton = nullptr;
    WebBrowser *m_view = nullptr;
    QPushButton *m_goButton = nullptr;
    QLabel *m_addressLabel = nullptr;
    MediaPlayer *m_busyAnimation = nullptr;
    PageTools *m_pageTools = nullptr;
    /// The bar over the last good copy of the entry, shown in place of its live page.
    CopyBar *m_copyBar = nullptr;

signals:
    /// The page of a list entry finished loading here (the page memory keeps what it was).
    void pageVisited(const QString &entry, const QString &title, const QString &finalAddress, const QString &text);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createMenus();
    /// The Page menu: find, zoom, save and print.
    void createPageMenu();
    void createToolbar();
    void createStatusBar();
    /// Writes the date and the time into their panels; called again at each turn of what they show.
    void updateClockPanels();
    /// Esc stops a page that is loading; otherwise, in full screen, it leaves full screen.
    void updateEscapeKey();
    /// The page over the whole window in full screen; the design's places otherwise.
    QRect fullScreenPagePlace() const;
    /// Places the controls for the controls' area's size: the design's places at the design width,
    /// the address box and the page grown in a larger window.
    void placeControls();
    void placeForScreenMode();

    /// A load starts: the entry's own, or another page (a link, Back, Home) that is no entry's.
    void followLoad(bool busy);

    Windows &m_windows;
    QWidget *m_client;
    /// The entry shown, the one whose load is under way until it has loaded, and whether the next
    /// load to start is that entry's.
    QString m_entry;
    QString m_visiting;
    bool m_entryLoadAsked = false;
    QList<QLabel *> m_panels;
};
