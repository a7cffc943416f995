// Plain HTTP(S) requests for the checker's fast pass, behind an interface that tests replace.
#pragma once

#include "platform/pageprobe.h"

#include <QObject>

#include <functional>

/// How plain requests present themselves and how long they may take.
struct HttpProbeSettings {
    QByteArray userAgent;
    int timeoutMs = 20000;
    /// Redirects followed before giving up (browsers follow 20).
    int maxRedirects = 20;
    /// The first part of each HTML page that answers 2xx is read (a GET after the HEAD), for what it
    /// says: its title, a refresh, a sign-in form, a page that a script draws.
    bool readPages = true;
};

/// Asks a server about an address without downloading the page.
class HttpProbe : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~HttpProbe() override = default;

    virtual void setSettings(const HttpProbeSettings &settings) = 0;
    /// Requests @p url, follows its redirects and calls @p done once with the answer.
    /// @p done is never called after abortAll().
    virtual void probe(const QUrl &url, std::function<void(const ProbeAnswer &)> done) = 0;
    /// Abandons every request; their callbacks are not called.
    virtual void abortAll() = 0;
};
