// A fingerprint of a page's title and visible text that small changes leave nearly as it was,
// so that two looks at a page (or two pages) can be told alike or not. Pure functions.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

/// The words of @p text as the fingerprint sees them: case-folded runs of letters and digits (ß as ss),
/// every run of digits written "#" (dates and counters change from day to day), each Chinese or
/// Japanese character a word of its own.
QStringList fingerprintWords(QStringView text);

/// A 64-bit similarity hash (simhash) over shingles of three words of @p title and @p text, the
/// title's counting double. The same words always give the same bits, on every machine and in
/// every version; a few changed words change a few bits. 0 when there is no word at all.
quint64 pageFingerprint(const QString &title, const QString &text);

/// How many of the 64 bits differ.
int fingerprintDistance(quint64 a, quint64 b);

/// Fingerprints this close or closer are of the same page (a few words changed); unrelated pages
/// differ in about half of the bits.
inline constexpr int alikeDistance = 12;

/// Whether two fingerprints are of nearly the same page; never for a missing (0) fingerprint.
bool fingerprintsAlike(quint64 a, quint64 b);
