#include "play/playsettings.h"

#include "store/smallfile.h"
#include "store/urllistfile.h"

#include <QStandardPaths>

QString PlaySettings::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/quokka/play.conf");
}

PlaySettings PlaySettings::load(const QString &path, QString *problem)
{
    const SmallFile file = readSmallFile(path, maxFileBytes);
    if (!file.problem.isEmpty() && problem)
        *problem = file.problem;
    // A missing file is one never written yet: the defaults, nothing to say.
    return file.problem.isEmpty() ? parse(file.bytes) : PlaySettings();
}

PlaySettings PlaySettings::parse(const QByteArray &text)
{
    PlaySettings settings;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const int equals = line.indexOf('=');
        if (line.startsWith('#') || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "delay") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= minDelaySeconds && seconds <= maxDelaySeconds)
                settings.delaySeconds = seconds;
        } else if (key == "pageTimeout") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= 1 && seconds <= 600)
                settings.pageTimeoutSeconds = seconds;
        } else if (key == "atEnd") {
            if (value == "loop")
                settings.loop = true;
            else if (value == "stop")
                settings.loop = false;
        }
    }
    return settings;
}

QByteArray PlaySettings::serialize() const
{
    return "# Quokka: playing the list\n"
           "delay=" + QByteArray::number(delaySeconds) + "\n"
           "atEnd=" + (loop ? QByteArray("loop") : QByteArray("stop")) + "\n"
           "pageTimeout=" + QByteArray::number(pageTimeoutSeconds) + "\n";
}

bool PlaySettings::save(const QString &path, QString *reason) const
{
    const SaveResult saved = UrlListFile::replaceFile(path, serialize());
    if (!saved && reason)
        *reason = saved.reason;
    return bool(saved);
}
