#include "app/listplayback.h"

#include "app/mainwindow.h"
#include "app/windows.h"
#include "check/checkresults.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "play/pausenotice.h"
#include "play/playsettings.h"
#include "play/playtimer.h"
#include "play/takeoverwatcher.h"
#include "platform/webbrowser.h"
#include "ui/clockticker.h"
#include "ui/listbox.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QSpinBox>

ListPlayback::ListPlayback(Windows &windows, ListBrowser *listBrowser, PlayTimer *timer)
    : QObject(listBrowser)
    , m_windows(windows)
    , m_listBrowser(listBrowser)
    , m_player(new ListPlayer(*this, timer ? timer : new QtPlayTimer, this))
    , m_watcher(new TakeOverWatcher(this))
    , m_settingsPath(PlaySettings::filePath())
{
    setObjectName(QStringLiteral("listPlayback"));
    QString settingsProblem;
    const PlaySettings settings = PlaySettings::load(m_settingsPath, &settingsProblem);
    m_player->setDelaySeconds(settings.delaySeconds);
    m_player->setLoop(settings.loop);
    m_player->setPageTimeoutMsecs(settings.pageTimeoutSeconds * 1000);
    m_listBrowser->showPlaySettings(settings.delaySeconds, settings.loop);
    m_player->setStage(m_listBrowser->m_view);
    m_player->setCountdownTicker(&m_windows.clockTicker());
    // Playing passes over the entries the last check found dead, and says so.
    // Dead pages and parked domains (an advertisement where the page was) are passed over.
    m_player->setSkipTest([results = &m_windows.checkResults()](const QString &entry) {
        const std::optional<CheckResult> result = results->resultFor(entry);
        if (result && (result->verdict == Verdict::Dead || result->verdict == Verdict::Parked))
            return verdictWord(result->verdict);
        return QString();
    });
    m_player->setCountdownShown(m_listBrowser->isVisible());
    if (!settingsProblem.isEmpty())
        m_listBrowser->showPlayStatus(tr("Play uses its usual settings: %1 could not be read (%2)")
                                          .arg(QDir::toNativeSeparators(m_settingsPath), settingsProblem));
    m_watcher->watch(m_listBrowser->m_view->widget());

    connect(m_listBrowser, &ListBrowser::playPauseClicked, m_player, &ListPlayer::togglePlaying);
    connect(m_listBrowser, &ListBrowser::personTookOver, m_player, &ListPlayer::personTookOver);
    connect(m_listBrowser, &ListBrowser::playDelayChosen, this, [this](int seconds) {
        m_player->setDelaySeconds(seconds);
        saveSettings();
    });
    connect(m_listBrowser, &ListBrowser::playEndChosen, this, [this](bool loop) {
        m_player->setLoop(loop);
        saveSettings();
    });
    // New List, Edit List, the cheat box and the destroy command put a whole new list in place.
    connect(m_listBrowser->m_addressList->model(), &QAbstractItemModel::modelReset, m_player, &ListPlayer::listReplaced);
    connect(m_player, &ListPlayer::playingChanged, m_listBrowser, &ListBrowser::showPlaying);
    connect(m_player, &ListPlayer::playingChanged, m_watcher, &TakeOverWatcher::setActive);
    connect(m_player, &ListPlayer::statusChanged, m_listBrowser, &ListBrowser::showPlayStatus);
    connect(m_player, &ListPlayer::playingChanged, this, &ListPlayback::tellAtTheWall);
    connect(m_player, &ListPlayer::playingChanged, this, &ListPlayback::updateWallPlayKey);
    connect(m_watcher, &TakeOverWatcher::personActed, m_player, &ListPlayer::personTookOver);
    connect(m_watcher, &TakeOverWatcher::dialogOpened, m_player, &ListPlayer::hold);
    connect(m_watcher, &TakeOverWatcher::dialogClosed, m_player, &ListPlayer::release);
    connect(m_windows.mainWindow(), &MainWindow::pageEnlarged, this, &ListPlayback::followInto);
    // Shown or hidden (its own X, another window's command, the frame minimized): the countdown
    // only ticks while someone can see it.
    m_listBrowser->installEventFilter(this);
}

ListPlayback *ListPlayback::of(const ListBrowser *listBrowser)
{
    return listBrowser ? listBrowser->findChild<ListPlayback *>(QStringLiteral("listPlayback"), Qt::FindDirectChildrenOnly)
                       : nullptr;
}

void ListPlayback::followInto(BrowserWindow *window)
{
    if (!window || window == m_enlarged)
        return;
    if (m_enlarged)
        m_watcher->unwatch(m_enlarged);
    delete m_wallPlayKey.data();
    delete m_pauseNotice.data();
    m_enlarged = window;
    updateWallPlayKey();
    m_pauseNotice = new PauseNotice(window);
    m_player->setStage(window->m_view);
    // The person at the wall display takes over with a click or a key anywhere in its window.
    m_watcher->watch(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        if (m_enlarged && m_enlarged.data() != window)
            return;
        m_enlarged = nullptr;
        m_player->setStage(m_listBrowser->m_view);
    });
}

void ListPlayback::updateWallPlayKey()
{
    // At a wall display the list browser is out of sight (the main window is often minimized): while the
    // walk goes on there, playing or paused, the window itself takes Ctrl+P, as the list browser does.
    // Otherwise Ctrl+P is the window's Print.
    const bool walking = m_enlarged && (m_player->isPlaying() || m_player->isPaused());
    if (walking == !m_wallPlayKey.isNull())
        return;
    if (!walking) {
        // The key may be the one being pressed: it leaves the window now and goes when the press is over.
        if (QWidget *window = qobject_cast<QWidget *>(m_wallPlayKey->parent()))
            window->removeAction(m_wallPlayKey);
        m_wallPlayKey->deleteLater();
        m_wallPlayKey = nullptr;
        return;
    }
    m_wallPlayKey = new QAction(tr("Play or pause the list"), m_enlarged);
    m_wallPlayKey->setObjectName(QStringLiteral("playPause"));
    m_wallPlayKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(m_wallPlayKey, &QAction::triggered, m_player, &ListPlayer::togglePlaying);
    m_enlarged->addAction(m_wallPlayKey);
}

int ListPlayback::count() const
{
    return m_listBrowser->m_addressList->count();
}

QString ListPlayback::entry(int row) const
{
    return m_listBrowser->m_addressList->entry(row);
}

int ListPlayback::current() const
{
    return m_listBrowser->m_addressList->currentRow();
}

void ListPlayback::show(int row)
{
    m_listBrowser->showEntryForPlayer(row);
    if (m_enlarged) {
        const QString address = entry(row);
        m_enlarged->m_view->navigate(address);
        m_enlarged->m_addressBox->setEditText(address);
    }
}

bool ListPlayback::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_listBrowser && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        const bool shown = event->type() == QEvent::Show;
        m_player->setCountdownShown(shown);
        // Closing the list browser hides the window itself (hiding it hides only its frame): that
        // stops playing at once, before the window is destroyed.
        if (!shown && m_listBrowser->isHidden())
            m_player->pause();
    }
    return QObject::eventFilter(watched, event);
}

void ListPlayback::tellAtTheWall(bool playing)
{
    if (!m_pauseNotice)
        return;
    if (playing)
        m_pauseNotice->dismiss();
    else if (m_player->isPaused() && m_enlarged && m_enlarged->isFullScreen())
        m_pauseNotice->tell(tr("Paused: Ctrl+P plays on"));
}

void ListPlayback::saveSettings()
{
    PlaySettings settings;
    settings.delaySeconds = m_player->delaySeconds();
    settings.loop = m_player->loops();
    settings.pageTimeoutSeconds = m_player->pageTimeoutMsecs() / 1000;
    QString reason;
    if (!settings.save(m_settingsPath, &reason))
        m_listBrowser->showPlayStatus(tr("Play could not remember this choice for the next start: %1").arg(reason));
}
