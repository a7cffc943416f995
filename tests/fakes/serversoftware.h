// Real server software (nginx, httpbin under gunicorn, a node script) on a loopback port for a test.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

/// One request as the server logged it.
struct LoggedRequest {
    QByteArray method;
    QByteArray target;
    int status = 0;
    /// The Authorization header as it came, empty when there was none.
    QByteArray authorization;
};

/// Starts on a free port of 127.0.0.1 and stops when destroyed. Every request is logged as one line,
/// "METHOD TARGET STATUS "AUTHORIZATION"", which requests() reads back.
class ServerSoftware final {
public:
    /// nginx with @p locations inside its server block (log and port are this class's).
    static std::unique_ptr<ServerSoftware> nginx(const QByteArray &locations, QString *why);
    /// python3-httpbin under gunicorn, with threads enough for its /delay endpoints.
    static std::unique_ptr<ServerSoftware> httpbin(QString *why);
    /// @p script under node; it gets its port as argv[2] and its log file as argv[3], and the folder
    /// @p modules as NODE_PATH.
    static std::unique_ptr<ServerSoftware> node(const QByteArray &script, const QString &modules, QString *why);
    ~ServerSoftware();

    QUrl url(const QString &path) const;
    QList<LoggedRequest> requests() const;
    /// Requests whose target begins with @p prefix.
    QList<LoggedRequest> requestsTo(const QByteArray &prefix) const;

private:
    ServerSoftware() = default;
    bool start(const QString &program, const QStringList &arguments, QString *why);
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_log;
};
