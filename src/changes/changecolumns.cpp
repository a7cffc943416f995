#include "changes/changecolumns.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString isoUtc(const QDateTime &at)
{
    return at.toUTC().toString(Qt::ISODate);
}

QByteArray withoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

ChangeColumns changeColumnsOf(const ChangeAnswer &answer, bool withDiff)
{
    ChangeColumns columns;
    if (!answer.comparedWith || !answer.now || answer.comparedWith->id == answer.now->id)
        return columns;
    columns.since = answer.comparedWith->seenAt;
    columns.changedLines = answer.changedLines;
    if (withDiff && answer.changedLines > 0)
        columns.diff = unifiedDiff(answer.report, QStringLiteral("%1\t%2").arg(answer.entry, isoUtc(answer.comparedWith->seenAt)),
                                   QStringLiteral("%1\t%2").arg(answer.entry, isoUtc(answer.now->seenAt)));
    return columns;
}

QByteArray withChangeJson(const QByteArray &jsonLine, const ChangeColumns &columns)
{
    QJsonObject o = QJsonDocument::fromJson(jsonLine).object();
    o.insert(QStringLiteral("changed_since"), columns.since.isValid() ? QJsonValue(isoUtc(columns.since)) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("changed_lines"), columns.changedLines);
    if (!columns.diff.isEmpty())
        o.insert(QStringLiteral("diff"), columns.diff);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray withChangeCsvHeader(const QByteArray &header)
{
    return withoutLineEnd(header) + ",changed_since,changed_lines\r\n";
}

QByteArray withChangeCsv(const QByteArray &csvLine, const ChangeColumns &columns)
{
    return withoutLineEnd(csvLine) + ',' + (columns.since.isValid() ? isoUtc(columns.since).toLatin1() : QByteArray()) + ','
        + QByteArray::number(columns.changedLines) + "\r\n";
}

QString withChangeText(const QString &textLine, const ChangeColumns &columns)
{
    QString out = textLine;
    if (!columns.since.isValid())
        return out;
    out += columns.changedLines > 0
        ? QStringLiteral("\n  changed: %1 %2 since %3").arg(columns.changedLines).arg(columns.changedLines == 1 ? QStringLiteral("line") : QStringLiteral("lines"), isoUtc(columns.since))
        : QStringLiteral("\n  unchanged since %1").arg(isoUtc(columns.since));
    if (!columns.diff.isEmpty()) {
        out += QLatin1Char('\n');
        out += columns.diff;
        if (out.endsWith(QLatin1Char('\n')))
            out.chop(1);
    }
    return out;
}
