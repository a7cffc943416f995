#include "listformats/listformats.h"

#include "store/addresstoload.h"
#include "store/narrowtext.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

namespace ListFormats {

namespace {

/// How much of a file's start its kind is told from.
constexpr qsizetype headLength = 4096;
/// How many records of a table are looked at to find its separator and its column of addresses.
constexpr int sampledRecords = 50;

/// Calls @p each with every line of @p text (CR LF, LF or CR ends a line) until it returns false.
template <class Each> void forEachLine(QStringView text, Each each)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start <= n) {
        qsizetype end = start;
        while (end < n && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        if (!each(text.mid(start, end - start)))
            return;
        if (end >= n)
            return;
        start = end + (text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n' ? 2 : 1);
    }
}

/// An address as a list holds one: a scheme and something after it, or a host name with a dot (or
/// localhost), with an optional port and path. Never blanks inside.
bool looksLikeAddress(QStringView token)
{
    static const QRegularExpression withScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:\\S+$"));
    static const QRegularExpression hostName(
        QStringLiteral("^(?:localhost|[\\w-]+(?:\\.[\\w-]+)+)(?::\\d{1,5})?(?:[/?#]\\S*)?$"),
        QRegularExpression::UseUnicodePropertiesOption);
    if (token.isEmpty())
        return false;
    for (const QChar c : token)
        if (c.isSpace())
            return false;
    return withScheme.match(token).hasMatch() || hostName.match(token).hasMatch();
}

bool isWebAddress(const QString &text)
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

QString decodeEntities(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    static const QHash<QString, QChar> named{
        {QStringLiteral("amp"), u'&'},     {QStringLiteral("lt"), u'<'},       {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'},    {QStringLiteral("apos"), u'\''},    {QStringLiteral("nbsp"), QChar(0xa0)},
        {QStringLiteral("copy"), QChar(0xa9)}, {QStringLiteral("reg"), QChar(0xae)}, {QStringLiteral("trade"), QChar(0x2122)},
        {QStringLiteral("hellip"), QChar(0x2026)}, {QStringLiteral("ndash"), QChar(0x2013)},
        {QStringLiteral("mdash"), QChar(0x2014)}, {QStringLiteral("laquo"), QChar(0xab)}, {QStringLiteral("raquo"), QChar(0xbb)},
        {QStringLiteral("lsquo"), QChar(0x2018)}, {QStringLiteral("rsquo"), QChar(0x2019)},
        {QStringLiteral("ldquo"), QChar(0x201c)}, {QStringLiteral("rdquo"), QChar(0x201d)},
        {QStringLiteral("euro"), QChar(0x20ac)},
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out.append(c);
            continue;
        }
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i + 1);
        if (semicolon < 0 || semicolon - i > 12) {
            out.append(c);
            continue;
        }
        const QString name = text.mid(i + 1, semicolon - i - 1);
        bool decoded = false;
        if (name.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = (name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X')))
                ? name.mid(2).toUInt(&ok, 16)
                : name.mid(1).toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff)) {
                const char32_t point = code;
                out.append(QString::fromUcs4(&point, 1));
                decoded = true;
            }
        } else if (const auto it = named.constFind(name); it != named.constEnd()) {
            out.append(*it);
            decoded = true;
        }
        if (decoded)
            i = semicolon;
        else
            out.append(c);
    }
    return out;
}

/// The value of the attribute @p wanted (in lower case) of a tag, from just after the tag's name to
/// its '>', decoded; @p end is set to just after the '>'.
QString tagAttribute(const QString &text, qsizetype from, QLatin1String wanted, qsizetype *end)
{
    QString found;
    bool have = false;
    qsizetype i = from;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        if (i >= n || text.at(i) == QLatin1Char('>'))
            break;
        const qsizetype nameStart = i;
        while (i < n && !text.at(i).isSpace() && text.at(i) != QLatin1Char('=') && text.at(i) != QLatin1Char('>'))
            ++i;
        const QStringView name = QStringView(text).mid(nameStart, i - nameStart);
        while (i < n && text.at(i).isSpace())
            ++i;
        QStringView value;
        if (i < n && text.at(i) == QLatin1Char('=')) {
            ++i;
            while (i < n && text.at(i).isSpace())
                ++i;
            if (i < n && (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\''))) {
                const QChar quote = text.at(i);
                const qsizetype close = text.indexOf(quote, i + 1);
                const qsizetype stop = close < 0 ? n : close;
                value = QStringView(text).mid(i + 1, stop - i - 1);
                i = close < 0 ? n : close + 1;
            } else {
                const qsizetype valueStart = i;
                while (i < n && !text.at(i).isSpace() && text.at(i) != QLatin1Char('>'))
                    ++i;
                value = QStringView(text).mid(valueStart, i - valueStart);
            }
        }
        if (!have && name.compare(wanted, Qt::CaseInsensitive) == 0) {
            found = decodeEntities(value.toString());
            have = true;
        }
    }
    *end = i < n ? i + 1 : n;
    return found;
}

QString withoutTags(QStringView html)
{
    QString out;
    out.reserve(html.size());
    bool inTag = false;
    for (const QChar c : html) {
        if (c == QLatin1Char('<'))
            inTag = true;
        else if (c == QLatin1Char('>') && inTag)
            inTag = false;
        else if (!inTag)
            out.append(c);
    }
    return out;
}

/// Where a table's addresses are: its separator, the column, whether the first record is a header,
/// and the column of titles (-1 for none).
struct TableShape {
    QChar separator;
    int addressColumn = -1;
    int titleColumn = -1;
    bool header = false;
    int addressCells = 0;
};

/// The shape of @p text as a table with @p separator, or a shape without a column when the text is
/// not such a table: at least two fields in nearly every record, and a column that mostly holds
/// addresses.
TableShape tableShape(const QString &text, QChar separator)
{
    TableShape shape;
    shape.separator = separator;
    // A sample of the first records is enough to tell, and keeps this quick on a large file.
    qsizetype sampleEnd = 0;
    for (int lineCount = 0; lineCount < sampledRecords * 4 && sampleEnd < text.size(); ++lineCount) {
        const qsizetype next = text.indexOf(QLatin1Char('\n'), sampleEnd);
        sampleEnd = next < 0 ? text.size() : next + 1;
    }
    QList<QStringList> records = parseCsv(text.left(sampleEnd), separator);
    records.removeIf([](const QStringList &r) { return r.size() == 1 && r.first().trimmed().isEmpty(); });
    if (records.size() > sampledRecords)
        records.resize(sampledRecords);
    if (records.isEmpty())
        return shape;
    const qsizetype fields = records.first().size();
    if (fields < 2)
        return shape;
    int sameWidth = 0;
    for (const QStringList &r : std::as_const(records))
        sameWidth += r.size() == fields ? 1 : 0;
    if (sameWidth * 10 < int(records.size()) * 9)
        return shape;
    int best = -1;
    int bestCount = 0;
    for (int column = 0; column < fields; ++column) {
        int count = 0;
        for (qsizetype r = 1; r < records.size(); ++r)
            if (column < records[r].size() && looksLikeAddress(records[r][column].trimmed()))
                ++count;
        if (count > bestCount) {
            best = column;
            bestCount = count;
        }
    }
    const QStringList &first = records.first();
    const bool firstIsAddress = best >= 0 && looksLikeAddress(first[best].trimmed());
    const int dataRows = int(records.size()) - 1;
    if (records.size() == 1) {
        // One record: a table only if one field is an address and another is not.
        for (int column = 0; column < fields && best < 0; ++column)
            if (looksLikeAddress(first[column].trimmed()))
                best = column;
        if (best < 0)
            return shape;
        bestCount = 0;
    } else if (best < 0 || bestCount * 2 < dataRows) {
        return shape;
    }
    shape.addressColumn = best;
    shape.addressCells = bestCount + (firstIsAddress || records.size() == 1 ? 1 : 0);
    shape.header = records.size() > 1 && !firstIsAddress;
    if (shape.header) {
        static const QRegularExpression titleNames(QStringLiteral("^(title|name|description|label|text|site name|page title)$"),
                                                   QRegularExpression::CaseInsensitiveOption);
        for (int column = 0; column < fields; ++column)
            if (column != best && titleNames.match(first[column].trimmed()).hasMatch()) {
                shape.titleColumn = column;
                break;
            }
    }
    return shape;
}

TableShape bestTableShape(const QString &text)
{
    TableShape best;
    for (const QChar separator : {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t'), QLatin1Char('|')}) {
        const TableShape shape = tableShape(text, separator);
        if (shape.addressColumn >= 0 && shape.addressCells > best.addressCells)
            best = shape;
    }
    return best;
}

/// A cell as a person typed it: the apostrophe that keeps a spreadsheet from reading a formula is
/// taken away again.
QString cellText(const QString &cell)
{
    QString text = cell.trimmed();
    if (text.size() > 1 && text.startsWith(QLatin1Char('\'')) && QStringLiteral("=+-@").contains(text.at(1)))
        text.remove(0, 1);
    return text;
}

/// Whether a table's text holds a line of nothing but addresses for every line: then it is a plain list.
bool everyLineIsAnAddress(const QString &text)
{
    bool any = false;
    bool all = true;
    forEachLine(text, [&](QStringView line) {
        const QStringView token = line.trimmed();
        if (token.isEmpty())
            return true;
        any = true;
        all = looksLikeAddress(token);
        return all;
    });
    return any && all;
}

} // namespace

bool isNoPage(const QString &address)
{
    return address.trimmed().isEmpty() || noPageKind(address) != NoPage::None;
}

QString formatName(Format format)
{
    switch (format) {
    case Format::Empty:
        return QStringLiteral("empty file");
    case Format::PlainText:
        return QStringLiteral("plain text, one address a line");
    case Format::TextWithAddresses:
        return QStringLiteral("text with addresses inside");
    case Format::Csv:
        return QStringLiteral("CSV table");
    case Format::NetscapeBookmarks:
        return QStringLiteral("bookmarks file");
    case Format::Opml:
        return QStringLiteral("OPML subscriptions");
    }
    return {};
}

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16, QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(bytes);
        if (text.startsWith(QChar(0xfeff)))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Windows-1252 is Latin-1 but for 0x80 to 0x9f, where it has the typographic characters.
    static const char16_t windows1252[32] = {
        0x20ac, 0x81, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8d, 0x017d, 0x8f,
        0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x9d, 0x017e, 0x0178,
    };
    text = QString::fromLatin1(bytes);
    for (QChar &c : text)
        if (c.unicode() >= 0x80 && c.unicode() < 0xa0)
            c = QChar(windows1252[c.unicode() - 0x80]);
    return text;
}

Format detect(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    if (start == text.size())
        return Format::Empty;
    const QString head = text.mid(start, headLength);
    if (head.contains(QLatin1String("<!DOCTYPE NETSCAPE-Bookmark-file"), Qt::CaseInsensitive))
        return Format::NetscapeBookmarks;
    if ((head.startsWith(QLatin1String("<?xml"), Qt::CaseInsensitive) || head.startsWith(QLatin1String("<opml"), Qt::CaseInsensitive)
         || head.startsWith(QLatin1String("<!--")))
        && head.contains(QLatin1String("<opml"), Qt::CaseInsensitive))
        return Format::Opml;
    if (head.startsWith(QLatin1Char('<')) && head.contains(QLatin1String("<DL"), Qt::CaseInsensitive)
        && head.contains(QLatin1String("<A HREF"), Qt::CaseInsensitive))
        return Format::NetscapeBookmarks;
    const TableShape table = bestTableShape(text);
    if (table.addressColumn >= 0) {
        // A list whose addresses hold the separator themselves is still a list, unless a header names it.
        if (table.header || !everyLineIsAnAddress(text))
            return Format::Csv;
        return Format::PlainText;
    }
    if (everyLineIsAnAddress(text))
        return Format::PlainText;
    return Format::TextWithAddresses;
}

ReadResult read(const QByteArray &bytes)
{
    ReadResult result;
    const QString text = decodeText(bytes);
    result.format = detect(text);
    switch (result.format) {
    case Format::Empty:
        break;
    case Format::PlainText:
        result.addresses = readPlainText(text);
        break;
    case Format::TextWithAddresses:
        result.addresses = readTextWithAddresses(text);
        break;
    case Format::Csv:
        result.addresses = readCsv(text);
        break;
    case Format::NetscapeBookmarks:
        result.addresses = readNetscapeBookmarks(text);
        break;
    case Format::Opml:
        result.addresses = readOpml(text, &result.problem);
        break;
    }
    return result;
}

QList<FoundAddress> readPlainText(const QString &text)
{
    QList<FoundAddress> found;
    forEachLine(text, [&](QStringView line) {
        const QStringView address = line.trimmed();
        if (!address.isEmpty())
            found.append({address.toString(), {}});
        return true;
    });
    return found;
}

QList<FoundAddress> readTextWithAddresses(const QString &text)
{
    static const QString trailing = QStringLiteral("?!.,:;*_~'\"");
    QList<FoundAddress> found;
    const qsizetype n = text.size();
    qsizetype i = 0;
    // "://" is looked for first, case-sensitively and so quickly; the scheme before it must be http or https.
    while ((i = text.indexOf(QLatin1String("://"), i)) >= 0) {
        const qsizetype after = i;
        i += 3;
        const QStringView view(text);
        qsizetype start = -1;
        if (after >= 5 && view.mid(after - 5, 5).compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
            start = after - 5;
        else if (after >= 4 && view.mid(after - 4, 4).compare(QLatin1String("http"), Qt::CaseInsensitive) == 0)
            start = after - 4;
        if (start < 0 || (start > 0 && (text.at(start - 1).isLetterOrNumber() || text.at(start - 1) == QLatin1Char('_'))))
            continue;
        qsizetype end = after + 3;
        while (end < n) {
            const QChar c = text.at(end);
            if (c.unicode() <= 0x20 || c.isSpace() || c == QChar(0x7f) || c == QLatin1Char('<') || c == QLatin1Char('>')
                || c == QLatin1Char('"') || c == QLatin1Char('`'))
                break;
            ++end;
        }
        QString address = text.mid(start, end - start);
        // Punctuation that ends a sentence or closes a bracket opened before the address is not part of it.
        for (bool trimmed = true; trimmed && !address.isEmpty();) {
            trimmed = false;
            const QChar last = address.back();
            if (trailing.contains(last)) {
                address.chop(1);
                trimmed = true;
            } else {
                static const QString closers = QStringLiteral(")]}");
                static const QString openers = QStringLiteral("([{");
                const qsizetype which = closers.indexOf(last);
                if (which >= 0 && address.count(closers.at(which)) > address.count(openers.at(which))) {
                    address.chop(1);
                    trimmed = true;
                }
            }
        }
        i = end;
        const qsizetype schemeLength = after + 3 - start;
        if (address.size() <= schemeLength || !(address.at(schemeLength).isLetterOrNumber() || address.at(schemeLength) == QLatin1Char('[')))
            continue;
        QString title;
        // A Markdown link: [its text](address).
        if (start >= 2 && text.at(start - 1) == QLatin1Char('(') && text.at(start - 2) == QLatin1Char(']')) {
            const qsizetype open = text.lastIndexOf(QLatin1Char('['), start - 2);
            if (open >= 0 && start - 2 - open <= 500 && !text.mid(open, start - 2 - open).contains(QLatin1Char('\n')))
                title = text.mid(open + 1, start - 3 - open).trimmed();
        }
        found.append({address, title});
    }
    return found;
}

/// Calls @p each with the fields of every record of @p text in turn, so that a large table is never
/// held as a whole.
template <class Each> static void forEachCsvRecord(QStringView view, QChar separator, Each each)
{
    QStringList record;
    QString field;
    bool fieldStarted = false;
    const qsizetype n = view.size();
    auto endRecord = [&] {
        record.append(field);
        each(record);
        record.clear();
        field.clear();
        fieldStarted = false;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = view[i];
        if (c == u'"' && !fieldStarted) {
            // A quoted field: up to the quote that is not doubled, line breaks and separators included.
            fieldStarted = true;
            ++i;
            while (i < n) {
                const qsizetype quote = view.indexOf(u'"', i);
                if (quote < 0) {
                    field.append(view.mid(i));
                    i = n;
                    break;
                }
                field.append(view.mid(i, quote - i));
                if (quote + 1 < n && view[quote + 1] == u'"') {
                    field.append(u'"');
                    i = quote + 2;
                } else {
                    i = quote + 1;
                    break;
                }
            }
        } else if (c == separator) {
            record.append(field);
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            i += c == u'\r' && i + 1 < n && view[i + 1] == u'\n' ? 2 : 1;
            endRecord();
        } else {
            qsizetype end = i + 1;
            while (end < n && view[end] != separator && view[end] != u'\r' && view[end] != u'\n')
                ++end;
            field.append(view.mid(i, end - i));
            fieldStarted = true;
            i = end;
        }
    }
    if (fieldStarted || !field.isEmpty() || !record.isEmpty())
        endRecord();
}

QList<QStringList> parseCsv(const QString &text, QChar separator)
{
    QList<QStringList> records;
    forEachCsvRecord(text, separator, [&](const QStringList &record) { records.append(record); });
    return records;
}

QList<FoundAddress> readCsv(const QString &text)
{
    QList<FoundAddress> found;
    const TableShape shape = bestTableShape(text);
    if (shape.addressColumn < 0)
        return found;
    bool first = true;
    forEachCsvRecord(text, shape.separator, [&](const QStringList &record) {
        if (record.size() == 1 && record.first().trimmed().isEmpty())
            return; // a blank line, before the header or between records
        const bool header = first && shape.header;
        first = false;
        if (header || shape.addressColumn >= record.size())
            return;
        const QString address = cellText(record.at(shape.addressColumn));
        if (address.isEmpty())
            return;
        const QString title = shape.titleColumn >= 0 && shape.titleColumn < record.size() ? cellText(record.at(shape.titleColumn)) : QString();
        found.append({address, title});
    });
    return found;
}

QList<FoundAddress> readNetscapeBookmarks(const QString &text)
{
    QList<FoundAddress> found;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('<'), i)) >= 0) {
        if (QStringView(text).mid(i, 4) == QLatin1String("<!--")) {
            const qsizetype close = text.indexOf(QLatin1String("-->"), i + 4);
            i = close < 0 ? n : close + 3;
            continue;
        }
        const bool anchor = i + 2 < n && (text.at(i + 1) == QLatin1Char('a') || text.at(i + 1) == QLatin1Char('A'))
            && text.at(i + 2).isSpace();
        if (!anchor) {
            ++i;
            continue;
        }
        qsizetype tagEnd = n;
        const QString address = tagAttribute(text, i + 2, QLatin1String("href"), &tagEnd).trimmed();
        qsizetype close = text.indexOf(QLatin1String("</a"), tagEnd, Qt::CaseInsensitive);
        // A bookmark whose end tag is missing ends where the next entry starts.
        const qsizetype nextEntry = text.indexOf(QLatin1String("<DT"), tagEnd, Qt::CaseInsensitive);
        if (close < 0 || (nextEntry >= 0 && nextEntry < close))
            close = nextEntry < 0 ? n : nextEntry;
        const QString title = decodeEntities(withoutTags(QStringView(text).mid(tagEnd, close - tagEnd))).simplified();
        i = close;
        if (isNoPage(address))
            continue;
        found.append({address, title});
    }
    return found;
}

QList<FoundAddress> readOpml(const QString &text, QString *problem)
{
    QList<FoundAddress> found;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement
            || xml.name().compare(QLatin1String("outline"), Qt::CaseInsensitive) != 0)
            continue;
        QString site, feed, link, title, label;
        for (const QXmlStreamAttribute &attribute : xml.attributes()) {
            const QString value = attribute.value().toString().trimmed();
            const auto name = attribute.name();
            if (name.compare(QLatin1String("htmlUrl"), Qt::CaseInsensitive) == 0)
                site = value;
            else if (name.compare(QLatin1String("xmlUrl"), Qt::CaseInsensitive) == 0)
                feed = value;
            else if (name.compare(QLatin1String("url"), Qt::CaseInsensitive) == 0)
                link = value;
            else if (name.compare(QLatin1String("title"), Qt::CaseInsensitive) == 0)
                title = value;
            else if (name.compare(QLatin1String("text"), Qt::CaseInsensitive) == 0)
                label = value;
        }
        const QString address = !site.isEmpty() ? site : !feed.isEmpty() ? feed : link;
        if (address.isEmpty() || isNoPage(address))
            continue;
        found.append({address, (title.isEmpty() ? label : title).simplified()});
    }
    if (xml.hasError() && problem)
        *problem = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    return found;
}

QByteArray writePlainText(const QStringList &addresses, QStringList *changed)
{
    QByteArray bytes;
    for (const QString &entry : addresses) {
        QString address = entry;
        address.replace(QLatin1Char('\r'), QLatin1String("%0D"));
        address.replace(QLatin1Char('\n'), QLatin1String("%0A"));
        if (changed && address.size() != entry.size())
            changed->append(entry);
        // The entry's own bytes, also those that are not UTF-8: a text file may hold any.
        NarrowText::encodeInto(address, bytes);
        bytes += '\n';
    }
    return bytes;
}

QString withBytesPercentEncoded(const QString &entry)
{
    QString out;
    for (const QChar c : entry) {
        // The code points NarrowText gives the bytes that are not UTF-8.
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            out += QLatin1Char('%') + QString::number(c.unicode() - 0xDC00, 16).toUpper();
        else
            out += c;
    }
    return out;
}

namespace {

QString escapeHtml(const QString &text)
{
    QString out = text.toHtmlEscaped();
    // Line breaks inside an entry would break the one-bookmark-a-line form other browsers expect.
    out.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    out.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    return out;
}

QByteArray csvField(const QString &text)
{
    QString value = text;
    if (!value.isEmpty() && QStringLiteral("=+-@\t\r").contains(value.at(0)))
        value.prepend(QLatin1Char('\''));
    QByteArray bytes = NarrowText::encode(value);
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r') || bytes.contains(';')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

} // namespace

QByteArray writeNetscapeBookmarks(const QList<FoundAddress> &addresses, const QString &folderTitle, qint64 addDate,
                                  QStringList *changed)
{
    const QByteArray date = addDate > 0 ? " ADD_DATE=\"" + QByteArray::number(addDate) + '"' : QByteArray();
    QByteArray bytes = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                       "<!-- This is an automatically generated file.\n"
                       "     It will be read and overwritten.\n"
                       "     DO NOT EDIT! -->\n"
                       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                       "<TITLE>Bookmarks</TITLE>\n"
                       "<H1>Bookmarks</H1>\n"
                       "<DL><p>\n";
    bytes += "    <DT><H3" + date + '>' + escapeHtml(folderTitle).toUtf8() + "</H3>\n    <DL><p>\n";
    for (const FoundAddress &entry : addresses) {
        // The file is UTF-8 (its META says so): bytes of an entry that are not go in percent-encoded.
        const QString address = withBytesPercentEncoded(entry.address);
        if (changed && address != entry.address)
            changed->append(entry.address);
        const QString title = entry.title.isEmpty() ? address : withBytesPercentEncoded(entry.title);
        bytes += "        <DT><A HREF=\"" + escapeHtml(address).toUtf8() + '"' + date + '>'
            + escapeHtml(title).toUtf8() + "</A>\n";
    }
    bytes += "    </DL><p>\n</DL><p>\n";
    return bytes;
}

QByteArray writeCsv(const QList<CsvRow> &rows)
{
    QByteArray bytes = "address,title,verdict,status,reason\r\n";
    for (const CsvRow &row : rows) {
        bytes += csvField(row.address) + ',' + csvField(row.title) + ',' + csvField(row.verdict) + ','
            + (row.status ? QByteArray::number(row.status) : QByteArray()) + ',' + csvField(row.reason) + "\r\n";
    }
    return bytes;
}

QString comparisonKey(const QString &address)
{
    const QString text = address.trimmed();
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return text;
    url = url.adjusted(QUrl::RemoveFragment);
    const QString scheme = url.scheme();
    if ((scheme == QLatin1String("http") && url.port() == 80) || (scheme == QLatin1String("https") && url.port() == 443))
        url.setPort(-1);
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https")) && url.path().isEmpty())
        url.setPath(QStringLiteral("/"));
    return url.toString(QUrl::FullyEncoded);
}

ImportSummary summarizeImport(const QList<FoundAddress> &found, const QStringList &list)
{
    QSet<QString> inList;
    inList.reserve(list.size());
    for (const QString &entry : list)
        inList.insert(comparisonKey(entry));
    QSet<QString> seen;
    seen.reserve(found.size());
    ImportSummary summary;
    summary.found = int(found.size());
    for (const FoundAddress &entry : found) {
        const QString key = comparisonKey(entry.address);
        if (seen.contains(key)) {
            ++summary.repeats;
            continue;
        }
        seen.insert(key);
        if (inList.contains(key))
            ++summary.alreadyInList;
    }
    return summary;
}

QString summaryText(const ImportSummary &summary)
{
    if (summary.found == 0)
        return QStringLiteral("No addresses found");
    const QLocale english(QLocale::English);
    QString text = summary.found == 1 ? QStringLiteral("1 address found")
                                      : QStringLiteral("%1 addresses found").arg(english.toString(summary.found));
    if (summary.alreadyInList > 0)
        text += QStringLiteral(", %1 already in the list").arg(english.toString(summary.alreadyInList));
    if (summary.repeats > 0)
        text += summary.repeats == 1 ? QStringLiteral(", 1 repeat")
                                     : QStringLiteral(", %1 repeats").arg(english.toString(summary.repeats));
    return text;
}

} // namespace ListFormats
