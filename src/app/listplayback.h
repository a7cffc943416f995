// Playing the list in the list browser: the player, its remembered settings and the watch for the
// person, wired to the list browser's controls and to the browser window that "Big" fills.
#pragma once

#include "play/listplayer.h"
#include "play/pausenotice.h"

#include <QObject>
#include <QPointer>

class BrowserWindow;
class QAction;
class ListBrowser;
class TakeOverWatcher;
class Windows;

/// Made by Windows with each list browser and owned by it: closing the list browser stops playing.
/// The player walks the list browser's list; its pages are waited for in the list browser, or, once
/// "Big" or "Enlarge" moved the page into the shared browser window, in that window, which then
/// shows each entry in turn too (a wall display).
class ListPlayback final : public QObject, public PlayedList {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListPlayback)
public:
    ListPlayback(Windows &windows, ListBrowser *listBrowser, PlayTimer *timer = nullptr);

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

    int count() const override;
    QString entry(int row) const override;
    int current() const override;
    void show(int row) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveSettings();
    /// Playing started or stopped: the notice over the wall display follows.
    void tellAtTheWall(bool playing);
    void updateWallPlayKey();

    Windows &m_windows;
    ListBrowser *m_listBrowser;
    ListPlayer *m_player;
    TakeOverWatcher *m_watcher;
    QPointer<BrowserWindow> m_enlarged;
    /// Ctrl+P in the browser window that follows the walk, while the walk goes on (playing or paused).
    QPointer<QAction> m_wallPlayKey;
    QPointer<PauseNotice> m_pauseNotice;
    QString m_settingsPath;
};
