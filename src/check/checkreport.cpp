#include "check/checkreport.h"

#include "store/narrowtext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>

namespace {

/// Calls @p each for every character of @p text as the list reader wrote it: a code point, or a byte
/// that is not UTF-8 (which NarrowText::decode() keeps as U+DC80 + byte - 0x80, outside any pair).
template <typename Each>
void forEachCharacter(QStringView text, Each each)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            each(QChar::surrogateToUcs4(c, text[i + 1].unicode()), false);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            each(char32_t(c - 0xDC00), true);
        } else {
            each(char32_t(c), false);
        }
    }
}

bool hasKeptBytes(QStringView text)
{
    bool found = false;
    forEachCharacter(text, [&found](char32_t, bool byte) { found = found || byte; });
    return found;
}

/// What a terminal would act on instead of showing: C0 and C1 controls, DEL, and the marks that
/// reorder or hide text around them.
bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029 || c == 0xFEFF;
}

QString hex(char32_t value, int digits)
{
    return QString::number(uint(value), 16).rightJustified(digits, QLatin1Char('0'));
}

/// @p text with every byte that is not UTF-8 written \xHH, so that nothing is lost and the
/// result is valid UTF-8; with @p controls also the control characters (\t, \n, \r, \xHH or
/// \u{HHHH}). A backslash is doubled, so that the original can always be read back.
QString escaped(QStringView text, bool controls)
{
    QString out;
    out.reserve(text.size());
    forEachCharacter(text, [&out, controls](char32_t c, bool byte) {
        if (byte)
            out += QStringLiteral("\\x") + hex(c, 2);
        else if (c == U'\\')
            out += QStringLiteral("\\\\");
        else if (QChar::isSurrogate(c))
            out += QStringLiteral("\\u{") + hex(c, 4) + QLatin1Char('}'); // a lone one has no UTF-8 form
        else if (controls && c == U'\t')
            out += QStringLiteral("\\t");
        else if (controls && c == U'\n')
            out += QStringLiteral("\\n");
        else if (controls && c == U'\r')
            out += QStringLiteral("\\r");
        else if (controls && isControl(c))
            out += c < 0x100 ? QStringLiteral("\\x") + hex(c, 2) : QStringLiteral("\\u{") + hex(c, 4) + QLatin1Char('}');
        else
            out += QString::fromUcs4(&c, 1);
    });
    return out;
}

/// @p text as valid UTF-8 for a JSON string, with every byte that is not UTF-8 percent-encoded, as an
/// address carries such bytes.
QString percentEncodedBytes(QStringView text)
{
    if (!hasKeptBytes(text))
        return text.toString();
    QString out;
    out.reserve(text.size() + 8);
    forEachCharacter(text, [&out](char32_t c, bool byte) {
        if (byte)
            out += QLatin1Char('%') + hex(c, 2).toUpper();
        else if (QChar::isSurrogate(c))
            out += QChar(QChar::ReplacementCharacter);
        else
            out += QString::fromUcs4(&c, 1);
    });
    return out;
}

/// A cell a spreadsheet takes for text: one that would begin a formula (= + - @, or a tab or carriage
/// return before one) gets a leading apostrophe, which spreadsheets show as nothing or take as "text".
/// The bytes are the list's own, those that are not UTF-8 included.
QByteArray csvField(const QString &text)
{
    QByteArray bytes = NarrowText::encode(text);
    if (!bytes.isEmpty() && QByteArrayView("=+-@\t\r").contains(bytes.front()))
        bytes.prepend('\'');
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

/// When a page was seen, as reports give it: "2026-11-03T12:00:00Z"; empty when unknown.
QString seenText(const QDateTime &at)
{
    return at.isValid() ? at.toUTC().toString(Qt::ISODate) : QString();
}

} // namespace

namespace CheckReport {

QString textLine(const ReportRow &row)
{
    const CheckResult &r = row.result;
    // Shown, never acted on: an entry's control characters are written out as escapes.
    QString line = QStringLiteral("%1 %2 %3")
                       .arg(verdictWord(r.verdict), -7)
                       .arg(r.status ? QString::number(r.status) : QStringLiteral("-"), -3)
                       .arg(escaped(row.address, true));
    if (!r.finalAddress.isEmpty())
        line += QStringLiteral(" -> ") + escaped(r.finalAddress, true);
    line += QStringLiteral("  (") + escaped(r.reason, true) + QLatin1Char(')');
    if (!row.wasTitle.isEmpty())
        line += QStringLiteral(" [not what you saved: was '%1'%2; now '%3']")
                    .arg(escaped(row.wasTitle, true),
                         row.wasSeen.isValid() ? QStringLiteral(", ") + row.wasSeen.toUTC().date().toString(Qt::ISODate) : QString(),
                         escaped(r.title, true));
    if (row.lastGoodCopy.isValid())
        line += QStringLiteral(" [good copy of %1]").arg(row.lastGoodCopy.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")));
    return line;
}

QByteArray jsonLine(const ReportRow &row)
{
    const CheckResult &r = row.result;
    QJsonObject o;
    o.insert(QStringLiteral("line"), row.line);
    o.insert(QStringLiteral("address"), percentEncodedBytes(row.address));
    // An entry that is not UTF-8 is kept whole beside it: \xHH for each such byte, \\ for a backslash.
    if (hasKeptBytes(row.address))
        o.insert(QStringLiteral("address_bytes"), escaped(row.address, false));
    o.insert(QStringLiteral("verdict"), verdictWord(r.verdict));
    o.insert(QStringLiteral("status"), r.status ? QJsonValue(r.status) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("final"),
             r.finalAddress.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(percentEncodedBytes(r.finalAddress)));
    o.insert(QStringLiteral("browser"), r.byBrowser);
    o.insert(QStringLiteral("reason"), hasKeptBytes(r.reason) ? escaped(r.reason, false) : r.reason);
    o.insert(QStringLiteral("ms"), r.milliseconds);
    auto text = [](const QString &t) {
        return t.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(hasKeptBytes(t) ? escaped(t, false) : t);
    };
    o.insert(QStringLiteral("was_title"), text(row.wasTitle));
    o.insert(QStringLiteral("was_seen"), text(seenText(row.wasSeen)));
    o.insert(QStringLiteral("now_title"), text(r.title));
    o.insert(QStringLiteral("saved_title"), text(row.savedTitle));
    o.insert(QStringLiteral("last_good_copy"), text(seenText(row.lastGoodCopy)));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray csvHeader()
{
    return "line,address,verdict,status,final,browser,reason,ms,was_title,was_seen,now_title,saved_title,last_good_copy\r\n";
}

QByteArray csvLine(const ReportRow &row)
{
    const CheckResult &r = row.result;
    QByteArray line = QByteArray::number(row.line);
    line += ',' + csvField(row.address);
    line += ',' + verdictWord(r.verdict).toLatin1();
    line += ',' + (r.status ? QByteArray::number(r.status) : QByteArray());
    line += ',' + csvField(r.finalAddress);
    line += ',' + QByteArray(r.byBrowser ? "true" : "false");
    line += ',' + csvField(r.reason);
    line += ',' + QByteArray::number(r.milliseconds);
    line += ',' + csvField(row.wasTitle);
    line += ',' + csvField(seenText(row.wasSeen));
    line += ',' + csvField(r.title);
    line += ',' + csvField(row.savedTitle);
    line += ',' + csvField(seenText(row.lastGoodCopy));
    return line + "\r\n";
}

QString summary(const std::array<int, verdictCount> &counts, qint64 milliseconds)
{
    const QLocale locale(QLocale::English);
    int total = 0;
    QStringList parts;
    for (int v = 0; v < verdictCount; ++v) {
        total += counts[std::size_t(v)];
        if (counts[std::size_t(v)])
            parts << QStringLiteral("%1 %2").arg(locale.toString(counts[std::size_t(v)]), verdictWord(Verdict(v)));
    }
    return QStringLiteral("Checked %1 %2 in %3 s: %4.")
        .arg(locale.toString(total), total == 1 ? QStringLiteral("entry") : QStringLiteral("entries"),
             locale.toString(double(milliseconds) / 1000.0, 'f', 1),
             parts.isEmpty() ? QStringLiteral("nothing to check") : parts.join(QStringLiteral(", ")));
}

QByteArray document(const QList<ReportRow> &rows, Format format)
{
    QByteArray bytes;
    if (format == Format::Csv) {
        bytes = csvHeader();
        for (const ReportRow &row : rows)
            bytes += csvLine(row);
        return bytes;
    }
    bytes = "[";
    for (qsizetype i = 0; i < rows.size(); ++i)
        bytes += (i ? ",\n" : "\n") + jsonLine(rows.at(i));
    bytes += "\n]\n";
    return bytes;
}

} // namespace CheckReport
