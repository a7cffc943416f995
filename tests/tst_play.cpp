// Playing the list: the walk itself against a fake timer and fake browsers, then the list browser's
// controls, the person taking over, message boxes, the remembered settings, Big and full screen.
#include "app/listplayback.h"
#include "check/checkresults.h"
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/copybar.h"
#include "browser/pagetools.h"
#include "browser/listbrowser.h"
#include "copies/copystore.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/cheatbox.h"
#include "platform/pagedialog.h"
#include "play/copymark.h"
#include "play/listplayer.h"
#include "play/pausenotice.h"
#include "play/playsettings.h"
#include "play/playtimer.h"
#include "play/takeoverwatcher.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

namespace {

/// A timer that fires when the test says so; remembers what it was started with.
class FakePlayTimer final : public PlayTimer {
    Q_OBJECT
public:
    void start(int msecs) override { interval = msecs; active = true; ++starts; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    int remainingMsecs() const override { return active ? interval - elapsed : 0; }
    void fire()
    {
        QVERIFY2(active, "the player was not waiting on its timer");
        active = false;
        emit timeout();
    }
    int interval = -1;
    int elapsed = 0;
    int starts = 0;
    bool active = false;
};

/// A list of entries that records which rows were shown.
class StringList final : public PlayedList {
public:
    explicit StringList(QStringList entries = {}) : entries(std::move(entries)) {}
    int count() const override { return int(entries.size()); }
    QString entry(int row) const override { return entries.value(row); }
    int current() const override { return row; }
    void show(int r) override
    {
        row = r;
        shown.append(entries.value(r));
        if (onShow)
            onShow(entries.value(r));
    }
    QStringList entries;
    QStringList shown;
    int row = -1;
    std::function<void(const QString &)> onShow;
};

QString deadOrEmpty(const QString &entry)
{
    if (entry.trimmed().isEmpty())
        return QStringLiteral("empty");
    return entry.startsWith(QLatin1String("dead")) ? QStringLiteral("dead") : QString();
}

void loadPage(FakeWebBrowser *browser)
{
    browser->setBusy(true);
    browser->setBusy(false);
}

constexpr int pageTimeout = ListPlayer::defaultPageTimeoutMsecs;

/// The day the copies of the tests were saved, at noon local time.
const QDateTime copyDay(QDate(2026, 3, 3), QTime(12, 0));

/// Copies as a test sets them: which entries have one, which pages fail when loaded, and which copies
/// cannot be read. Shows a copy at once, recording it as "copy:<entry>" among the list's shown rows.
class FakeCopies final : public PlayedCopies {
public:
    FakeCopies(StringList &list, ListPlayer &player) : list(list), player(player) {}
    bool hasCopy(const QString &entry) const override { return copies.contains(entry) || unreadable.contains(entry); }
    void judgeShownPage(int row, std::function<void(const QString &)> done) override
    {
        const QString entry = list.entry(row);
        done(entry.startsWith(QLatin1String("bad")) ? QStringLiteral("not found (404)") : QString());
    }
    void showCopy(int row, bool liveFailed) override
    {
        const QString entry = list.entry(row);
        if (!liveFailed)
            list.row = row; // chosen, its live page not loaded
        list.shown.append(QStringLiteral("copy:") + entry);
        if (unreadable.contains(entry))
            player.copyNotShown(entry, QStringLiteral("unreadable copy"));
        else if (copies.contains(entry))
            player.copyShown(entry, copyDay);
        else
            player.copyNotShown(entry, QStringLiteral("failed"));
    }
    StringList &list;
    ListPlayer &player;
    QStringList copies;
    QStringList unreadable;
};

/// A player of @p entries whose pages load in a fake web view, its steps timed by a fake timer.
struct StagedPlayer {
    explicit StagedPlayer(const QStringList &entries)
        : list(entries)
        , stage(new FakeWebBrowser(&host))
        , timer(new FakePlayTimer)
        , player(list, timer)
    {
        player.setStage(stage);
    }
    StringList list;
    QWidget host;
    FakeWebBrowser *stage;
    FakePlayTimer *timer;
    ListPlayer player;
};

} // namespace

class TestPlay : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    std::unique_ptr<QTemporaryDir> m_config;
    FakePlayTimer *m_timer = nullptr;

    /// The list browser with @p list, its playback driven by a fake timer.
    ListBrowser *listBrowser(const QByteArray &list = "a\r\nb\r\nc\r\n")
    {
        if (!TestFiles::writeList(list))
            return nullptr;
        ListBrowser *w = m_world.windows->listBrowser();
        delete ListPlayback::of(w);
        m_timer = new FakePlayTimer;
        new ListPlayback(*m_world.windows, w, m_timer);
        return w;
    }
    static ListPlayer *player(ListBrowser *w) { return ListPlayback::of(w)->player(); }
    static FakeWebBrowser *view(ListBrowser *w) { return qobject_cast<FakeWebBrowser *>(w->m_view); }
    /// Keeps a copy of @p entry's page in the window owner's copy store, as if seen at @p at.
    bool keepCopy(const QString &entry, const QDateTime &at)
    {
        QSignalSpy kept(&m_world.windows->copyStore(), &CopyStore::kept);
        CopyContent content;
        content.mhtml = QStringLiteral("From: <Saved by Blink>\r\nSubject: Kept\r\nMIME-Version: 1.0\r\n\r\n<p>%1</p>\r\n")
                            .arg(entry)
                            .toUtf8();
        content.text = entry;
        m_world.windows->copyStore().keep(entry, PageCondition::Good, content, at);
        return kept.wait(10000) && kept.first().at(1).value<KeepResult>().isKept();
    }
    /// The browser window that Big makes follow the walk, shown.
    BrowserWindow *wallDisplay()
    {
        m_world.windows->mainWindow()->toolBarButtonClicked(QStringLiteral("big"));
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        if (big)
            WindowFrame::show(big);
        return big;
    }
    /// @p mark lies over the bottom left corner of @p page, above it.
    static bool inPageCorner(const CopyMark *mark, const QWidget *page)
    {
        const QRect where = mark->geometry();
        const QRect over = page->geometry();
        const QObjectList siblings = page->parentWidget()->children();
        return mark->parentWidget() == page->parentWidget() && over.contains(where) && where.left() - over.left() < 24
            && over.bottom() - where.bottom() < 24 && siblings.indexOf(mark) > siblings.indexOf(page);
    }
    QString settingsText() const { return QString::fromUtf8(TestFiles::read(PlaySettings::filePath())); }

private slots:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", m_config->path().toUtf8());
        m_world.start();
    }
    void cleanup()
    {
        m_world.stop();
        m_timer = nullptr;
    }

    // ---- where the walk goes next ----

    void nextStepFollowsTheListAndSkips_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("skipped");
        const QStringList abc{"a", "b", "c"};
        QTest::newRow("nothing shown: the first") << abc << -1 << false << 0 << "";
        QTest::newRow("the following one") << abc << 0 << false << 1 << "";
        QTest::newRow("the end stops") << abc << 2 << false << -1 << "";
        QTest::newRow("the end starts again") << abc << 2 << true << 0 << "";
        QTest::newRow("empty list") << QStringList{} << -1 << true << -1 << "";
        QTest::newRow("one entry comes round again") << QStringList{"a"} << 0 << true << 0 << "";
        QTest::newRow("one entry stops") << QStringList{"a"} << 0 << false << -1 << "";
        QTest::newRow("blank and dead passed over") << QStringList{"a", " ", "dead1", "b"} << 0 << false << 3
                                                     << "empty:1 dead:1";
        QTest::newRow("round past the dead") << QStringList{"dead0", "a", "dead2"} << 1 << true << 1 << "dead:2";
        QTest::newRow("nothing alive") << QStringList{"dead1", "", "dead2"} << -1 << true << -1 << "dead:2 empty:1";
        QTest::newRow("position past the end") << abc << 7 << false << -1 << "";
    }
    void nextStepFollowsTheListAndSkips()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, from);
        QFETCH(bool, loop);
        QFETCH(int, row);
        QFETCH(QString, skipped);
        const StringList list(entries);
        const PlayStep step = nextPlayStep(list, from, loop, deadOrEmpty);
        QCOMPARE(step.row, row);
        QStringList told;
        for (const auto &s : step.skipped)
            told << QStringLiteral("%1:%2").arg(s.first).arg(s.second);
        QCOMPARE(told.join(QLatin1Char(' ')), skipped);
    }

    // ---- the settings file ----

    void settingsReadWhatTheyCanAndDefaultTheRest_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("loop");
        QTest::newRow("empty") << QByteArray() << 10 << false;
        QTest::newRow("both") << QByteArray("delay=25\natEnd=loop\n") << 25 << true;
        QTest::newRow("CR LF and blanks") << QByteArray(" delay = 7 \r\natEnd=stop\r\n") << 7 << false;
        QTest::newRow("too short") << QByteArray("delay=0\natEnd=loop") << 10 << true;
        QTest::newRow("too long") << QByteArray("delay=3601") << 10 << false;
        QTest::newRow("the longest") << QByteArray("delay=3600") << 3600 << false;
        QTest::newRow("not a number") << QByteArray("delay=ten\natEnd=sideways") << 10 << false;
        QTest::newRow("page time-out kept") << QByteArray("pageTimeout=90\ndelay=4") << 4 << false;
        QTest::newRow("binary") << QByteArray("\x00\xff=\x01" "delay\n=5", 11) << 10 << false;
    }
    void settingsReadWhatTheyCanAndDefaultTheRest()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, delay);
        QFETCH(bool, loop);
        QVERIFY(TestFiles::write(PlaySettings::filePath(), text));
        const PlaySettings settings = PlaySettings::load(PlaySettings::filePath());
        QCOMPARE(settings.delaySeconds, delay);
        QCOMPARE(settings.loop, loop);
    }

    void settingsThatAreNoFileGiveTheDefaultsAndSayWhy_data()
    {
        // What stands at the settings file's place; each must be read without waiting, give the
        // defaults, and say why in the list browser's status.
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("a FIFO") << "fifo" << "not a regular file";
        QTest::newRow("a link to a FIFO") << "link to fifo" << "not a regular file";
        QTest::newRow("a folder") << "folder" << "folder";
        QTest::newRow("a device") << "device" << "not a regular file";
        QTest::newRow("too big") << "big" << "more than a settings file";
        QTest::newRow("a link to a good file") << "link to file" << "";
        QTest::newRow("a link to nothing") << "dangling link" << "";
    }
    void settingsThatAreNoFileGiveTheDefaultsAndSayWhy()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        const QString path = PlaySettings::filePath();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QString target = m_config->filePath(QStringLiteral("target"));
        const QByteArray good("delay=25\natEnd=loop\n");
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("link to fifo"))
            QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0600) == 0 && QFile::link(target, path));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        else if (kind == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == QLatin1String("big"))
            QVERIFY(TestFiles::write(path, good + QByteArray(PlaySettings::maxFileBytes, '#')));
        else if (kind == QLatin1String("link to file"))
            QVERIFY(TestFiles::write(target, good) && QFile::link(target, path));
        else
            QVERIFY(QFile::link(target, path));
        QString problem;
        const PlaySettings settings = PlaySettings::load(path, &problem);
        const bool read = kind == QLatin1String("link to file");
        QCOMPARE(settings, read ? (PlaySettings{25, true, 30}) : PlaySettings());
        QVERIFY2(why.isEmpty() ? problem.isEmpty() : problem.contains(why), qPrintable(problem));
        // The list browser opens (the hang was here) and its status says what happened.
        ListBrowser *w = listBrowser();
        QVERIFY(w);
        QCOMPARE(w->m_playDelayBox->value(), read ? 25 : 10);
        if (why.isEmpty()) {
            QVERIFY2(w->m_playStatusLabel->text().isEmpty(), qPrintable(w->m_playStatusLabel->text()));
        } else {
            QVERIFY2(w->m_playStatusLabel->text().startsWith(QLatin1String("Play uses its usual settings:")),
                     qPrintable(w->m_playStatusLabel->text()));
            QVERIFY(w->m_playStatusLabel->text().contains(problem));
        }
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void settingsAreRememberedBetweenRuns()
    {
        QVERIFY(PlaySettings::filePath().startsWith(m_config->path() + QStringLiteral("/quokka/")));
        QVERIFY(!QFile::exists(PlaySettings::filePath()));
        ListBrowser *w = listBrowser();
        QCOMPARE(w->m_playDelayBox->value(), 10); // no file: the defaults, and no message
        QVERIFY(!w->m_playLoopBox->isChecked());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        w->m_playDelayBox->setValue(25);
        QTest::mouseClick(w->m_playLoopBox, Qt::LeftButton);
        QCOMPARE(player(w)->delaySeconds(), 25);
        QVERIFY(player(w)->loops());
        QCOMPARE(PlaySettings::load(PlaySettings::filePath()), (PlaySettings{25, true, 30}));
        QVERIFY(WindowFrame::frameOf(w)->close());
        QTRY_VERIFY(!m_world.windows->loadedListBrowser());
        ListBrowser *again = m_world.windows->listBrowser();
        QCOMPARE(again->m_playDelayBox->value(), 25);
        QVERIFY(again->m_playLoopBox->isChecked());
        QCOMPARE(player(again)->delaySeconds(), 25);
        QVERIFY(player(again)->loops());
    }

    void settingsThatCannotBeWrittenAreToldNotThrown()
    {
        // The settings folder is a file: nothing can be written under it.
        QVERIFY(TestFiles::write(m_config->path() + QStringLiteral("/quokka"), "not a folder"));
        ListBrowser *w = listBrowser();
        QCOMPARE(w->m_playDelayBox->value(), 10);
        w->m_playDelayBox->setValue(30);
        QCOMPARE(player(w)->delaySeconds(), 30); // still used in this run
        QVERIFY2(w->m_playStatusLabel->text().startsWith(QStringLiteral("Play could not remember")),
                 qPrintable(w->m_playStatusLabel->text()));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    // ---- the walk, against a fake timer ----

    void playsInOrderWithTheDelayCountedFromTheFinishedLoad()
    {
        StagedPlayer staged({"a", "b", "c"});
        auto &[list, host, stage, timer, player] = staged;
        player.setDelaySeconds(3);
        QSignalSpy playing(&player, &ListPlayer::playingChanged);
        player.play();
        QCOMPARE(list.shown, QStringList{"a"});
        QCOMPARE(playing.size(), 1);
        // While the page loads the wait is bounded by the delay plus the page time-out.
        QCOMPARE(timer->interval, 3000 + pageTimeout);
        stage->setBusy(true);
        // The wait counts down to the moment the round goes on without the page.
        QCOMPARE(player.statusText(), QStringLiteral("Playing, waiting for the page to load (gives up in 33 s)"));
        timer->elapsed = 20500;
        QCOMPARE(player.statusText(), QStringLiteral("Playing, waiting for the page to load (gives up in 13 s)"));
        timer->elapsed = 0;
        stage->setBusy(false);
        QCOMPARE(timer->interval, 3000);
        QCOMPARE(player.statusText(), QStringLiteral("Playing, next in 3 s"));
        timer->elapsed = 1200;
        QCOMPARE(player.statusText(), QStringLiteral("Playing, next in 2 s"));
        timer->elapsed = 0;
        // The page's own later loads (a dashboard refreshing itself) do not restart its time.
        const int starts = timer->starts;
        loadPage(stage);
        QCOMPARE(timer->starts, starts);
        timer->fire();
        QCOMPARE(list.shown, (QStringList{"a", "b"}));
        loadPage(stage);
        timer->fire();
        loadPage(stage);
        QCOMPARE(list.shown, (QStringList{"a", "b", "c"}));
        timer->fire();
        QVERIFY(!player.isPlaying());
        QCOMPARE(playing.size(), 2);
        QCOMPARE(player.statusText(), QStringLiteral("Stopped at the end of the list"));
        QVERIFY(!timer->active);
        QCOMPARE(list.row, 2); // the last page stays on show
    }

    void aPageThatNeverFinishesGivesWay()
    {
        StagedPlayer staged({"slow", "b"});
        auto &[list, host, stage, timer, player] = staged;
        player.play();
        stage->setBusy(true); // and never finishes
        QCOMPARE(timer->interval, 10000 + pageTimeout);
        timer->fire();
        QCOMPARE(list.shown, (QStringList{"slow", "b"}));
        // b's load: the old page's load ends first (aborted), then b's starts and ends.
        stage->setBusy(false);
        QCOMPARE(player.state(), ListPlayer::State::Loading);
        loadPage(stage);
        QCOMPARE(player.state(), ListPlayer::State::Showing);
        QCOMPARE(timer->interval, 10000);
    }

    void theEndStopsOrStartsAgain_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("status");
        QTest::newRow("stop") << QStringList{"a", "b"} << false << QStringList{"a", "b"} << "Stopped at the end of the list";
        QTest::newRow("loop") << QStringList{"a", "b"} << true << QStringList{"a", "b", "a", "b"} << "Playing, next in 10 s";
        QTest::newRow("one entry, stop") << QStringList{"a"} << false << QStringList{"a"} << "Stopped at the end of the list";
        QTest::newRow("one entry, loop") << QStringList{"a"} << true << QStringList{"a", "a", "a", "a"} << "Playing, next in 10 s";
        QTest::newRow("empty list")
            << QStringList{} << true << QStringList{} << "Nothing to play: the list has no address to show";
        QTest::newRow("one empty entry")
            << QStringList{""} << false << QStringList{} << "Nothing to play: the list has no address to show (skipped 1 empty)";
    }
    void theEndStopsOrStartsAgain()
    {
        QFETCH(QStringList, entries);
        QFETCH(bool, loop);
        QFETCH(QStringList, shown);
        QFETCH(QString, status);
        StagedPlayer staged(entries);
        auto &[list, host, stage, timer, player] = staged;
        player.setLoop(loop);
        list.onShow = [stage](const QString &) { loadPage(stage); };
        player.play();
        for (int i = 0; i < 3 && player.isPlaying(); ++i)
            timer->fire();
        QCOMPARE(list.shown, shown);
        QCOMPARE(player.statusText(), status);
    }

    void playGoesOnFromTheEntryShown()
    {
        StringList list({"a", "b", "c"});
        auto *timer = new FakePlayTimer;
        ListPlayer player(list, timer);
        list.row = 1; // the person chose b
        player.play();
        QVERIFY(list.shown.isEmpty()); // b stays for its delay first
        QCOMPARE(player.state(), ListPlayer::State::Showing);
        timer->fire();
        QCOMPARE(list.shown, QStringList{"c"});
        // At the last entry of a list that stops, Play is a new round from the top.
        player.pause();
        QCOMPARE(player.statusText(), QStringLiteral("Paused"));
        player.play();
        QCOMPARE(list.shown, (QStringList{"c", "a"}));
    }

    void aRemovedEntryLetsItsFollowerComeNext()
    {
        StringList list({"a", "b", "c"});
        auto *timer = new FakePlayTimer;
        ListPlayer player(list, timer);
        player.play();
        timer->fire(); // b on show
        player.personTookOver(); // KILL: told before b goes
        list.entries.removeAt(1);
        list.row = -1;
        QVERIFY(!player.isPlaying());
        player.play();
        QCOMPARE(list.shown, (QStringList{"a", "b", "c"}));
        // A whole new list instead: from its top.
        player.personTookOver();
        list.entries = {"x", "y"};
        list.row = -1;
        player.listReplaced();
        player.play();
        QCOMPARE(list.shown.last(), QStringLiteral("x"));
    }

    void aMessageBoxHoldsUntilAnswered()
    {
        StringList list({"a", "b"});
        auto *timer = new FakePlayTimer;
        ListPlayer player(list, timer);
        player.setDelaySeconds(5);
        player.play();
        QCOMPARE(player.state(), ListPlayer::State::Showing); // no stage: nothing to wait for
        player.hold();
        player.hold(); // a second box over the first
        QVERIFY(!timer->active);
        QCOMPARE(player.statusText(), QStringLiteral("Playing, waits until the message box is answered"));
        player.release();
        QVERIFY(!timer->active);
        player.release();
        QVERIFY(timer->active);
        QCOMPARE(timer->interval, 5000); // the page gets its whole time again
        QVERIFY(player.isPlaying());
        timer->fire();
        QCOMPARE(list.shown, (QStringList{"a", "b"}));
    }

    void aNewDelayAppliesToThePageOnShow()
    {
        StringList list({"a", "b"});
        auto *timer = new FakePlayTimer;
        ListPlayer player(list, timer);
        player.setDelaySeconds(60);
        player.play();
        timer->elapsed = 20000;
        player.setDelaySeconds(30);
        QCOMPARE(timer->interval, 10000);
        timer->elapsed = 0;
        player.setDelaySeconds(5); // already past: the next entry comes at once
        QCOMPARE(timer->interval, 0);
    }

    void deadEntriesAreSkippedVisibly()
    {
        StringList list({"a", "dead-b", "dead-c", "d"});
        auto *timer = new FakePlayTimer;
        ListPlayer player(list, timer);
        player.setSkipTest([](const QString &e) { return e.startsWith(QLatin1String("dead")) ? QStringLiteral("dead") : QString(); });
        player.play();
        timer->fire();
        QCOMPARE(list.shown, (QStringList{"a", "d"}));
        QCOMPARE(player.statusText(), QStringLiteral("Playing, next in 10 s (skipped 2 dead)"));
    }

    void entriesTheCheckFoundDeadOrParkedArePassedOver()
    {
        ListBrowser *w = listBrowser("a\r\nb\r\nc\r\nd\r\ne\r\n");
        CheckResult dead, parked, blocked;
        dead.verdict = Verdict::Dead;
        parked.verdict = Verdict::Parked;
        blocked.verdict = Verdict::Blocked; // a wall the person may pass in the browser: shown
        m_world.windows->checkResults().set(QStringLiteral("b"), dead);
        m_world.windows->checkResults().set(QStringLiteral("c"), parked);
        m_world.windows->checkResults().set(QStringLiteral("d"), blocked);
        w->m_playButton->click();
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("a"));
        loadPage(view(w));
        m_timer->fire();
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("d"));
        QVERIFY2(w->m_playStatusLabel->text().contains(QStringLiteral("skipped 1 dead, 1 parked")),
                 qPrintable(w->m_playStatusLabel->text()));
    }

    void failingPagesShowTheirLastGoodCopyOrGiveWay_data()
    {
        // Entries: "dead…" the last check found dead, "bad…" load and are judged no good page, "never…"
        // never finish loading, "javascript:" is refused; the rest load and are good. A copy named
        // with "!" cannot be read.
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("copies");
        QTest::addColumn<bool>("loop");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("waits");
        QTest::addColumn<QString>("status");
        const QString end = QStringLiteral("Stopped at the end of the list");
        QTest::newRow("dead with a copy: the copy, for the delay")
            << QStringList{"a", "dead-b", "c"} << QStringList{"dead-b"} << false
            << QStringList{"a", "copy:dead-b", "c"} << "10000 10000 10000" << end + " (1 saved copy shown)";
        QTest::newRow("dead without a copy: passed over")
            << QStringList{"a", "dead-b", "c"} << QStringList{} << false << QStringList{"a", "c"} << "10000 10000"
            << end + " (skipped 1 dead)";
        QTest::newRow("failing with a copy: the copy, for the delay")
            << QStringList{"a", "bad-b", "c"} << QStringList{"bad-b"} << false
            << QStringList{"a", "bad-b", "copy:bad-b", "c"} << "10000 10000 10000" << end + " (1 saved copy shown)";
        QTest::newRow("failing without a copy: on at once")
            << QStringList{"a", "bad-b", "c"} << QStringList{} << false
            << QStringList{"a", "bad-b", "copy:bad-b", "c"} << "10000 0 10000" << end + " (skipped 1 failed)";
        QTest::newRow("no answer in time, with a copy")
            << QStringList{"a", "never-b", "c"} << QStringList{"never-b"} << false
            << QStringList{"a", "never-b", "copy:never-b", "c"} << "10000 40000 10000 10000" << end + " (1 saved copy shown)";
        QTest::newRow("no answer in time, without a copy")
            << QStringList{"never-a", "b"} << QStringList{} << false
            << QStringList{"never-a", "copy:never-a", "b"} << "40000 0 10000" << end + " (skipped 1 failed)";
        QTest::newRow("refused, no copy: on at once")
            << QStringList{"javascript:x", "b"} << QStringList{} << false
            << QStringList{"javascript:x", "copy:javascript:x", "b"} << "0 10000" << end + " (skipped 1 refused)";
        QTest::newRow("copies and skips counted together")
            << QStringList{"dead-a", "bad-b", "dead-c", "bad-d", "", "e"} << QStringList{"dead-a", "bad-d"} << false
            << QStringList{"copy:dead-a", "bad-b", "copy:bad-b", "bad-d", "copy:bad-d", "e"} << "10000 0 10000 10000"
            << end + " (2 saved copies shown; skipped 1 failed, 1 dead, 1 empty)";
        QTest::newRow("a copy that cannot be read: on at once")
            << QStringList{"a", "dead-b", "c"} << QStringList{"!dead-b"} << false << QStringList{"a", "copy:dead-b", "c"}
            << "10000 0 10000" << end + " (skipped 1 unreadable copy)";
        QTest::newRow("a whole round failing waits for the delay")
            << QStringList{"bad-a", "bad-b"} << QStringList{} << true
            << QStringList{"bad-a", "copy:bad-a", "bad-b", "copy:bad-b", "bad-a", "copy:bad-a", "bad-b", "copy:bad-b"}
            << "0 10000 0" << "Playing, next in 10 s (skipped 2 failed)";
    }
    void failingPagesShowTheirLastGoodCopyOrGiveWay()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, copies);
        QFETCH(bool, loop);
        QFETCH(QStringList, shown);
        QFETCH(QString, waits);
        QFETCH(QString, status);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        StagedPlayer staged(entries);
        auto &[list, host, stage, timer, player] = staged;
        FakeCopies fake(list, player);
        for (const QString &copy : copies)
            (copy.startsWith(QLatin1Char('!')) ? fake.unreadable : fake.copies).append(copy.mid(copy.startsWith(QLatin1Char('!'))));
        player.setCopies(&fake);
        player.setLoop(loop);
        player.setSkipTest(deadOrEmpty);
        list.onShow = [stage = stage](const QString &e) {
            stage->setBusy(false); // a load that never finished ends as the next one starts
            if (e.startsWith(QLatin1String("javascript:")))
                emit stage->navigationRefused(e, QStringLiteral("no page"));
            else if (e.startsWith(QLatin1String("never")))
                stage->setBusy(true);
            else
                loadPage(stage);
        };
        QStringList seen;
        QString copyStatus;
        player.play();
        for (int i = 0; i < 3 * entries.size() && player.isPlaying() && seen.size() < waits.count(QLatin1Char(' ')) + 1; ++i) {
            if (player.shownCopyDate().isValid() && copyStatus.isEmpty())
                copyStatus = player.statusText();
            seen.append(QString::number(timer->interval));
            timer->fire();
        }
        QCOMPARE(list.shown, shown);
        QCOMPARE(seen.join(QLatin1Char(' ')), waits);
        QCOMPARE(player.statusText(), status);
        if (!fake.copies.isEmpty())
            QVERIFY2(copyStatus.startsWith(QStringLiteral("Playing, next in 10 s, showing the saved copy of 3 March 2026 (1 saved copy shown")),
                     qPrintable(copyStatus));
        QLocale::setDefault(QLocale::c());
    }

    void aCopyThatAnswersLateOrForAnotherEntryIsNotTaken()
    {
        StagedPlayer staged({"bad-a", "b"});
        auto &[list, host, stage, timer, player] = staged;
        struct SlowCopies final : PlayedCopies {
            bool hasCopy(const QString &) const override { return true; }
            void judgeShownPage(int, std::function<void(const QString &)> done) override { done(QStringLiteral("gone")); }
            void showCopy(int row, bool) override { asked.append(row); }
            QList<int> asked;
        } slow;
        player.setCopies(&slow);
        list.onShow = [stage = stage](const QString &) { loadPage(stage); };
        player.play();
        QCOMPARE(slow.asked, QList<int>{0});
        QCOMPARE(player.statusText(), QStringLiteral("Playing, opening the saved copy"));
        player.copyShown(QStringLiteral("b"), copyDay); // another entry's
        QCOMPARE(player.state(), ListPlayer::State::Loading);
        // The copy never comes: after the page time-out the walk goes on without it. A message box
        // holds each wait, which starts afresh once it is answered.
        QCOMPARE(timer->interval, pageTimeout);
        player.hold();
        QVERIFY(!timer->active);
        timer->interval = -1;
        player.release();
        QCOMPARE(timer->interval, pageTimeout);
        timer->fire();
        QCOMPARE(timer->interval, 0);
        player.hold();
        QVERIFY(!timer->active);
        timer->interval = -1;
        player.release();
        QCOMPARE(timer->interval, 0);
        QCOMPARE(list.shown.last(), QStringLiteral("bad-a"));
        timer->fire();
        QCOMPARE(list.shown.last(), QStringLiteral("b"));
        player.copyShown(QStringLiteral("bad-a"), copyDay); // too late
        QVERIFY(!player.shownCopyDate().isValid());
        QCOMPARE(player.copiesShown(), 0);
    }

    void copyDatesReadAsThePersonsLongDate_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "3 March 2026";
        QTest::newRow("American") << QLocale(QLocale::English, QLocale::UnitedStates) << "March 3, 2026";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "3. März 2026";
        QTest::newRow("French") << QLocale(QLocale::French, QLocale::France) << "3 mars 2026";
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << "2026年3月3日";
    }
    void copyDatesReadAsThePersonsLongDate()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, date);
        QCOMPARE(copyDateText(copyDay, locale), date);
        // Late in the evening in UTC may be the next day here: the person's own day counts.
        const QDateTime utc = copyDay.toUTC();
        QCOMPARE(copyDateText(utc, locale), date);
    }

    void theWallShowsTheCopyOfADeadEntryWithItsMark()
    {
        const QStringList entries{"http://wall.example/a", "http://wall.example/b", "http://wall.example/c"};
        ListBrowser *w = listBrowser((entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        QVERIFY(keepCopy(entries[1], copyDay.toUTC()));
        CheckResult dead;
        dead.verdict = Verdict::Dead;
        m_world.windows->checkResults().set(entries[1], dead);
        w->m_playButton->click();
        BrowserWindow *big = wallDisplay();
        QVERIFY(big);
        auto *wall = qobject_cast<FakeWebBrowser *>(big->m_view);
        loadPage(wall);
        m_timer->fire();
        // The dead entry is chosen and loaded as any step; its copy goes over the wall's page as soon as
        // the load has started, without waiting for it to fail.
        QCOMPARE(w->m_addressList->currentEntry(), entries[1]);
        QCOMPARE(big->m_addressBox->currentText(), entries[1]);
        QCOMPARE(wall->navigations.last(), entries[1]);
        QCOMPARE(player(w)->state(), ListPlayer::State::Loading);
        wall->setBusy(true);
        QTRY_VERIFY(wall->showingCopy);
        QVERIFY(wall->shownCopy.contains(entries[1].toUtf8()));
        CopyMark *mark = ListPlayback::of(w)->wallCopyMark();
        QVERIFY(mark);
        QTRY_VERIFY(mark->isVisible());
        QCOMPARE(mark->text(), QStringLiteral("saved copy, ") + copyDateText(copyDay));
        QCOMPARE(mark->accessibleName(), mark->text());
        QVERIFY(inPageCorner(mark, wall->widget()));
        QVERIFY(!ListPlayback::of(w)->listCopyMark()->isVisible());
        QCOMPARE(m_timer->interval, 10000);
        QVERIFY2(w->m_playStatusLabel->text().startsWith(QStringLiteral("Playing, next in 10 s, showing the saved copy of ")
                                                         + copyDateText(copyDay)),
                 qPrintable(w->m_playStatusLabel->text()));
        // The live page failing, or a page that loads again by itself, leaves the copy where it is.
        wall->status = 404;
        wall->setBusy(false);
        wall->setBusy(true);
        QTRY_VERIFY(wall->showingCopy);
        QTRY_VERIFY(mark->isVisible());
        QCOMPARE(m_timer->interval, 10000);
        // On full screen the mark keeps its corner.
        QTest::keyClick(big, Qt::Key_F11);
        QTRY_VERIFY(big->isFullScreen());
        QTRY_VERIFY(inPageCorner(mark, wall->widget()));
        // The next entry: its live page, and the copy and its mark gone.
        m_timer->fire();
        QCOMPARE(wall->navigations.last(), entries[2]);
        QVERIFY(!wall->showingCopy);
        QVERIFY(!mark->isVisible());
    }

    void aPageFailingOnTheWallShowsItsCopyAndOneWithoutGivesWay()
    {
        const QStringList entries{"http://wall.example/a", "http://wall.example/b", "http://wall.example/c",
                                  "http://wall.example/d"};
        ListBrowser *w = listBrowser((entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        QVERIFY(keepCopy(entries[1], copyDay.toUTC()));
        w->m_playButton->click();
        BrowserWindow *big = wallDisplay();
        auto *wall = qobject_cast<FakeWebBrowser *>(big->m_view);
        loadPage(wall);
        m_timer->fire();
        QCOMPARE(wall->navigations.last(), entries[1]);
        // b's server is gone: no answer, the engine's error page. Its copy stands in, marked, also when
        // the person paused while it was on its way; played on, it stays for the delay.
        wall->failed = true;
        loadPage(wall);
        player(w)->pause();
        QTRY_VERIFY(wall->showingCopy);
        QTRY_VERIFY(ListPlayback::of(w)->wallCopyMark()->isVisible());
        player(w)->play();
        QCOMPARE(player(w)->state(), ListPlayer::State::Showing);
        QCOMPARE(m_timer->interval, 10000);
        // c fails too and has no copy: the walk moves on at once, its error page not left on the wall.
        m_timer->fire();
        QCOMPARE(wall->navigations.last(), entries[2]);
        QVERIFY(!ListPlayback::of(w)->wallCopyMark()->isVisible());
        wall->status = 404;
        wall->failed = false;
        loadPage(wall);
        QVERIFY(!wall->showingCopy);
        QCOMPARE(m_timer->interval, 0);
        m_timer->fire();
        QCOMPARE(wall->navigations.last(), entries[3]);
        QVERIFY2(w->m_playStatusLabel->text().endsWith(QStringLiteral("(skipped 1 failed)")),
                 qPrintable(w->m_playStatusLabel->text()));
    }

    void theListBrowserShowsTheCopyUnderItsBarWithTheMark()
    {
        const QStringList entries{"http://shop.example/a", "http://shop.example/b", "http://shop.example/c"};
        ListBrowser *w = listBrowser((entries.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        QVERIFY(keepCopy(entries[0], copyDay.toUTC()));
        QVERIFY(keepCopy(entries[1], copyDay.addDays(-1).toUTC()));
        CheckResult parked;
        parked.verdict = Verdict::Parked;
        m_world.windows->checkResults().set(entries[1], parked);
        w->window()->show();
        FakeWebBrowser *page = view(w);
        CopyMark *mark = ListPlayback::of(w)->listCopyMark();
        // a is not found now: its copy under the list browser's bar, and the mark.
        page->status = 404;
        w->m_playButton->click();
        loadPage(page);
        QTRY_VERIFY(page->showingCopy);
        QTRY_VERIFY(mark->isVisible());
        QVERIFY(w->m_copyBar->isVisible());
        QVERIFY(inPageCorner(mark, page->widget()));
        QVERIFY(!mark->geometry().intersects(w->m_copyBar->geometry()));
        QCOMPARE(player(w)->state(), ListPlayer::State::Showing);
        // b the check found parked: chosen, and its copy goes over its page once its load has started.
        m_timer->fire();
        QCOMPARE(w->m_addressList->currentEntry(), entries[1]);
        QVERIFY(!mark->isVisible());
        page->setBusy(true);
        QTRY_VERIFY(mark->isVisible());
        QCOMPARE(mark->text(), QStringLiteral("saved copy, ") + copyDateText(copyDay.addDays(-1)));
        QVERIFY(page->shownCopy.contains(entries[1].toUtf8()));
        QCOMPARE(player(w)->state(), ListPlayer::State::Showing);
        // Its live page failing as well changes nothing for the walk.
        page->setBusy(false);
        QCOMPARE(player(w)->state(), ListPlayer::State::Showing);
        QVERIFY(mark->isVisible());
        QCOMPARE(player(w)->copiesShown(), 2);
        // The person takes over with Next: c's load takes the copy away, and the mark with it.
        QTest::mouseClick(w->m_nextButton, Qt::LeftButton);
        QVERIFY(!player(w)->isPlaying());
        page->setBusy(true);
        QVERIFY(!page->showingCopy);
        QVERIFY(!mark->isVisible());
    }

    void aRefusedAddressIsShownForTheDelay()
    {
        StagedPlayer staged({"javascript:x", "b"});
        auto &[list, host, stage, timer, player] = staged;
        list.onShow = [stage](const QString &e) { emit stage->navigationRefused(e, QStringLiteral("no")); };
        player.play();
        QCOMPARE(player.state(), ListPlayer::State::Showing);
        QCOMPARE(timer->interval, 10000);
    }

    // ---- the list browser ----

    void playButtonTellsWhatItDoes()
    {
        ListBrowser *w = listBrowser();
        for (QWidget *c : {static_cast<QWidget *>(w->m_playButton), static_cast<QWidget *>(w->m_playDelayBox),
                           static_cast<QWidget *>(w->m_playLoopBox)}) {
            QWidget *hit = w->childAt(c->geometry().center());
            QVERIFY2(hit == c || c->isAncestorOf(hit), qPrintable(c->objectName()));
            QVERIFY(w->rect().contains(c->geometry()));
        }
        QVERIFY(w->rect().contains(w->m_playStatusLabel->geometry()));
        QVERIFY(!w->m_playStatusLabel->geometry().intersects(w->m_view->widget()->geometry()));
        QCOMPARE(w->m_playButton->text(), QStringLiteral("Play"));
        QVERIFY(w->m_playButton->accessibleName().contains(QStringLiteral("Play")));
        QVERIFY(w->m_playButton->toolTip().contains(QStringLiteral("Ctrl+P")));
        QVERIFY(w->m_playDelayBox->accessibleName().contains(w->m_playDelayLabel->text().chopped(1)));
        QTest::mouseClick(w->m_playButton, Qt::LeftButton);
        QVERIFY(player(w)->isPlaying());
        QCOMPARE(w->m_playButton->text(), QStringLiteral("Pause"));
        QVERIFY(w->m_playButton->accessibleName().contains(QStringLiteral("Pause")));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("a"));
        QCOMPARE(view(w)->navigations, QStringList{"a"});
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Playing, waiting for the page to load (gives up in 40 s)"));
        loadPage(view(w));
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Playing, next in 10 s"));
        // Playing was the player's choice, not the person's: it goes on.
        m_timer->fire();
        QVERIFY(player(w)->isPlaying());
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("b"));
        // The shortcut, with the focus in the list.
        w->window()->show();
        w->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w->window()));
        w->m_addressList->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!player(w)->isPlaying());
        QCOMPARE(w->m_playButton->text(), QStringLiteral("Play"));
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Paused"));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("b"));
    }

    void thePersonComesFirst_data()
    {
        QTest::addColumn<QString>("action");
        for (const char *a : {"choose", "Next", "Prev", "KILL", "Add", "back", "forward", "click page", "type page", "wheel page"})
            QTest::newRow(a) << QString::fromLatin1(a);
    }
    void thePersonComesFirst()
    {
        QFETCH(QString, action);
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        loadPage(view(w));
        m_timer->fire(); // b on show
        QVERIFY(player(w)->isPlaying());
        QWidget *page = w->m_view->widget();
        if (action == QLatin1String("choose")) {
            QListView *list = w->m_addressList;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(2, 0)).center());
            QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("c"));
        } else if (action == QLatin1String("Next")) {
            QTest::mouseClick(w->m_nextButton, Qt::LeftButton);
        } else if (action == QLatin1String("Prev")) {
            QTest::mouseClick(w->m_previousButton, Qt::LeftButton);
        } else if (action == QLatin1String("KILL")) {
            QTest::mouseClick(w->m_killButton, Qt::LeftButton);
        } else if (action == QLatin1String("Add")) {
            QTest::mouseClick(w->m_addButton, Qt::LeftButton);
        } else if (action == QLatin1String("back")) {
            QTest::mouseClick(w->m_backButton, Qt::LeftButton);
        } else if (action == QLatin1String("forward")) {
            QTest::mouseClick(w->m_forwardButton, Qt::LeftButton);
        } else if (action == QLatin1String("click page")) {
            QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(30, 30));
        } else if (action == QLatin1String("type page")) {
            QTest::keyClick(page, Qt::Key_Shift); // a modifier alone is no typing
            QVERIFY(player(w)->isPlaying());
            QTest::keyClick(page, Qt::Key_X);
        } else if (action == QLatin1String("wheel page")) {
            QWheelEvent wheel(QPointF(30, 30), page->mapToGlobal(QPointF(30, 30)), {}, QPoint(0, -120), Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(page, &wheel);
        }
        QVERIFY(!player(w)->isPlaying());
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Paused"));
        QCOMPARE(w->m_playButton->text(), QStringLiteral("Play"));
        QVERIFY(!m_timer->active);
    }

    void killTheShownEntryWhilePlaying()
    {
        ListBrowser *w = listBrowser("a\r\nb\r\nc\r\nd\r\n");
        w->m_playButton->click();
        loadPage(view(w));
        m_timer->fire();
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("b"));
        w->m_killButton->click();
        QVERIFY(!player(w)->isPlaying());
        QCOMPARE(w->m_addressList->entries(), (QStringList{"a", "c", "d"}));
        w->m_playButton->click();
        // Play goes on with the entry that took b's place.
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("c"));
        QCOMPARE(view(w)->navigations.last(), QStringLiteral("c"));
        QVERIFY(player(w)->isPlaying());
    }

    void aListReplacedWhilePlayingIsPlayedFromItsTop_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("New List or Edit List") << "reload";
        QTest::newRow("cheat box") << "cheat";
        QTest::newRow("destroy") << "destroy";
    }
    void aListReplacedWhilePlayingIsPlayedFromItsTop()
    {
        QFETCH(QString, how);
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        loadPage(view(w));
        m_timer->fire();
        m_timer->fire(); // b never loads: its time runs out and, with no copy to show, it is passed over at once
        QCOMPARE(m_timer->interval, 0);
        m_timer->fire(); // c on show
        loadPage(view(w));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("c"));
        if (how == QLatin1String("reload")) {
            QVERIFY(TestFiles::writeList("x\r\ny\r\n"));
            w->reloadList();
        } else if (how == QLatin1String("cheat")) {
            CheatBox *cheat = m_world.windows->cheatBox();
            cheat->m_codeBox->setText(CheatBox::cheatCode);
            cheat->checkCheatCode();
        } else {
            m_world.platform->boxes.defaultAnswer = MessageBoxes::Answer::Ok;
            m_world.windows->mainWindow()->destroyList();
        }
        QVERIFY(player(w)->isPlaying()); // nobody touched the list browser
        const QStringList entries = w->m_addressList->entries();
        m_timer->fire();
        const int first = nextPlayStep(*ListPlayback::of(w), -1, false, deadOrEmpty).row;
        if (first < 0) {
            QVERIFY(!player(w)->isPlaying()); // the destroyed list has nothing to show
            QCOMPARE(w->m_playStatusLabel->text().left(15), QStringLiteral("Nothing to play"));
        } else {
            QCOMPARE(w->m_addressList->currentRow(), first);
            QCOMPARE(view(w)->navigations.last(), entries.at(first));
        }
    }

    void closingTheListBrowserStopsPlaying()
    {
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        QPointer<FakePlayTimer> timer = m_timer;
        QPointer<FakeWebBrowser> page = view(w);
        w->window()->show();
        WindowFrame::hide(w); // its "X" or another window's command: it goes on playing hidden
        QVERIFY(player(w)->isPlaying());
        WindowFrame::show(w);
        QVERIFY(WindowFrame::frameOf(w)->close());
        QVERIFY(!timer || !timer->active); // at once, before the window is gone
        QTRY_VERIFY(!timer);
        QVERIFY(!page);
        QVERIFY(!m_world.windows->loadedListBrowser());
    }

    void aMessageBoxOfTheProgramOrPageHoldsPlaying()
    {
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        loadPage(view(w));
        QCOMPARE(m_timer->interval, 10000);
        auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Page"), QStringLiteral("Sure?"),
                                    QMessageBox::Ok, w->window());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open(); // window-modal
        QTRY_VERIFY(player(w)->isHeld());
        QVERIFY(!m_timer->active);
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Playing, waits until the message box is answered"));
        box->accept();
        QTRY_VERIFY(!player(w)->isHeld());
        QVERIFY(player(w)->isPlaying());
        QVERIFY(m_timer->active);
        // The program's own boxes are modal to the whole program.
        QMessageBox appModal(QMessageBox::Critical, QStringLiteral("List not saved"), QStringLiteral("x"));
        appModal.setWindowModality(Qt::ApplicationModal);
        appModal.show();
        QVERIFY(player(w)->isHeld());
        appModal.hide();
        QVERIFY(!player(w)->isHeld());
        // A page's own message is not modal at all, and holds all the same.
        auto *message = new PageDialog({PageDialog::Kind::Alert, QStringLiteral("Javascript Alert - x"),
                                        QStringLiteral("Hello")}, w->window());
        message->show();
        QVERIFY(player(w)->isHeldByPage());
        QVERIFY(!m_timer->active);
        QCOMPARE(w->m_playStatusLabel->text(), QStringLiteral("Held by the page's message"));
        delete message;
        QVERIFY(!player(w)->isHeld());
        QVERIFY(m_timer->active);
        // One already open when Play starts holds it from the start.
        w->m_playButton->click();
        QVERIFY(!player(w)->isPlaying());
        message = new PageDialog({PageDialog::Kind::Confirm, QStringLiteral("Javascript Confirm - x"),
                                  QStringLiteral("Sure?")}, w->window());
        message->show();
        QVERIFY(!player(w)->isHeld());
        w->m_playButton->click();
        QVERIFY(player(w)->isHeldByPage());
        message->hide();
        QVERIFY(!player(w)->isHeld());
        delete message;
    }

    void bigTakesTheWalkIntoTheBrowserWindow()
    {
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        loadPage(view(w));
        m_world.windows->mainWindow()->toolBarButtonClicked(QStringLiteral("big"));
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big);
        auto *bigView = qobject_cast<FakeWebBrowser *>(big->m_view);
        QCOMPARE(bigView->navigations, QStringList{"a"});
        QVERIFY(player(w)->isPlaying());
        QCOMPARE(player(w)->stage(), big->m_view);
        m_timer->fire();
        QCOMPARE(bigView->navigations.last(), QStringLiteral("b"));
        QCOMPARE(big->m_addressBox->currentText(), QStringLiteral("b"));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("b"));
        // Its time follows the wall display's page, not the list browser's.
        loadPage(view(w));
        QCOMPARE(player(w)->state(), ListPlayer::State::Loading);
        loadPage(bigView);
        QCOMPARE(player(w)->state(), ListPlayer::State::Showing);
        // A click into the wall display is the person taking over.
        QTest::mouseClick(big->m_view->widget(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(!player(w)->isPlaying());
        // Closed, the list browser shows the walk alone again.
        delete big;
        QCOMPARE(player(w)->stage(), w->m_view);
        w->m_playButton->click();
        QVERIFY(player(w)->isPlaying());
    }

    void ctrlPInTheBrowserWindowPlaysOnlyWhileTheWalkIsThere()
    {
        ListBrowser *w = listBrowser();
        m_world.windows->mainWindow()->toolBarButtonClicked(QStringLiteral("big"));
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big);
        QAction *print = big->m_pageTools->action(QStringLiteral("print"));
        const auto playKey = [big] {
            for (QAction *a : big->actions())
                if (a->objectName() == QLatin1String("playPause"))
                    return true;
            return false;
        };
        // Enlarged without playing: Ctrl+P prints, as in any browser window.
        QVERIFY(!playKey());
        QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        // Playing and paused, the walk is there: Ctrl+P plays and pauses.
        w->m_playButton->click();
        QVERIFY(playKey());
        QVERIFY(print->shortcut().isEmpty());
        w->m_playButton->click();
        QVERIFY(player(w)->isPaused());
        QVERIFY(playKey());
        // At the end of the list the walk is over: Ctrl+P prints again.
        w->m_playButton->click();
        auto *wall = qobject_cast<FakeWebBrowser *>(big->m_view);
        for (int step = 0; step < 8 && player(w)->isPlaying(); ++step) {
            loadPage(wall);
            m_timer->fire();
        }
        QVERIFY(!player(w)->isPlaying() && !player(w)->isPaused());
        QVERIFY(!playKey());
        QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    }

    void atTheWallCtrlPPlaysOnAndTheNoticeSaysSo()
    {
        ListBrowser *w = listBrowser();
        w->m_playButton->click();
        loadPage(view(w));
        m_world.windows->mainWindow()->toolBarButtonClicked(QStringLiteral("big"));
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big);
        WindowFrame::show(big);
        big->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(big));
        PauseNotice *notice = ListPlayback::of(w)->pauseNotice();
        QVERIFY(notice);
        // Not on full screen: Ctrl+P pauses and plays, and no notice covers the page.
        QTest::keyClick(big->m_view->widget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(player(w)->isPaused());
        QVERIFY(!notice->isVisible());
        QTest::keyClick(big->m_view->widget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(player(w)->isPlaying()); // the key itself is no person taking over
        // On full screen, a click at the wall pauses, and the notice says how to go on.
        QTest::keyClick(big, Qt::Key_F11);
        QTRY_VERIFY(big->isFullScreen());
        QTest::mouseClick(big->m_view->widget(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(player(w)->isPaused());
        QVERIFY(notice->isVisible());
        QCOMPARE(notice->text(), QStringLiteral("Paused: Ctrl+P plays on"));
        QCOMPARE(notice->accessibleName(), notice->text());
        QVERIFY(big->rect().contains(notice->geometry()));
        QVERIFY(big->childAt(notice->geometry().center()) != notice); // a click goes through to the page
        // It fades away by itself.
        QTRY_VERIFY_WITH_TIMEOUT(notice->isFading(), PauseNotice::shownMsecs + 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), PauseNotice::fadeMsecs + 5000);
        // Ctrl+P plays on from the entry shown.
        const QString shown = w->m_addressList->currentEntry();
        QTest::keyClick(big->m_view->widget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(player(w)->isPlaying());
        QCOMPARE(w->m_addressList->currentEntry(), shown);
        QTest::keyClick(big->m_view->widget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(notice->isVisible());
        QTest::keyClick(big->m_view->widget(), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(!notice->isVisible()); // playing again: nothing to tell
        // The end of the list is no pause: no notice then.
        auto *wall = qobject_cast<FakeWebBrowser *>(big->m_view);
        for (int step = 0; step < 5 && player(w)->isPlaying(); ++step) {
            m_timer->fire();
            loadPage(wall);
        }
        QVERIFY(!player(w)->isPlaying());
        QVERIFY(!player(w)->isPaused());
        QVERIFY(!notice->isVisible());
    }

    void fullScreenWithF11AndBackWithF11OrEsc()
    {
        BrowserWindow *big = m_world.windows->browserWindow();
        WindowFrame::show(big);
        big->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(big));
        auto *page = qobject_cast<FakeWebBrowser *>(big->m_view);
        const QRect designPlace = page->widget()->geometry();
        QTest::keyClick(big, Qt::Key_F11);
        QTRY_VERIFY(big->isFullScreen());
        QVERIFY(!big->statusBar()->isVisible());
        QCOMPARE(page->widget()->geometry(), big->centralWidget()->rect());
        QTest::keyClick(big, Qt::Key_F11);
        QTRY_VERIFY(!big->isFullScreen());
        QCOMPARE(page->widget()->geometry(), designPlace);
        QVERIFY(big->statusBar()->isVisible());
        // Esc stops a page that is loading and stays full screen; once loaded, Esc leaves.
        QTest::keyClick(big, Qt::Key_F11);
        QTRY_VERIFY(big->isFullScreen());
        page->setBusy(true);
        QTest::keyClick(big, Qt::Key_Escape);
        QCOMPARE(page->stops, 1);
        QVERIFY(big->isFullScreen());
        QTest::keyClick(big, Qt::Key_Escape);
        QTRY_VERIFY(!big->isFullScreen());
        QCOMPARE(page->stops, 1);
        // Not full screen and idle: Esc is the page's.
        QTest::keyClick(big, Qt::Key_Escape);
        QVERIFY(!big->isFullScreen());
        QCOMPARE(page->stops, 1);
    }
};

QTEST_MAIN(TestPlay)
#include "tst_play.moc"
