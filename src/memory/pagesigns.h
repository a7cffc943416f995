// What a page that answers 200 may still say: that it is not found, that its domain is parked or
// for sale, or that it is no longer what the person saw there. Pure functions over the page's
// title, main heading, visible text and final address, and the tables shipped in dat/.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class QRandomGenerator;

/// A parking or domain-sale service, known by the host its pages are on.
struct ParkingService {
    /// Lower case, without a leading dot: pages on it or any subdomain of it count.
    QString host;
    /// The name the verdict gives ("Sedo").
    QString name;
};

/// A page a server or a hosting company shows where a site used to be (dat/placeholder-pages.txt).
struct PlaceholderPage {
    enum class Kind { ServerDefault, Suspended, Placeholder, EmptyFolder };
    Kind kind = Kind::ServerDefault;
    /// Whose page it is ("nginx (Debian's nginx-common)").
    QString name;
    /// Normalised: the page's whole title is one of these, or its main heading one of the headings.
    QStringList titles;
    QStringList headings;
    /// Normalised: each stands in the visible text.
    QStringList phrases;
    /// Normalised words: when any are given, the visible text has no others (numbers and the host's
    /// own name aside).
    QStringList onlyWords;
};

/// The phrases and services the judgements look for, read from the shipped tables.
struct PageSignTables {
    /// Normalised (see normalisedPhrase()).
    QStringList notFoundPhrases;
    QList<ParkingService> parkingServices;
    /// Normalised.
    QStringList parkedPhrases;
    QList<PlaceholderPage> placeholderPages;

    /// Reads the not-found table's text: one phrase a line, '#' comments.
    void addNotFoundTable(const QString &text);
    /// Reads the parked table's text: "host <domain> <service>" and "phrase <text>" lines, '#'
    /// comments. Lines of another form go to @p unread (with their line numbers) when given.
    void addParkedTable(const QString &text, QStringList *unread = nullptr);
    /// Reads the placeholder table's text: "page <kind> <name>" lines, each followed by "title",
    /// "heading", "text" and "only" lines, '#' comments. Lines of another form, and pages that say
    /// nothing to know them by, go to @p unread (with their line numbers) when given.
    void addPlaceholderTable(const QString &text, QStringList *unread = nullptr);

    /// The tables shipped beside the program (dat/not-found-phrases.txt, dat/parked-domains.txt,
    /// dat/placeholder-pages.txt), read once. What could not be read is told in @p problem.
    static const PageSignTables &shipped(QString *problem = nullptr);
    /// Reads the three tables from files, each on its own; false when one cannot be read (the others
    /// are read all the same). What went wrong, also lines that could not be read, is in @p problem.
    bool load(const QString &notFoundFile, const QString &parkedFile, const QString &placeholderFile, QString *problem);
};

/// A phrase as the tables compare it: case-folded, apostrophes dropped, every other mark a space,
/// spaces collapsed.
QString normalisedPhrase(const QString &text);

/// The verdict's reason for a page that says it is not found.
QString notFoundReason();
/// Whether a page, by its title or main heading, says it is not there ("Page not found | Shop",
/// "Error 404 (Not Found)", "Seite nicht gefunden"). A title that merely speaks of such pages
/// ("404 errors explained") does not.
bool saysNotFound(const QString &title, const QString &heading, const PageSignTables &tables);

/// What made a page look parked.
struct ParkedSign {
    bool parked = false;
    /// The service it is parked at, when its address told; empty when only its words did.
    QString service;
};
/// Whether the page at @p finalAddress is a parked or for-sale domain: by the service its address
/// is on, or a phrase in its title, heading, or short visible text.
ParkedSign parkedSign(const QUrl &finalAddress, const QString &title, const QString &heading, const QString &text,
                      const PageSignTables &tables);
/// The verdict's reason: "the domain is parked or for sale (at Sedo)".
QString parkedReason(const ParkedSign &sign);

/// Whether the page at @p finalAddress is a server's default page, a suspended account's page, a
/// hosting panel's placeholder or an empty folder listing: what shows where a site is gone. Nothing
/// when it is none of them.
std::optional<PlaceholderPage::Kind> placeholderSign(const QUrl &finalAddress, const QString &title, const QString &heading,
                                                     const QString &text, const PageSignTables &tables);
/// The verdict's reason for such a page: "the site is gone: the server shows its default page".
QString placeholderReason(PlaceholderPage::Kind kind);
/// Whether @p reason is one placeholderReason() gives (also with what follows it, " in a browser").
bool isPlaceholderReason(const QString &reason);

/// A page as it was seen once.
struct SeenPage {
    QString title;
    /// Where it ended after redirects.
    QString finalAddress;
    /// pageFingerprint() of it; 0 when unknown.
    quint64 fingerprint = 0;
    QDateTime seenAt;
    /// The page is no page of its own: a server's or a host's placeholder (placeholderSign()), or the
    /// one page a site shows at every address.
    bool standsIn = false;
};
/// Whether the page is not what the person saw.
struct PageChange {
    bool changed = false;
    /// "was 'Qt 6 documentation', 2026-11-03; now 'This domain may be for sale'"
    QString text;
};
/// A page counts as changed only when its final host, its title and its fingerprint all differ
/// from what was seen: a site that moved, a retitled page or an edited text is still the page. On
/// the same host, a page whose title and fingerprint both changed to one that stands in for any
/// page (@p now's standsIn: a placeholder, the one page a site shows everywhere) counts too: what
/// was there is gone from its own server. Unknown parts (no fingerprint, no address) never count as
/// changed.
PageChange compareWithSeen(const SeenPage &was, const SeenPage &now);

/// An address beside @p entry that no site has: the same scheme, host and folder, a random name,
/// no query. A host that answers it with a page rather than 404 answers everything so.
QUrl madeUpAddressBeside(const QUrl &entry, QRandomGenerator *random);
