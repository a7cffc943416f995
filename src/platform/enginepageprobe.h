// The web engine's probe: pages that nobody sees, in a private profile, load doubtful addresses.
#pragma once

#include "platform/pageprobe.h"

#include <QList>
#include <QPointer>
#include <QTimer>

class QWebEngineProfile;
class QWebEngineLoadingInfo;
class QWebEnginePage;

/// Each load gets a page of its own (pages are reused, one load at a time) in an off-the-record profile made for this probe (cookies and
/// cache live in memory only and end with it). Images are not loaded; scripts run, since the walls
/// that keep bots out are scripts.
class EnginePageProbe final : public PageProbe {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EnginePageProbe)
public:
    explicit EnginePageProbe(QObject *parent = nullptr);
    ~EnginePageProbe() override;

    QString userAgent() const override;
    void load(const QUrl &url, int timeoutMs, int settleMs, std::function<void(const ProbeAnswer &)> done) override;
    void abortAll() override;

    /// What a finished load of the engine tells: the main frame's HTTP status where the engine gives
    /// it (Qt reports it as an error code of the HTTP status domain, also for 200), otherwise the
    /// network error it failed with.
    static ProbeAnswer answerOf(const QWebEngineLoadingInfo &info);
    /// Why the web engine cannot start in this process, in words for a person; empty when it can.
    /// Asked before the first page is made: without its page process program the engine ends the
    /// whole process (abort) at the first page instead of failing.
    static QString whyEngineCannotStart();

private:
    class PageLoad;
    /// Pages kept between loads; more loads at once than this make pages that end with their load.
    static constexpr int maxIdlePages = 16;
    /// A page clear of any earlier load for @p load; null when @p load must wait for one being cleared.
    QWebEnginePage *takePage(PageLoad *load);
    /// A new page, never one that was kept.
    QWebEnginePage *freshPage();
    void givePageBack(QWebEnginePage *page, bool reusable);
    void pageCleared(QWebEnginePage *page, bool usable);

    QWebEngineProfile *m_profile;
    QList<QPointer<PageLoad>> m_loads;
    QList<QWebEnginePage *> m_idle;
    /// Pages given back and being cleared with a blank document, and the loads waiting for them.
    QList<QWebEnginePage *> m_clearing;
    QList<PageLoad *> m_waitingForPage;
    /// Ends the kept pages a second after the last load gave its page back.
    QTimer m_releaseIdle;
};
