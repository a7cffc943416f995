#include "fakes/tinymount.h"

#include <QProcess>

#include <unistd.h>

bool runProgram(const QString &program, const QStringList &args, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString TinyMount::mount(const QString &size)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    if (geteuid() != 0)
        return QStringLiteral("mounting a tmpfs needs root; CI runs this as root");
    QString output;
    if (!runProgram(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=") + size, QStringLiteral("tmpfs"), m_dir.path()},
                    &output))
        return QStringLiteral("mount refused (no CAP_SYS_ADMIN here?): ") + output;
    m_mounted = true;
    return {};
}

bool TinyMount::remountReadOnly()
{
    return runProgram(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_dir.path()});
}

void TinyMount::unmount()
{
    if (!m_mounted)
        return;
    // A lazy unmount as the fallback, so that a file still open cannot keep the mount alive.
    if (!runProgram(QStringLiteral("umount"), {m_dir.path()}))
        runProgram(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
    m_mounted = false;
}
