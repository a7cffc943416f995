#include "check/checkreport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace {

QByteArray csvField(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r')) {
        bytes.replace('"', "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

} // namespace

namespace CheckReport {

QString textLine(const ReportRow &row)
{
    const CheckResult &r = row.result;
    QString line = QStringLiteral("%1 %2 %3")
                       .arg(verdictWord(r.verdict), -7)
                       .arg(r.status ? QString::number(r.status) : QStringLiteral("-"), -3)
                       .arg(row.address);
    if (!r.finalAddress.isEmpty())
        line += QStringLiteral(" -> ") + r.finalAddress;
    line += QStringLiteral("  (") + r.reason + QLatin1Char(')');
    return line;
}

QByteArray jsonLine(const ReportRow &row)
{
    const CheckResult &r = row.result;
    QJsonObject o;
    o.insert(QStringLiteral("line"), row.line);
    o.insert(QStringLiteral("address"), row.address);
    o.insert(QStringLiteral("verdict"), verdictWord(r.verdict));
    o.insert(QStringLiteral("status"), r.status ? QJsonValue(r.status) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("final"), r.finalAddress.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(r.finalAddress));
    o.insert(QStringLiteral("browser"), r.byBrowser);
    o.insert(QStringLiteral("reason"), r.reason);
    o.insert(QStringLiteral("ms"), r.milliseconds);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray csvHeader()
{
    return "line,address,verdict,status,final,browser,reason,ms\r\n";
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
