#include "check/headparser.h"

namespace {

/// Where the head ends: just after an empty line, whether lines end in CRLF or LF; -1 when it does not
/// end within @p bytes. The same reading as Chromium's: "\n\n" and "\n\r\n" both end it.
qsizetype endOfHead(QByteArrayView bytes)
{
    bool afterLineEnd = false;
    char last = '\0';
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n') {
            if (afterLineEnd)
                return i + 1;
            afterLineEnd = true;
        } else if (c != '\r' || last != '\n') {
            afterLineEnd = false;
        }
        last = c;
    }
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray shownStart(QByteArrayView bytes)
{
    QByteArray shown;
    for (qsizetype i = 0; i < bytes.size() && shown.size() < 40; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' || c == '\n')
            break;
        shown += c >= 0x20 && c < 0x7f ? char(c) : '?';
    }
    return shown;
}

ParsedHead invalid(QByteArrayView bytes)
{
    ParsedHead head;
    head.state = ParsedHead::State::Invalid;
    const QByteArray start = shownStart(bytes);
    head.problem = start.isEmpty() ? QByteArray("it begins with an empty line") : "it begins \"" + start + '"';
    return head;
}

} // namespace

ParsedHead parseResponseHead(QByteArrayView bytes)
{
    ParsedHead head;
    // "HTTP/" is case-insensitive for browsers; anything else is known to be no HTTP from its first bytes.
    static constexpr QByteArrayView prefix("HTTP/");
    const qsizetype known = std::min(bytes.size(), prefix.size());
    if (QByteArrayView(bytes.first(known)).compare(prefix.first(known), Qt::CaseInsensitive) != 0)
        return invalid(bytes);
    const qsizetype end = endOfHead(bytes.first(std::min(bytes.size(), longestResponseHead + 1)));
    if (end < 0) {
        head.state = bytes.size() > longestResponseHead ? ParsedHead::State::TooLong : ParsedHead::State::Incomplete;
        return head;
    }
    QList<QByteArray> lines;
    for (QByteArrayView rest = bytes.first(end); !rest.isEmpty();) {
        const qsizetype lf = rest.indexOf('\n');
        QByteArrayView line = lf < 0 ? rest : rest.first(lf);
        rest = lf < 0 ? QByteArrayView() : rest.sliced(lf + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line.toByteArray());
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();

    const QByteArray statusLine = lines.value(0).trimmed();
    const qsizetype firstSpace = statusLine.indexOf(' ');
    const QByteArray version = statusLine.left(firstSpace);
    const QByteArray afterVersion = firstSpace < 0 ? QByteArray() : statusLine.mid(firstSpace + 1).trimmed();
    const qsizetype secondSpace = afterVersion.indexOf(' ');
    const QByteArray code = secondSpace < 0 ? afterVersion : afterVersion.left(secondSpace);
    bool ok = code.size() == 3;
    for (char c : code)
        ok = ok && c >= '0' && c <= '9';
    const int status = ok ? code.toInt() : 0;
    if (!version.toUpper().startsWith("HTTP/1.") || !ok || status < 100)
        return invalid(bytes);
    head.state = ParsedHead::State::Complete;
    head.status = status;
    head.reason = secondSpace < 0 ? QByteArray() : afterVersion.mid(secondSpace + 1).trimmed();
    head.http11 = version.size() > 7 && version.at(7) != '0';
    head.length = end;

    bool lastWasHeader = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (!line.isEmpty() && isBlank(line.at(0))) {
            // A folded line continues the header before it, joined by one space.
            const QByteArray more = line.trimmed();
            if (lastWasHeader && !more.isEmpty()) {
                QByteArray &value = head.headers.last().second;
                value += (value.isEmpty() ? "" : " ") + more;
            }
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = colon > 0 ? line.left(colon).trimmed() : QByteArray();
        lastWasHeader = !name.isEmpty();
        if (lastWasHeader)
            head.headers.append({name, line.mid(colon + 1).trimmed()});
    }
    return head;
}
