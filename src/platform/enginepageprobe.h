// The web engine's probe: pages that nobody sees, in a private profile, load doubtful addresses.
#pragma once

#include "platform/pageprobe.h"
#include "platform/viewpicture.h"

#include <QList>
#include <QPointer>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <optional>

class QWebEngineProfile;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineView;

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

/// Loads good pages once more to keep their copies, one page at a time, in an off-the-record profile
/// of its own that loads images (a copy is the page as a person sees it). Each copy is the page as one
/// MHTML file, its text and, where no screen is (quokka-check), a small picture.
class EnginePageCopier final : public PageCopier {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EnginePageCopier)
public:
    explicit EnginePageCopier(QObject *parent = nullptr);
    ~EnginePageCopier() override;

    /// Loads @p url and calls @p done once with its copy, or with why none was taken (the load failed
    /// or answered an error status, the engine did not save it within @p timeoutMs). Copies are taken
    /// in the order asked. @p done is never called after abortAll().
    void copy(const QUrl &url, int timeoutMs, std::function<void(const PageCopy &)> done) override;
    /// Stops the copy under way and forgets those waiting.
    void abortAll() override;

private:
    struct Request {
        QUrl url;
        int timeoutMs = 0;
        std::function<void(const PageCopy &)> done;
    };
    void startNext();
    void loadEnded(bool ok, int status, const QString &detail);
    void saved(bool ok);
    void finishIfWhole();
    void finish(PageCopy copy);
    /// Takes the view's picture once it shows the new page (ViewPicture).
    void grabWhenPainted();

    QWebEngineProfile *m_profile;
    QWebEnginePage *m_page = nullptr;
    /// Shown off screen where there is no screen at all, for the picture; null on a desktop.
    QWebEngineView *m_view = nullptr;
    QList<Request> m_waiting;
    std::optional<Request> m_current;
    PageCopy m_copy;
    QString m_savePath;
    bool m_textRead = false;
    bool m_fileRead = false;
    bool m_pictureTaken = false;
    QTimer m_timeout;
    ViewPicture m_picture;
    /// The picture of the copy before (what the view showed before).
    QImage m_shownBefore;
    /// Tells late answers of an ended copy from those of the current one.
    quint64 m_generation = 0;
};
