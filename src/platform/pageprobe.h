// Loading an address to learn what became of it: the answer a probe gives, and the web engine's probe.
#pragma once

#include "platform/webbrowser.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

/// What a page said, when it was read: the first part of a plain request's 2xx body, or the engine's
/// page once it has settled.
struct PageContent {
    /// False when nothing was read (not HTML, no body, not asked).
    bool read = false;
    QString title;
    /// The first <h1>'s text.
    QString heading;
    /// The visible text (no scripts, styles or tags), spaces collapsed, capped.
    QString text;
    /// Where a <meta http-equiv="refresh"> sends the browser, resolved; empty when nowhere.
    QUrl refreshTo;
    /// A form field for a password.
    bool asksForPassword = false;
    /// Little text of its own and the marks of a page a script draws (<noscript>, an empty root
    /// element, scripts): only a browser sees what it says.
    bool drawnByScript = false;
};

/// What one attempt to reach an address came to, whether by a plain request or in the web engine.
struct ProbeAnswer {
    enum class Outcome {
        Answered,         ///< the server answered with @ref status (0 when the engine does not tell it)
        NoSuchHost,       ///< the host name does not resolve
        Refused,          ///< nothing listens there
        TimedOut,         ///< no complete answer within the time allowed
        TlsError,         ///< the secure connection failed (certificate or handshake)
        ProtocolError,    ///< the server's answer is no HTTP the client accepts
        RedirectLoop,     ///< redirects came back to an address already visited
        TooManyRedirects, ///< more redirects than a browser follows
        NetworkError,     ///< the connection broke off, or another network failure
        Unloadable,       ///< the engine refused the address or showed an error page
        EngineFailure,    ///< the web engine itself failed (its page process ended): nothing is known of the page
    };
    Outcome outcome = Outcome::NetworkError;
    int status = 0;
    /// Where the redirects ended; empty when there were none.
    QUrl finalUrl;
    /// Where the first run of permanent redirects (301, 308) led; empty when the first hop was no
    /// permanent redirect. The address to keep instead of the one in the list.
    QUrl movedTo;
    /// Seconds a 429 or 503 answer asked to wait before asking again; -1 when it did not ask.
    int retryAfterSeconds = -1;
    /// A 401 or 407 that asked for a login (WWW-Authenticate, or the engine's login request).
    bool asksForLogin = false;
    /// A short explanation for a person (an error text, a status phrase).
    QString detail;
    /// What the page said, when it was read.
    PageContent page;
};

/// Loads addresses in web engine pages that nobody sees, to let a real browser decide what a plain
/// request left in doubt. Pages run scripts; they keep nothing on disk, open no windows, download
/// nothing and are granted no permission.
class PageProbe : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PageProbe() override = default;

    /// The User-Agent the engine sends, so that plain requests can present themselves the same way.
    virtual QString userAgent() const = 0;
    /// Loads @p url and calls @p done once with what the engine made of it. A page that answers with
    /// an error status gets @p settleMs to replace itself by script (as bot walls do) before it counts;
    /// the whole load gets @p timeoutMs. @p done is never called after abortAll().
    virtual void load(const QUrl &url, int timeoutMs, int settleMs, std::function<void(const ProbeAnswer &)> done) = 0;
    /// Stops every load; their callbacks are not called.
    virtual void abortAll() = 0;
};

/// Loads a page once more, in a web engine page nobody sees, to keep its copy: the page as one MHTML
/// file, its text and a small picture. Copies are taken one at a time, in the order asked.
class PageCopier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PageCopier() override = default;

    /// Loads @p url and calls @p done once with its copy, or with why none was taken. @p done is never
    /// called after abortAll().
    virtual void copy(const QUrl &url, int timeoutMs, std::function<void(const PageCopy &)> done) = 0;
    /// Stops the copy under way and forgets those waiting.
    virtual void abortAll() = 0;
};
