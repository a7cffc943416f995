// The browser window: a free-standing browser with an address box, a navigation toolbar and a status bar.
#pragma once

#include <QMainWindow>

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
    /// "Go" and "GO>", also reached by Enter in the address box.
    void goToTypedAddress();
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

    Windows &m_windows;
    QWidget *m_client;
    QList<QLabel *> m_panels;
};
