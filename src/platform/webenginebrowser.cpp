#include "platform/webenginebrowser.h"
#include "platform/viewpicture.h"

#include "store/addresstoload.h"
#include "store/listpaths.h"

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QWheelEvent>
#include <QResizeEvent>
#include <QStandardPaths>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <QMutex>
#include <QSet>

namespace {

/// The progress the engine tells as soon as a load starts, before any answer.
constexpr int initialLoadProgress = 10;

/// A page that denies permission requests at once and hands requests for new windows to its browser.
class QuokkaPage final : public QWebEnginePage {
public:
    QuokkaPage(WebEngineBrowser *browser, QObject *parent)
        : QWebEnginePage(WebEngineBrowser::profile(), parent)
        , m_browser(browser)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        connect(this, &QWebEnginePage::permissionRequested, this,
                [](QWebEnginePermission permission) { permission.deny(); });
#else
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
#endif
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
    }

protected:
    QWebEnginePage *createWindow(WebWindowType type) override
    {
        if (type == WebDialog || type == WebBrowserBackgroundTab || type == WebBrowserTab || type == WebBrowserWindow) {
            WebBrowser *target = nullptr;
            emit m_browser->newWindowRequested(&target);
            if (auto *engine = qobject_cast<WebEngineBrowser *>(target)) {
                engine->setOpenedByPage();
                return engine->view()->page();
            }
        }
        return nullptr;
    }

    // Qt's own dialogs are modal to the whole program: a page that asks again and again would hold it.
    void javaScriptAlert(const QUrl &origin, const QString &message) override
    {
        m_browser->askForPage(PageDialog::Kind::Alert, origin, message);
    }
    bool javaScriptConfirm(const QUrl &origin, const QString &message) override
    {
        return m_browser->askForPage(PageDialog::Kind::Confirm, origin, message);
    }
    bool javaScriptPrompt(const QUrl &origin, const QString &message, const QString &defaultValue,
                          QString *result) override
    {
        return m_browser->askForPage(PageDialog::Kind::Prompt, origin, message, defaultValue, result);
    }

private:
    WebEngineBrowser *m_browser;
};

/// Tells the browser of every click and key the person gives the page (they reach the view's inner
/// widgets, which the engine makes as it needs them).
class InputWatcher final : public QObject {
public:
    InputWatcher(WebEngineBrowser *browser, QWidget *view) : QObject(view), m_browser(browser) { watch(view); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
                watch(child);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::TouchBegin:
            m_browser->userActed();
            break;
        case QEvent::Wheel: {
            // Ctrl and the wheel zoom the page by the window's steps, which it remembers per host.
            auto *wheel = static_cast<QWheelEvent *>(event);
            if (wheel->modifiers() & Qt::ControlModifier) {
                m_wheelAngle += wheel->angleDelta().y();
                const int steps = m_wheelAngle / QWheelEvent::DefaultDeltasPerStep;
                m_wheelAngle %= QWheelEvent::DefaultDeltasPerStep;
                if (steps != 0)
                    emit m_browser->zoomRequested(steps);
                return true;
            }
            break;
        }
        default:
            break;
        }
        Q_UNUSED(watched);
        return false;
    }

private:
    void watch(QWidget *widget)
    {
        widget->installEventFilter(this);
        for (QWidget *child : widget->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            watch(child);
    }
    WebEngineBrowser *m_browser;
    int m_wheelAngle = 0; ///< what a fine-grained wheel turned short of a whole step
};

/// Keeps the notice over the top of the page view as the view moves and changes size. The notice is
/// the view's sibling, not its child: a screen reader sees only the page inside a web view.
class NoticeFilter final : public QObject {
public:
    NoticeFilter(QLabel *label, QWidget *view) : QObject(view), m_label(label), m_view(view) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
            place(m_label, m_view);
        return false;
    }
    static void place(QLabel *label, QWidget *view)
    {
        const QPoint origin = label->parentWidget() == view ? QPoint() : view->pos();
        label->setGeometry(QRect(origin, QSize(view->width(), label->heightForWidth(view->width()) + 12)));
    }

private:
    QLabel *m_label;
    QWidget *m_view;
};

QWebEngineProfile *theProfile = nullptr;
QWebEngineProfile *theCopyProfile = nullptr;

/// The files of the copies being shown: the only requests a copy's page may make.
struct ShownCopyFiles {
    QMutex mutex;
    QSet<QUrl> files;
};
ShownCopyFiles &shownCopyFiles()
{
    static ShownCopyFiles files;
    return files;
}

/// Blocks every request of a copy's page but its own file: no image the copy lacks, no form sent
/// home, no link followed, nothing local read. The engine's MHTML mode already takes a copy's parts
/// from the file alone and asks nothing for the parts it lacks (with script off and CopyPage refusing
/// every navigation, a copy that tries everything sends nothing even without this blocker); the
/// blocker stays so that no change of the engine's MHTML mode can let a request out.
class CopyRequestBlocker final : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        ShownCopyFiles &shown = shownCopyFiles();
        const QMutexLocker lock(&shown.mutex);
        if (!shown.files.contains(info.requestUrl().adjusted(QUrl::RemoveFragment))) {
            info.block(true);
        }
    }
};

/// A copy's page: it goes nowhere but to its own file, and asks nothing.
class CopyPage final : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame)
            return false;
        ShownCopyFiles &shown = shownCopyFiles();
        const QMutexLocker lock(&shown.mutex);
        return shown.files.contains(url.adjusted(QUrl::RemoveFragment));
    }
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) override {}
};

/// The profile of the pages that show copies: off the record (nothing kept on disk, no cookie of the
/// live pages), no script, no local file access, every request but the copy's own file blocked.
QWebEngineProfile *copyProfile()
{
    if (!theCopyProfile) {
        auto *p = new QWebEngineProfile(); // no storage name: off the record
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        p->setSpellCheckEnabled(false);
        QWebEngineSettings *settings = p->settings();
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
        settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
        p->setUrlRequestInterceptor(new CopyRequestBlocker(p));
        theCopyProfile = p;
    }
    return theCopyProfile;
}

/// Ends the profile when the application ends: after every window (and so every page) is gone, and
/// before the web engine itself shuts down, which would otherwise end the profile's engine side under it.
/// Its cookies and site data are written out as it ends.
void deleteProfile()
{
    delete theProfile;
    theProfile = nullptr;
    delete theCopyProfile;
    theCopyProfile = nullptr;
}

} // namespace

QString WebEngineBrowser::profileStoragePath()
{
    // Where Qt WebEngine puts a profile named "quokka" of the program "quokka" by itself (its preferences
    // are written there as the profile is made, before a path can be set), now fixed to the data folder.
    return ListPaths::dataFolder() + QStringLiteral("/QtWebEngine/quokka");
}

QString WebEngineBrowser::profileCachePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quokka");
}

QWebEngineProfile *WebEngineBrowser::profile()
{
    static QWebEngineProfile *profile = [] {
        // One profile on disk, so that logins (cookies) and site data last from one run to the next.
        QWebEngineProfile *p = new QWebEngineProfile(QStringLiteral("quokka"));
        theProfile = p;
        // Post routines run last registered first: this one was registered after the web engine's own.
        qAddPostRoutine(deleteProfile);
        p->setPersistentStoragePath(profileStoragePath());
        p->setCachePath(profileCachePath());
        p->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        // Cookies that a site gives an expiry are kept; session cookies end with the program.
        p->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        // Every permission request is denied at once; no decision is remembered.
        p->setPersistentPermissionsPolicy(QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
#endif
        QWebEngineSettings *s = p->settings();
        // Lists come from anywhere: a local page must not read the user's other files or the network.
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        // Only a user's click may open a window; pop-ups on their own open nothing.
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
        s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
        QObject::connect(p, &QWebEngineProfile::downloadRequested, p, [](QWebEngineDownloadRequest *download) {
            QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
            if (folder.isEmpty())
                folder = QDir::homePath();
            QDir().mkpath(folder);
            QPointer<QWidget> view = download->page() ? QWebEngineView::forPage(download->page()) : nullptr;
            WebEngineBrowser *browser = nullptr;
            if (view)
                for (auto *b : view->findChildren<WebEngineBrowser *>(QString(), Qt::FindDirectChildrenOnly))
                    browser = b;
            // A page saves a file only when the person asked for it, or says yes when asked.
            QPointer<QWebEngineDownloadRequest> request(download);
            // Saving the page is the person's own command, with the path they chose.
            // When it ends, the view's browser tells where the file went and whether it is whole.
            const auto tellWhenFinished = [download, view](void (WebBrowser::*told)(const QString &, bool)) {
                QObject::connect(download, &QWebEngineDownloadRequest::isFinishedChanged, download, [download, view, told] {
                    if (!download->isFinished() || !view)
                        return;
                    const QString path = QDir(download->downloadDirectory()).filePath(download->downloadFileName());
                    const bool ok = download->state() == QWebEngineDownloadRequest::DownloadCompleted;
                    for (auto *b : view->findChildren<WebEngineBrowser *>(QString(), Qt::FindDirectChildrenOnly))
                        emit(b->*told)(path, ok);
                });
            };
            if (download->isSavePageDownload()) {
                const QString path = QDir(download->downloadDirectory()).filePath(download->downloadFileName());
                if (browser && browser->isTakingCopyTo(path)) {
                    // A copy the browser takes for itself: its end goes to the copy, never to the person's notice.
                    QPointer<WebEngineBrowser> taker(browser);
                    QObject::connect(download, &QWebEngineDownloadRequest::isFinishedChanged, download, [download, taker, path] {
                        if (download->isFinished() && taker)
                            taker->copySaved(path, download->state() == QWebEngineDownloadRequest::DownloadCompleted);
                    });
                    download->accept();
                    return;
                }
                tellWhenFinished(&WebBrowser::pageSaved);
                download->accept();
                return;
            }
            if (!browser || !browser->admitDownload(download)) {
                if (request)
                    download->cancel();
                return;
            }
            if (!request)
                return;
            download->setDownloadDirectory(folder);
            tellWhenFinished(&WebBrowser::downloadFinished);
            download->accept();
        });
        return p;
    }();
    return profile;
}

WebEngineBrowser::WebEngineBrowser(QWidget *parent)
    : WebBrowser(nullptr)
    , m_view(new QWebEngineView(parent))
    , m_notice(new QLabel(parent ? parent : m_view))
{
    setParent(m_view);
    m_view->setPage(new QuokkaPage(this, m_view));
    m_view->setAccessibleName(QStringLiteral("Web page"));
    m_notice->hide();
    // Notices quote addresses from lists and names from pages: shown as text, never as markup.
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setWordWrap(true);
    m_notice->setStyleSheet(QStringLiteral("background:#fff3c4;color:#000;padding:6px;border-bottom:1px solid #c9a400;"));
    m_notice->setAccessibleName(QStringLiteral("Browser notice"));
    m_view->installEventFilter(new NoticeFilter(m_notice, m_view));
    new InputWatcher(this, m_view);

    QWebEnginePage *page = m_view->page();
    // A server that takes the connection and never answers keeps the engine waiting for minutes:
    // after the load time-out such a load is stopped and told as having had no answer in time.
    m_loadTimer = new QTimer(this);
    m_loadTimer->setSingleShot(true);
    connect(m_loadTimer, &QTimer::timeout, this, [this] {
        if (!m_busy)
            return;
        if (m_loadProgress > initialLoadProgress) {
            // The page answered and is still coming: it is slow, not silent.
            return;
        }
        m_timedOut = true;
        m_view->stop();
    });
    connect(page, &QWebEnginePage::loadProgress, this, [this](int progress) {
        if (m_busy)
            m_loadProgress = qMax(m_loadProgress, progress);
    });
    // The engine announces every change of the load state, the title and the address: the windows
    // follow these signals and never have to ask.
    connect(page, &QWebEnginePage::loadStarted, this, [this] {
        m_notice->hide();
        // Until the engine paints the new page, the view shows this one: a copy's picture must differ.
        m_pictureBefore = ViewPicture::grab(m_view);
        setBusy(true);
    });
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool) { setBusy(false); });
    // window.close(): only a window that a page opened closes, and only once the engine's call is over.
    connect(page, &QWebEnginePage::windowCloseRequested, this, [this] {
        if (m_openedByPage)
            emit closeRequested();
    }, Qt::QueuedConnection);
    connect(page, &QWebEnginePage::titleChanged, this, [this] {
        m_loadingAddress.clear();
        announceTitle();
    });
    connect(page, &QWebEnginePage::urlChanged, this, [this] {
        m_loadingAddress.clear();
        const QString address = url();
        if (address != m_url) {
            m_url = address;
            emit urlChanged(address);
        }
        announceTitle(); // title() is empty until there is an address
    });
    // While a page loads, its address stands for its title until the page has one, on every engine:
    // newer ones keep the page before's title and address until the new page's answer comes.
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            m_loadingAddress = info.url().toString();
        else
            m_loadingAddress.clear();
        // The engine tells an HTTP error (4xx, 5xx) as a failed load in the status code's domain: the
        // server answered, with that status. Any other failure had no answer (or the engine's own
        // error page shows).
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            m_httpStatus = 0;
            m_loadFailed = false;
            m_loadFailure = LoadFailure::None;
            m_timedOut = false;
            m_loadProgress = 0;
            if (m_loadTimeoutMs > 0)
                m_loadTimer->start(m_loadTimeoutMs);
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            m_loadTimer->stop();
            m_httpStatus = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain ? info.errorCode() : 0;
            m_loadFailed = info.isErrorPage();
            m_loadFailure = !m_loadFailed ? LoadFailure::None
                : m_timedOut               ? LoadFailure::TimedOut
                                           : failureOfError(info.errorDomain(), info.errorCode());
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            m_loadTimer->stop();
            if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
                m_httpStatus = info.errorCode();
                m_loadFailed = false;
                m_loadFailure = LoadFailure::None;
            } else {
                m_httpStatus = 0;
                m_loadFailed = true;
                m_loadFailure = m_timedOut ? LoadFailure::TimedOut : failureOfError(info.errorDomain(), info.errorCode());
            }
            break;
        }
        announceTitle();
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                setBusy(false);
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                const QString reason = status == QWebEnginePage::KilledTerminationStatus
                    ? tr("it was killed")
                    : tr("it crashed (exit code %1)").arg(code);
                showNotice(tr("The page stopped working because %1. Press Refresh to load it again.").arg(reason));
                emit renderProcessCrashed(reason);
            });
    connect(this, &WebBrowser::downloadFinished, this, [this](const QString &path, bool ok) {
        // A finished download is told by the window, with its Open and Show in Folder.
        if (!ok)
            showNotice(tr("Download failed: %1 was not saved").arg(path));
    });
    connect(page, &QWebEnginePage::pdfPrintingFinished, this, &WebBrowser::pageSaved);
    // window.print() asks as the window's Print command does.
    connect(m_view, &QWebEngineView::printRequested, this, &WebEngineBrowser::print);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &WebEngineBrowser::showContextMenu);
    connect(this, &WebBrowser::navigationRefused, this, [this](const QString &address, const QString &reason) {
        showNotice(tr("Quokka did not open \"%1\": %2").arg(address, reason));
    });
}

QWidget *WebEngineBrowser::widget()
{
    return m_view;
}

QUrl WebEngineBrowser::addressFromUserInput(const QString &text)
{
    return addressToLoad(text);
}

QString WebEngineBrowser::refusalReason(const QString &text, const QUrl &url)
{
    // The entry's own text decides, read as address parsers read it; the parsed address as well,
    // should the parser have found a scheme where the text seemed to hold none.
    NoPage kind = noPageKind(text);
    if (kind == NoPage::None && !url.scheme().isEmpty())
        kind = noPageKind(QString(url.scheme() + QLatin1Char(':')));
    switch (kind) {
    case NoPage::Script:
        return tr("a javascript: address would run a script inside the page that is showing.");
    case NoPage::InlineData:
        return tr("a data: address carries a whole page inside itself, which can pose as any site.");
    case NoPage::Query:
        return tr("a place: address is another browser's query of its bookmarks, not a page.");
    case NoPage::None:
        break;
    }
    if (!url.isValid() || url.isEmpty())
        return tr("it is not a valid address.");
    return {};
}

QUrl WebEngineBrowser::homePage()
{
    return ListPaths::startPage();
}

WebBrowser::LoadFailure WebEngineBrowser::failureOfError(int domain, int code)
{
    // Chromium's net error numbers: -7 a time-out of its own, -118 a connection that timed out;
    // -100 to -199 the connection (refused, reset, no network, no such name, no route), and the
    // name resolver's own domain.
    if (code == -7 || code == -118)
        return LoadFailure::TimedOut;
    if (domain == QWebEngineLoadingInfo::ConnectionErrorDomain || domain == QWebEngineLoadingInfo::DnsErrorDomain)
        return LoadFailure::Unreachable;
    return LoadFailure::Other;
}

bool WebEngineBrowser::navigate(const QString &address)
{
    if (address.trimmed().isEmpty())
        return true; // an empty address navigates nowhere
    const QUrl url = addressFromUserInput(address);
    const QString reason = refusalReason(address, url);
    if (!reason.isEmpty()) {
        emit navigationRefused(address, reason);
        return false;
    }
    personNavigated();
    m_personsAddress = url.adjusted(QUrl::RemoveFragment);
    m_view->load(url);
    return true;
}

bool WebEngineBrowser::goBack()
{
    if (!m_view->history()->canGoBack())
        return false;
    personNavigated();
    m_view->back();
    return true;
}

bool WebEngineBrowser::goForward()
{
    if (!m_view->history()->canGoForward())
        return false;
    personNavigated();
    m_view->forward();
    return true;
}

void WebEngineBrowser::setLoadTimeout(int msecs)
{
    m_loadTimeoutMs = qMax(0, msecs);
    // No time-out now: a load under way is no longer given up either.
    if (m_loadTimeoutMs == 0 && m_loadTimer)
        m_loadTimer->stop();
}

void WebEngineBrowser::goHome()
{
    personNavigated();
    m_view->load(homePage());
}

void WebEngineBrowser::refresh()
{
    personNavigated();
    m_view->reload();
}

void WebEngineBrowser::personNavigated()
{
    // A question of the page that is left goes with it; the next page starts with none counted.
    if (m_question)
        m_question->reject();
    m_dialogLimiter.reset();
    m_downloadLimiter.reset();
    m_closing = false;
    m_personsAddress.clear();
}

void WebEngineBrowser::userActed()
{
    m_actions.acted(QDateTime::currentMSecsSinceEpoch());
}

bool WebEngineBrowser::askForPage(PageDialog::Kind kind, const QUrl &origin, const QString &message,
                                  const QString &defaultText, QString *text)
{
    // The engine asks before a page is left through confirm(), with this text. A page whose
    // questions are stopped, or whose window is closing, must not keep the person on it.
    static const QString leaving = QCoreApplication::translate(
        "QWebEnginePage", "Are you sure you want to leave this page? Changes that you made may not be saved.");
    const bool unasked = kind == PageDialog::Kind::Confirm && message == leaving;
    if (m_closing || m_question)
        return unasked;
    const PageDialogLimiter::Show show = m_dialogLimiter.next(QDateTime::currentMSecsSinceEpoch());
    if (show == PageDialogLimiter::Show::Suppressed)
        return unasked;
    const QString kindName = kind == PageDialog::Kind::Alert     ? QStringLiteral("Alert")
                             : kind == PageDialog::Kind::Confirm ? QStringLiteral("Confirm")
                                                                 : QStringLiteral("Prompt");
    const PageDialog::Request request{kind, QStringLiteral("Javascript %1 - %2").arg(kindName, origin.toString()),
                                      message, defaultText, show};
    QPointer<WebEngineBrowser> self(this);
    const PageDialog::Answer answer = PageDialog::ask(request, m_view, &m_question);
    if (!self)
        return false;
    m_dialogLimiter.answered(QDateTime::currentMSecsSinceEpoch());
    if (answer.windowClosing) {
        m_closing = true;
        return unasked;
    }
    if (answer.stopMore) {
        m_dialogLimiter.stop();
        showNotice(tr("Quokka stopped the dialogs of this page. Pages you open next may show dialogs again."));
    }
    if (text)
        *text = answer.text;
    return answer.accepted;
}

bool WebEngineBrowser::admitDownload(QWebEngineDownloadRequest *download)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // The address the person opened is a file: that is the download asked for.
    if (!m_personsAddress.isEmpty() && download->url().adjusted(QUrl::RemoveFragment) == m_personsAddress) {
        m_personsAddress.clear();
        return true;
    }
    // One download follows each click or key the person gave the page.
    if (m_actions.take(now))
        return true;
    const QString name = download->downloadFileName();
    const QString refused = tr("Quokka did not save \"%1\": this page started the download on its own.").arg(name);
    PageDialogLimiter::Show show = PageDialogLimiter::Show::Suppressed;
    if (!m_closing && !m_question)
        show = m_downloadLimiter.next(now);
    if (show == PageDialogLimiter::Show::Suppressed) {
        showNotice(refused);
        return false;
    }
    const PageDialog::Request request{
        PageDialog::Kind::Download, tr("Save a file? - %1").arg(m_view->url().toString()),
        tr("This page wants to save \"%1\" in your Downloads folder, but you did not click anything that "
           "asks for it.\n\nFrom: %2\n\nSave it?")
            .arg(name, download->url().toString()),
        {}, show};
    QPointer<WebEngineBrowser> self(this);
    QPointer<QWebEngineDownloadRequest> request_(download);
    const PageDialog::Answer answer = PageDialog::ask(request, m_view, &m_question);
    if (!self || !request_)
        return false;
    m_downloadLimiter.answered(QDateTime::currentMSecsSinceEpoch());
    // "Don't save" also refuses the page's further downloads of its own, until the person opens another address.
    if (answer.stopMore || !answer.accepted)
        m_downloadLimiter.stop();
    if (!answer.accepted)
        showNotice(refused);
    return answer.accepted;
}

void WebEngineBrowser::stop()
{
    m_view->stop();
}

bool WebEngineBrowser::isBusy() const
{
    return m_busy;
}

QString WebEngineBrowser::title() const
{
    if (!m_loadingAddress.isEmpty())
        return m_loadingAddress;
    if (m_view->url().isEmpty())
        return {};
    return m_view->title();
}

QString WebEngineBrowser::url() const
{
    return m_view->url().toString();
}

void WebEngineBrowser::findText(const QString &text, bool backward)
{
    QPointer<WebEngineBrowser> self(this);
    const QWebEnginePage::FindFlags flags = backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags();
    // The page the person sees is searched: the copy while one is shown over the live page.
    QWebEnginePage *shown = isShowingSavedCopy() ? m_copyView->page() : m_view->page();
    shown->findText(text, flags, [self, text](const QWebEngineFindTextResult &result) {
        if (self)
            emit self->findFinished(text.isEmpty() ? 0 : result.activeMatch(), text.isEmpty() ? 0 : result.numberOfMatches());
    });
}

double WebEngineBrowser::zoomFactor() const
{
    return m_view->zoomFactor();
}

void WebEngineBrowser::setZoomFactor(double factor)
{
    m_view->setZoomFactor(qBound(0.25, factor, 5.0));
}

void WebEngineBrowser::savePage(const QString &path, bool singleFile)
{
    m_view->page()->save(path, singleFile ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                                          : QWebEngineDownloadRequest::SingleHtmlSaveFormat);
}

void WebEngineBrowser::printToPdf(const QString &path)
{
    m_view->page()->printToPdf(path);
}

void WebEngineBrowser::print()
{
    if (m_printing)
        return;
    auto *printer = new QPrinter(QPrinter::HighResolution);
    QPrintDialog dialog(printer, m_view);
    dialog.setWindowTitle(tr("Print - %1").arg(title()));
    QPointer<WebEngineBrowser> self(this);
    if (dialog.exec() != QDialog::Accepted || !self) {
        delete printer;
        return;
    }
    m_printing = true;
    QObject *job = new QObject(this);
    connect(m_view, &QWebEngineView::printFinished, job, [this, printer, job](bool ok) {
        m_printing = false;
        if (!ok)
            showNotice(tr("The page was not printed."));
        delete printer;
        job->deleteLater();
    });
    m_view->print(printer);
}

void WebEngineBrowser::showContextMenu(const QPoint &pos)
{
    QMenu *menu = m_view->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The engine's own Save page would save without asking where; the window's Save Page As asks.
    menu->removeAction(m_view->pageAction(QWebEnginePage::SavePage));
    const QWebEngineContextMenuRequest *request = m_view->lastContextMenuRequest();
    const QUrl link = request ? request->linkUrl() : QUrl();
    emit contextMenuRequested(menu, link.isValid() ? link.toString() : QString());
    if (menu->isEmpty()) {
        delete menu;
        return;
    }
    menu->popup(m_view->mapToGlobal(pos));
}

void WebEngineBrowser::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void WebEngineBrowser::announceTitle()
{
    const QString current = title();
    if (current == m_title)
        return;
    m_title = current;
    emit titleChanged(current);
}

void WebEngineBrowser::showNotice(const QString &text)
{
    m_notice->setText(text);
    // A screen reader finds the notice by its name and reads what it says here.
    m_notice->setAccessibleDescription(text);
    NoticeFilter::place(m_notice, m_view);
    m_notice->show();
    m_notice->raise();
}

// The program loads this library when it makes its first browser, after the splash is up.
extern "C" Q_DECL_EXPORT WebBrowser *quokkaCreateWebBrowser(QWidget *parent)
{
    return new WebEngineBrowser(parent);
}

void WebEngineBrowser::readVisibleText(std::function<void(const QString &)> done)
{
    // A page that goes away answers its open requests with nothing, while this browser and its owner
    // are being destroyed: that answer is not handed on (the script's own answer is always a string).
    QPointer<WebEngineBrowser> self(this);
    m_view->page()->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
                                  [self, done = std::move(done)](const QVariant &text) {
                                      if (self && text.isValid())
                                          done(text.toString());
                                  });
}

namespace {
// Several times what a 50 MiB page takes to save on a busy machine.
constexpr int copyTimeoutMs = 120000;
} // namespace

struct WebEngineBrowser::CopyUnderWay {
    PageCopy copy;
    /// Holds the MHTML file while the engine writes it; removed with it when the copy ends.
    std::unique_ptr<QTemporaryDir> folder;
    /// Takes the picture once the view shows the page (the browser's child); it may be the one
    /// telling that the copy ends, so it goes once that is over.
    QPointer<ViewPicture> picture;
    ~CopyUnderWay()
    {
        if (picture) {
            picture->stop();
            picture->deleteLater();
        }
    }
    bool textRead = false;
    bool pageRead = false;
    bool pictureTaken = false;
};

void WebEngineBrowser::takePageCopy()
{
    PageCopy refused;
    refused.address = url();
    refused.title = title();
    if (m_url.isEmpty() || m_view->url().isEmpty()) {
        refused.problem = tr("No page is shown.");
        emit pageCopyTaken(refused);
        return;
    }
    if (isBusy()) {
        // A page still loading is not yet the page: a copy of it could hold half of it.
        refused.problem = tr("The page is still loading.");
        emit pageCopyTaken(refused);
        return;
    }
    auto underWay = std::make_shared<CopyUnderWay>();
    underWay->copy = refused;
    underWay->folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quokka-copy-XXXXXX"));
    if (!underWay->folder->isValid()) {
        refused.problem = tr("No temporary file can be made for the copy (%1).").arg(underWay->folder->errorString());
        emit pageCopyTaken(refused);
        return;
    }
    const QString path = QDir::cleanPath(underWay->folder->filePath(QStringLiteral("page.mhtml")));
    m_copies.insert(path, underWay);

    // The picture is of the page as the engine paints it, some frames after the load has ended.
    underWay->picture = new ViewPicture(this);
    connect(underWay->picture, &ViewPicture::taken, this, [this, path](const QImage &, const QByteArray &png) {
        const auto found = m_copies.constFind(path);
        if (found == m_copies.constEnd())
            return;
        (*found)->copy.thumbnailPng = png;
        (*found)->pictureTaken = true;
        finishCopy(path);
    });
    underWay->picture->start(m_view, m_pictureBefore);
    QPointer<WebEngineBrowser> self(this);
    m_view->page()->toPlainText([self, path](const QString &text) {
        if (!self)
            return;
        const auto found = self->m_copies.constFind(path);
        if (found == self->m_copies.constEnd())
            return;
        (*found)->copy.text = text;
        (*found)->textRead = true;
        self->finishCopy(path);
    });
    m_view->page()->save(path, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
    // The engine may never answer (a page it cannot save, a render process that ended): the caller
    // is told rather than left waiting.
    QTimer::singleShot(copyTimeoutMs, this, [this, path] {
        failCopy(path, tr("The web engine did not save the page in time."));
    });
}

bool WebEngineBrowser::isTakingCopyTo(const QString &path) const
{
    return m_copies.contains(QDir::cleanPath(path));
}

void WebEngineBrowser::copySaved(const QString &path, bool ok)
{
    const QString key = QDir::cleanPath(path);
    const auto found = m_copies.constFind(key);
    if (found == m_copies.constEnd())
        return;
    if (!ok) {
        failCopy(key, tr("The web engine could not save the page."));
        return;
    }
    // The file may be large: it is read off the window's thread.
    std::shared_ptr<CopyUnderWay> underWay = *found;
    QPointer<WebEngineBrowser> self(this);
    QThreadPool::globalInstance()->start([self, key, underWay] {
        QFile file(key);
        QByteArray bytes;
        QString problem;
        if (!file.open(QIODevice::ReadOnly))
            problem = file.errorString();
        else
            bytes = file.readAll();
        QMetaObject::invokeMethod(qApp, [self, key, underWay, bytes = std::move(bytes), problem] {
            if (!self || !self->m_copies.contains(key))
                return;
            if (bytes.isEmpty()) {
                self->failCopy(key, tr("The saved page cannot be read (%1).").arg(problem.isEmpty() ? tr("it is empty") : problem));
                return;
            }
            underWay->copy.mhtml = bytes;
            underWay->pageRead = true;
            self->finishCopy(key);
        }, Qt::QueuedConnection);
    });
}

void WebEngineBrowser::finishCopy(const QString &path)
{
    const std::shared_ptr<CopyUnderWay> underWay = m_copies.value(path);
    if (!underWay || !underWay->textRead || !underWay->pageRead || !underWay->pictureTaken)
        return;
    m_copies.remove(path);
    PageCopy copy = underWay->copy;
    if (m_url != copy.address) {
        // Another page came while the copy was taken: its parts may not all be of one page.
        copy.mhtml.clear();
        copy.text.clear();
        copy.thumbnailPng.clear();
        copy.problem = tr("Another page was opened while the copy was taken.");
    } else {
        copy.ok = true;
    }
    emit pageCopyTaken(copy);
}

void WebEngineBrowser::failCopy(const QString &path, const QString &problem)
{
    const std::shared_ptr<CopyUnderWay> underWay = m_copies.take(path);
    if (!underWay)
        return;
    PageCopy copy;
    copy.address = underWay->copy.address;
    copy.title = underWay->copy.title;
    copy.problem = problem;
    emit pageCopyTaken(copy);
}

void WebEngineBrowser::showSavedCopy(const QByteArray &mhtml)
{
    if (!m_copyView) {
        m_copyFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quokka-shown-copy-XXXXXX"));
        m_copyView = new QWebEngineView(m_view);
        m_copyView->setObjectName(QStringLiteral("savedCopyView"));
        m_copyView->setAccessibleName(QStringLiteral("Saved copy of the page"));
        m_copyView->setPage(new CopyPage(copyProfile(), m_copyView));
        m_copyView->setContextMenuPolicy(Qt::NoContextMenu);
        m_copyView->setGeometry(m_view->rect());
        m_copyView->hide();
        m_view->installEventFilter(this);
        // The view is shown once its new copy has loaded: until then it holds the copy shown before.
        // The end of an earlier copy's load, stopped by this one, is not this copy's.
        connect(m_copyView->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
            if (!m_copyLoading || info.status() == QWebEngineLoadingInfo::LoadStartedStatus || info.url() != *m_copyFile)
                return;
            const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
            m_copyLoading = false;
            if (ok) {
                m_copyView->setGeometry(m_view->rect());
                m_view->page()->findText({}); // the live page's highlights are not the copy's
                const bool hadFocus = m_view->hasFocus() || m_view->isAncestorOf(QApplication::focusWidget());
                m_copyView->show();
                m_copyView->raise();
                if (hadFocus)
                    m_copyView->setFocus();
            }
            emit savedCopyShown(ok);
        });
        // The copy's own file leaves with the view; the copy profile outlives every page.
        connect(m_copyView, &QObject::destroyed, m_copyView, [file = m_copyFile] {
            ShownCopyFiles &shown = shownCopyFiles();
            const QMutexLocker lock(&shown.mutex);
            shown.files.remove(*file);
        });
    }
    // The copy shown before (perhaps another entry's) is not shown while this one is made ready.
    hideCopyView();
    if (!m_copyFolder->isValid()) {
        emit savedCopyShown(false);
        return;
    }
    // Each copy shown gets a file of its own name, so the engine never shows one from its memory.
    const QString path = m_copyFolder->filePath(QStringLiteral("copy-%1.mhtml").arg(++m_copyNumber));
    const int number = m_copyNumber;
    m_copyLoading = false;
    QPointer<WebEngineBrowser> self(this);
    // A copy may be large: it is written off the window's thread, private to this user.
    QThreadPool::globalInstance()->start([self, path, number, mhtml] {
        QFile file(path);
        bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(mhtml) == mhtml.size();
        ok = file.flush() && ok;
        file.close();
        if (ok)
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QMetaObject::invokeMethod(qApp, [self, path, number, ok] {
            if (!self || number != self->m_copyNumber) {
                QFile::remove(path);
                return;
            }
            self->loadShownCopy(path, ok);
        }, Qt::QueuedConnection);
    });
}

void WebEngineBrowser::loadShownCopy(const QString &path, bool written)
{
    {
        ShownCopyFiles &shown = shownCopyFiles();
        const QMutexLocker lock(&shown.mutex);
        shown.files.remove(*m_copyFile);
        if (!m_copyFile->isEmpty())
            QFile::remove(m_copyFile->toLocalFile());
        *m_copyFile = QUrl::fromLocalFile(path);
        if (written)
            shown.files.insert(*m_copyFile);
    }
    if (!written) {
        emit savedCopyShown(false);
        return;
    }
    m_copyLoading = true;
    m_copyView->load(*m_copyFile);
}

void WebEngineBrowser::showLivePage()
{
    if (!m_copyView)
        return;
    ++m_copyNumber; // a copy still being written is not shown
    m_copyLoading = false;
    hideCopyView();
}

void WebEngineBrowser::hideCopyView()
{
    if (m_copyView->isHidden())
        return;
    const bool hadFocus = m_copyView->hasFocus() || m_copyView->isAncestorOf(QApplication::focusWidget());
    m_copyView->page()->findText({});
    m_copyView->hide();
    if (hadFocus)
        m_view->setFocus();
}

bool WebEngineBrowser::isShowingSavedCopy() const
{
    return m_copyView && !m_copyView->isHidden();
}

bool WebEngineBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && m_copyView && event->type() == QEvent::Resize)
        m_copyView->setGeometry(m_view->rect());
    return WebBrowser::eventFilter(watched, event);
}
