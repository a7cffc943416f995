#include "memory/pagesigns.h"

#include "memory/pagefingerprint.h"
#include "store/listpaths.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <mutex>

namespace {

// Parked pages are short; an article that quotes their words is not.
constexpr int shortTextWords = 200;

// A line of a table, or nothing for comments and empty lines.
QString tableLine(QString line)
{
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return {};
    return line;
}

// The parts of a title between separators, and the whole of it, normalised.
QStringList titleParts(const QString &title)
{
    static const QRegularExpression separators(
        QStringLiteral(R"(\s+[-/~]\s+|\s*[|\x{00b7}\x{2022}\x{00bb}\x{00ab}\x{2013}\x{2014}()\[\]]\s*|:+\s+|\s+::\s+)"));
    QStringList parts{normalisedPhrase(title)};
    for (const QString &part : title.split(separators, Qt::SkipEmptyParts)) {
        const QString normal = normalisedPhrase(part);
        if (!normal.isEmpty())
            parts.append(normal);
    }
    return parts;
}

bool containsWords(const QString &normalText, const QString &normalPhrase)
{
    if (normalPhrase.isEmpty())
        return false;
    const QString padded = QLatin1Char(' ') + normalText + QLatin1Char(' ');
    return padded.contains(QLatin1Char(' ') + normalPhrase + QLatin1Char(' '));
}

QString hostOf(const QString &address)
{
    QString host = QUrl(address).host().toLower();
    if (host.startsWith(QLatin1String("www.")))
        host = host.mid(4);
    return host;
}

QString shownTitle(const SeenPage &page)
{
    const QString title = page.title.simplified();
    return title.isEmpty() ? page.finalAddress : title;
}

} // namespace

QString normalisedPhrase(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool space = true;
    for (const QChar c : text.toCaseFolded()) {
        if (c == QLatin1Char('\'') || c == QChar(0x2019) || c == QChar(0x00ad))
            continue;
        if (c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing || c.category() == QChar::Mark_SpacingCombining) {
            out += c;
            space = false;
        } else if (!space) {
            out += QLatin1Char(' ');
            space = true;
        }
    }
    if (out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

void PageSignTables::addNotFoundTable(const QString &text)
{
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = tableLine(raw);
        const QString phrase = normalisedPhrase(line);
        if (!phrase.isEmpty() && !notFoundPhrases.contains(phrase))
            notFoundPhrases.append(phrase);
    }
}

void PageSignTables::addParkedTable(const QString &text, QStringList *unread)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = tableLine(lines.at(n));
        if (line.isEmpty())
            continue;
        const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString kind = line.left(space).toLower();
        const QString rest = space < 0 ? QString() : line.mid(space).trimmed();
        if (kind == QLatin1String("host") && !rest.isEmpty()) {
            const qsizetype gap = rest.indexOf(QRegularExpression(QStringLiteral("\\s")));
            ParkingService service;
            service.host = rest.left(gap).toLower();
            while (service.host.startsWith(QLatin1Char('.')))
                service.host.remove(0, 1);
            service.name = gap < 0 ? service.host : rest.mid(gap).trimmed();
            if (!service.host.isEmpty()) {
                parkingServices.append(service);
                continue;
            }
        } else if (kind == QLatin1String("phrase") && !normalisedPhrase(rest).isEmpty()) {
            parkedPhrases.append(normalisedPhrase(rest));
            continue;
        }
        if (unread)
            unread->append(QStringLiteral("line %1: %2").arg(n + 1).arg(line));
    }
}

bool PageSignTables::load(const QString &notFoundFile, const QString &parkedFile, QString *problem)
{
    auto read = [&](const QString &path, QString *text) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (problem)
                *problem = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
            return false;
        }
        *text = QString::fromUtf8(file.readAll());
        return true;
    };
    QString notFound, parked;
    if (!read(notFoundFile, &notFound) || !read(parkedFile, &parked))
        return false;
    addNotFoundTable(notFound);
    QStringList unread;
    addParkedTable(parked, &unread);
    if (!unread.isEmpty() && problem)
        *problem = QStringLiteral("%1 has lines it cannot read: %2").arg(parkedFile, unread.join(QStringLiteral("; ")));
    return true;
}

const PageSignTables &PageSignTables::shipped(QString *problem)
{
    static PageSignTables tables;
    static QString loadProblem;
    static std::once_flag once;
    std::call_once(once, [] {
        tables.load(ListPaths::shippedFile(QStringLiteral("dat/not-found-phrases.txt")),
                    ListPaths::shippedFile(QStringLiteral("dat/parked-domains.txt")), &loadProblem);
    });
    if (problem)
        *problem = loadProblem;
    return tables;
}

QString notFoundReason()
{
    return QStringLiteral("the page says it is not found (the server answers 200)");
}

bool saysNotFound(const QString &title, const QString &heading, const PageSignTables &tables)
{
    for (const QString &text : {title, heading}) {
        for (const QString &part : titleParts(text)) {
            if (tables.notFoundPhrases.contains(part))
                return true;
        }
    }
    return false;
}

ParkedSign parkedSign(const QUrl &finalAddress, const QString &title, const QString &heading, const QString &text,
                      const PageSignTables &tables)
{
    ParkedSign sign;
    const QString host = finalAddress.host().toLower();
    for (const ParkingService &service : tables.parkingServices) {
        if (host == service.host || host.endsWith(QLatin1Char('.') + service.host)) {
            sign.parked = true;
            sign.service = service.name;
            return sign;
        }
    }
    const QString normalTitle = normalisedPhrase(title);
    const QString normalHeading = normalisedPhrase(heading);
    const QStringList words = fingerprintWords(text);
    const QString normalText = words.size() <= shortTextWords ? normalisedPhrase(text) : QString();
    for (const QString &phrase : tables.parkedPhrases) {
        if (containsWords(normalTitle, phrase) || containsWords(normalHeading, phrase) || containsWords(normalText, phrase)) {
            sign.parked = true;
            return sign;
        }
    }
    return sign;
}

QString parkedReason(const ParkedSign &sign)
{
    if (sign.service.isEmpty())
        return QStringLiteral("the domain is parked or for sale");
    return QStringLiteral("the domain is parked or for sale (at %1)").arg(sign.service);
}

PageChange compareWithSeen(const SeenPage &was, const SeenPage &now)
{
    PageChange change;
    const QString hostThen = hostOf(was.finalAddress);
    const QString hostNow = hostOf(now.finalAddress);
    const bool hostChanged = !hostThen.isEmpty() && !hostNow.isEmpty() && hostThen != hostNow;
    const bool titleChanged = normalisedPhrase(was.title) != normalisedPhrase(now.title);
    const bool textChanged = was.fingerprint && now.fingerprint && !fingerprintsAlike(was.fingerprint, now.fingerprint);
    if (!(hostChanged && titleChanged && textChanged))
        return change;
    change.changed = true;
    const QString when = was.seenAt.isValid() ? was.seenAt.toLocalTime().date().toString(Qt::ISODate) : QString();
    change.text = when.isEmpty() ? QStringLiteral("was '%1'; now '%2'").arg(shownTitle(was), shownTitle(now))
                                 : QStringLiteral("was '%1', %2; now '%3'").arg(shownTitle(was), when, shownTitle(now));
    return change;
}

QUrl madeUpAddressBeside(const QUrl &entry, QRandomGenerator *random)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name;
    for (int i = 0; i < 24; ++i)
        name += QLatin1Char(letters[random->bounded(int(sizeof letters - 1))]);
    QString path = entry.path(QUrl::FullyEncoded);
    path = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (path.isEmpty())
        path = QStringLiteral("/");
    QUrl madeUp = entry.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    madeUp.setPath(path + name, QUrl::TolerantMode);
    return madeUp;
}
