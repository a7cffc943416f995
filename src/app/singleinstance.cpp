#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace {

const QByteArray comeForwardRequest = QByteArrayLiteral("come forward\n");

} // namespace

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_folder(dataFolder)
    , m_lock(dataFolder)
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::serverName(const QString &dataFolder)
{
    // The runtime folder belongs to the user alone; /tmp is shared, hence the user id in the name.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    const QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    const QByteArray key = QFile::encodeName(canonical.isEmpty() ? QDir::cleanPath(dataFolder) : canonical);
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16);
    return folder + QStringLiteral("/quokka-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

SingleInstance::Start SingleInstance::start(int budgetMs)
{
    const QDeadlineTimer deadline(budgetMs);
    // Another user's program is out of reach of this user's socket: a moment for a program of this
    // user's own that holds that user's lock file and is still starting, then it is said.
    const QDeadlineTimer otherUserDeadline(qMin(budgetMs, 1000));
    for (;;) {
        if (m_lock.tryLock()) {
            listen();
            return Start::First;
        }
        using Refusal = DataFolderLock::Refusal;
        switch (m_lock.refusal()) {
        case Refusal::None:
        case Refusal::CannotBeMade:
            // A folder where no lock can be made at all (a read-only or foreign file system) does
            // not keep the program from starting: nobody else can hold it either.
            return Start::First;
        case Refusal::NotTakeable:
            m_refusal = m_lock.error();
            return Start::Refused;
        case Refusal::HeldByProgram:
            break;
        }
        if (askHolderToComeForward())
            return Start::Forwarded;
        if (m_lock.ownedByOtherUser() && otherUserDeadline.hasExpired()) {
            m_refusal = QStringLiteral("its lock file %1 belongs to the user %2, whose Quokka is using it")
                            .arg(m_lock.lockFilePath(), m_lock.ownerName());
            return Start::Refused;
        }
        if (deadline.hasExpired())
            return Start::NoAnswer;
        QThread::msleep(100);
    }
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(m_folder);
    // Holding the lock, this program is the only one that may listen here: a socket file left by
    // one that crashed goes.
    QLocalServer::removeServer(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == comeForwardRequest)
                        emit comeForwardRequested();
                }
            });
        }
    });
    return m_server->listen(name);
}

bool SingleInstance::askHolderToComeForward()
{
    QLocalSocket socket;
    socket.connectToServer(serverName(m_folder));
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(comeForwardRequest);
    const bool sent = socket.waitForBytesWritten(1000) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return sent;
}
