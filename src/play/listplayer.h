// Playing the list: shows one entry after another by itself, each for a set time after its page loaded.
#pragma once

#include <QList>
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

/// Where a walk from @p from goes next.
struct PlayStep {
    /// The next row to show, or -1 when the walk has reached the end (or nothing can be played).
    int row = -1;
    /// The rows passed over on the way, counted by reason, in the order the reasons came up.
    QList<QPair<QString, int>> skipped;
    bool wrapped = false;
};

/// The next row after @p from (-1: before the first) that @p skip lets through. With @p loop the walk
/// goes on from the top after the last row, at most once round, and may come back to @p from itself.
PlayStep nextPlayStep(const PlayedList &list, int from, bool loop, const PlaySkipTest &skip);

/// The player: no widgets. It waits on one timer per page: from showing an entry until its page has
/// loaded (at most the delay plus the page time-out), then for the delay. A person's action pauses it
/// (personTookOver()); a message box, or a page's own message (alert, confirm, prompt), holds it until
/// it is answered (hold() and release()).
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

signals:
    void playingChanged(bool playing);
    void statusChanged(const QString &text);

private:
    void stepTo(const PlayStep &step);
    void advance();
    void waitForShownPage();
    void pageBusyChanged(bool busy);
    void pageRefused();
    void startShowing(int msecs);
    void stopPlaying(const QString &why);
    void rearmCountdown();
    void announce();
    /// The skip test with blank entries added.
    QString skipReason(const QString &entry) const;

    PlayedList &m_list;
    PlayTimer *m_timer;
    QPointer<WebBrowser> m_stage;
    QPointer<ClockTicker> m_ticker;
    PlaySkipTest m_skip;
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
};
