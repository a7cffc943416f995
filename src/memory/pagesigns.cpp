#include "memory/pagesigns.h"

#include "memory/pagefingerprint.h"
#include "store/listpaths.h"

#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <mutex>

namespace {

// Parked pages are short; an article that quotes their words is not.
constexpr int shortTextWords = 200;
// A server's own pages are longer (Debian's Apache page has some 500 words), still far below an article
// that quotes one in full.
constexpr int placeholderTextWords = 800;

// A line of a table, or nothing for comments and empty lines.
QString tableLine(QString line)
{
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
        return {};
    return line;
}

// A table line's first word and what follows it, trimmed (empty when the line is one word).
struct FirstWord {
    QString word;
    QString rest;
};
FirstWord firstWordOf(const QString &line)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    const qsizetype at = line.indexOf(space);
    if (at < 0)
        return {line, QString()};
    return {line.left(at), line.mid(at).trimmed()};
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
        const auto [word, rest] = firstWordOf(line);
        const QString kind = word.toLower();
        if (kind == QLatin1String("host") && !rest.isEmpty()) {
            const FirstWord hostAndName = firstWordOf(rest);
            ParkingService service;
            service.host = hostAndName.word.toLower();
            while (service.host.startsWith(QLatin1Char('.')))
                service.host.remove(0, 1);
            service.name = hostAndName.rest.isEmpty() ? service.host : hostAndName.rest;
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

void PageSignTables::addPlaceholderTable(const QString &text, QStringList *unread)
{
    static const QHash<QString, PlaceholderPage::Kind> kinds{{QStringLiteral("default"), PlaceholderPage::Kind::ServerDefault},
                                                             {QStringLiteral("suspended"), PlaceholderPage::Kind::Suspended},
                                                             {QStringLiteral("placeholder"), PlaceholderPage::Kind::Placeholder},
                                                             {QStringLiteral("empty-folder"), PlaceholderPage::Kind::EmptyFolder}};
    std::optional<PlaceholderPage> page;
    int pageLine = 0;
    const auto finishPage = [&] {
        if (!page)
            return;
        // A page known by nothing would be every page.
        if (page->titles.isEmpty() && page->headings.isEmpty()) {
            if (unread)
                unread->append(QStringLiteral("line %1: a page with no title or heading").arg(pageLine));
        } else {
            placeholderPages.append(*page);
        }
        page.reset();
    };
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = tableLine(lines.at(n));
        if (line.isEmpty())
            continue;
        const auto [word, rest] = firstWordOf(line);
        const QString statement = word.toLower();
        const QString normal = normalisedPhrase(rest);
        if (statement == QLatin1String("page")) {
            finishPage();
            const FirstWord kindAndName = firstWordOf(rest);
            const auto kind = kinds.constFind(kindAndName.word.toLower());
            if (kind != kinds.constEnd()) {
                page = PlaceholderPage{};
                page->kind = *kind;
                page->name = kindAndName.rest;
                pageLine = int(n + 1);
                continue;
            }
        } else if (page && !normal.isEmpty()) {
            if (statement == QLatin1String("title")) {
                page->titles.append(normal);
                continue;
            }
            if (statement == QLatin1String("heading")) {
                page->headings.append(normal);
                continue;
            }
            if (statement == QLatin1String("text")) {
                page->phrases.append(normal);
                continue;
            }
            if (statement == QLatin1String("only")) {
                page->onlyWords.append(normal.split(QLatin1Char(' ')));
                continue;
            }
        }
        if (unread)
            unread->append(QStringLiteral("line %1: %2").arg(n + 1).arg(line));
    }
    finishPage();
}

bool PageSignTables::load(const QString &notFoundFile, const QString &parkedFile, const QString &placeholderFile,
                          QString *problem)
{
    // Each table on its own: one that cannot be read leaves the others in use.
    QStringList problems;
    const auto read = [&](const QString &path, QString *text) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            problems.append(QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString()));
            return false;
        }
        *text = QString::fromUtf8(file.readAll());
        return true;
    };
    const auto readTable = [&](const QString &path, void (PageSignTables::*add)(const QString &, QStringList *)) {
        QString text;
        if (!read(path, &text))
            return;
        QStringList unread;
        (this->*add)(text, &unread);
        if (!unread.isEmpty())
            problems.append(QStringLiteral("%1 has lines it cannot read: %2").arg(path, unread.join(QStringLiteral("; "))));
    };
    QString notFound;
    if (read(notFoundFile, &notFound))
        addNotFoundTable(notFound);
    readTable(parkedFile, &PageSignTables::addParkedTable);
    readTable(placeholderFile, &PageSignTables::addPlaceholderTable);
    if (problem)
        *problem = problems.join(QLatin1Char('\n'));
    return !std::any_of(problems.cbegin(), problems.cend(),
                        [](const QString &text) { return text.contains(QLatin1String(" cannot be read: ")); });
}

const PageSignTables &PageSignTables::shipped(QString *problem)
{
    static PageSignTables tables;
    static QString loadProblem;
    static std::once_flag once;
    std::call_once(once, [] {
        tables.load(ListPaths::shippedFile(QStringLiteral("dat/not-found-phrases.txt")),
                    ListPaths::shippedFile(QStringLiteral("dat/parked-domains.txt")),
                    ListPaths::shippedFile(QStringLiteral("dat/placeholder-pages.txt")), &loadProblem);
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

std::optional<PlaceholderPage::Kind> placeholderSign(const QUrl &finalAddress, const QString &title, const QString &heading,
                                                     const QString &text, const PageSignTables &tables)
{
    const QString normalTitle = normalisedPhrase(title);
    const QString normalHeading = normalisedPhrase(heading);
    const auto knownBy = [&](const PlaceholderPage &page) {
        return page.titles.contains(normalTitle) || (!normalHeading.isEmpty() && page.headings.contains(normalHeading));
    };
    // Most pages are titled as no placeholder is: their text is not read again.
    if (std::none_of(tables.placeholderPages.cbegin(), tables.placeholderPages.cend(), knownBy))
        return std::nullopt;
    if (fingerprintWords(text).size() > placeholderTextWords)
        return std::nullopt;
    const QString normalText = normalisedPhrase(text);
    const QStringList hostWords = normalisedPhrase(finalAddress.host()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const PlaceholderPage &page : tables.placeholderPages) {
        if (!knownBy(page))
            continue;
        if (!std::all_of(page.phrases.cbegin(), page.phrases.cend(),
                         [&](const QString &phrase) { return containsWords(normalText, phrase); }))
            continue;
        if (!page.onlyWords.isEmpty()) {
            // A server's signature names the machine as it was set up, not always the host asked
            // ("Apache/2.4.57 (Debian) Server at www.example.org Port 80").
            static const QRegularExpression signature(QStringLiteral("\\bserver at( \\S+){1,8}? port [0-9]+\\b"));
            bool others = false;
            for (const QString &word : QString(normalText).remove(signature).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                bool number = false;
                word.toULongLong(&number);
                if (!number && !page.onlyWords.contains(word) && !hostWords.contains(word)) {
                    others = true;
                    break;
                }
            }
            if (others)
                continue;
        }
        return page.kind;
    }
    return std::nullopt;
}

QString placeholderReason(PlaceholderPage::Kind kind)
{
    switch (kind) {
    case PlaceholderPage::Kind::ServerDefault:
        return QStringLiteral("the site is gone: the server shows its default page");
    case PlaceholderPage::Kind::Suspended:
        return QStringLiteral("the site is gone: the hosting account is suspended");
    case PlaceholderPage::Kind::Placeholder:
        return QStringLiteral("the site is gone: the host shows a placeholder page");
    case PlaceholderPage::Kind::EmptyFolder:
        return QStringLiteral("the site is gone: the server lists an empty folder");
    }
    return {};
}

bool isPlaceholderReason(const QString &reason)
{
    return reason.startsWith(QLatin1String("the site is gone: "));
}

PageChange compareWithSeen(const SeenPage &was, const SeenPage &now)
{
    PageChange change;
    const QString hostThen = hostOf(was.finalAddress);
    const QString hostNow = hostOf(now.finalAddress);
    const bool hostChanged = !hostThen.isEmpty() && !hostNow.isEmpty() && hostThen != hostNow;
    const bool titleChanged = normalisedPhrase(was.title) != normalisedPhrase(now.title);
    const bool textChanged = was.fingerprint && now.fingerprint && !fingerprintsAlike(was.fingerprint, now.fingerprint);
    // A server's own page where the site was is no edit of the site: the host stays, the site is gone.
    const bool sameHostGone = now.standsIn && !was.standsIn && !hostThen.isEmpty() && hostThen == hostNow;
    if (!((hostChanged || sameHostGone) && titleChanged && textChanged))
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
