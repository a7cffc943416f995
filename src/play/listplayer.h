// Playing the list: shows one entry after another by itself, each for a set time after its page loaded.
#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

#include <functional>

#include "ui/clockticker.h"
class PlayTimer;
#include "platform/webbrowser.h"

/// The list that is played: read its entries and the entry shown, and show another one.
class PlayedList {
public:
    virtual ~PlayedList() = default;
    virtual int count() const = 0;
    virtual QString entry(int row) const = 0;
    /// The row shown (selected), or -1 when none is.
    virtual int current() const = 0;
    /// Selects @p row and shows its address, as choosing it does.
    virtual void show(int row) = 0;
};

/// Why an entry is passed over while playing (for example "dead", "empty"); empty text: play it.
using PlaySkipTest = std::function<QString(const QString &entry)>;
/// Whether an entry has a last good copy that Play can show in place of its live page.
using PlayCopyTest = std::function<bool(const QString &entry)>;

/// The last good copies of the played list's pages, which Play shows where a live page fails.
class PlayedCopies {
public:
    virtual ~PlayedCopies() = default;
    /// Whether @p entry has a last good copy to show.
    virtual bool hasCopy(const QString &entry) const = 0;
    /// Judges the page the stage has just loaded for @p row; @p done gets why it is no good page (an
    /// HTTP error, no answer, parked, a soft 404...), or the empty text for a good one. @p done may
    /// come at once or later; it is never called after the object went.
    virtual void judgeShownPage(int row, std::function<void(const QString &whyNotGood)> done) = 0;
    /// Shows @p row's last good copy on the stage in place of its live page. @p liveFailed: the live
    /// page was loaded and failed; otherwise the row is shown (selected, as PlayedList::show() does)
    /// by its copy without waiting for its live page. ListPlayer::copyShown() or copyNotShown() follows.
    virtual void showCopy(int row, bool liveFailed) = 0;
};

/// The date of a saved copy as the person reads dates: @p locale's long date without the day of the
/// week ("3 March 2026", "March 3, 2026"), in local time.
QString copyDateText(const QDateTime &savedAt, const QLocale &locale = QLocale());

/// Where a walk from @p from goes next.
struct PlayStep {
    /// The next row to show, or -1 when the walk has reached the end (or nothing can be played).
    int row = -1;
    /// The rows passed over on the way, counted by reason, in the order the reasons came up.
    QList<QPair<QString, int>> skipped;
    bool wrapped = false;
    /// The row is one @p skip names, shown by its last good copy instead of its live page.
    bool byCopy = false;
};

/// The next row after @p from (-1: before the first) that @p skip lets through, or that it names but
/// @p hasCopy says has a copy to show (blank entries never do). With @p loop the walk goes on from the
/// top after the last row, at most once round, and may come back to @p from itself.
PlayStep nextPlayStep(const PlayedList &list, int from, bool loop, const PlaySkipTest &skip,
                      const PlayCopyTest &hasCopy = {});

/// The player: no widgets. It waits on one timer per page: from showing an entry until its page has
/// loaded (at most the delay plus the page time-out), then for the delay. A person's action pauses it
/// (personTookOver()); a message box, or a page's own message (alert, confirm, prompt), holds it until
/// it is answered (hold() and release()). With copies (setCopies()), an entry whose live page fails
/// (or that the skip test names) is shown by its last good copy for the delay; one without a copy is
/// passed over at once, so that no error page stays on the stage.
class ListPlayer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListPlayer)
public:
    enum class State { Stopped, Loading, Showing };
    /// How long a page may take to load before the round goes on without it, on top of the delay.
    static constexpr int defaultPageTimeoutMsecs = 30000;
    int pageTimeoutMsecs() const { return m_pageTimeoutMsecs; }

    /// Takes @p timer (and parents it); @p list must outlive the player.
    ListPlayer(PlayedList &list, PlayTimer *timer, QObject *parent = nullptr);
    ~ListPlayer() override;

    /// The browser whose page loads are waited for: the one that shows the played entries.
    void setStage(WebBrowser *stage);
    WebBrowser *stage() const { return m_stage; }
    void setDelaySeconds(int seconds);
    int delaySeconds() const { return m_delaySeconds; }
    void setLoop(bool loop);
    bool loops() const { return m_loop; }
    void setPageTimeoutMsecs(int msecs) { m_pageTimeoutMsecs = msecs; }
    /// Entries for which @p skip gives a reason are passed over; blank entries always are.
    void setSkipTest(PlaySkipTest skip);
    /// Where live pages fail, @p copies shows their last good copies (null: they are shown as they are).
    /// @p copies must outlive the player or be taken away first.
    void setCopies(PlayedCopies *copies);
    /// The copy on show stands for the live page: when it was saved; invalid while a live page shows.
    QDateTime shownCopyDate() const { return m_copySavedAt; }
    /// Saved copies shown since Play was pressed.
    int copiesShown() const { return m_copiesShown; }
    /// With a ticker, the status counts the seconds down while @p shown says someone can see it.
    void setCountdownTicker(ClockTicker *ticker);
    void setCountdownShown(bool shown);

    bool isPlaying() const { return m_state != State::Stopped; }
    /// Stopped by the person (Pause, or taking over), not by the end of the list.
    bool isPaused() const { return m_state == State::Stopped && m_paused; }
    State state() const { return m_state; }
    bool isHeld() const { return m_holds > 0; }
    /// Held by a page's own message (an alert, a confirm or a prompt) rather than one of the program's.
    bool isHeldByPage() const { return m_pageHolds > 0; }
    /// What the player is doing, for the person: "Playing, next in 7 s", "Paused", ...
    QString statusText() const;

public slots:
    void play();
    void pause();
    void togglePlaying();
    /// The person chose an entry, stepped, removed or added one, or used the page: playing pauses,
    /// and Play goes on from the entry shown then (or, when none is, from where the shown one was).
    void personTookOver();
    /// A message box opened (hold) or was answered (release): playing waits in between.
    /// @p pageMessage: the message is a page's own (its alert, confirm or prompt).
    void hold(bool pageMessage = false);
    void release(bool pageMessage = false);
    /// The whole list was replaced: Play starts from its top.
    void listReplaced();
    /// The copy of @p entry, saved at @p savedAt, shows on the stage (after PlayedCopies::showCopy()).
    void copyShown(const QString &entry, const QDateTime &savedAt);
    /// @p entry has no copy to show, or it cannot be read: @p why, a word for the status ("failed").
    void copyNotShown(const QString &entry, const QString &why);

signals:
    void playingChanged(bool playing);
    void statusChanged(const QString &text);

private:
    void stepTo(const PlayStep &step);
    void advance();
    /// The page on show will not do: its copy shows, or the walk moves on.
    void livePageFailed();
    /// Moves on at once past the entry shown, counting it under @p why; after a whole round in which
    /// nothing could be shown it waits for the delay instead, so that a list that fails throughout
    /// is not asked for again and again without pause.
    void passOver(const QString &why);
    /// The page loaded (or was refused): judged first when there are copies.
    void livePageReady(bool refused);
    static void addSkip(QList<QPair<QString, int>> &to, const QString &why, int count = 1);
    void waitForShownPage();
    void pageBusyChanged(bool busy);
    void pageRefused();
    void startShowing(int msecs);
    void stopPlaying(const QString &why);
    void rearmCountdown();
    void announce();
    /// The next step from @p from, with the skip test and the copies.
    PlayStep stepFrom(int from, bool loop) const;
    /// The skip test with blank entries added.
    QString skipReason(const QString &entry) const;

    PlayedList &m_list;
    PlayTimer *m_timer;
    QPointer<WebBrowser> m_stage;
    QPointer<ClockTicker> m_ticker;
    PlaySkipTest m_skip;
    PlayedCopies *m_copies = nullptr;
    /// What the player waits for while Loading.
    enum class Awaiting { Page, Judgement, Copy, MoveOn };
    Awaiting m_awaiting = Awaiting::Page;
    /// Counts the steps, so that an answer for a page gone by is known as such.
    quint64 m_stepNumber = 0;
    QDateTime m_copySavedAt;
    /// The step's address was refused before anything loaded.
    bool m_liveRefused = false;
    int m_copiesShown = 0;
    /// The row where a run of entries that could not be shown began, or -1.
    int m_failedRunStart = -1;
    State m_state = State::Stopped;
    int m_delaySeconds = 10;
    bool m_loop = false;
    int m_pageTimeoutMsecs = defaultPageTimeoutMsecs;
    int m_holds = 0;
    int m_pageHolds = 0;
    bool m_countdownShown = false;
    bool m_paused = false;
    /// The page load that the player waits for has started since the entry was shown.
    bool m_loadSeen = false;
    /// Where the shown entry was when the person took over, for Play after it was removed.
    int m_resumeRow = -1;
    /// What stopped or paused playing, for the status; empty when it never played.
    QString m_stopReason;
    QList<QPair<QString, int>> m_lastSkipped;
    /// Everything passed over since Play was pressed, for the summary at the end.
    QList<QPair<QString, int>> m_walkSkipped;
    /// What was passed over since the last step, told with the next one.
    QList<QPair<QString, int>> m_carriedSkipped;
};
