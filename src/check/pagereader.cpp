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

bool isAsciiSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

/// The text between the tags, each tag a space (a '<' that no '>' closes is text), references read,
/// runs of blanks made one space. A loop, not expressions: it runs over every page the check reads.
QString plainText(QStringView html)
{
    QString text;
    text.reserve(html.size());
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html[i] == u'<') {
            const qsizetype close = html.indexOf(u'>', i + 1);
            if (close >= 0) {
                text += u' ';
                i = close;
                continue;
            }
        }
        text += html[i];
    }
    text = withoutReferences(text);
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : std::as_const(text)) {
        if (isAsciiSpace(c)) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out.trimmed();
}

QString firstElementText(const QString &html, const QRegularExpression &element)
{
    const QRegularExpressionMatch m = element.match(html);
    return m.hasMatch() ? plainText(m.capturedView(2)) : QString();
}

QRegularExpression elementPattern(const char *name)
{
    return QRegularExpression(QStringLiteral("<%1(\\s[^>]*)?>(.*?)</%1\\s*>").arg(QLatin1String(name)),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
}

bool mentions(const QString &html, QLatin1String word)
{
    return html.contains(word, Qt::CaseInsensitive);
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
    // Each expression runs only where the page holds the word it looks for.
    static const QRegularExpression title = elementPattern("title");
    static const QRegularExpression heading = elementPattern("h1");
    if (mentions(html, QLatin1String("<title")))
        page.title = firstElementText(html, title).left(500);

    static const QRegularExpression hidden(QStringLiteral("<(script|style|noscript|template|head)(\\s[^>]*)?>.*?</\\1\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QString visible = html;
    if (mentions(html, QLatin1String("</script")) || mentions(html, QLatin1String("</style"))
        || mentions(html, QLatin1String("</noscript")) || mentions(html, QLatin1String("</template"))
        || mentions(html, QLatin1String("</head")))
        visible.replace(hidden, QStringLiteral(" "));
    // A heading inside a script is what the script may draw, not what the page says.
    if (mentions(visible, QLatin1String("<h1")))
        page.heading = firstElementText(visible, heading).left(500);
    page.text = plainText(visible).left(textCap);

    static const QRegularExpression refresh(
        QStringLiteral("<meta\\s[^>]*http-equiv\\s*=\\s*[\"']?refresh[\"']?[^>]*content\\s*=\\s*[\"']\\s*\\d*\\s*[;,]?\\s*(url\\s*=\\s*)?['\"]?([^\"'>]*)"),
        QRegularExpression::CaseInsensitiveOption);
    if (mentions(html, QLatin1String("refresh")))
        if (const QRegularExpressionMatch m = refresh.match(html); m.hasMatch() && !m.captured(2).trimmed().isEmpty())
            page.refreshTo = url.resolved(QUrl(m.captured(2).trimmed()));

    static const QRegularExpression password(QStringLiteral("<input\\s[^>]*type\\s*=\\s*[\"']?password"),
                                             QRegularExpression::CaseInsensitiveOption);
    page.asksForPassword = mentions(html, QLatin1String("password")) && password.match(html).hasMatch();

    static const QRegularExpression scriptMarks(
        QStringLiteral("<noscript|<div\\s[^>]*id\\s*=\\s*[\"']?(root|app|__next|__nuxt|main)[\"']?[^>]*>\\s*</div>|<script"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype words = page.text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    page.drawnByScript = words < fewWords && scriptMarks.match(html).hasMatch();
    return page;
}
