#include "app/listplayback.h"

#include "app/mainwindow.h"
#include "app/windows.h"
#include "check/checkresults.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "browser/pagecopykeeper.h"
#include "check/checkmemory.h"
#include "copies/copystore.h"
#include "play/copymark.h"
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
#include <QFileInfo>
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
    m_player->setCopies(this);
    m_listCopyMark = new CopyMark(m_listBrowser->m_view->widget());
    m_player->setCountdownTicker(&m_windows.clockTicker());
    // Playing passes over the entries the last check found dead, and says so, unless they have a copy.
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
    // A copy kept, or one the budget took away, changes which entries have one.
    connect(&m_windows.copyStore(), &CopyStore::kept, this, [this] { m_copyKnown.clear(); });
    connect(m_player, &ListPlayer::playingChanged, this, [this](bool playing) {
        if (playing)
            m_copyKnown.clear();
        else
            disconnect(m_copyAfterLoadStarts); // the person's own pages are theirs
        suspendLoadTimeouts(playing);
    });
    // Shown or hidden (its own X, another window's command, the frame minimized): the countdown
    // only ticks while someone can see it.
    m_listBrowser->installEventFilter(this);
}

void ListPlayback::suspendLoadTimeouts(bool playing)
{
    // A person's load with no answer is given up after the page time-out; while the walk plays, its
    // own wait (the delay plus the page time-out) gives a page up, and then shows its copy or moves on.
    const int timeout = playing ? 0 : m_player->pageTimeoutMsecs();
    m_listBrowser->m_view->setLoadTimeout(timeout);
    if (m_enlarged)
        m_enlarged->m_view->setLoadTimeout(timeout);
}

ListPlayback::~ListPlayback()
{
    m_player->setCopies(nullptr);
    disconnect(m_copyAfterLoadStarts);
    delete m_listCopyMark.data();
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
    if (m_wallKeeperIsOurs)
        delete m_wallKeeper.data();
    delete m_wallCopyMark.data();
    m_enlarged = window;
    updateWallPlayKey();
    m_pauseNotice = new PauseNotice(window);
    dismissMarks();
    m_wallCopyMark = new CopyMark(window->m_view->widget());
    // The browser window keeps and shows the copies of the entries it shows; one made by its owner
    // is used as it is, so that two keepers never fight over one view.
    m_wallKeeper = window->findChild<PageCopyKeeper *>(QStringLiteral("pageCopyKeeper"), Qt::FindDirectChildrenOnly);
    m_wallKeeperIsOurs = !m_wallKeeper;
    if (m_wallKeeperIsOurs) {
        m_wallKeeper = new PageCopyKeeper(window->m_view, m_windows.copyStore(), window);
        m_wallKeeper->setObjectName(QStringLiteral("playCopyKeeper"));
    }
    followCopies(m_wallKeeper, window->m_view, m_wallCopyMark);
    m_player->setStage(window->m_view);
    suspendLoadTimeouts(m_player->isPlaying());
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
    disconnect(m_copyAfterLoadStarts);
    m_copyEntry.clear();
    dismissMarks();
    const QString address = entry(row);
    // Judged, once loaded, against what the person saw there before this visit.
    m_seenEntry = address;
    m_seenBefore = m_windows.checkMemory().seenBefore(address);
    m_listBrowser->showEntryForPlayer(row);
    if (m_enlarged) {
        if (m_wallKeeper)
            m_wallKeeper->showLivePage();
        m_enlarged->showEntry(address);
    }
}

bool ListPlayback::hasCopy(const QString &entry) const
{
    const auto known = m_copyKnown.constFind(entry);
    if (known != m_copyKnown.cend())
        return *known;
    // One look in the page memory for the entry's copies (newest first), and at their files.
    bool there = false;
    const QString folder = CopyArchive::defaultFolder() + QLatin1Char('/');
    for (const CopyRecord &record : m_windows.checkMemory().memory().copiesOf(entry)) {
        if (QFileInfo(folder + record.contentHash + QLatin1String(CopyFile::suffix)).isFile()) {
            there = true;
            break;
        }
    }
    m_copyKnown.insert(entry, there);
    return there;
}

void ListPlayback::judgeShownPage(int row, std::function<void(const QString &whyNotGood)> done)
{
    WebBrowser *stage = m_player->stage();
    const QString address = entry(row);
    if (!stage) {
        done({});
        return;
    }
    const std::optional<SeenPage> seen = address == m_seenEntry ? m_seenBefore : m_windows.checkMemory().seenBefore(address);
    QPointer<WebBrowser> view(stage);
    stage->readVisibleText([view, address, seen, done = std::move(done)](const QString &text) {
        if (!view)
            return;
        const LoadedPage page{address, view->title(), view->url(), text, view->httpStatus(), view->loadFailed()};
        done(whyPageIsNotGood(page, seen));
    });
}

void ListPlayback::showCopy(int row, bool liveFailed)
{
    const QString address = entry(row);
    // Chosen and loaded as any step: the copy goes over its page without waiting for it to fail.
    if (!liveFailed)
        show(row);
    if (!hasCopy(address)) {
        m_player->copyNotShown(address, tr("failed"));
        return;
    }
    PageCopyKeeper *keeper = m_enlarged ? m_wallKeeper.data() : listKeeper();
    WebBrowser *view = m_player->stage();
    if (!keeper || !view) {
        m_player->copyNotShown(address, tr("failed"));
        return;
    }
    // A load that starts in the view takes a copy away (the entry's own, or a page that reloads
    // itself): until the next step the copy goes back over the page each time.
    m_copyEntry = address;
    disconnect(m_copyAfterLoadStarts);
    m_copyAfterLoadStarts = connect(view, &WebBrowser::busyChanged, this,
                                    [this, keeper = QPointer<PageCopyKeeper>(keeper), address](bool busy) {
                                        if (busy && keeper && m_player->isPlaying())
                                            keeper->showNewestCopy(address);
                                    });
    if (liveFailed || view->isBusy())
        keeper->showNewestCopy(address);
}

PageCopyKeeper *ListPlayback::listKeeper()
{
    if (m_listKeeper)
        return m_listKeeper;
    m_listKeeper = m_listBrowser->findChild<PageCopyKeeper *>(QStringLiteral("pageCopyKeeper"), Qt::FindDirectChildrenOnly);
    if (!m_listKeeper)
        return nullptr;
    followCopies(m_listKeeper, m_listBrowser->m_view, m_listCopyMark);
    return m_listKeeper;
}

void ListPlayback::followCopies(PageCopyKeeper *keeper, WebBrowser *view, CopyMark *mark)
{
    connect(keeper, &PageCopyKeeper::copyShown, this,
            [this, view](const QString &entry, const QDateTime &savedAt) { copyOnView(view, entry, savedAt); });
    connect(keeper, &PageCopyKeeper::copyUnreadable, this,
            [this, view](const QString &entry) { copyFailedOnView(view, entry); });
    if (mark)
        connect(keeper, &PageCopyKeeper::liveShown, mark, &CopyMark::dismiss);
}

void ListPlayback::copyOnView(const WebBrowser *view, const QString &entry, const QDateTime &savedAt)
{
    if (view != m_player->stage())
        return;
    m_player->copyShown(entry, savedAt);
    // The mark is Play's: it shows while the walk shows this entry by its copy, also when a pause came
    // while the copy was on its way.
    CopyMark *mark = m_enlarged && view == m_enlarged->m_view ? m_wallCopyMark.data() : m_listCopyMark.data();
    const bool walking = m_player->isPlaying() || m_player->isPaused();
    if (mark && walking && entry == m_copyEntry && entry == this->entry(current()))
        mark->tell(savedAt);
}

void ListPlayback::copyFailedOnView(const WebBrowser *view, const QString &entry)
{
    if (view == m_player->stage())
        m_player->copyNotShown(entry, tr("unreadable copy"));
}

void ListPlayback::dismissMarks()
{
    if (m_listCopyMark)
        m_listCopyMark->dismiss();
    if (m_wallCopyMark)
        m_wallCopyMark->dismiss();
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
