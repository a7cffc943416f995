#include "check/pagereader.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <iterator>

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

struct NamedReference {
    const char *name;
    char32_t first;
    char32_t second;
};

constexpr NamedReference namedReferences[] = {
#include "check/htmlentities.inc"
};

/// The named reference @p name (with its ';' when it has one), or nothing.
const NamedReference *namedReference(const QByteArray &name)
{
    const auto less = [](const NamedReference &r, const char *n) { return std::strcmp(r.name, n) < 0; };
    const auto *end = std::end(namedReferences);
    const auto *found = std::lower_bound(std::begin(namedReferences), end, name.constData(), less);
    return found != end && name == found->name ? found : nullptr;
}

/// What a numeric reference stands for, as browsers read it: the C1 controls as Windows-1252 has
/// them (pages written in it say &#150; for a dash), nothing and what no character is as U+FFFD.
char32_t numericReference(char32_t code)
{
    static constexpr char16_t windows1252[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
        0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    if (code >= 0x80 && code <= 0x9F)
        return windows1252[code - 0x80];
    return code;
}

bool isAsciiAlnum(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

/// The text of character references, named (all of HTML's, &middot; as &amp;, and the old ones
/// without their ';') and numeric (&#39;, &#x2019;), as a browser reads them in a page's text.
QString withoutReferences(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        qsizetype at = i + 1;
        if (at < size && text[at] == u'#') {
            ++at;
            const bool hex = at < size && (text[at] == u'x' || text[at] == u'X');
            if (hex)
                ++at;
            const qsizetype digitsAt = at;
            char32_t code = 0;
            bool tooBig = false;
            while (at < size) {
                const char16_t d = text[at].unicode();
                const int digit = d >= u'0' && d <= u'9'         ? d - u'0'
                    : hex && (d | 0x20) >= u'a' && (d | 0x20) <= u'f' ? (d | 0x20) - u'a' + 10
                                                                      : -1;
                if (digit < 0)
                    break;
                if (!tooBig)
                    code = code * (hex ? 16 : 10) + char32_t(digit);
                tooBig = tooBig || code > 0x10FFFF;
                ++at;
            }
            if (at == digitsAt) {
                out += c; // "&#" with no number is text
                ++i;
                continue;
            }
            if (at < size && text[at] == u';')
                ++at;
            const char32_t point = numericReference(tooBig ? 0x110000 : code);
            out += QString::fromUcs4(&point, 1);
            i = at;
            continue;
        }
        // The longest name that the table holds: with its ';', or one of the old names without it.
        qsizetype runEnd = at;
        while (runEnd < size && runEnd - at < 32 && isAsciiAlnum(text[runEnd]))
            ++runEnd;
        const QByteArray run = text.mid(at, runEnd - at).toLatin1();
        const NamedReference *found = nullptr;
        qsizetype used = 0;
        if (!run.isEmpty() && runEnd < size && text[runEnd] == u';')
            if ((found = namedReference(run + ';')))
                used = run.size() + 1;
        for (qsizetype length = run.size(); !found && length >= 2; --length)
            if ((found = namedReference(run.left(length))))
                used = length;
        if (!found) {
            out += c;
            ++i;
            continue;
        }
        // A no-break space reads as the space it shows, as the reader has always given it.
        const char32_t first = found->first == 0xA0 ? U' ' : found->first;
        out += QString::fromUcs4(&first, 1);
        if (found->second)
            out += QString::fromUcs4(&found->second, 1);
        i = at + used;
    }
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
