// The fast pass's plain requests.
#pragma once

#include "check/httpprobe.h"

#include <QHash>

class HeadClient;
class QNetworkCookieJar;
struct ResponseHead;

/// HEAD requests (GET, abandoned once the headers are in, where HEAD is refused), through HeadClient,
/// with redirects followed by hand, so that permanent and temporary ones are told apart and loops are seen.
/// Cookies live only as long as this object: nothing of the browser's profile is sent.
class NetworkProbe final : public HttpProbe {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkProbe)
public:
    explicit NetworkProbe(QObject *parent = nullptr);
    ~NetworkProbe() override;

    void setSettings(const HttpProbeSettings &settings) override;
    void probe(const QUrl &url, std::function<void(const ProbeAnswer &)> done) override;
    void abortAll() override;

private:
    struct Request;
    void send(Request *request, const QUrl &url, bool head);
    void answered(Request *request, const QUrl &url, const ResponseHead &head);
    void complete(Request *request, const ProbeAnswer &answer);
    /// The Cookie header this check's cookies give @p url, empty when there are none.
    QByteArray cookieLine(const QUrl &url) const;
    /// An address as asked: with the cookies that go with it, since a server may answer the same
    /// address differently once it has set one.
    QString visitKey(const QUrl &url) const;

    HeadClient *m_client;
    QNetworkCookieJar *m_cookies;
    HttpProbeSettings m_settings;
    QHash<quint64, Request *> m_requests;
    quint64 m_lastRequestId = 0;
};
