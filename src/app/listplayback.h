// Playing the list in the list browser: the player, its remembered settings and the watch for the
// person, wired to the list browser's controls and to the browser window that "Big" fills.
#pragma once

#include "memory/pagesigns.h"
#include "play/copymark.h"
#include "play/listplayer.h"
#include "play/pausenotice.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <optional>

class BrowserWindow;
class PageCopyKeeper;
class QAction;
class ListBrowser;
class TakeOverWatcher;
class Windows;

/// Made by Windows with each list browser and owned by it: closing the list browser stops playing.
/// The player walks the list browser's list; its pages are waited for in the list browser, or, once
/// "Big" or "Enlarge" moved the page into the shared browser window, in that window, which then
/// shows each entry in turn too (a wall display). Where a page fails (or the last check found it
/// gone), the stage shows the entry's last good copy with a mark in its corner: the list browser's
/// page through its PageCopyKeeper (under its bar), the browser window through its own keeper (one
/// that only shows copies where the window has none).
class ListPlayback final : public QObject, public PlayedList, public PlayedCopies {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListPlayback)
public:
    ListPlayback(Windows &windows, ListBrowser *listBrowser, PlayTimer *timer = nullptr);
    ~ListPlayback() override;

    /// The playback of @p listBrowser, or null.
    static ListPlayback *of(const ListBrowser *listBrowser);

    ListPlayer *player() const { return m_player; }
    TakeOverWatcher *watcher() const { return m_watcher; }
    /// The browser window that shows the played entries besides the list browser, or null.
    BrowserWindow *enlargedWindow() const { return m_enlarged; }
    /// Shows the played entries in @p window too and waits for its pages, while it exists. There
    /// Ctrl+P plays and pauses, and pausing on full screen tells, in a notice that fades, how to go on.
    void followInto(BrowserWindow *window);
    /// The notice over the full-screen browser window, or null before it was first needed.
    PauseNotice *pauseNotice() const { return m_pauseNotice; }
    /// The mark over the list browser's page and over the browser window's (null before it follows).
    CopyMark *listCopyMark() const { return m_listCopyMark; }
    CopyMark *wallCopyMark() const { return m_wallCopyMark; }

    int count() const override;
    QString entry(int row) const override;
    int current() const override;
    void show(int row) override;

    bool hasCopy(const QString &entry) const override;
    void judgeShownPage(int row, std::function<void(const QString &whyNotGood)> done) override;
    void showCopy(int row, bool liveFailed) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveSettings();
    /// Playing started or stopped: the notice over the wall display follows.
    void tellAtTheWall(bool playing);
    void updateWallPlayKey();
    /// The views' own load time-out waits while the walk plays (its wait is the longer one).
    void suspendLoadTimeouts(bool playing);
    /// The list browser's keeper, wired on first use.
    PageCopyKeeper *listKeeper();
    /// What @p keeper does with copies on @p view comes to the player and to @p mark.
    void followCopies(PageCopyKeeper *keeper, WebBrowser *view, CopyMark *mark);
    /// A keeper showed @p entry's copy of @p savedAt on @p view.
    void copyOnView(const WebBrowser *view, const QString &entry, const QDateTime &savedAt);
    void copyFailedOnView(const WebBrowser *view, const QString &entry);
    void dismissMarks();

    Windows &m_windows;
    ListBrowser *m_listBrowser;
    ListPlayer *m_player;
    TakeOverWatcher *m_watcher;
    QPointer<BrowserWindow> m_enlarged;
    /// Ctrl+P in the browser window that follows the walk, while the walk goes on (playing or paused).
    QPointer<QAction> m_wallPlayKey;
    QPointer<PauseNotice> m_pauseNotice;
    QPointer<PageCopyKeeper> m_listKeeper;
    /// Shows copies on the browser window that follows the walk; it never takes any.
    QPointer<PageCopyKeeper> m_wallKeeper;
    bool m_wallKeeperIsOurs = false;
    QPointer<CopyMark> m_listCopyMark;
    QPointer<CopyMark> m_wallCopyMark;
    /// Whether an entry has a copy whose file is there, as asked since the last copy was kept.
    mutable QHash<QString, bool> m_copyKnown;
    /// What the person saw at the entry on show before this step's visit was remembered.
    QString m_seenEntry;
    std::optional<SeenPage> m_seenBefore;
    /// The entry the walk shows by its copy, until the next step.
    QString m_copyEntry;
    /// While a step shows a copy: puts it back over the stage's page whenever a load starts there.
    QMetaObject::Connection m_copyAfterLoadStarts;
    QString m_settingsPath;
};
