// What a check's report says of each entry's changes since the last look: the changed_since and
// changed_lines columns added to a JSON, CSV or text line, and the entry's unified diff.
#pragma once

#include "changes/changearchive.h"

#include <QByteArray>
#include <QString>

/// An entry's changes as the report gives them.
struct ChangeColumns {
    /// When the look compared with was; invalid when there was none to compare with.
    QDateTime since;
    int changedLines = 0;
    /// The unified diff of the changes that count; empty when none does or none was asked for.
    QString diff;
};

/// The columns of @p answer (the diff only when @p withDiff).
ChangeColumns changeColumnsOf(const ChangeAnswer &answer, bool withDiff);
/// @p jsonLine (one compact object) with changed_since (ISO 8601 UTC, or null), changed_lines and,
/// when there is one, diff.
QByteArray withChangeJson(const QByteArray &jsonLine, const ChangeColumns &columns);
/// The CSV header and a line (each ending in CRLF) with changed_since and changed_lines last.
QByteArray withChangeCsvHeader(const QByteArray &header);
QByteArray withChangeCsv(const QByteArray &csvLine, const ChangeColumns &columns);
/// A text report line with what changed after it ("  changed: 12 lines since 2026-12-10T09:00:00Z"),
/// then the diff, when there is one.
QString withChangeText(const QString &textLine, const ChangeColumns &columns);
