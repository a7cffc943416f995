#include "play/listplayer.h"

#include "play/playtimer.h"
#include "platform/webbrowser.h"
#include "ui/clockticker.h"

#include <QStringList>

PlayStep nextPlayStep(const PlayedList &list, int from, bool loop, const PlaySkipTest &skip)
{
    PlayStep step;
    const int count = list.count();
    if (count <= 0)
        return step;
    const int start = qBound(-1, from, count - 1);
    const auto playable = [&](int row) {
        const QString why = skip ? skip(list.entry(row)) : QString();
        if (why.isEmpty())
            return true;
        auto it = std::find_if(step.skipped.begin(), step.skipped.end(), [&](const auto &s) { return s.first == why; });
        if (it == step.skipped.end())
            step.skipped.append({why, 1});
        else
            ++it->second;
        return false;
    };
    for (int row = start + 1; row < count; ++row) {
        if (playable(row)) {
            step.row = row;
            return step;
        }
    }
    if (loop) {
        step.wrapped = true;
        for (int row = 0; row <= start; ++row) {
            if (playable(row)) {
                step.row = row;
                return step;
            }
        }
    }
    return step;
}

ListPlayer::ListPlayer(PlayedList &list, PlayTimer *timer, QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_timer(timer)
{
    m_timer->setParent(this);
    connect(m_timer, &PlayTimer::timeout, this, &ListPlayer::advance);
}

ListPlayer::~ListPlayer()
{
    if (m_ticker)
        m_ticker->unsubscribe(this);
}

void ListPlayer::setStage(WebBrowser *stage)
{
    if (m_stage == stage)
        return;
    if (m_stage)
        disconnect(m_stage, nullptr, this, nullptr);
    m_stage = stage;
    if (!stage)
        return;
    connect(stage, &WebBrowser::busyChanged, this, &ListPlayer::pageBusyChanged);
    connect(stage, &WebBrowser::navigationRefused, this, &ListPlayer::pageRefused);
    // A page that was loading elsewhere will not finish here: wait for what this browser shows.
    if (m_state == State::Loading)
        waitForShownPage();
}

void ListPlayer::setDelaySeconds(int seconds)
{
    seconds = qBound(1, seconds, 3600);
    if (seconds == m_delaySeconds)
        return;
    const int oldMsecs = m_delaySeconds * 1000;
    m_delaySeconds = seconds;
    // The page on show gets the new delay, counted from when it finished loading as before.
    if (m_state == State::Showing && !isHeld() && m_timer->isActive()) {
        const int elapsed = oldMsecs - m_timer->remainingMsecs();
        m_timer->start(qMax(0, seconds * 1000 - elapsed));
        announce();
    }
}

void ListPlayer::setLoop(bool loop)
{
    m_loop = loop;
}

void ListPlayer::setSkipTest(PlaySkipTest skip)
{
    m_skip = std::move(skip);
}

void ListPlayer::setCountdownTicker(ClockTicker *ticker)
{
    if (m_ticker)
        m_ticker->unsubscribe(this);
    m_ticker = ticker;
    rearmCountdown();
}

void ListPlayer::setCountdownShown(bool shown)
{
    if (m_countdownShown == shown)
        return;
    m_countdownShown = shown;
    rearmCountdown();
    if (shown)
        announce();
}

QString ListPlayer::skipReason(const QString &entry) const
{
    if (entry.trimmed().isEmpty())
        return tr("empty");
    return m_skip ? m_skip(entry) : QString();
}

QString ListPlayer::statusText() const
{
    QString text;
    if (m_state == State::Stopped) {
        text = m_stopReason;
    } else if (isHeldByPage()) {
        text = tr("Held by the page's message");
    } else if (isHeld()) {
        text = tr("Playing, waits until the message box is answered");
    } else if (m_state == State::Loading) {
        // Counts down to the moment the round goes on without the page.
        const int msecs = m_timer->isActive() ? m_timer->remainingMsecs() : m_delaySeconds * 1000 + m_pageTimeoutMsecs;
        const int most = (m_delaySeconds * 1000 + m_pageTimeoutMsecs + 999) / 1000;
        text = tr("Playing, waiting for the page to load (gives up in %1 s)").arg(qBound(1, (msecs + 999) / 1000, most));
    } else {
        const int msecs = m_timer->isActive() ? m_timer->remainingMsecs() : m_delaySeconds * 1000;
        // A coarse timer may be set a little late; the count never shows more than the delay.
        text = tr("Playing, next in %1 s").arg(qBound(1, (msecs + 999) / 1000, m_delaySeconds));
    }
    if (!m_lastSkipped.isEmpty() && !text.isEmpty()) {
        QStringList parts;
        for (const auto &s : m_lastSkipped)
            parts.append(QStringLiteral("%1 %2").arg(s.second).arg(s.first));
        text += tr(" (skipped %1)").arg(parts.join(QStringLiteral(", ")));
    }
    return text;
}

void ListPlayer::play()
{
    if (isPlaying())
        return;
    m_stopReason.clear();
    m_lastSkipped.clear();
    const auto skip = [this](const QString &entry) { return skipReason(entry); };
    const int shown = m_list.current();
    const int resumeRow = m_resumeRow;
    m_resumeRow = -1;
    if (shown >= 0 && shown < m_list.count()) {
        // At the last entry of a list that stops at its end, Play means a new round from the top.
        if (!m_loop && nextPlayStep(m_list, shown, false, skip).row < 0) {
            stepTo(nextPlayStep(m_list, -1, false, skip));
            return;
        }
        // Go on from the entry shown: it stays for the delay, then the next one comes.
        m_state = State::Loading;
        emit playingChanged(true);
        waitForShownPage();
        return;
    }
    // The entry shown was removed: go on with the one that took its place.
    const int from = resumeRow >= 0 && resumeRow <= m_list.count() ? resumeRow - 1 : -1;
    stepTo(nextPlayStep(m_list, from, m_loop, skip));
}

void ListPlayer::pause()
{
    if (!isPlaying())
        return;
    m_resumeRow = m_list.current();
    m_lastSkipped.clear();
    stopPlaying(tr("Paused"));
}

void ListPlayer::togglePlaying()
{
    if (isPlaying())
        pause();
    else
        play();
}

void ListPlayer::personTookOver()
{
    m_resumeRow = m_list.current();
    if (!isPlaying())
        return;
    m_lastSkipped.clear();
    stopPlaying(tr("Paused"));
}

void ListPlayer::hold(bool pageMessage)
{
    if (pageMessage && m_pageHolds++ == 0 && m_holds > 0)
        announce(); // a page's message over a message box: say who holds
    if (m_holds++ > 0)
        return;
    m_timer->stop();
    rearmCountdown();
    announce();
}

void ListPlayer::release(bool pageMessage)
{
    if (m_holds == 0)
        return;
    if (pageMessage && m_pageHolds > 0 && --m_pageHolds == 0 && m_holds > 1)
        announce();
    if (--m_holds > 0)
        return;
    m_pageHolds = 0;
    // The person answered: the page gets its whole time again.
    if (m_state == State::Loading)
        m_timer->start(m_delaySeconds * 1000 + m_pageTimeoutMsecs);
    else if (m_state == State::Showing)
        m_timer->start(m_delaySeconds * 1000);
    rearmCountdown();
    announce();
}

void ListPlayer::listReplaced()
{
    m_resumeRow = -1;
}

void ListPlayer::stepTo(const PlayStep &step)
{
    const bool wasPlaying = isPlaying();
    if (step.row < 0) {
        const auto skip = [this](const QString &entry) { return skipReason(entry); };
        const bool nothing = nextPlayStep(m_list, -1, false, skip).row < 0;
        m_lastSkipped = step.skipped;
        const QString why = nothing ? tr("Nothing to play: the list has no address to show") : tr("Stopped at the end of the list");
        if (wasPlaying) {
            stopPlaying(why);
        } else {
            m_stopReason = why;
            m_paused = false;
            announce();
        }
        return;
    }
    m_lastSkipped = step.skipped;
    // Waiting for the load first: showing the entry may refuse its address at once.
    m_state = State::Loading;
    m_loadSeen = false;
    if (!isHeld())
        m_timer->start(m_delaySeconds * 1000 + m_pageTimeoutMsecs);
    if (!wasPlaying)
        emit playingChanged(true);
    rearmCountdown();
    m_list.show(step.row);
    if (!m_stage && m_state == State::Loading)
        startShowing(m_delaySeconds * 1000);
    else
        announce();
}

void ListPlayer::advance()
{
    if (!isPlaying() || isHeld())
        return;
    stepTo(nextPlayStep(m_list, m_list.current(), m_loop, [this](const QString &entry) { return skipReason(entry); }));
}

void ListPlayer::waitForShownPage()
{
    if (m_stage && m_stage->isBusy()) {
        m_state = State::Loading;
        m_loadSeen = true;
        if (!isHeld())
            m_timer->start(m_delaySeconds * 1000 + m_pageTimeoutMsecs);
        rearmCountdown();
        announce();
    } else {
        startShowing(m_delaySeconds * 1000);
    }
}

void ListPlayer::pageBusyChanged(bool busy)
{
    if (m_state != State::Loading)
        return; // the page's own later loads (a dashboard refreshing itself) do not restart its time
    if (busy)
        m_loadSeen = true;
    else if (m_loadSeen)
        startShowing(m_delaySeconds * 1000);
}

void ListPlayer::pageRefused()
{
    // Nothing will load: the notice about the address stays for the delay.
    if (m_state == State::Loading)
        startShowing(m_delaySeconds * 1000);
}

void ListPlayer::startShowing(int msecs)
{
    m_state = State::Showing;
    if (!isHeld())
        m_timer->start(msecs);
    rearmCountdown();
    announce();
}

void ListPlayer::stopPlaying(const QString &why)
{
    const bool wasPlaying = isPlaying();
    m_paused = why == tr("Paused");
    m_timer->stop();
    m_state = State::Stopped;
    m_stopReason = why;
    rearmCountdown();
    if (wasPlaying)
        emit playingChanged(false);
    announce();
}

void ListPlayer::rearmCountdown()
{
    if (!m_ticker)
        return;
    const bool counting = m_countdownShown && isPlaying() && !isHeld();
    if (counting && !m_ticker->isListening(this))
        m_ticker->subscribe(this, ClockTicker::Unit::Second, [this] { announce(); });
    else if (!counting && m_ticker->isListening(this))
        m_ticker->unsubscribe(this);
}

void ListPlayer::announce()
{
    emit statusChanged(statusText());
}
