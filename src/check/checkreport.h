// How check results are written: text lines, JSON objects and CSV rows, and the report files.
#pragma once

#include "check/verdict.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

/// One checked entry as reports give it.
struct ReportRow {
    int line = 0; ///< 1-based line of the list
    QString address; ///< the entry exactly as written
    CheckResult result;
    /// What the person saw there, when the page is no longer that (empty and invalid otherwise).
    QString wasTitle;
    QDateTime wasSeen;
    /// The title kept with the entry when it was brought in (a bookmark's title); empty when none.
    QString savedTitle;
    /// When the entry's last good copy was taken; invalid when no copy of it is kept.
    QDateTime lastGoodCopy;
};

namespace CheckReport {

/// "dead 404 http://example.com/gone  (not found (404) in a browser)".
QString textLine(const ReportRow &row);
/// One JSON object on one line, with the keys line, address, verdict, status, final, browser, reason, ms,
/// was_title, was_seen (ISO 8601, UTC), now_title, saved_title and last_good_copy (ISO 8601, UTC)
/// (null when there is none).
QByteArray jsonLine(const ReportRow &row);
QByteArray csvHeader();
/// One CSV row (RFC 4180), ended by CR LF. New columns only ever go after the last, so that readers of
/// an older report keep finding theirs.
QByteArray csvLine(const ReportRow &row);
/// "Checked 1,000 entries in 3.2 s: 900 alive, 12 dead, ..." (verdicts with no entry left out).
QString summary(const std::array<int, verdictCount> &counts, qint64 milliseconds);

enum class Format { Csv, Json };
/// The whole report: CSV with a header row, or a JSON array of the objects of jsonLine().
QByteArray document(const QList<ReportRow> &rows, Format format);

} // namespace CheckReport
