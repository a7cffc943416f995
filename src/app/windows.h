// The owner of every window's default instance: windows are created and loaded on first use.
#pragma once

#include <QList>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class Platform;
class QWidget;
class MainWindow;
class ListBrowser;
class ListBox;
class NewListWindow;
class ListViewWindow;
class EditListWindow;
class BrowserWindow;
class CheatBox;
class SplashScreen;
class AddAddressBar;
class AboutDialog;
class ClockTicker;
class CheckWindow;
class CheckResults;
class CheckMemory;
class RememberedMarks;
class VerdictMarks;
class CopyBar;
class CopyStore;
class PageTools;
class WebBrowser;
class ChangeStore;
class PageCopyKeeper;
class WhatChangedWindow;
class GalleryWindow;

/// Each accessor returns the window's default instance, creating and loading it first when it is
/// not loaded. Loading a child window of the frame also shows it inside the frame; loading a
/// top-level window does not. A window closed with its close box is destroyed and forgotten, so
/// its next use creates it afresh.
class Windows final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Windows)
public:
    explicit Windows(Platform &platform, QObject *parent = nullptr);
    ~Windows() override;

    Platform &platform() const { return m_platform; }
    /// The one timer that wakes windows showing the time when the clock's second or minute turns.
    ClockTicker &clockTicker() const { return *m_clockTicker; }
    /// The verdicts of the last list check, by entry text; the list boxes mark their entries with them.
    CheckResults &checkResults() const { return *m_checkResults; }
    /// What each page was: the page memory in the data folder, opened when the owner is made. Every
    /// result of a check goes into it; the list boxes get the marks of the last check back from it.
    CheckMemory &checkMemory() const { return *m_checkMemory; }
    /// The kept copies of the list's good pages, beside the page memory; opened when the owner is made.
    CopyStore &copyStore() const { return *m_copyStore; }
    /// The looks at the list's pages and what changed since the person last looked; opened with the copies.
    ChangeStore &changeStore() const { return *m_changeStore; }
    /// Gives the entries of @p entries that have no mark the marks of their last check remembered (a
    /// long list of them read on the page memory's own thread, taken as they come).
    void restoreMarks(const QStringList &entries);
    /// Reads the titles kept beside the list again (after an import kept new ones), for the marks'
    /// hover text.
    void reloadKeptTitles();
    /// Gives the marks @p titles, the titles kept beside the list as an import has just written them.
    void setKeptTitles(QHash<QString, QString> titles);

    MainWindow *mainWindow();
    ListBrowser *listBrowser();
    NewListWindow *newListWindow();
    ListViewWindow *listViewWindow();
    EditListWindow *editListWindow();
    AddAddressBar *addAddressBar();
    CheatBox *cheatBox();
    AboutDialog *aboutDialog();
    CheckWindow *checkWindow();
    /// The Gallery: the list browser's working list in pictures (the list browser is loaded first).
    GalleryWindow *galleryWindow();
    /// The shared browser window: loaded, not shown.
    BrowserWindow *browserWindow();
    /// A further, independent browser window: loaded, not shown.
    BrowserWindow *newBrowserWindow();
    /// A further browser window, captioned "Quokka" and shown (what "New Quokka" and links that
    /// open a new window get).
    BrowserWindow *openNewBrowserWindow();
    /// Page > What Changed: @p entry's text at the person's last look beside what it is now, in a
    /// window of its own (one at a time; asking again shows the other entry there).
    WhatChangedWindow *showWhatChanged(const QString &entry);
    /// The splash window; created by the start-up routine only.
    SplashScreen *splashScreen();

    /// The loaded default instance, or null; never loads anything.
    MainWindow *loadedMainWindow() const;
    ListBrowser *loadedListBrowser() const;
    NewListWindow *loadedNewListWindow() const;
    ListViewWindow *loadedListViewWindow() const;
    EditListWindow *loadedEditListWindow() const;
    AddAddressBar *loadedAddAddressBar() const;
    CheatBox *loadedCheatBox() const;
    AboutDialog *loadedAboutDialog() const;
    CheckWindow *loadedCheckWindow() const;
    GalleryWindow *loadedGalleryWindow() const;
    BrowserWindow *loadedBrowserWindow() const;
    /// Every loaded browser window, the shared one included.
    QList<BrowserWindow *> browserWindows() const;

    /// Brings the program forward (a second start asked for it): the main window, restored when
    /// minimized, or else the splash, or else the browser windows. Loads nothing.
    void bringToFront();

private:
    template <class W> W *child(QPointer<W> &slot);
    template <class W> W *topLevel(QPointer<W> &slot);
    void tellMemoryProblem();
    void followWithMarks(ListBox *list);
    /// A running check is shown in the list browser too, and its Cancel there cancels it (each pair
    /// of windows wired once, whichever is made last).
    void showCheckInListBrowser();
    /// Older Copies… on @p window's copy bar or among its commands: the copies of @p entry, to open
    /// one, shown by @p keeper.
    void showOlderCopies(QWidget *window, PageCopyKeeper *keeper, const QString &entry);
    /// The copies of the list entries @p window shows in @p view: kept from good pages, shown under
    /// @p bar when the live page fails, and asked for with @p tools' commands; @p entryShown tells the
    /// entry the window shows.
    PageCopyKeeper *keepCopies(QWidget *window, WebBrowser *view, CopyBar *bar, PageTools *tools,
                               std::function<QString()> entryShown);
    void keepCopiesInBrowserWindow(BrowserWindow *window);
    /// @p entry's page has loaded in @p view: judged against what the person saw there before, the
    /// visit remembered, and the page kept (or its copy shown) by @p keeper.
    void judgeVisit(PageCopyKeeper *keeper, WebBrowser *view, const QString &entry, const QString &title,
                    const QString &finalAddress, const QString &text);
    /// The gallery shows the list browser's list and acts on it (each pair of windows wired once).
    void showListInGallery();

    Platform &m_platform;
    ClockTicker *m_clockTicker;
    CheckResults *m_checkResults;
    VerdictMarks *m_verdictMarks;
    CheckMemory *m_checkMemory;
    RememberedMarks *m_rememberedMarks;
    CopyStore *m_copyStore;
    ChangeStore *m_changeStore;
    /// What to tell the person about the page memory, once; empty when there is nothing.
    QString m_memoryProblem;
    QPointer<MainWindow> m_mainWindow;
    QPointer<ListBrowser> m_listBrowser;
    QPointer<NewListWindow> m_newListWindow;
    QPointer<ListViewWindow> m_listViewWindow;
    QPointer<EditListWindow> m_editListWindow;
    QPointer<AddAddressBar> m_addAddressBar;
    QPointer<CheatBox> m_cheatBox;
    QPointer<AboutDialog> m_aboutDialog;
    QPointer<CheckWindow> m_checkWindow;
    QPointer<GalleryWindow> m_galleryWindow;
    QPointer<BrowserWindow> m_browserWindow;
    QPointer<SplashScreen> m_splashScreen;
    QPointer<WhatChangedWindow> m_whatChangedWindow;
    QList<QPointer<BrowserWindow>> m_otherBrowserWindows;
};
