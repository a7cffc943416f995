#include "store/addresstoload.h"

#include <QRegularExpression>

QUrl addressToLoad(const QString &entry)
{
    const QString text = entry.trimmed();
    if (text.isEmpty())
        return {};
    // An address written with its scheme is read as written. fromUserInput would retry a broken one
    // as a host name and load somewhere else entirely ("http://exa mple.com/" became host "http").
    static const QRegularExpression withScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    if (withScheme.match(text).hasMatch())
        return QUrl(text, QUrl::TolerantMode);
    return QUrl::fromUserInput(text);
}
