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

bool isRandomToken(const QString &run)
{
    QString bare = run;
    while (bare.endsWith(QLatin1Char('=')))
        bare.chop(1); // base64's padding
    if (bare.size() < 16)
        return false;
    int letters = 0, digits = 0, hex = 0, symbols = 0;
    for (const QChar c : bare) {
        if (c.isDigit())
            ++digits;
        else if (c.isLetter())
            ++letters;
        else
            ++symbols;
        if (c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            ++hex;
    }
    if (letters == 0)
        return false; // a number, however long
    if (digits == 0) {
        // Letters alone are random when their case turns as in no word or name: words in camel case
        // are mostly lower-case letters side by side, a random run has about as many upper-case
        // pairs and turns to upper case as lower-case pairs.
        int upperPairs = 0, lowerUpper = 0, lowerPairs = 0;
        for (qsizetype i = 1; i < bare.size(); ++i) {
            upperPairs += bare[i - 1].isUpper() && bare[i].isUpper();
            lowerUpper += bare[i - 1].isLower() && bare[i].isUpper();
            lowerPairs += bare[i - 1].isLower() && bare[i].isLower();
        }
        return bare.size() >= 20 && symbols == 0 && upperPairs >= 1 && lowerUpper >= 3 && (upperPairs + lowerUpper) * 2 >= lowerPairs;
    }
    // Hex (a hash, a UUID with its dashes): nothing but hex digits and separators.
    if (hex + symbols == bare.size() && symbols * 4 <= bare.size() && hex >= 16)
        return true;
    // Base64 or letters and digits mixed: the kind of character changes often, as in no word;
    // "release2026notes" or "my-file-name-2026" change it once or twice.
    enum Class { Lower, Upper, Digit, None };
    auto classOf = [](QChar c) { return c.isDigit() ? Digit : c.isLower() ? Lower : c.isUpper() ? Upper : None; };
    int switches = 0;
    Class last = None;
    for (const QChar c : bare) {
        const Class now = classOf(c);
        if (now == None)
            continue;
        if (last != None && now != last)
            ++switches;
        last = now;
    }
    return switches * 4 >= bare.size();
}

namespace {

/// @p line with its random tokens replaced, and the tokens in order.
QString withoutTokens(const QString &line, QStringList *tokens)
{
    static const QRegularExpression run(QStringLiteral("[A-Za-z0-9_\\-+/=]{16,}"));
    QString out;
    qsizetype last = 0;
    auto it = run.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (!isRandomToken(m.captured(0)))
            continue;
        out += line.mid(last, m.capturedStart() - last);
        out += QChar(0x2609);
        last = m.capturedEnd();
        tokens->append(m.captured(0));
    }
    out += line.mid(last);
    return out;
}

/// A line's numbers (with their thousands separators: "12,345", "12.345", "12 345") and the rest.
struct Numbers {
    QString masked;
    QStringList numbers;
};

Numbers numbersOf(const QString &line)
{
    static const QRegularExpression number(QStringLiteral("\\d{1,3}(?:[,.'\u00a0\u202f ]\\d{3})+(?!\\d)|\\d+"));
    Numbers out;
    qsizetype last = 0;
    auto it = number.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out.masked += line.mid(last, m.capturedStart() - last);
        out.masked += QLatin1Char('#');
        last = m.capturedEnd();
        out.numbers.append(m.captured(0));
    }
    out.masked += line.mid(last);
    return out;
}

qint64 valueOf(const QString &number)
{
    QString digits;
    for (const QChar c : number)
        if (c.isDigit())
            digits += c;
    return digits.size() > 15 ? -1 : digits.toLongLong();
}

/// Whether @p after reads as an edit of @p before: the same shape, or half of the words of the
/// shorter one in the other too.
bool alike(const QString &before, const QString &after)
{
    if (lineShape(before) == lineShape(after))
        return true;
    static const QRegularExpression word(QStringLiteral("\\w{3,}"));
    auto wordsOf = [](const QString &line) {
        QSet<QString> words;
        auto it = word.globalMatch(line.toLower());
        while (it.hasNext())
            words.insert(it.next().captured(0));
        return words;
    };
    const QSet<QString> a = wordsOf(before), b = wordsOf(after);
    if (a.isEmpty() || b.isEmpty())
        return false;
    const qsizetype shared = QSet<QString>(a).intersect(b).size();
    return shared * 2 >= std::min(a.size(), b.size());
}

} // namespace

bool tokenAloneChanged(const QString &before, const QString &after)
{
    if (before == after)
        return false;
    QStringList was, is;
    return withoutTokens(before, &was) == withoutTokens(after, &is) && !was.isEmpty();
}

bool counterRose(const QString &before, const QString &after)
{
    // What a count of people or requests reads as; a price, a stock level or a score is none of them.
    static const QRegularExpression counting(
        QStringLiteral("\\b(?:visit(?:s|ors?|ed)?|views?|viewed|page ?views|hits?|online|guests?|viewers?|"
                       "readers?|reads|downloads?|downloaded|served|pageloads?|counter)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression money(QStringLiteral("[\u20ac$\u00a3\u00a5\u20b9]|\\b(?:price|eur|usd|gbp|chf|total|cost)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (before == after || !counting.match(after).hasMatch() || money.match(after).hasMatch() || money.match(before).hasMatch())
        return false;
    if (!stampsOf(before).stamps.isEmpty() || !stampsOf(after).stamps.isEmpty())
        return false; // a date or a time beside it: the line is not a counter alone
    const Numbers a = numbersOf(before), b = numbersOf(after);
    if (a.masked != b.masked || a.numbers.size() != b.numbers.size())
        return false;
    int changed = 0;
    for (int i = 0; i < a.numbers.size(); ++i) {
        if (a.numbers[i] == b.numbers[i])
            continue;
        const qint64 was = valueOf(a.numbers[i]), is = valueOf(b.numbers[i]);
        if (was < 0 || is <= was)
            return false; // a count of visits only rises
        ++changed;
    }
    return changed == 1;
}

bool readsAsTeaserHeading(const QString &line)
{
    static const QRegularExpression heading(
        QStringLiteral("^(?:top (?:stories|picks|reads)|most (?:read|viewed|popular|shared|watched|commented)|"
                       "popular(?: now| stories| today| articles)?|trending(?: now| stories)?|recommended(?: for you| reading)?|"
                       "(?:you|we think you) (?:may|might|will) (?:also )?like|related(?: stories| articles| posts)?|"
                       "(?:customers|people) (?:also|who) .*|also viewed|editor'?s'? (?:picks|choice)|featured(?: stories)?|"
                       "don'?t miss|sponsored(?: stories)?|promoted(?: stories)?|more (?:stories|to read|to explore|from .*)|"
                       "in case you missed it|spotlight|highlights|what(?:'s| is) hot|elsewhere on .*)[:.!]?$"),
        QRegularExpression::CaseInsensitiveOption);
    return line.size() <= 48 && heading.match(line.trimmed()).hasMatch();
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
    // The lines of the looks before the compared one: a line that comes back took a turn.
    QSet<QString> earlierLines;
    for (const LookLines &look : input.looks) {
        if (look.seenAt.isValid() && input.compared.seenAt.isValid() && look.seenAt < input.compared.seenAt)
            for (const QString &line : look.lines)
                earlierLines.insert(line);
    }
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

    // A line changed in place as the clock moved, a token changed or a counter rose is that, even
    // when its old or new text stands elsewhere on the page too ("posted 6 hours ago" under another
    // story): it is no move.
    QSet<int> inPlace;
    for (const Hunk &h : hunksOf(report.lines)) {
        QList<int> removed, added;
        pairsOf(report.lines, h, &removed, &added);
        for (int k = 0; k < std::min(removed.size(), added.size()); ++k) {
            const QString &was = report.lines[removed[k]].text, &is = report.lines[added[k]].text;
            if (movesWithClock(was, input.compared.seenAt, is, input.now.seenAt) || tokenAloneChanged(was, is) || counterRose(was, is)) {
                inPlace.insert(removed[k]);
                inPlace.insert(added[k]);
            }
        }
    }
    // A line that went from one place and came in another moved: the page says the same.
    QHash<QString, int> removedTexts, addedTexts;
    for (int i = 0; i < report.lines.size(); ++i) {
        const DiffLine &l = report.lines[i];
        if (inPlace.contains(i))
            continue;
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
        if (l.kind == DiffLine::Kind::Same || inPlace.contains(i))
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
        // Under a heading that reads as teasers, a line that took the place of another, and is no
        // edit of it, is a teaser taking its turn (a line more is not: the part grew).
        // The heading stands over the rail's first teaser; a later one changed alone has the rail's
        // other teasers between.
        QString heading = h.before;
        for (int i = h.first - 1, back = 0; i >= 0 && back < 6 && !readsAsTeaserHeading(heading); --i, ++back) {
            if (report.lines[i].kind == DiffLine::Kind::Same)
                heading = report.lines[i].text;
        }
        const bool teaserHeading = readsAsTeaserHeading(heading);
        const QString teaserPart = QStringLiteral("teasers:") + shortHash(teaserHeading ? heading : h.before);
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
                QStringList tokens;
                if (tokenAloneChanged(was, is))
                    rules.append({QStringLiteral("token:") + shortHash(withoutTokens(is, &tokens)), QStringLiteral("a random token")});
                if (counterRose(was, is))
                    rules.append({QStringLiteral("counter:") + shortHash(numbersOf(is).masked), QStringLiteral("a counter of visits that rose")});
                // A line the page showed before the compared look, gone then and back now, took its
                // turn again; a line of the same shape coming back (a price back to what it was) did not.
                if (earlierLines.contains(is) && shape != lineShape(is) && !alike(was, is))
                    rules.append({teaserPart, QStringLiteral("teasers that take turns")});
            }
            if (teaserHeading && r >= 0 && a >= 0 && !alike(was, is))
                rules.append({teaserPart, QStringLiteral("teasers that take turns")});
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
