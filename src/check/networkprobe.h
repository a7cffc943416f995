// The fast pass's plain requests over Qt Network.
#pragma once

#include "check/httpprobe.h"

#include <QHash>

class QNetworkAccessManager;
class QNetworkReply;

/// HEAD requests (GET, abandoned once the headers are in, where HEAD is refused) with redirects
/// followed by hand, so that permanent and temporary ones are told apart and loops are seen.
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
    void onHeaders(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    void complete(Request *request, const ProbeAnswer &answer);

    QNetworkAccessManager *m_manager;
    HttpProbeSettings m_settings;
    QHash<QNetworkReply *, Request *> m_requests;
    quint64 m_abortGeneration = 0;
};
