#include "play/listplayer.h"

#include "play/playtimer.h"
#include "platform/webbrowser.h"
#include "ui/clockticker.h"

#include <QPointer>
#include <QRegularExpression>
#include <QStringList>

QString copyDateText(const QDateTime &savedAt, const QLocale &locale)
{
    // The long date says the day of the week too, which a copy's date does not need: it goes with
    // what joins it to the rest ("dddd, d MMMM yyyy", "dddd, MMMM d, yyyy", "yyyy年M月d日dddd").
    static const QRegularExpression weekday(QStringLiteral("[\\s,]*(?<!d)dddd(?!d)[\\s,]*"));
    QString format = locale.dateFormat(QLocale::LongFormat);
    QRegularExpressionMatch match = weekday.match(format);
    while (match.hasMatch()) {
        const bool between = match.capturedStart() > 0 && match.capturedEnd() < format.size();
        format.replace(match.capturedStart(), match.capturedLength(), between ? QStringLiteral(" ") : QString());
        match = weekday.match(format);
    }
    format = format.trimmed();
    if (format.isEmpty())
        format = QStringLiteral("d MMMM yyyy");
    return locale.toString(savedAt.toLocalTime().date(), format);
}

PlayStep nextPlayStep(const PlayedList &list, int from, bool loop, const PlaySkipTest &skip, const PlayCopyTest &hasCopy)
{
    PlayStep step;
    const int count = list.count();
    if (count <= 0)
        return step;
    const int start = qBound(-1, from, count - 1);
    const auto playable = [&](int row) {
        const QString entry = list.entry(row);
        const QString why = skip ? skip(entry) : QString();
        if (why.isEmpty())
            return true;
        if (hasCopy && !entry.trimmed().isEmpty() && hasCopy(entry)) {
            step.byCopy = true;
            return true;
        }
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

void ListPlayer::setCopies(PlayedCopies *copies)
{
    m_copies = copies;
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
    } else if (m_state == State::Loading && m_awaiting == Awaiting::Copy) {
        text = tr("Playing, opening the saved copy");
    } else if (m_state == State::Loading) {
        // Counts down to the moment the round goes on without the page.
        const int msecs = m_timer->isActive() ? m_timer->remainingMsecs() : m_delaySeconds * 1000 + m_pageTimeoutMsecs;
        const int most = (m_delaySeconds * 1000 + m_pageTimeoutMsecs + 999) / 1000;
        text = tr("Playing, waiting for the page to load (gives up in %1 s)").arg(qBound(1, (msecs + 999) / 1000, most));
    } else {
        const int msecs = m_timer->isActive() ? m_timer->remainingMsecs() : m_delaySeconds * 1000;
        // A coarse timer may be set a little late; the count never shows more than the delay.
        text = tr("Playing, next in %1 s").arg(qBound(1, (msecs + 999) / 1000, m_delaySeconds));
        if (m_copySavedAt.isValid())
            text += tr(", showing the saved copy of %1").arg(copyDateText(m_copySavedAt));
    }
    if (text.isEmpty() || isPaused())
        return text;
    // While playing: what the step passed over; at the end, what the whole walk did.
    const bool summary = m_state == State::Stopped;
    QStringList details;
    if (m_copiesShown > 0)
        details.append(m_copiesShown == 1 ? tr("1 saved copy shown") : tr("%1 saved copies shown").arg(m_copiesShown));
    const QList<QPair<QString, int>> &skipped = summary ? m_walkSkipped : m_lastSkipped;
    if (!skipped.isEmpty()) {
        QStringList parts;
        for (const auto &s : skipped)
            parts.append(QStringLiteral("%1 %2").arg(s.second).arg(s.first));
        details.append(tr("skipped %1").arg(parts.join(QStringLiteral(", "))));
    }
    if (!details.isEmpty())
        text += QStringLiteral(" (%1)").arg(details.join(QStringLiteral("; ")));
    return text;
}

void ListPlayer::play()
{
    if (isPlaying())
        return;
    m_stopReason.clear();
    m_lastSkipped.clear();
    m_walkSkipped.clear();
    m_carriedSkipped.clear();
    m_copiesShown = 0;
    m_failedRunStart = -1;
    const int shown = m_list.current();
    const int resumeRow = m_resumeRow;
    m_resumeRow = -1;
    if (shown >= 0 && shown < m_list.count()) {
        // At the last entry of a list that stops at its end, Play means a new round from the top.
        if (!m_loop && stepFrom(shown, false).row < 0) {
            stepTo(stepFrom(-1, false));
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
    stepTo(stepFrom(from, m_loop));
}

PlayStep ListPlayer::stepFrom(int from, bool loop) const
{
    PlayCopyTest hasCopy;
    if (m_copies)
        hasCopy = [copies = m_copies](const QString &entry) { return copies->hasCopy(entry); };
    return nextPlayStep(m_list, from, loop, [this](const QString &entry) { return skipReason(entry); }, hasCopy);
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
    if (m_state == State::Loading && m_awaiting == Awaiting::MoveOn)
        m_timer->start(0);
    else if (m_state == State::Loading && m_awaiting == Awaiting::Copy)
        m_timer->start(m_pageTimeoutMsecs);
    else if (m_state == State::Loading)
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

void ListPlayer::copyShown(const QString &entry, const QDateTime &savedAt)
{
    if (m_state != State::Loading || m_awaiting != Awaiting::Copy || entry != m_list.entry(m_list.current()))
        return;
    m_copySavedAt = savedAt.isValid() ? savedAt : QDateTime::currentDateTimeUtc();
    ++m_copiesShown;
    startShowing(m_delaySeconds * 1000);
}

void ListPlayer::copyNotShown(const QString &entry, const QString &why)
{
    if (m_state != State::Loading || m_awaiting != Awaiting::Copy || entry != m_list.entry(m_list.current()))
        return;
    // An address the browser would not open has no copy either: it is told as what it is.
    passOver(m_liveRefused ? tr("refused") : why.isEmpty() ? tr("failed") : why);
}

void ListPlayer::addSkip(QList<QPair<QString, int>> &to, const QString &why, int count)
{
    auto it = std::find_if(to.begin(), to.end(), [&](const auto &s) { return s.first == why; });
    if (it == to.end())
        to.append({why, count});
    else
        it->second += count;
}

void ListPlayer::stepTo(const PlayStep &step)
{
    const bool wasPlaying = isPlaying();
    // What the step before passed over counts with what this one did.
    QList<QPair<QString, int>> skipped = std::exchange(m_carriedSkipped, {});
    for (const auto &s : step.skipped)
        addSkip(skipped, s.first, s.second);
    for (const auto &s : std::as_const(skipped))
        addSkip(m_walkSkipped, s.first, s.second);
    if (step.row < 0) {
        const bool nothing = stepFrom(-1, false).row < 0;
        m_lastSkipped = skipped;
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
    m_lastSkipped = skipped;
    // Waiting for the load first: showing the entry may refuse its address at once.
    m_state = State::Loading;
    m_loadSeen = false;
    m_copySavedAt = QDateTime();
    m_liveRefused = false;
    const quint64 number = ++m_stepNumber;
    if (!isHeld())
        m_timer->start(m_delaySeconds * 1000 + m_pageTimeoutMsecs);
    if (!wasPlaying)
        emit playingChanged(true);
    rearmCountdown();
    if (step.byCopy && m_copies) {
        // The last check found the page gone: its copy shows without waiting for it to fail again.
        m_awaiting = Awaiting::Copy;
        m_copies->showCopy(step.row, false);
    } else {
        m_awaiting = Awaiting::Page;
        m_list.show(step.row);
        if (!m_stage && number == m_stepNumber && m_state == State::Loading)
            startShowing(m_delaySeconds * 1000);
    }
    if (number == m_stepNumber && m_state == State::Loading)
        announce();
}

void ListPlayer::advance()
{
    if (!isPlaying() || isHeld())
        return;
    if (m_state == State::Loading && m_copies) {
        switch (m_awaiting) {
        case Awaiting::Page:
        case Awaiting::Judgement:
            // No answer within the page time-out: the page failed.
            livePageFailed();
            return;
        case Awaiting::Copy:
            // The copy never came.
            passOver(tr("failed"));
            return;
        case Awaiting::MoveOn:
            break;
        }
    }
    stepTo(stepFrom(m_list.current(), m_loop));
}

void ListPlayer::livePageReady(bool refused)
{
    if (!m_copies) {
        startShowing(m_delaySeconds * 1000);
        return;
    }
    if (refused) {
        m_liveRefused = true;
        livePageFailed();
        return;
    }
    m_awaiting = Awaiting::Judgement;
    const quint64 number = m_stepNumber;
    QPointer<ListPlayer> self(this);
    m_copies->judgeShownPage(m_list.current(), [self, number](const QString &whyNotGood) {
        if (!self || number != self->m_stepNumber || self->m_state != State::Loading
            || self->m_awaiting != Awaiting::Judgement)
            return;
        if (whyNotGood.isEmpty())
            self->startShowing(self->m_delaySeconds * 1000);
        else
            self->livePageFailed();
    });
}

void ListPlayer::livePageFailed()
{
    m_awaiting = Awaiting::Copy;
    // The copy is read and painted in its own time, but not for ever.
    if (!isHeld())
        m_timer->start(m_pageTimeoutMsecs);
    const quint64 number = m_stepNumber;
    m_copies->showCopy(m_list.current(), true);
    if (number == m_stepNumber && m_state == State::Loading && m_awaiting == Awaiting::Copy)
        announce();
}

void ListPlayer::passOver(const QString &why)
{
    const int row = m_list.current();
    addSkip(m_carriedSkipped, why);
    if (m_failedRunStart < 0)
        m_failedRunStart = row;
    const PlayStep next = stepFrom(row, m_loop);
    if (next.row >= 0 && next.row == m_failedRunStart) {
        // A whole round and nothing to show: this entry stays for the delay before the next round.
        for (const auto &s : std::exchange(m_carriedSkipped, {})) {
            addSkip(m_lastSkipped, s.first, s.second);
            addSkip(m_walkSkipped, s.first, s.second);
        }
        startShowing(m_delaySeconds * 1000);
        return;
    }
    // On the timer rather than at once: a list of addresses refused on the spot is walked through the
    // event loop, never by calls inside calls.
    m_awaiting = Awaiting::MoveOn;
    if (!isHeld())
        m_timer->start(0);
}

void ListPlayer::waitForShownPage()
{
    m_awaiting = Awaiting::Page;
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
    if (m_state != State::Loading || m_awaiting != Awaiting::Page)
        return; // the page's own later loads (a dashboard refreshing itself) do not restart its time
    if (busy)
        m_loadSeen = true;
    else if (m_loadSeen)
        livePageReady(false);
}

void ListPlayer::pageRefused()
{
    // Nothing will load. Without copies the notice about the address stays for the delay; with them
    // the entry is one whose page fails.
    if (m_state == State::Loading && m_awaiting == Awaiting::Page)
        livePageReady(true);
}

void ListPlayer::startShowing(int msecs)
{
    m_state = State::Showing;
    m_failedRunStart = -1;
    if (!isHeld())
        m_timer->start(msecs);
    rearmCountdown();
    announce();
}

void ListPlayer::stopPlaying(const QString &why)
{
    const bool wasPlaying = isPlaying();
    m_paused = why == tr("Paused");
    m_carriedSkipped.clear();
    ++m_stepNumber; // answers for the page on show come too late now
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
