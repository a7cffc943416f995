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

NoPage noPageKind(QStringView entry)
{
    // The scheme as the URL standard finds it: leading C0 controls and spaces stripped, every tab, CR
    // and LF removed, so that " java\nscript:" is the same as "javascript:". The longest scheme
    // looked for has 10 letters and its colon.
    QString scheme;
    qsizetype i = 0;
    while (i < entry.size() && entry[i].unicode() <= 0x20)
        ++i;
    for (; i < entry.size() && scheme.size() < 11; ++i) {
        const char16_t c = entry[i].unicode();
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        scheme.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
        if (c == u':')
            break;
    }
    if (scheme == u"javascript:")
        return NoPage::Script;
    if (scheme == u"data:")
        return NoPage::InlineData;
    if (scheme == u"place:")
        return NoPage::Query;
    return NoPage::None;
}
