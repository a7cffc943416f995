#include "check/pagereader.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

/// Visible text kept per page: enough for a fingerprint and the parked phrases.
constexpr qsizetype textCap = 16 * 1024;
/// A page with fewer words of its own than this, and a script's marks, is drawn by the script.
constexpr int fewWords = 25;

QString decoded(const QByteArray &body)
{
    // The charset a page declares in its first bytes; UTF-8 otherwise, as browsers mostly guess.
    static const QRegularExpression charset(QStringLiteral("<meta[^>]+charset=[\"']?([A-Za-z0-9_-]+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(body.left(2048));
    const QRegularExpressionMatch m = charset.match(head);
    QStringDecoder decoder(m.hasMatch() ? m.captured(1).toLatin1() : QByteArray("UTF-8"));
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(body);
}

/// The text of character references (&amp;, &#39;, &#x2019;, &nbsp; and the like).
QString withoutReferences(const QString &text)
{
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z]{2,8});"));
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    qsizetype at = 0;
    for (auto it = reference.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(at, m.capturedStart() - at);
        at = m.capturedEnd();
        const QString name = m.captured(1);
        char32_t code = 0;
        if (name.startsWith(QLatin1String("#x")) || name.startsWith(QLatin1String("#X")))
            code = name.mid(2).toUInt(nullptr, 16);
        else if (name.startsWith(QLatin1Char('#')))
            code = name.mid(1).toUInt();
        else if (name == u"amp") code = '&';
        else if (name == u"lt") code = '<';
        else if (name == u"gt") code = '>';
        else if (name == u"quot") code = '"';
        else if (name == u"apos") code = '\'';
        else if (name == u"nbsp") code = ' ';
        else if (name == u"rsquo" || name == u"lsquo") code = 0x2019;
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out += m.captured(0);
            continue;
        }
        out += QString::fromUcs4(&code, 1);
    }
    out += QStringView(text).mid(at);
    return out;
}

QString plainText(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    QString text = html;
    text.replace(tag, QStringLiteral(" "));
    text = withoutReferences(text);
    return text.replace(spaces, QStringLiteral(" ")).trimmed();
}

QString firstElementText(const QString &html, const QString &name)
{
    const QRegularExpression element(QStringLiteral("<%1(\\s[^>]*)?>(.*?)</%1\\s*>").arg(name),
                                     QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = element.match(html);
    return m.hasMatch() ? plainText(m.captured(2)) : QString();
}

} // namespace

PageContent readPage(const QByteArray &body, const QUrl &url)
{
    PageContent page;
    if (body.trimmed().isEmpty())
        return page;
    const QString html = decoded(body.left(pageReadCap));
    static const QRegularExpression looksHtml(QStringLiteral("<(!doctype html|html|head|body|title|meta|div|script)[\\s>]"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (!looksHtml.match(html.left(4096)).hasMatch())
        return page;
    page.read = true;
    page.title = firstElementText(html, QStringLiteral("title")).left(500);

    static const QRegularExpression hidden(QStringLiteral("<(script|style|noscript|template|head)(\\s[^>]*)?>.*?</\\1\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString visible = html;
    visible.replace(hidden, QStringLiteral(" "));
    // A heading inside a script is what the script may draw, not what the page says.
    page.heading = firstElementText(visible, QStringLiteral("h1")).left(500);
    page.text = plainText(visible).left(textCap);

    static const QRegularExpression refresh(
        QStringLiteral("<meta\\s[^>]*http-equiv\\s*=\\s*[\"']?refresh[\"']?[^>]*content\\s*=\\s*[\"']\\s*\\d*\\s*[;,]?\\s*(url\\s*=\\s*)?['\"]?([^\"'>]*)"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = refresh.match(html); m.hasMatch() && !m.captured(2).trimmed().isEmpty())
        page.refreshTo = url.resolved(QUrl(m.captured(2).trimmed()));

    static const QRegularExpression password(QStringLiteral("<input\\s[^>]*type\\s*=\\s*[\"']?password"),
                                             QRegularExpression::CaseInsensitiveOption);
    page.asksForPassword = password.match(html).hasMatch();

    static const QRegularExpression scriptMarks(
        QStringLiteral("<noscript|<div\\s[^>]*id\\s*=\\s*[\"']?(root|app|__next|__nuxt|main)[\"']?[^>]*>\\s*</div>|<script"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype words = page.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    page.drawnByScript = words < fewWords && scriptMarks.match(html).hasMatch();
    return page;
}
