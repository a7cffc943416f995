#include "listformats/listformats.h"

#include "store/addresstoload.h"
#include "store/narrowtext.h"

#include <QByteArrayView>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>

namespace ListFormats {

namespace {

/// How much of a file's start its kind is told from.
constexpr qsizetype headLength = 4096;
/// How many records of a table are looked at to find its separator and its column of addresses.
constexpr int sampledRecords = 50;
/// How many non-empty lines may stand above a column of addresses (a heading, a title) for the file
/// to be read as a column of addresses still.
constexpr int headingLines = 3;

/// Tells a read's progress function how far it has come, every so many characters, and remembers
/// that it asked to stop. Without a function it only answers "go on".
class Reporter {
public:
    Reporter() = default;
    Reporter(const Progress &progress, qint64 total)
        : m_progress(progress ? &progress : nullptr)
        , m_total(total)
    {
    }
    /// At @p done (counted from the base) of the work; false once the read is to stop. A reader
    /// that goes back to read a stretch again (a quote found open) is told as it goes on again.
    bool at(qint64 done)
    {
        if (m_progress && !m_stopped && (done >= m_mark + step || done + step < m_mark)) {
            m_mark = done;
            tell(m_base + done);
        }
        return !m_stopped;
    }
    /// Later positions are counted from @p base on: the reading, after the recognising.
    void setBase(qint64 base)
    {
        m_base = base;
        m_mark = 0;
    }
    void finish()
    {
        if (m_progress && !m_stopped)
            tell(m_total);
    }
    bool stopped() const { return m_stopped; }

private:
    static constexpr qint64 step = 16 * 1024;
    void tell(qint64 done)
    {
        m_last = std::max(m_last, std::min(done, m_total));
        m_stopped = !(*m_progress)(m_last, m_total);
    }
    const Progress *m_progress = nullptr;
    qint64 m_total = 0;
    qint64 m_base = 0;
    qint64 m_mark = 0;
    qint64 m_last = 0;
    bool m_stopped = false;
};

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
    // The usual case, a scheme, is told without the expressions: a letter, then letters, digits,
    // '+', '.' or '-', then ':' and something after it.
    const auto schemeChar = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'.' || c == u'-';
    };
    const QChar first = token.front();
    if ((first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z')) {
        qsizetype i = 1;
        while (i < token.size() && schemeChar(token[i]))
            ++i;
        if (i + 1 < token.size() && token[i] == u':')
            return true;
    }
    return withScheme.match(token).hasMatch() || hostName.match(token).hasMatch();
}

/// "line 3", "lines 3 and 7", "lines 3, 7, 9, 12, 15 and 40 more".
QString linesText(const QList<qsizetype> &lines)
{
    if (lines.size() == 1)
        return QStringLiteral("line %1").arg(lines.first());
    constexpr qsizetype named = 5;
    QStringList numbers;
    for (qsizetype i = 0; i < lines.size() && i < named; ++i)
        numbers.append(QString::number(lines[i]));
    if (lines.size() > named)
        return QStringLiteral("lines %1 and %2 more").arg(numbers.join(QStringLiteral(", "))).arg(lines.size() - named);
    const QString last = numbers.takeLast();
    return QStringLiteral("lines %1 and %2").arg(numbers.join(QStringLiteral(", ")), last);
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

/// A line as a remark quotes it: in quotes, cut short when long.
QString quotedLine(QStringView line)
{
    constexpr qsizetype longest = 60;
    const QString text = line.size() > longest ? line.left(longest).toString() + QChar(0x2026) : line.toString();
    return u'"' + text + u'"';
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
    // An entity is at most this long, & and ; included: the ; is looked for no further.
    constexpr qsizetype longestEntity = 13;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out.append(c);
            continue;
        }
        qsizetype semicolon = -1;
        for (qsizetype j = i + 1; j < n && j < i + longestEntity; ++j)
            if (text.at(j) == QLatin1Char(';')) {
                semicolon = j;
                break;
            }
        if (semicolon < 0) {
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

/// Whether the tag at @p at ('<') is named @p name (lower case, with its / for an end tag).
bool tagIs(QStringView text, qsizetype at, QLatin1String name)
{
    const qsizetype after = at + 1 + name.size();
    if (after > text.size() || text.mid(at + 1, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    return after == text.size() || !text[after].isLetterOrNumber();
}

/// Where the text of an anchor whose start tag ends at @p from ends: at its </a>, or, where that is
/// missing, where the next anchor, entry or list starts (a heading, a paragraph or a box may stand
/// inside an anchor on a page, an entry or a list may not). It looks no further than that, so that a
/// file of anchors without end tags (or with <LI> for <DT>) is read in one pass.
qsizetype anchorTextEnd(QStringView text, qsizetype from)
{
    static const QLatin1String ends[] = {
        QLatin1String("/a"),  QLatin1String("a"),   QLatin1String("dt"),  QLatin1String("/dt"), QLatin1String("dd"),
        QLatin1String("/dd"), QLatin1String("li"),  QLatin1String("/li"), QLatin1String("dl"),  QLatin1String("/dl"),
        QLatin1String("ul"),  QLatin1String("/ul"), QLatin1String("ol"),  QLatin1String("/ol"), QLatin1String("hr"),
        QLatin1String("/body"), QLatin1String("/html"),
    };
    for (qsizetype i = text.indexOf(u'<', from); i >= 0; i = text.indexOf(u'<', i + 1))
        for (const QLatin1String &name : ends)
            if (tagIs(text, i, name))
                return i;
    return text.size();
}

/// Where the first element of a markup text starts, after blanks, the XML declaration, processing
/// instructions, comments and a doctype, however long; -1 where the text is no markup. @p doctype is
/// set to the doctype's text ("<!DOCTYPE ...").
qsizetype firstElement(QStringView text, QStringView *doctype)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (true) {
        while (i < n && text[i].isSpace())
            ++i;
        if (i >= n || text[i] != u'<')
            return -1;
        qsizetype close = -1;
        if (text.mid(i, 2) == QLatin1String("<?")) {
            close = text.indexOf(QLatin1String("?>"), i + 2);
            close = close < 0 ? -1 : close + 2;
        } else if (text.mid(i, 4) == QLatin1String("<!--")) {
            close = text.indexOf(QLatin1String("-->"), i + 4);
            close = close < 0 ? -1 : close + 3;
        } else if (text.mid(i, 2) == QLatin1String("<!")) {
            close = text.indexOf(u'>', i + 2);
            close = close < 0 ? -1 : close + 1;
            if (close > 0 && doctype)
                *doctype = text.mid(i, close - i);
        } else {
            return i;
        }
        if (close < 0)
            return -1;
        i = close;
    }
}

/// Where a table's addresses are: its separator, its width, the column, whether the first record is
/// a header, and the column of titles (-1 for none).
struct TableShape {
    QChar separator;
    /// The fields of a record as the table's header (or nearly all its records) has them; a record
    /// with more has separators inside a cell that nobody quoted.
    qsizetype fields = 0;
    int addressColumn = -1;
    int titleColumn = -1;
    bool header = false;
    int addressCells = 0;
};

/// The fields of one line alone as a table's record: quotes count within the line only.
QStringList lineFields(QStringView line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"' && (quoted || field.isEmpty())) {
            if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                field.append(u'"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            fields.append(field);
            field.clear();
        } else {
            field.append(c);
        }
    }
    fields.append(field);
    return fields;
}

/// The field of @p record that holds its address, in a table whose addresses are in @p column of
/// @p fields: that column, or, where separators nobody quoted split a cell before it, up to as many
/// fields further on as the record has fields too many. -1 when none of them looks like an address.
qsizetype addressField(const QStringList &record, qsizetype column, qsizetype fields)
{
    if (column >= record.size())
        return -1;
    const qsizetype extra = std::max<qsizetype>(0, record.size() - fields);
    for (qsizetype at = column; at <= column + extra && at < record.size(); ++at)
        if (looksLikeAddress(QStringView(record[at]).trimmed()))
            return at;
    return -1;
}

/// Calls @p each(record, line) with the fields of every record of @p view in turn and the line it
/// starts on (from 1), so that a large table is never held as a whole. A quoted field may hold line
/// breaks; but where no quote closes it, where the quote that does is not followed by a separator or
/// a line's end (it opens a later field), or where more than two of the lines inside are, by
/// @p startsRecord, records of their own, the quote is one that is never closed: the field is read
/// as it stands to the end of its line, as spreadsheets do, and @p unclosed is told the line. Once a
/// quote was found open at the end, every quoted field ends with its line, so that a file of such
/// quotes is read in one pass too.
template <class Each, class StartsRecord, class Unclosed>
void forEachCsvRecord(QStringView view, QChar separator, Each each, StartsRecord startsRecord, Unclosed unclosed, Reporter &reporter)
{
    QStringList record;
    QString field;
    bool fieldStarted = false;
    const qsizetype n = view.size();
    qsizetype line = 1;
    qsizetype recordLine = 1;
    bool quotesCloseNowhere = false;
    auto endRecord = [&] {
        record.append(field);
        each(record, recordLine);
        record.clear();
        field.clear();
        fieldStarted = false;
        recordLine = line;
    };
    auto lineAfter = [&](qsizetype breakAt) {
        const qsizetype start = breakAt + (view[breakAt] == u'\r' && breakAt + 1 < n && view[breakAt + 1] == u'\n' ? 2 : 1);
        qsizetype end = start;
        while (end < n && view[end] != u'\r' && view[end] != u'\n')
            ++end;
        return std::pair{start, view.mid(start, end - start)};
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = view[i];
        if (c == u'"' && !fieldStarted) {
            // A quoted field: up to the quote that is not doubled, line breaks and separators included.
            const qsizetype quoteAt = i;
            const qsizetype quoteLine = line;
            fieldStarted = true;
            ++i;
            bool notClosed = false;
            bool closed = false;
            bool closedWell = false;
            qsizetype breaks = 0;
            qsizetype recordsInside = 0;
            while (i < n) {
                qsizetype stop = i;
                while (stop < n && view[stop] != u'"' && view[stop] != u'\r' && view[stop] != u'\n')
                    ++stop;
                field.append(view.mid(i, stop - i));
                if (stop >= n) {
                    i = n;
                    break;
                }
                if (view[stop] == u'"') {
                    if (stop + 1 < n && view[stop + 1] == u'"') {
                        field.append(u'"');
                        i = stop + 2;
                        continue;
                    }
                    i = stop + 1;
                    closed = true;
                    closedWell = i >= n || view[i] == separator || view[i] == u'\r' || view[i] == u'\n';
                    break;
                }
                if (quotesCloseNowhere) {
                    notClosed = true;
                    break;
                }
                const auto [next, nextLine] = lineAfter(stop);
                if (startsRecord(nextLine))
                    ++recordsInside;
                field.append(view.mid(stop, next - stop));
                ++breaks;
                i = next;
                if (!reporter.at(i))
                    return;
            }
            // Over lines, a field is one only when its quote closes as a field's does, before a
            // separator or a line's end, and the lines inside are not the table's own records; a
            // quote that closes nowhere makes every later quoted field end with its line.
            constexpr qsizetype recordsANoteMayHold = 2;
            if (breaks > 0 && !notClosed && (!closedWell || recordsInside > recordsANoteMayHold)) {
                notClosed = true;
                quotesCloseNowhere = quotesCloseNowhere || !closed;
            }
            if (notClosed) {
                // Read again from just after the quote, as unquoted text.
                field.clear();
                i = quoteAt + 1;
                unclosed(quoteLine);
            } else {
                line += breaks;
            }
        } else if (c == separator) {
            record.append(field);
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            i += c == u'\r' && i + 1 < n && view[i + 1] == u'\n' ? 2 : 1;
            ++line;
            endRecord();
            if (!reporter.at(i))
                return;
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

bool isBlankRecord(const QStringList &record)
{
    return std::all_of(record.begin(), record.end(), [](const QString &cell) { return QStringView(cell).trimmed().isEmpty(); });
}

/// The shape of @p text as a table with @p separator, or a shape without a column when the text is
/// not such a table: at least two fields in nearly every record, and a column that mostly holds
/// addresses.
TableShape tableShape(const QString &text, QChar separator)
{
    TableShape shape;
    shape.separator = separator;
    // A sample of the first records is enough to tell, and keeps this quick on a large file.
    const QStringView view(text);
    qsizetype sampleEnd = 0;
    for (int lineCount = 0; lineCount < sampledRecords * 4 && sampleEnd < view.size(); ++lineCount) {
        while (sampleEnd < view.size() && view[sampleEnd] != u'\n' && view[sampleEnd] != u'\r')
            ++sampleEnd;
        ++sampleEnd;
    }
    sampleEnd = std::min(sampleEnd, view.size());
    QList<QStringList> records;
    Reporter none;
    // A line that holds an address beside another field starts a record: a quote before it was never closed.
    const auto startsRecord = [separator](QStringView line) {
        const QStringList fields = lineFields(line, separator);
        return fields.size() > 1
            && std::any_of(fields.begin(), fields.end(), [](const QString &f) { return looksLikeAddress(QStringView(f).trimmed()); });
    };
    forEachCsvRecord(
        view.left(sampleEnd), separator, [&](const QStringList &record, qsizetype) { records.append(record); }, startsRecord,
        [](qsizetype) {}, none);
    records.removeIf(isBlankRecord);
    if (records.size() > sampledRecords)
        records.resize(sampledRecords);
    if (records.isEmpty())
        return shape;
    // The width of nine records in ten: a cell split by a separator that nobody quoted makes a
    // record wider, never narrower.
    QList<qsizetype> widths;
    for (const QStringList &r : std::as_const(records))
        widths.append(r.size());
    std::sort(widths.begin(), widths.end());
    const qsizetype wideEnough = (widths.size() * 9 + 9) / 10;
    // A header that names a column of addresses says the file is a table, however many of its rows
    // lack their last cells.
    static const QRegularExpression addressNames(
        QStringLiteral("^(url|urls|uri|address|web address|link|links|href|website|web site|homepage|adresse|lien|enlace)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QStringList &head = records.first();
    const bool namedHeader = head.size() > 1 && std::any_of(head.begin(), head.end(), [](const QString &cell) {
        return addressNames.match(QStringView(cell).trimmed()).hasMatch();
    });
    const qsizetype fields = namedHeader ? head.size() : std::min(head.size(), widths[widths.size() - wideEnough]);
    if (fields < 2)
        return shape;
    shape.fields = fields;
    int best = -1;
    int bestCount = 0;
    QList<int> counts(fields, 0);
    for (qsizetype r = 1; r < records.size(); ++r) {
        const QStringList &record = records[r];
        // Where the next field that looks like an address is, from each field on.
        QList<qsizetype> nextAddress(record.size() + 1, -1);
        for (qsizetype f = record.size() - 1; f >= 0; --f)
            nextAddress[f] = looksLikeAddress(QStringView(record[f]).trimmed()) ? f : nextAddress[f + 1];
        const qsizetype extra = std::max<qsizetype>(0, record.size() - fields);
        for (qsizetype column = 0; column < fields && column < record.size(); ++column)
            if (nextAddress[column] >= 0 && nextAddress[column] <= column + extra)
                ++counts[column];
    }
    for (int column = 0; column < fields; ++column)
        if (counts[column] > bestCount) {
            best = column;
            bestCount = counts[column];
        }
    const QStringList &first = records.first();
    const bool firstIsAddress = best >= 0 && addressField(first, best, fields) >= 0;
    const int dataRows = int(records.size()) - 1;
    if (records.size() == 1) {
        // One record: a table only if one field is an address and another is not.
        for (int column = 0; column < fields && best < 0; ++column)
            if (looksLikeAddress(QStringView(first[column]).trimmed()))
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

/// Whether every non-empty line of @p text is one address; with @p heading, the first few lines may
/// be no address (a heading, a title line) when addresses follow them.
bool isAddressColumn(const QString &text, bool heading, Reporter &reporter)
{
    int addresses = 0;
    int others = 0;
    bool all = true;
    forEachLine(text, [&](QStringView line) {
        const QStringView token = line.trimmed();
        if (token.isEmpty())
            return reporter.at(line.data() - text.data());
        if (looksLikeAddress(token))
            ++addresses;
        else if (heading && addresses == 0 && others < headingLines && !token.contains(QLatin1String("://")))
            ++others;
        else
            all = false;
        return all && reporter.at(line.data() - text.data());
    });
    return all && addresses > 0;
}

Format detectFormat(const QString &text, Reporter &reporter)
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
    // A declaration, comments or a doctype of any length may stand before the first element.
    QStringView doctype;
    const qsizetype element = firstElement(QStringView(text).mid(start), &doctype);
    if (doctype.startsWith(QLatin1String("<!DOCTYPE NETSCAPE-Bookmark-file"), Qt::CaseInsensitive))
        return Format::NetscapeBookmarks;
    if (element >= 0 && tagIs(QStringView(text).mid(start), element, QLatin1String("opml")))
        return Format::Opml;
    if (head.startsWith(QLatin1Char('<')) && head.contains(QLatin1String("<DL"), Qt::CaseInsensitive)
        && head.contains(QLatin1String("<A HREF"), Qt::CaseInsensitive))
        return Format::NetscapeBookmarks;
    const TableShape table = bestTableShape(text);
    if (table.addressColumn >= 0) {
        // A list whose addresses hold the separator themselves is still a list, unless a header names it.
        if (table.header || !isAddressColumn(text, false, reporter))
            return Format::Csv;
        return Format::PlainText;
    }
    if (isAddressColumn(text, true, reporter))
        return Format::PlainText;
    return Format::TextWithAddresses;
}

QList<FoundAddress> plainTextAddresses(const QString &text, QStringList *remarks, Reporter &reporter)
{
    QList<FoundAddress> found;
    QList<qsizetype> leftOut;
    QStringList leftOutText;
    qsizetype number = 0;
    forEachLine(text, [&](QStringView line) {
        ++number;
        const QStringView address = line.trimmed();
        if (address.isEmpty())
            return reporter.at(line.data() - text.data());
        if (looksLikeAddress(address)) {
            found.append({address.toString(), {}});
        } else {
            leftOut.append(number);
            if (leftOutText.size() < 3)
                leftOutText.append(quotedLine(address));
        }
        return reporter.at(line.data() - text.data());
    });
    if (remarks && !leftOut.isEmpty()) {
        QString quoted = leftOutText.join(QStringLiteral(", "));
        if (leftOut.size() > leftOutText.size())
            quoted += QStringLiteral(", ") + QChar(0x2026);
        remarks->append(QStringLiteral("Left out %1, %2: %3")
                            .arg(linesText(leftOut), leftOut.size() == 1 ? QStringLiteral("no address") : QStringLiteral("no addresses"),
                                 quoted));
    }
    return found;
}

QList<FoundAddress> textAddresses(const QString &text, Reporter &reporter)
{
    static const QString trailing = QStringLiteral("?!.,:;*_~'\"");
    static const QString closers = QStringLiteral(")]}");
    // How far before an address a Markdown link's [ is looked for.
    constexpr qsizetype longestLinkText = 500;
    QList<FoundAddress> found;
    const qsizetype n = text.size();
    qsizetype i = 0;
    // "://" is looked for first, case-sensitively and so quickly; the scheme before it must be http or https.
    while ((i = text.indexOf(QLatin1String("://"), i)) >= 0) {
        if (!reporter.at(i))
            break;
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
        // The brackets inside the address, counted once: a closing one at its end belongs to it only
        // when one was opened inside.
        qsizetype opened[3] = {0, 0, 0};
        qsizetype closed[3] = {0, 0, 0};
        while (end < n) {
            const QChar c = text.at(end);
            if (c.unicode() <= 0x20 || c.isSpace() || c == QChar(0x7f) || c == QLatin1Char('<') || c == QLatin1Char('>')
                || c == QLatin1Char('"') || c == QLatin1Char('`'))
                break;
            switch (c.unicode()) {
            case u'(': ++opened[0]; break;
            case u'[': ++opened[1]; break;
            case u'{': ++opened[2]; break;
            case u')': ++closed[0]; break;
            case u']': ++closed[1]; break;
            case u'}': ++closed[2]; break;
            default: break;
            }
            ++end;
            if ((end & 0xffff) == 0 && !reporter.at(end))
                return found;
        }
        // Punctuation that ends a sentence or closes a bracket opened before the address is not part of it.
        qsizetype length = end - start;
        for (bool trimmed = true; trimmed && length > 0;) {
            trimmed = false;
            const QChar last = text.at(start + length - 1);
            if (trailing.contains(last)) {
                --length;
                trimmed = true;
            } else if (const qsizetype which = closers.indexOf(last); which >= 0 && closed[which] > opened[which]) {
                --closed[which];
                --length;
                trimmed = true;
            }
        }
        i = end;
        const qsizetype schemeLength = after + 3 - start;
        if (length <= schemeLength
            || !(text.at(start + schemeLength).isLetterOrNumber() || text.at(start + schemeLength) == QLatin1Char('[')))
            continue;
        QString title;
        // A Markdown link: [its text](address), on one line.
        if (start >= 2 && text.at(start - 1) == QLatin1Char('(') && text.at(start - 2) == QLatin1Char(']')) {
            for (qsizetype open = start - 3; open >= 0 && start - 2 - open <= longestLinkText; --open) {
                const QChar c = text.at(open);
                if (c == QLatin1Char('\n'))
                    break;
                if (c == QLatin1Char('[')) {
                    title = text.mid(open + 1, start - 3 - open).trimmed();
                    break;
                }
            }
        }
        found.append({text.mid(start, length), title});
    }
    return found;
}

QList<FoundAddress> csvAddresses(const QString &text, QStringList *remarks, Reporter &reporter)
{
    QList<FoundAddress> found;
    const TableShape shape = bestTableShape(text);
    if (shape.addressColumn < 0)
        return found;
    const QChar separator = shape.separator;
    const qsizetype column = shape.addressColumn;
    QList<qsizetype> unclosedLines;
    QList<qsizetype> withoutAddress;
    bool first = true;
    // After a quote that is not closed, the next line is a record of the table: wide enough, with an
    // address where the table has them.
    const auto startsRecord = [&](QStringView line) {
        const QStringList fields = lineFields(line, separator);
        return fields.size() >= shape.fields && addressField(fields, column, shape.fields) >= 0;
    };
    const auto each = [&](const QStringList &record, qsizetype line) {
        if (isBlankRecord(record))
            return; // a blank line, before the header or between records
        const bool header = first && shape.header;
        first = false;
        if (header)
            return;
        const qsizetype extra = std::max<qsizetype>(0, record.size() - shape.fields);
        qsizetype at = addressField(record, column, shape.fields);
        if (at < 0 && extra == 0 && column < record.size()) {
            // One word that is no address by its looks (an intranet's host, say) is kept as the
            // person wrote it; words with blanks between them are no address.
            const QString cell = cellText(record.at(column));
            if (!cell.isEmpty() && std::none_of(cell.begin(), cell.end(), [](QChar c) { return c.isSpace(); }))
                at = column;
        }
        if (at < 0) {
            withoutAddress.append(line);
            return;
        }
        QString title;
        if (shape.titleColumn >= 0) {
            // A title split by separators takes its parts back: those before the address when it
            // stands before the address, those at the end when it is the last column.
            const qsizetype shift = at - column;
            qsizetype from = shape.titleColumn;
            qsizetype to = from;
            if (from < column) {
                to = from + shift;
            } else {
                from += shift;
                to = from + (from - shift == shape.fields - 1 ? extra - shift : 0);
            }
            if (from == to && from < record.size()) {
                title = cellText(record.at(from));
            } else {
                QStringList parts;
                for (qsizetype f = from; f <= to && f < record.size(); ++f)
                    parts.append(record.at(f));
                title = cellText(parts.join(separator));
            }
        }
        found.append({cellText(record.at(at)), title});
    };
    const auto unclosed = [&](qsizetype line) {
        if (unclosedLines.isEmpty() || unclosedLines.last() != line)
            unclosedLines.append(line);
    };
    forEachCsvRecord(text, separator, each, startsRecord, unclosed, reporter);
    if (remarks && !unclosedLines.isEmpty())
        remarks->append(unclosedLines.size() == 1
                            ? QStringLiteral("%1 has a quote that is not closed: it is read to the end of its line")
                                  .arg(capitalized(linesText(unclosedLines)))
                            : QStringLiteral("%1 have quotes that are not closed: each is read to the end of its line")
                                  .arg(capitalized(linesText(unclosedLines))));
    if (remarks && !withoutAddress.isEmpty())
        remarks->append(QStringLiteral("Left out %1: %2")
                            .arg(linesText(withoutAddress), withoutAddress.size() == 1 ? QStringLiteral("a row without an address")
                                                                                        : QStringLiteral("rows without an address")));
    return found;
}

QList<FoundAddress> bookmarkAddresses(const QString &text, Reporter &reporter)
{
    QList<FoundAddress> found;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while ((i = text.indexOf(QLatin1Char('<'), i)) >= 0) {
        if (!reporter.at(i))
            break;
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
        const qsizetype close = anchorTextEnd(text, tagEnd);
        const QString title = decodeEntities(withoutTags(QStringView(text).mid(tagEnd, close - tagEnd))).simplified();
        i = close;
        if (isNoPage(address))
            continue;
        found.append({address, title});
    }
    return found;
}

QList<FoundAddress> opmlAddresses(const QString &text, QString *problem, Reporter &reporter)
{
    QList<FoundAddress> found;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement
            || xml.name().compare(QLatin1String("outline"), Qt::CaseInsensitive) != 0)
            continue;
        if (!reporter.at(xml.characterOffset()))
            break;
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

/// Appends @p bytes read as Windows-1252: Latin-1 but for 0x80 to 0x9f, where it has the typographic characters.
void appendWindows1252(QString &out, QByteArrayView bytes)
{
    static const char16_t windows1252[32] = {
        0x20ac, 0x81, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8d, 0x017d, 0x8f,
        0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x9d, 0x017e, 0x0178,
    };
    for (const char byte : bytes) {
        const uchar c = uchar(byte);
        out.append(c >= 0x80 && c < 0xa0 ? QChar(windows1252[c - 0x80]) : QChar(c));
    }
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
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    // Line by line: a line that is UTF-8 stays UTF-8, one that is not is read as older programs
    // write it. The line ends (CR and LF) are the same bytes in both.
    QString text;
    text.reserve(bytes.size());
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        end = std::min(end + 1, n);
        const QByteArrayView line(bytes.constData() + start, end - start);
        if (line.isValidUtf8())
            text += QString::fromUtf8(line);
        else
            appendWindows1252(text, line);
        start = end;
    }
    return text;
}

Format detect(const QString &text)
{
    Reporter none;
    return detectFormat(text, none);
}

ReadResult read(const QByteArray &bytes)
{
    return read(bytes, Progress());
}

ReadResult read(const QByteArray &bytes, const Progress &progress)
{
    ReadResult result;
    const QString text = decodeText(bytes);
    // The work is recognising the format (up to one pass over the text), then reading it.
    Reporter reporter(progress, 2 * qint64(text.size()));
    result.format = detectFormat(text, reporter);
    reporter.setBase(text.size());
    if (!reporter.stopped()) {
        switch (result.format) {
        case Format::Empty:
            break;
        case Format::PlainText:
            result.addresses = plainTextAddresses(text, &result.remarks, reporter);
            break;
        case Format::TextWithAddresses:
            result.addresses = textAddresses(text, reporter);
            break;
        case Format::Csv:
            result.addresses = csvAddresses(text, &result.remarks, reporter);
            break;
        case Format::NetscapeBookmarks:
            result.addresses = bookmarkAddresses(text, reporter);
            break;
        case Format::Opml:
            result.addresses = opmlAddresses(text, &result.problem, reporter);
            break;
        }
    }
    result.cancelled = reporter.stopped();
    reporter.finish();
    return result;
}

QList<FoundAddress> readPlainText(const QString &text, QStringList *remarks)
{
    Reporter none;
    return plainTextAddresses(text, remarks, none);
}

QList<FoundAddress> readTextWithAddresses(const QString &text)
{
    Reporter none;
    return textAddresses(text, none);
}

QList<QStringList> parseCsv(const QString &text, QChar separator)
{
    QList<QStringList> records;
    Reporter none;
    forEachCsvRecord(
        text, separator, [&](const QStringList &record, qsizetype) { records.append(record); }, [](QStringView) { return false; },
        [](qsizetype) {}, none);
    return records;
}

QList<FoundAddress> readCsv(const QString &text, QStringList *remarks)
{
    Reporter none;
    return csvAddresses(text, remarks, none);
}

QList<FoundAddress> readNetscapeBookmarks(const QString &text)
{
    Reporter none;
    return bookmarkAddresses(text, none);
}

QList<FoundAddress> readOpml(const QString &text, QString *problem)
{
    Reporter none;
    return opmlAddresses(text, problem, none);
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
