#include "platform/enginepageprobe.h"

#include "platform/pageprocess.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWebEngineDownloadRequest>
#include <QWebEngineView>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace {

/// Chromium's network error codes that the verdicts tell apart (net/base/net_error_list.h).
ProbeAnswer::Outcome outcomeOfNetError(int code)
{
    switch (code) {
    case -105: // NAME_NOT_RESOLVED
    case -137: // NAME_RESOLUTION_FAILED
        return ProbeAnswer::Outcome::NoSuchHost;
    case -102: // CONNECTION_REFUSED
        return ProbeAnswer::Outcome::Refused;
    case -7:   // TIMED_OUT
    case -118: // CONNECTION_TIMED_OUT
        return ProbeAnswer::Outcome::TimedOut;
    case -310: // TOO_MANY_REDIRECTS (loops included)
        return ProbeAnswer::Outcome::TooManyRedirects;
    case -100: // CONNECTION_CLOSED
    case -101: // CONNECTION_RESET
    case -103: // CONNECTION_ABORTED
    case -324: // EMPTY_RESPONSE
        return ProbeAnswer::Outcome::NetworkError;
    case -320: // INVALID_RESPONSE
    case -370: // INVALID_HTTP_RESPONSE
        return ProbeAnswer::Outcome::ProtocolError;
    default:
        return code <= -200 && code > -300 ? ProbeAnswer::Outcome::TlsError : ProbeAnswer::Outcome::Unloadable;
    }
}

QString rendererEndReason(QWebEnginePage::RenderProcessTerminationStatus status, int code)
{
    switch (status) {
    case QWebEnginePage::CrashedTerminationStatus:
        return QStringLiteral("the browser's page process crashed (exit code %1)").arg(code);
    case QWebEnginePage::KilledTerminationStatus:
        return QStringLiteral("the browser's page process was killed (signal %1)").arg(code);
    case QWebEnginePage::AbnormalTerminationStatus:
        return QStringLiteral("the browser's page process ended abnormally (exit code %1)").arg(code);
    default:
        return QStringLiteral("the browser's page process ended (exit code %1)").arg(code);
    }
}

/// Keeps the checker's pages from asking a server for what no verdict needs: every extra request
/// counts against the host's rate limit and would be turned away in place of the page itself.
class NeedlessRequestFilter final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeFontResource:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
        case QWebEngineUrlRequestInfo::ResourceTypeObject:
        case QWebEngineUrlRequestInfo::ResourceTypePluginResource:
        case QWebEngineUrlRequestInfo::ResourceTypePrefetch:
        case QWebEngineUrlRequestInfo::ResourceTypePing:
        case QWebEngineUrlRequestInfo::ResourceTypeCspReport:
            info.block(true);
            break;
        default:
            break; // the page, its frames, scripts and what scripts ask for: walls are made of these
        }
    }
};

const QUrl &blankPage()
{
    static const QUrl blank(QStringLiteral("about:blank"));
    return blank;
}

} // namespace

/// One address loading in a page of the probe's, until the page settles or the time is up.
class EnginePageProbe::PageLoad final : public QObject {
public:
    PageLoad(EnginePageProbe *probe, const QUrl &url, int timeoutMs, int settleMs,
             std::function<void(const ProbeAnswer &)> done)
        : QObject(probe)
        , m_probe(probe)
        , m_url(url)
        , m_settleMs(settleMs)
        , m_done(std::move(done))
    {
        m_settle.setSingleShot(true);
        m_deadline.setSingleShot(true);
        connect(&m_settle, &QTimer::timeout, this, [this] { finishWhereItEnded(); });
        connect(&m_deadline, &QTimer::timeout, this, [this] {
            if (m_haveLast) {
                finish(m_last);
                return;
            }
            ProbeAnswer answer;
            answer.outcome = ProbeAnswer::Outcome::TimedOut;
            answer.finalUrl = m_page ? m_page->url() : m_url;
            finish(answer);
        });
        m_deadline.start(timeoutMs);
        // No credential of any kind goes with a check, not even one written into the address.
        m_url = url.adjusted(QUrl::RemoveUserInfo);
        // A page that is still being cleared of its last address is handed over once it is clear.
        if (QWebEnginePage *page = probe->takePage(this))
            begin(page);
    }

    /// Loads the address in @p page, which is clear of any load before.
    void begin(QWebEnginePage *page)
    {
        startOn(page);
    }

    /// Ends without calling back.
    void abandon()
    {
        m_done = nullptr;
        finish({});
    }

private:
    void startOn(QWebEnginePage *page)
    {
        m_page = page;
        connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) { loadingChanged(info); });
        connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
                [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) { rendererEnded(status, code); });
        // A login is never tried: left alone, the engine answers every challenge with an empty name and
        // asks again and again, which can lock a person's account. A null authenticator cancels, and
        // the engine shows the server's own 401 page.
        connect(m_page, &QWebEnginePage::authenticationRequired, this, [this](const QUrl &, QAuthenticator *authenticator) {
            m_askedForLogin = true;
            *authenticator = QAuthenticator();
        });
        connect(m_page, &QWebEnginePage::proxyAuthenticationRequired, this,
                [this](const QUrl &, QAuthenticator *authenticator, const QString &) {
                    m_askedForLogin = true;
                    *authenticator = QAuthenticator();
                });
        m_page->load(m_url);
    }

    void rendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int code)
    {
        if (m_finished)
            return;
        if (m_haveLast && m_last.outcome == ProbeAnswer::Outcome::Answered) {
            // The server had answered: that answer stands, whatever became of the page afterwards.
            m_rendererEnded = true;
            finish(m_last);
            return;
        }
        // The engine's failure is no answer about the page: once more on a page of its own.
        m_page->disconnect(this);
        m_probe->givePageBack(m_page, false);
        if (!m_retried) {
            m_retried = true;
            m_started = false;
            m_haveLast = false;
            ++m_navigation;
            startOn(m_probe->freshPage());
            return;
        }
        m_rendererEnded = true;
        m_page = nullptr;
        ProbeAnswer answer;
        answer.outcome = ProbeAnswer::Outcome::EngineFailure;
        answer.detail = rendererEndReason(status, code);
        finish(answer);
    }

    void loadingChanged(const QWebEngineLoadingInfo &info)
    {
        // The blank page a reused page was cleared with is no answer (no entry is an about: address).
        if (m_finished || info.url() == blankPage())
            return;
        // A reused page may still tell of the load before, which its Stop cut short: this load's
        // news begins with its start.
        if (!m_started && info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        m_started = true;
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            // A script replaced the page (a bot wall that let the browser through): wait for the new one.
            m_settle.stop();
            ++m_navigation;
            return;
        }
        if (info.status() == QWebEngineLoadingInfo::LoadStoppedStatus && m_haveLast)
            return;
        m_last = answerOf(info);
        m_haveLast = true;
        if (m_askedForLogin && m_last.outcome == ProbeAnswer::Outcome::Answered && (m_last.status == 401 || m_last.status == 407)) {
            // A login page does not go away by script: the answer is final.
            m_last.asksForLogin = true;
            finish(m_last);
            return;
        }
        const bool settled = m_last.outcome == ProbeAnswer::Outcome::Answered && m_last.status < 400;
        if (info.isErrorPage() || (!settled && m_settleMs <= 0)) {
            // The engine's own error page never replaces itself.
            finish(m_last);
            return;
        }
        if (settled && m_settleMs <= 0) {
            finishWhereItEnded();
            return;
        }
        // Walls that let browsers through answer 401, 403, 429 or 503 first and replace the page by
        // script; any other answer gets a short look only, so that plain 404s are not held up. A page
        // that answered gets the same short look: its script or refresh may send it on to an error
        // (location.replace, <meta http-equiv="refresh">), and where the browser ends decides.
        const int status = m_last.status;
        const bool wallLike = !settled && (status == 401 || status == 403 || status == 429 || status == 503 || status == 0);
        m_settle.start(wallLike ? m_settleMs : std::max(1, m_settleMs / 4));
        // Only a script or a meta refresh can take a page elsewhere: a page without either is final
        // at once. (A Refresh header, which no script can see, moves a page on as it loads; walls
        // that would wait with one are not known.)
        const int navigation = m_navigation;
        QPointer<PageLoad> self(this);
        m_page->runJavaScript(QStringLiteral("document.scripts.length + document.querySelectorAll("
                                             "'meta[http-equiv=refresh i]').length"),
                              [self, navigation](const QVariant &found) {
                                  if (self && !self->m_finished && self->m_navigation == navigation
                                      && found.isValid() && found.toInt() == 0)
                                      self->finishWhereItEnded();
                              });
    }

    /// Ends with the last answer; a page that answered is read first for what it says (its title,
    /// first heading, visible text and whether it asks for a password), in a world of its own that
    /// the page's scripts cannot touch.
    void finishWhereItEnded()
    {
        if (m_finished)
            return;
        if (!m_page || m_last.outcome != ProbeAnswer::Outcome::Answered || m_last.status >= 400) {
            finish(m_last);
            return;
        }
        const int navigation = m_navigation;
        QPointer<PageLoad> self(this);
        m_page->runJavaScript(
            QStringLiteral("(() => { const h = document.querySelector('h1');"
                           " return [document.title, h ? h.innerText : '',"
                           " document.body ? document.body.innerText.slice(0, 16384) : '',"
                           " !!document.querySelector('input[type=password]'), document.contentType]; })()"),
            QWebEngineScript::ApplicationWorld, [self, navigation](const QVariant &read) {
                // A page that went on meanwhile is read once it has ended.
                if (!self || self->m_finished || self->m_navigation != navigation)
                    return;
                ProbeAnswer answer = self->m_last;
                const QVariantList parts = read.toList();
                // Only an HTML document is a page that says something: an XML answer shows as the
                // engine's own tree view of it, a picture or a PDF in the engine's viewer.
                const QString type = parts.value(4).toString().toLower();
                if (parts.size() == 5 && (type == u"text/html" || type == u"application/xhtml+xml")) {
                    answer.page.read = true;
                    answer.page.title = parts.at(0).toString().simplified().left(500);
                    answer.page.heading = parts.at(1).toString().simplified().left(500);
                    answer.page.text = parts.at(2).toString().simplified();
                    answer.page.asksForPassword = parts.at(3).toBool();
                }
                self->finish(answer);
            });
    }

    void finish(const ProbeAnswer &answer)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_settle.stop();
        m_deadline.stop();
        if (m_page) {
            m_page->disconnect(this);
            m_probe->givePageBack(m_page, !m_rendererEnded);
        } else {
            m_probe->m_waitingForPage.removeAll(this);
        }
        deleteLater();
        if (auto done = std::move(m_done))
            done(answer);
    }

    EnginePageProbe *m_probe;
    QWebEnginePage *m_page = nullptr;
    QUrl m_url;
    int m_settleMs;
    std::function<void(const ProbeAnswer &)> m_done;
    QTimer m_settle;
    QTimer m_deadline;
    ProbeAnswer m_last;
    int m_navigation = 0;
    bool m_started = false;
    bool m_haveLast = false;
    bool m_finished = false;
    bool m_rendererEnded = false;
    bool m_retried = false;
    bool m_askedForLogin = false;
};

EnginePageProbe::EnginePageProbe(QObject *parent)
    : PageProbe(parent)
    , m_profile(new QWebEngineProfile(this)) // no name: off the record, nothing on disk
{
    m_releaseIdle.setSingleShot(true);
    m_releaseIdle.setInterval(1000);
    connect(&m_releaseIdle, &QTimer::timeout, this, [this] {
        for (QWebEnginePage *page : std::exchange(m_idle, {}))
            page->deleteLater();
    });
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setUrlRequestInterceptor(new NeedlessRequestFilter(m_profile));
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineSettings *settings = m_profile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::TouchIconsEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    // Downloads are never accepted: a request left alone is cancelled by the engine.
}

EnginePageProbe::~EnginePageProbe()
{
    // Pages must end before their profile does.
    const auto loads = m_loads;
    abortAll();
    for (const auto &load : loads)
        delete load.data();
    qDeleteAll(std::exchange(m_idle, {}));
    qDeleteAll(std::exchange(m_clearing, {}));
    delete m_profile;
}

QString EnginePageProbe::userAgent() const
{
    return m_profile->httpUserAgent();
}

void EnginePageProbe::load(const QUrl &url, int timeoutMs, int settleMs, std::function<void(const ProbeAnswer &)> done)
{
    m_loads.removeAll(nullptr);
    m_loads.append(new PageLoad(this, url, timeoutMs, settleMs, std::move(done)));
}

QWebEnginePage *EnginePageProbe::takePage(PageLoad *load)
{
    m_releaseIdle.stop();
    if (!m_idle.isEmpty())
        return m_idle.takeLast();
    if (m_waitingForPage.size() < m_clearing.size()) {
        m_waitingForPage.append(load);
        return nullptr;
    }
    return freshPage();
}


QWebEnginePage *EnginePageProbe::freshPage()
{
    auto *page = new QWebEnginePage(m_profile, this);
    page->setAudioMuted(true);
    return page;
}

void EnginePageProbe::givePageBack(QWebEnginePage *page, bool reusable)
{
    // A page is kept for the next load, its renderer with it: making a page and starting its
    // renderer costs more than most loads. Its document is replaced by a blank one, so that nothing
    // of the last address runs on, and only once that is done does the page take a new address: a
    // load begun while the engine still counts the blank one as running is never told as started,
    // and its answer would be lost. The blank load itself begins after the engine has finished
    // telling of the last load (this is often called from within that telling).
    page->triggerAction(QWebEnginePage::Stop);
    if (!reusable || m_idle.size() + m_clearing.size() >= maxIdlePages) {
        page->deleteLater();
        return;
    }
    m_clearing.append(page);
    auto *guard = new QTimer(page);
    guard->setObjectName(QStringLiteral("clearingGuard"));
    guard->setSingleShot(true);
    connect(guard, &QTimer::timeout, this, [this, page] { pageCleared(page, false); });
    guard->start(5000);
    connect(page, &QWebEnginePage::loadingChanged, this, [this, page](const QWebEngineLoadingInfo &info) {
        if (info.url() != blankPage() || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        page->disconnect(this);
        // Handed on once the engine has finished telling of the blank load, for the same reason.
        QMetaObject::invokeMethod(this, [this, page] { pageCleared(page, true); }, Qt::QueuedConnection);
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this, page] { pageCleared(page, false); });
    QTimer::singleShot(0, page, [page] { page->load(blankPage()); });
}

void EnginePageProbe::pageCleared(QWebEnginePage *page, bool usable)
{
    if (!m_clearing.removeOne(page))
        return;
    page->disconnect(this);
    delete page->findChild<QTimer *>(QStringLiteral("clearingGuard"), Qt::FindDirectChildrenOnly);
    if (usable && !m_waitingForPage.isEmpty()) {
        m_waitingForPage.takeFirst()->begin(page);
        return;
    }
    if (usable) {
        m_idle.append(page);
        // Pages nobody asks for again go, with their page processes, once the check has moved on.
        m_releaseIdle.start();
    } else {
        page->deleteLater();
    }
    // Loads that were waiting for more pages than are still being cleared get new ones.
    while (m_waitingForPage.size() > m_clearing.size()) {
        auto *fresh = new QWebEnginePage(m_profile, this);
        fresh->setAudioMuted(true);
        m_waitingForPage.takeFirst()->begin(fresh);
    }
}

void EnginePageProbe::abortAll()
{
    const auto loads = std::exchange(m_loads, {});
    for (const auto &load : loads)
        if (load)
            load->abandon();
}

ProbeAnswer EnginePageProbe::answerOf(const QWebEngineLoadingInfo &info)
{
    ProbeAnswer answer;
    answer.finalUrl = info.url();
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
        answer.outcome = ProbeAnswer::Outcome::Answered;
        answer.status = info.errorCode();
    } else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage()) {
        answer.outcome = ProbeAnswer::Outcome::Answered; // loaded, status not told
    } else if (info.errorDomain() == QWebEngineLoadingInfo::CertificateErrorDomain) {
        answer.outcome = ProbeAnswer::Outcome::TlsError;
        answer.detail = info.errorString();
    } else {
        answer.outcome = outcomeOfNetError(info.errorCode());
        answer.detail = info.errorString();
    }
    return answer;
}

QString EnginePageProbe::whyEngineCannotStart()
{
    return enginePageProcessProblem();
}

extern "C" Q_DECL_EXPORT PageProbe *quokkaCreatePageProbe(QObject *parent)
{
    // No engine rather than one that takes the whole program down with it.
    if (!EnginePageProbe::whyEngineCannotStart().isEmpty())
        return nullptr;
    return new EnginePageProbe(parent);
}

extern "C" Q_DECL_EXPORT PageCopier *quokkaCreatePageCopier(QObject *parent)
{
    if (!EnginePageProbe::whyEngineCannotStart().isEmpty())
        return nullptr;
    return new EnginePageCopier(parent);
}

namespace {

/// Where a copier's pages are saved before they are read back; one folder for the copier's life.
QTemporaryDir &copyFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/quokka-check-copy-XXXXXX"));
    return folder;
}

} // namespace

EnginePageCopier::EnginePageCopier(QObject *parent)
    : PageCopier(parent)
    , m_profile(new QWebEngineProfile(this)) // no storage name: off the record, nothing kept on disk
{
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_page = new QWebEnginePage(m_profile, this);
    m_page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    m_page->setAudioMuted(true);
    // The picture needs a view the engine paints, on a desktop too (the copies and the gallery need
    // their pictures there as much). On a desktop the engine maps a window for a shown view even with
    // WA_DontShowOnScreen, so there the view is a frameless tool window, placed by us and not by the
    // window manager, far outside every screen, taking neither focus nor input: the engine paints
    // it and the person never sees it.
    m_view = new QWebEngineView;
    m_view->setPage(m_page);
    m_view->setAttribute(Qt::WA_DontShowOnScreen);
    if (QGuiApplication::platformName() != u"offscreen") {
        m_view->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus
                               | Qt::WindowTransparentForInput);
        m_view->setAttribute(Qt::WA_ShowWithoutActivating);
        m_view->move(-20000, -20000);
    }
    m_view->resize(1024, 768);
    m_view->show();
    connect(&m_picture, &ViewPicture::taken, this, [this](const QImage &picture, const QByteArray &png) {
        m_shownBefore = picture;
        m_copy.thumbnailPng = png;
        m_pictureTaken = true;
        finishIfWhole();
    });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        PageCopy failed = m_copy;
        failed.ok = false;
        failed.problem = tr("The page was not saved within the time allowed.");
        finish(failed);
    });
    connect(m_page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (!m_current || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus || info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            const ProbeAnswer answer = EnginePageProbe::answerOf(info);
            loadEnded(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && answer.outcome == ProbeAnswer::Outcome::Answered,
                      answer.status, answer.detail.isEmpty() ? info.errorString() : answer.detail);
        }
        // A stopped load is the one before, replaced by this one: the time-out covers one that hangs.
    });
    connect(m_profile, &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest *download) {
        // Only the copier's own save is let through: a page cannot start a download here.
        const QString path = QDir::cleanPath(download->downloadDirectory() + QLatin1Char('/') + download->downloadFileName());
        if (!download->isSavePageDownload() || !m_current || path != m_savePath) {
            download->cancel();
            return;
        }
        const quint64 generation = m_generation;
        connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, download, generation] {
            if (download->isFinished() && generation == m_generation)
                saved(download->state() == QWebEngineDownloadRequest::DownloadCompleted);
        });
        download->accept();
    });
}

EnginePageCopier::~EnginePageCopier()
{
    abortAll();
    delete m_view;
    delete m_page; // before the profile it uses
}

void EnginePageCopier::copy(const QUrl &url, int timeoutMs, std::function<void(const PageCopy &)> done)
{
    m_waiting.append(Request{url, timeoutMs, std::move(done)});
    if (!m_current)
        startNext();
}

void EnginePageCopier::abortAll()
{
    m_waiting.clear();
    m_current.reset();
    ++m_generation;
    m_timeout.stop();
    m_picture.stop();
    m_page->triggerAction(QWebEnginePage::Stop);
}

void EnginePageCopier::startNext()
{
    if (m_waiting.isEmpty())
        return;
    m_current = m_waiting.takeFirst();
    ++m_generation;
    m_copy = PageCopy{};
    m_copy.address = m_current->url.toString();
    m_textRead = false;
    m_fileRead = false;
    m_pictureTaken = false;
    m_picture.stop();
    m_savePath.clear();
    m_timeout.start(m_current->timeoutMs);
    m_page->load(m_current->url);
}

void EnginePageCopier::loadEnded(bool ok, int status, const QString &detail)
{
    if (!m_savePath.isEmpty())
        return; // a frame's late load ending: the copy is under way
    if (!ok || (status != 0 && (status < 200 || status > 299))) {
        PageCopy failed = m_copy;
        failed.problem = status ? tr("The page answered %1 this time.").arg(status)
                                : tr("The page did not load this time (%1).").arg(detail);
        finish(failed);
        return;
    }
    if (!copyFolder().isValid()) {
        PageCopy failed = m_copy;
        failed.problem = tr("No temporary file can be made for the copy (%1).").arg(copyFolder().errorString());
        finish(failed);
        return;
    }
    m_copy.title = m_page->title();
    m_savePath = QDir::cleanPath(copyFolder().filePath(QStringLiteral("page-%1.mhtml").arg(m_generation)));
    QFile::remove(m_savePath);
    grabWhenPainted();
    const quint64 generation = m_generation;
    m_page->toPlainText([this, generation](const QString &text) {
        if (generation != m_generation)
            return;
        m_copy.text = text;
        m_textRead = true;
        finishIfWhole();
    });
    m_page->save(m_savePath, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
}

void EnginePageCopier::saved(bool ok)
{
    QFile file(m_savePath);
    if (ok && file.open(QIODevice::ReadOnly))
        m_copy.mhtml = file.readAll();
    file.close();
    QFile::remove(m_savePath);
    if (m_copy.mhtml.isEmpty()) {
        PageCopy failed = m_copy;
        failed.problem = tr("The web engine could not save the page.");
        finish(failed);
        return;
    }
    m_fileRead = true;
    finishIfWhole();
}

void EnginePageCopier::grabWhenPainted()
{
    if (!m_view) {
        m_pictureTaken = true;
        return;
    }
    // The view shows only the copier's pages: the page before is the last copy's picture, and before
    // the first copy, what it shows as the load ends (nothing painted yet).
    m_picture.start(m_view, m_shownBefore.isNull() ? ViewPicture::grab(m_view) : m_shownBefore);
}

void EnginePageCopier::finishIfWhole()
{
    if (!m_textRead || !m_fileRead || !m_pictureTaken)
        return;
    PageCopy whole = m_copy;
    whole.ok = true;
    finish(whole);
}

void EnginePageCopier::finish(PageCopy copy)
{
    if (!m_current)
        return;
    const auto done = std::move(m_current->done);
    m_current.reset();
    ++m_generation;
    m_timeout.stop();
    m_picture.stop();
    m_page->triggerAction(QWebEnginePage::Stop);
    done(copy);
    if (!m_current)
        startNext();
}
