#include "changes/lookdiff.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <dtl/dtl.hpp>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

QString shortHash(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().left(12));
}

int monthNumber(const QString &name)
{
    static const QStringList months = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                       QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                       QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                       QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    return int(months.indexOf(name.left(3).toLower())) + 1;
}

qint64 dayNumber(int year, int month, int day)
{
    const QDate date(year, month, day);
    return date.isValid() ? date.toJulianDay() : -1;
}

const QString monthPattern = QStringLiteral(
    "(jan(?:uary)?|feb(?:ruary)?|mar(?:ch)?|apr(?:il)?|may|june?|july?|aug(?:ust)?|sep(?:t(?:ember)?)?|oct(?:ober)?|"
    "nov(?:ember)?|dec(?:ember)?)\\.?");

/// A hunk of a diff: the changed lines between two lines both texts share.
struct Hunk {
    int first = 0; // index into the diff
    int end = 0;
    QString before; // the shared line before it ("" at the top)
    QString after;  // the shared line after it ("" at the end)
};

QList<Hunk> hunksOf(const QList<DiffLine> &diff)
{
    QList<Hunk> hunks;
    int i = 0;
    while (i < diff.size()) {
        if (diff[i].kind == DiffLine::Kind::Same) {
            ++i;
            continue;
        }
        Hunk h;
        h.first = i;
        h.before = i > 0 ? diff[i - 1].text : QStringLiteral("\u0001top");
        while (i < diff.size() && diff[i].kind != DiffLine::Kind::Same)
            ++i;
        h.end = i;
        h.after = i < diff.size() ? diff[i].text : QStringLiteral("\u0001end");
        hunks.append(h);
    }
    return hunks;
}

/// What changed between two earlier looks, as much as the rules need.
struct LearnedPair {
    /// The changed lines of each hunk, by the shared line before it and by the one after it.
    QHash<QString, int> before;
    QHash<QString, int> after;
    /// Shapes of lines that changed in their numbers or tokens alone.
    QSet<QString> shapes;
};

/// The removed and the added lines of a hunk, paired in order.
void pairsOf(const QList<DiffLine> &diff, const Hunk &h, QList<int> *removed, QList<int> *added)
{
    for (int i = h.first; i < h.end; ++i)
        (diff[i].kind == DiffLine::Kind::Removed ? removed : added)->append(i);
}

LearnedPair learn(const QStringList &a, const QStringList &b)
{
    LearnedPair p;
    const QList<DiffLine> diff = diffLines(a, b);
    for (const Hunk &h : hunksOf(diff)) {
        QList<int> removed, added;
        pairsOf(diff, h, &removed, &added);
        const int lines = int(std::max(removed.size(), added.size()));
        p.before[h.before] = std::max(p.before.value(h.before), lines);
        p.after[h.after] = std::max(p.after.value(h.after), lines);
        for (int k = 0; k < std::min(removed.size(), added.size()); ++k) {
            const QString shape = lineShape(diff[removed[k]].text);
            if (shape == lineShape(diff[added[k]].text))
                p.shapes.insert(shape);
        }
    }
    return p;
}

} // namespace

QStringList readableLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        const QString line = text.mid(start, end - start).simplified();
        if (!line.isEmpty())
            lines.append(line);
        start = end + 1;
    }
    return lines;
}

QList<DiffLine> diffLines(const QStringList &before, const QStringList &after)
{
    // dtl compares numbers: each distinct line gets one, so a long text diffs without string compares.
    QHash<QString, std::size_t> ids;
    auto idsOf = [&ids](const QStringList &lines) {
        std::vector<std::size_t> out;
        out.reserve(std::size_t(lines.size()));
        for (const QString &line : lines) {
            auto found = ids.constFind(line);
            if (found == ids.cend())
                found = ids.insert(line, std::size_t(ids.size()));
            out.push_back(*found);
        }
        return out;
    };
    const std::vector<std::size_t> a = idsOf(before);
    const std::vector<std::size_t> b = idsOf(after);
    dtl::Diff<std::size_t, std::vector<std::size_t>> diff(a, b);
    diff.onHuge();
    diff.compose();
    QList<DiffLine> lines;
    lines.reserve(qsizetype(diff.getSes().getSequence().size()));
    for (const auto &[id, info] : diff.getSes().getSequence()) {
        Q_UNUSED(id);
        DiffLine line;
        if (info.type == dtl::SES_COMMON) {
            line.kind = DiffLine::Kind::Same;
            line.oldIndex = int(info.beforeIdx - 1);
            line.newIndex = int(info.afterIdx - 1);
            line.text = before.at(line.oldIndex);
        } else if (info.type == dtl::SES_DELETE) {
            line.kind = DiffLine::Kind::Removed;
            line.oldIndex = int(info.beforeIdx - 1);
            line.text = before.at(line.oldIndex);
        } else {
            line.kind = DiffLine::Kind::Added;
            line.newIndex = int(info.afterIdx - 1);
            line.text = after.at(line.newIndex);
        }
        lines.append(line);
    }
    // Within each run of changes, what went comes before what came, as diff(1) writes it.
    for (qsizetype i = 0; i < lines.size();) {
        if (lines[i].kind == DiffLine::Kind::Same) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < lines.size() && lines[end].kind != DiffLine::Kind::Same)
            ++end;
        std::stable_partition(lines.begin() + i, lines.begin() + end,
                              [](const DiffLine &l) { return l.kind == DiffLine::Kind::Removed; });
        i = end;
    }
    return lines;
}

LineStamps stampsOf(const QString &line)
{
    static const QRegularExpression stamp(
        QStringLiteral("\\b(\\d{4})-(\\d{2})-(\\d{2})(?:[T ]\\d{1,2}:\\d{2}(?::\\d{2})?(?:\\.\\d+)?(?:Z|[+-]\\d{2}:?\\d{2})?)?\\b" // 1-3 ISO
                       "|\\b(\\d{1,2})(?:st|nd|rd|th)?\\s+%1,?\\s+(\\d{4})\\b"         // 4-6 10 December 2026
                       "|\\b%1\\s+(\\d{1,2})(?:st|nd|rd|th)?,?\\s+(\\d{4})\\b"         // 7-9 December 10, 2026
                       "|\\b(\\d{1,2})[./](\\d{1,2})[./](\\d{4})\\b"                   // 10-12 10.12.2026
                       "|\\b(\\d{1,2}):(\\d{2})(?::(\\d{2}))?(?:\\s*([ap])\\.?m\\b\\.?)?"    // 13-16 14:05, 2:05 pm
                       "|\\b(\\d+|an?|one)\\s+(sec|min|hour|hr|day|week|month|year)[a-z]*\\s+ago\\b" // 17-18
                       "|\\b(?:mon|tues|wednes|thurs|fri|satur|sun)day\\b|\\b(?:today|yesterday|just now)\\b")
            .arg(monthPattern),
        QRegularExpression::CaseInsensitiveOption);
    LineStamps out;
    qsizetype last = 0;
    auto it = stamp.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out.masked += line.mid(last, m.capturedStart() - last);
        out.masked += QChar(0x2318);
        last = m.capturedEnd();
        using K = LineStamps::Kind;
        auto num = [&m](int n) { return m.captured(n).toInt(); };
        if (m.capturedLength(1)) {
            out.stamps.append({K::Date, dayNumber(num(1), num(2), num(3))});
            // A time after an ISO date counts on its own too.
            static const QRegularExpression time(QStringLiteral("[T ](\\d{1,2}):(\\d{2})"));
            const QRegularExpressionMatch t = time.match(m.captured(0));
            if (t.hasMatch())
                out.stamps.append({K::TimeOfDay, t.captured(1).toInt() * 60 + t.captured(2).toInt()});
        } else if (m.capturedLength(4)) {
            out.stamps.append({K::Date, dayNumber(num(6), monthNumber(m.captured(5)), num(4))});
        } else if (m.capturedLength(7)) {
            out.stamps.append({K::Date, dayNumber(num(9), monthNumber(m.captured(7)), num(8))});
        } else if (m.capturedLength(10)) {
            qint64 day = dayNumber(num(12), num(11), num(10));
            if (day < 0)
                day = dayNumber(num(12), num(10), num(11));
            out.stamps.append({K::Date, day});
        } else if (m.capturedLength(13)) {
            int hour = num(13);
            const QString half = m.captured(16).toLower();
            if (half == QLatin1String("p") && hour < 12)
                hour += 12;
            else if (half == QLatin1String("a") && hour == 12)
                hour = 0;
            out.stamps.append({K::TimeOfDay, hour * 60 + num(14)});
        } else if (m.capturedLength(17)) {
            const QString count = m.captured(17).toLower();
            const qint64 n = count.front().isDigit() ? count.toLongLong() : 1;
            const QString unit = m.captured(18).toLower();
            const qint64 minutes = unit == QLatin1String("sec") ? 0
                : unit == QLatin1String("min")                  ? 1
                : unit == QLatin1String("hour") || unit == QLatin1String("hr") ? 60
                : unit == QLatin1String("day")                  ? 1440
                : unit == QLatin1String("week")                 ? 10080
                : unit == QLatin1String("month")                ? 43200
                                                                : 525600;
            out.stamps.append({K::Age, n * minutes});
        }
        // Weekday names and "today" are masked only: they move with the date beside them.
    }
    out.masked += line.mid(last);
    return out;
}

bool movesWithClock(const QString &before, const QDateTime &beforeAt, const QString &after, const QDateTime &afterAt)
{
    if (before == after || !beforeAt.isValid() || !afterAt.isValid())
        return false;
    const LineStamps a = stampsOf(before);
    const LineStamps b = stampsOf(after);
    if (a.masked != b.masked || a.stamps.size() != b.stamps.size() || a.stamps.isEmpty())
        return false;
    const qint64 elapsed = beforeAt.secsTo(afterAt) / 60; // minutes
    if (elapsed < 0)
        return false;
    bool moved = false;
    for (int i = 0; i < a.stamps.size(); ++i) {
        const auto [kind, was] = a.stamps[i];
        const qint64 is = b.stamps[i].second;
        if (kind != b.stamps[i].first || was < 0 || is < 0)
            return false;
        if (was == is)
            continue;
        moved = true;
        switch (kind) {
        case LineStamps::Kind::Date: {
            // Days on, as the looks were (a day either way: the page's time zone is not ours).
            const qint64 days = is - was;
            if (days < 0 || std::abs(days - elapsed / 1440) > 1)
                return false;
            break;
        }
        case LineStamps::Kind::TimeOfDay: {
            // The clock on the page went round as ours did, give or take a page cached for a while.
            const qint64 turned = ((is - was) % 1440 + 1440) % 1440;
            const qint64 expected = elapsed % 1440;
            qint64 off = std::abs(turned - expected);
            off = std::min(off, 1440 - off);
            if (off > std::max<qint64>(15, std::min<qint64>(180, elapsed / 4)))
                return false;
            break;
        }
        case LineStamps::Kind::Age: {
            // The same moment, told as an age: it grew by the time between the looks (to its unit).
            const qint64 drift = std::abs((is - was) - elapsed);
            const qint64 unit = std::max<qint64>({60, was / 10, is / 10});
            if (drift > unit && drift > elapsed / 2 + 60)
                return false;
            break;
        }
        }
    }
    return moved;
}

QString lineShape(const QString &line)
{
    // A token: a long run of letters and digits mixed (a session id, a hash, a nonce).
    static const QRegularExpression token(QStringLiteral("[A-Za-z0-9_\\-+/=]{16,}"));
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    QString shape;
    qsizetype last = 0;
    auto it = token.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString run = m.captured(0);
        bool letter = false, digit = false;
        for (const QChar c : run) {
            letter = letter || c.isLetter();
            digit = digit || c.isDigit();
        }
        if (!(letter && digit))
            continue;
        shape += line.mid(last, m.capturedStart() - last);
        shape += QChar(0x2609);
        last = m.capturedEnd();
    }
    shape += line.mid(last);
    shape.replace(digits, QStringLiteral("#"));
    return shape;
}

ChangeReport compareLooks(const ChangeInput &input)
{
    ChangeReport report;
    report.lines = diffLines(input.compared.lines, input.now.lines);

    // What always changes: the parts, and the shapes of lines, that changed between every look and
    // the next (this comparison's own looks among them, so that a change made once is never learned).
    QList<LearnedPair> learned;
    for (int i = 0; i + 1 < input.looks.size(); ++i)
        learned.append(learn(input.looks[i].lines, input.looks[i + 1].lines));
    if (learned.size() < 2)
        learned.clear(); // two looks tell nothing of what changes at every look
    QSet<QString> hostLines;
    for (const QStringList &page : input.hostPages)
        for (const QString &line : page)
            hostLines.insert(line);
    const QSet<QString> countedAgain(input.countedAgain.cbegin(), input.countedAgain.cend());
    QHash<QString, int> noiseIndex;
    QHash<const QStringList *, QHash<QString, int>> shapesOf;
    auto shapeCounts = [&shapesOf](const QStringList &lines, const QString &shape) {
        auto found = shapesOf.find(&lines);
        if (found == shapesOf.end()) {
            found = shapesOf.insert(&lines, {});
            for (const QString &line : lines)
                ++(*found)[lineShape(line)];
        }
        return found->value(shape);
    };

    auto markNoise = [&](int index, const QString &part, const QString &reason) {
        DiffLine &line = report.lines[index];
        line.noisePart = part;
        line.noiseReason = reason;
        auto found = noiseIndex.find(part);
        if (found == noiseIndex.end()) {
            found = noiseIndex.insert(part, int(report.noise.size()));
            report.noise.append({part, reason, {}});
        }
        report.noise[*found].lines.append(line.text);
    };

    // A line that went from one place and came in another moved: the page says the same.
    QHash<QString, int> removedTexts, addedTexts;
    for (const DiffLine &l : std::as_const(report.lines)) {
        if (l.kind == DiffLine::Kind::Removed)
            ++removedTexts[l.text];
        else if (l.kind == DiffLine::Kind::Added)
            ++addedTexts[l.text];
    }
    QHash<QString, int> movesLeft;
    for (auto it = removedTexts.cbegin(); it != removedTexts.cend(); ++it) {
        if (const int moves = std::min(*it, addedTexts.value(it.key())))
            movesLeft.insert(it.key(), moves);
    }
    QHash<QString, int> movedOut = movesLeft, movedIn = movesLeft;
    QSet<int> moved;
    for (int i = 0; i < report.lines.size(); ++i) {
        const DiffLine &l = report.lines[i];
        if (l.kind == DiffLine::Kind::Same)
            continue;
        QHash<QString, int> &left = l.kind == DiffLine::Kind::Removed ? movedOut : movedIn;
        auto it = left.find(l.text);
        if (it == left.end() || *it == 0)
            continue;
        --*it;
        const QString part = QStringLiteral("moved:") + shortHash(l.text);
        if (countedAgain.contains(part))
            continue;
        moved.insert(i);
    }

    for (const Hunk &h : hunksOf(report.lines)) {
        const QString hunkPart = QStringLiteral("part:%1-%2").arg(shortHash(h.before), shortHash(h.after));
        QList<int> removed, added;
        pairsOf(report.lines, h, &removed, &added);
        for (QList<int> *side : {&removed, &added}) {
            side->removeIf([&](int i) {
                if (!moved.contains(i))
                    return false;
                markNoise(i, QStringLiteral("moved:") + shortHash(report.lines[i].text), QStringLiteral("moved within the page"));
                return true;
            });
        }
        const int pairs = int(std::max(removed.size(), added.size()));
        // The k-th changed line of the hunk is of a part that changes at every look when every
        // change between looks had as many lines there, counted from the line before or the one after.
        auto alwaysChanges = [&](int k) {
            bool always = !learned.isEmpty();
            for (const LearnedPair &p : learned)
                always = always && (p.before.value(h.before) > k || p.after.value(h.after) > pairs - 1 - k);
            return always;
        };
        for (int k = 0; k < pairs; ++k) {
            const int r = k < removed.size() ? removed[k] : -1;
            const int a = k < added.size() ? added[k] : -1;
            const QString was = r >= 0 ? report.lines[r].text : QString();
            const QString is = a >= 0 ? report.lines[a].text : QString();
            // Every rule that explains the change; one the person took back makes the line count.
            QList<std::pair<QString, QString>> rules;
            auto alwaysShape = [&](const QString &shape) {
                bool always = !learned.isEmpty();
                for (const LearnedPair &p : learned)
                    always = always && p.shapes.contains(shape);
                return always;
            };
            if (r < 0 || a < 0) {
                // A line alone of a shape whose numbers change at every look, with as many lines of
                // that shape before as now: the numbers rolled on past a line the diff matched.
                const QString shape = lineShape(r >= 0 ? was : is);
                if (alwaysShape(shape) && shapeCounts(input.compared.lines, shape) == shapeCounts(input.now.lines, shape))
                    rules.append({QStringLiteral("numbers:") + shortHash(shape), QStringLiteral("numbers or a token that change at every look")});
            }
            if (r >= 0 && a >= 0) {
                if (movesWithClock(was, input.compared.seenAt, is, input.now.seenAt))
                    rules.append({QStringLiteral("clock:") + shortHash(stampsOf(is).masked),
                                  QStringLiteral("a date or time that moves with the clock")});
                const QString shape = lineShape(was);
                if (shape == lineShape(is) && alwaysShape(shape))
                    rules.append({QStringLiteral("numbers:") + shortHash(shape), QStringLiteral("numbers or a token that change at every look")});
            }
            if (alwaysChanges(k))
                rules.append({hunkPart, QStringLiteral("a part that changes at every look")});
            if (!hostLines.isEmpty() && (r < 0 || hostLines.contains(was)) && (a < 0 || hostLines.contains(is)))
                rules.append({QStringLiteral("shared:") + shortHash(a >= 0 ? is : was), QStringLiteral("shared with the site's other pages")});
            const bool takenBack = std::any_of(rules.cbegin(), rules.cend(), [&](const auto &rule) { return countedAgain.contains(rule.first); });
            if (rules.isEmpty() || takenBack) {
                ++report.changedLines;
                continue;
            }
            const auto &[part, reason] = rules.first();
            ++report.noiseLines;
            if (r >= 0)
                markNoise(r, part, reason);
            if (a >= 0) {
                // A line changed in place is one line of its part: the newer one.
                if (r >= 0)
                    report.noise[noiseIndex.value(part)].lines.removeLast();
                markNoise(a, part, reason);
            }
        }
    }
    return report;
}

QString unifiedDiff(const ChangeReport &report, const QString &fromLabel, const QString &toLabel, int context)
{
    const QList<DiffLine> &lines = report.lines;
    auto counts = [](const DiffLine &l) { return l.kind != DiffLine::Kind::Same && l.noisePart.isEmpty(); };
    QString out;
    int i = 0;
    const int n = int(lines.size());
    while (i < n) {
        if (!counts(lines[i])) {
            ++i;
            continue;
        }
        // A hunk: from `context` lines before this change to `context` shared lines after the last
        // change that counts within reach.
        int start = i;
        for (int back = 0; start > 0 && back < context && lines[start - 1].kind == DiffLine::Kind::Same; ++back)
            --start;
        int end = i;
        int quiet = 0;
        for (int j = i; j < n; ++j) {
            if (counts(lines[j])) {
                end = j + 1;
                quiet = 0;
            } else if (lines[j].kind == DiffLine::Kind::Same && ++quiet > 2 * context) {
                break;
            }
        }
        int tail = end;
        for (int fwd = 0; tail < n && fwd < context && lines[tail].kind == DiffLine::Kind::Same; ++fwd)
            ++tail;
        int oldStart = -1, newStart = -1, oldCount = 0, newCount = 0;
        QString body;
        for (int j = start; j < tail; ++j) {
            const DiffLine &l = lines[j];
            if (l.kind != DiffLine::Kind::Added) {
                ++oldCount;
                if (oldStart < 0)
                    oldStart = l.oldIndex;
            }
            if (l.kind != DiffLine::Kind::Removed) {
                ++newCount;
                if (newStart < 0)
                    newStart = l.newIndex;
            }
            const QChar mark = l.kind == DiffLine::Kind::Same ? QLatin1Char(' ') : l.kind == DiffLine::Kind::Removed ? QLatin1Char('-') : QLatin1Char('+');
            body += mark + l.text + QLatin1Char('\n');
        }
        // A hunk of additions alone starts after the old line before it (and the other way round).
        if (oldStart < 0)
            oldStart = start > 0 && lines[start - 1].oldIndex >= 0 ? lines[start - 1].oldIndex + 1 : 0;
        if (newStart < 0)
            newStart = start > 0 && lines[start - 1].newIndex >= 0 ? lines[start - 1].newIndex + 1 : 0;
        out += QStringLiteral("@@ -%1,%2 +%3,%4 @@\n")
                   .arg(oldCount ? oldStart + 1 : oldStart).arg(oldCount).arg(newCount ? newStart + 1 : newStart).arg(newCount);
        out += body;
        i = tail;
    }
    if (out.isEmpty())
        return out;
    return QStringLiteral("--- %1\n+++ %2\n").arg(fromLabel, toLabel) + out;
}
