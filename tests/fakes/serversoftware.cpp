#include "fakes/serversoftware.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

bool ServerSoftware::start(const QString &program, const QStringList &arguments, QString *why)
{
    if (QStandardPaths::findExecutable(program).isEmpty() && !QFile::exists(program)) {
        *why = program + QStringLiteral(" is not installed (scripts/debian-packages.txt)");
        return false;
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setWorkingDirectory(m_dir.path());
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(10000)) {
        *why = program + QStringLiteral(" does not start: ") + m_process.errorString();
        return false;
    }
    // Ready once it accepts a connection; a guard against a server that never comes up.
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running) {
            *why = program + QStringLiteral(" ended: ") + QString::fromLocal8Bit(m_process.readAll());
            return false;
        }
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (socket.waitForConnected(500))
            return true;
        QThread::msleep(100);
    }
    *why = program + QStringLiteral(" did not listen on port %1: ").arg(m_port) + QString::fromLocal8Bit(m_process.readAll());
    return false;
}

std::unique_ptr<ServerSoftware> ServerSoftware::nginx(const QByteArray &locations, QString *why)
{
    std::unique_ptr<ServerSoftware> s(new ServerSoftware);
    s->m_port = freePort();
    const QString dir = s->m_dir.path();
    s->m_log = dir + QStringLiteral("/access.log");
    const QByteArray config = "daemon off;\nmaster_process off;\nerror_log " + dir.toUtf8() + "/error.log;\npid " + dir.toUtf8()
        + "/nginx.pid;\nevents { worker_connections 256; }\nhttp {\n"
          "  client_body_temp_path " + dir.toUtf8() + "/body; proxy_temp_path " + dir.toUtf8() + "/proxy;\n"
          "  fastcgi_temp_path " + dir.toUtf8() + "/fastcgi; uwsgi_temp_path " + dir.toUtf8() + "/uwsgi; scgi_temp_path "
        + dir.toUtf8() + "/scgi;\n"
          "  log_format lines '$request_method $request_uri $status \"$http_authorization\"';\n"
          "  access_log " + s->m_log.toUtf8() + " lines;\n"
          "  server {\n    listen 127.0.0.1:" + QByteArray::number(s->m_port) + ";\n" + locations + "\n  }\n}\n";
    QFile file(dir + QStringLiteral("/nginx.conf"));
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size())
        return nullptr;
    file.close();
    if (!s->start(QStringLiteral("/usr/sbin/nginx"),
                  {QStringLiteral("-p"), dir, QStringLiteral("-e"), dir + QStringLiteral("/error.log"), QStringLiteral("-c"),
                   file.fileName()},
                  why))
        return nullptr;
    return s;
}

std::unique_ptr<ServerSoftware> ServerSoftware::httpbin(QString *why)
{
    std::unique_ptr<ServerSoftware> s(new ServerSoftware);
    s->m_port = freePort();
    s->m_log = s->m_dir.filePath(QStringLiteral("access.log"));
    if (!s->start(QStringLiteral("gunicorn"),
                  {QStringLiteral("--bind"), QStringLiteral("127.0.0.1:%1").arg(s->m_port), QStringLiteral("--worker-class"),
                   QStringLiteral("gthread"), QStringLiteral("--threads"), QStringLiteral("8"), QStringLiteral("--access-logfile"),
                   s->m_log, QStringLiteral("--access-logformat"), QStringLiteral("%(m)s %(U)s %(s)s \"%({authorization}i)s\""),
                   QStringLiteral("httpbin:app")},
                  why))
        return nullptr;
    return s;
}

std::unique_ptr<ServerSoftware> ServerSoftware::node(const QByteArray &script, const QString &modules, QString *why)
{
    std::unique_ptr<ServerSoftware> s(new ServerSoftware);
    s->m_port = freePort();
    s->m_log = s->m_dir.filePath(QStringLiteral("access.log"));
    QFile file(s->m_dir.filePath(QStringLiteral("server.js")));
    if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
        return nullptr;
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("NODE_PATH"), modules);
    s->m_process.setProcessEnvironment(env);
    if (!s->start(QStringLiteral("node"), {file.fileName(), QString::number(s->m_port), s->m_log}, why))
        return nullptr;
    return s;
}

ServerSoftware::~ServerSoftware()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QUrl ServerSoftware::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

QList<LoggedRequest> ServerSoftware::requests() const
{
    QList<LoggedRequest> requests;
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return requests;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() < 4)
            continue;
        LoggedRequest r;
        r.method = words.at(0);
        r.target = words.at(1);
        r.status = words.at(2).toInt();
        QByteArray auth = line.mid(line.indexOf('"'));
        auth = auth.mid(1, auth.size() - 2);
        r.authorization = auth == "-" ? QByteArray() : auth;
        requests.append(r);
    }
    return requests;
}

QList<LoggedRequest> ServerSoftware::requestsTo(const QByteArray &prefix) const
{
    QList<LoggedRequest> found;
    for (const LoggedRequest &r : requests())
        if (r.target.startsWith(prefix))
            found.append(r);
    return found;
}
