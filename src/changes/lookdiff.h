// What changed between two looks at a page's readable text: the line diff (dtl) and the noise rules
// that keep a clock, a counter, a rotating teaser, a token or the host's menus from counting.
// Plain functions, QtCore only.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

/// One line of a diff between two texts.
struct DiffLine {
    enum class Kind { Same, Removed, Added };
    Kind kind = Kind::Same;
    QString text;
    /// Its place (0-based) in the older text (Same, Removed) and in the newer one (Same, Added); -1 otherwise.
    int oldIndex = -1;
    int newIndex = -1;
    /// A change learned as noise: the part's name (what "Count this part again" takes back) and why,
    /// in a few words; both empty for a change that counts and for a line that did not change.
    QString noisePart;
    QString noiseReason;
};

/// The text of one look, as lines, and when it was.
struct LookLines {
    QStringList lines;
    QDateTime seenAt;
};

/// What a comparison learns from and compares.
struct ChangeInput {
    LookLines compared;
    LookLines now;
    /// Every look up to @p now, oldest first (the compared one and now among them): what always
    /// changes is learned from the changes between each look and the next.
    QList<LookLines> looks;
    /// The newest text of the host's other pages: their shared lines (menus, footers) do not count.
    QList<QStringList> hostPages;
    /// Parts learned as noise that the person asked to count again.
    QStringList countedAgain;
};

/// A part of the page learned as noise.
struct NoisePart {
    QString part;
    QString reason;
    /// Its lines as they are now (or, for lines that went, as they were).
    QStringList lines;
};

/// The outcome of comparing two looks.
struct ChangeReport {
    /// The whole diff, in order of the texts.
    QList<DiffLine> lines;
    /// Changed lines that count (a line changed in place counts once); 0: nothing changed that matters.
    int changedLines = 0;
    /// Changed lines left out as noise.
    int noiseLines = 0;
    QList<NoisePart> noise;
};

/// The readable lines of a page's text: each line trimmed, blank ones left out.
QStringList readableLines(const QString &text);

/// The line diff of @p before and @p after: dtl's shortest edit script, in order.
QList<DiffLine> diffLines(const QStringList &before, const QStringList &after);

/// Compares input.compared with input.now and marks the changes that are noise: a line that only
/// moved, a date, a time or an age ("3 hours ago") that moved as the clock did, a random token alone
/// changing or a visit counter alone rising in a line, teasers taking turns (under a teaser heading,
/// or lines the page showed at an earlier look coming back), numbers alone changing in a line that
/// changed so between every look and the next, a part that changed between every look and the next
/// (learned from three looks or more), and lines the host's other pages show too.
ChangeReport compareLooks(const ChangeInput &input);

/// @p line with its dates, times and ages replaced, and the minutes each stands for; what
/// compareLooks() uses to see a line's clock move.
struct LineStamps {
    QString masked;
    /// The stamps in order: their kind and value (days for a date, minutes of the day for a time,
    /// the moment in minutes before the look for an age).
    enum class Kind { Date, TimeOfDay, Age };
    QList<std::pair<Kind, qint64>> stamps;
};
LineStamps stampsOf(const QString &line);

/// Whether @p before (seen at @p beforeAt) became @p after (seen at @p afterAt) only as its dates,
/// times and ages moved with the clock.
bool movesWithClock(const QString &before, const QDateTime &beforeAt, const QString &after, const QDateTime &afterAt);

/// @p line with its numbers and long random tokens replaced: two lines of one shape differ in those alone.
QString lineShape(const QString &line);

/// Whether @p run reads as a random token (a session id, a hash, a nonce: hex, base64, or letters and
/// digits mixed with no word in them), not as words or a number.
bool isRandomToken(const QString &run);

/// Whether @p before became @p after only as one long random token or more in it changed: nothing a
/// person reads, from the first comparison on.
bool tokenAloneChanged(const QString &before, const QString &after);

/// Whether @p before became @p after only as a count of visits, views, hits, visitors or the like rose
/// ("You are visitor number 12,345"); a price, a time or a count that fell is no counter.
bool counterRose(const QString &before, const QString &after);

/// Whether @p line reads as the heading of teasers that take turns ("Most read", "Top stories",
/// "You may also like", "Customers also viewed").
bool readsAsTeaserHeading(const QString &line);

/// The diff as a unified diff (the changes that count, with @p context lines around them), headed by
/// @p fromLabel and @p toLabel; empty when no change counts.
QString unifiedDiff(const ChangeReport &report, const QString &fromLabel, const QString &toLabel, int context = 3);
