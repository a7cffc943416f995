// A checked entry's verdict, and the plain decisions that lead to it (no network, no widgets).
#pragma once

#include "platform/pageprobe.h"

#include <QString>
#include <QUrl>

#include <optional>

enum class Verdict {
    Alive,   ///< the page answers (2xx), after temporary redirects if any
    Moved,   ///< it answers only after a permanent redirect to another address
    Dead,    ///< gone: confirmed 404 or 410, no such host, nothing listening, cannot be loaded
    Blocked, ///< the server answers but refuses even a real browser (401, 403, 429)
    Failing, ///< server errors or time-outs after retries: it may come back
    Skipped, ///< not something to check (empty, javascript:, mailto:, ...)
    Parked,  ///< it answers, but with a parking or domain-sale page: what was there is gone
};
inline constexpr int verdictCount = 7;

/// Whether the entry's page is gone for the person (dead or parked): what Remove Dead, Remove
/// Parked and quokka-check's exit status count.
inline bool isGoneVerdict(Verdict verdict)
{
    return verdict == Verdict::Dead || verdict == Verdict::Parked;
}

/// The verdict's word as reports and screen readers give it: "alive", "moved", ...
QString verdictWord(Verdict verdict);
/// The verdict of a word verdictWord() gives; nothing for any other text.
std::optional<Verdict> verdictFromWord(const QString &word);

/// What the check found for one entry.
struct CheckResult {
    Verdict verdict = Verdict::Skipped;
    /// The last HTTP status seen, 0 when there was none.
    int status = 0;
    /// The address after redirects, when it differs from the checked one.
    QString finalAddress;
    /// For a moved entry: the address that replaces it (where the permanent redirects led).
    QString newAddress;
    qint64 milliseconds = 0;
    /// True when the web engine's answer decided.
    bool byBrowser = false;
    /// One line a person understands.
    QString reason;
    /// The page's title, when a page was read (by the fast pass or the engine); empty otherwise.
    QString title;
    /// The page's fingerprint (pageFingerprint() of its title and visible text) when a page was
    /// read; 0 otherwise.
    quint64 fingerprint = 0;
    /// True when the engine failed (its page process ended or could not run), not the page.
    bool engineFailed = false;
};

/// What an entry of a list is to the checker.
struct EntryTarget {
    enum class Kind { Skip, Web, File, Unloadable };
    Kind kind = Kind::Skip;
    /// The address to request (Web) or the file to look for (File).
    QUrl url;
    /// Why it is skipped or cannot be loaded.
    QString reason;
};

/// Browsers refuse addresses longer than this many characters.
inline constexpr qsizetype longestAddress = 2 * 1024 * 1024;

/// Reads an entry as the list browser's address box would: an address with a scheme, or a host
/// name (with a dot, or "localhost") that gets "http://". Empty entries, other schemes and text
/// that is no address are skipped.
EntryTarget targetOfEntry(const QString &entry);

/// The verdict for a file: entry, by whether the file exists; the file is never read.
CheckResult fileResult(const QUrl &url);

/// Whether a plain request's answer is worth asking again after a pause (time-outs, broken
/// connections, 429, 502, 503, 504).
bool isTransient(const ProbeAnswer &answer);
/// Whether a plain request's answer leaves the verdict in doubt, so that the engine must decide.
bool needsBrowser(const ProbeAnswer &answer);
/// Whether @p final, where the redirects from @p checked ended, is a sign-in page on another
/// address: a path such as /login, /signin or /users/sign_in, a query that names the page to
/// return to (?next=, ?return_to=) on a sign-in path, or an identity provider's host. An entry that
/// is itself a sign-in page does not count.
bool leadsToSignIn(const QUrl &checked, const QUrl &final);
/// Whether a redirect to @p next already tells the verdict (a parking service, an identity
/// provider), so that the check stops there rather than asks that host.
bool redirectTellsEnough(const QUrl &next);
/// The reason for such an entry's blocked verdict.
QString signInReason();

/// The verdict from a plain request's answer alone (also when the engine is not used).
CheckResult resultFromRequest(const QUrl &checked, const ProbeAnswer &answer);
/// The verdict from the engine's answer; @p request is what the plain request had found.
CheckResult resultFromBrowser(const QUrl &checked, const ProbeAnswer &request, const ProbeAnswer &browser);

/// What a host answered for an address it cannot have (madeUpAddressBeside() an entry's): a host
/// that answers it with a page answers every missing address with that page.
struct MadeUpAnswer {
    /// The server answered it, with whatever status.
    bool heard = false;
    /// It answered 2xx (after redirects): every 2xx answer of the host is in doubt.
    bool answers = false;
    /// Where its redirects ended, when they took it to another page (the made-up name gone from
    /// the address, as when every unknown path is sent to the home page); empty otherwise.
    QUrl sentTo;
    /// pageFingerprint() of the page it got; 0 when no page was read.
    quint64 fingerprint = 0;
    /// That page's title.
    QString title;
    /// The site's home page answered otherwise than this (another page, or another status): the site
    /// does not show this page at every address, and this is the page it gives for a missing one.
    /// Without that (its home shows this same page too, or could not be asked), a page alike tells
    /// nothing.
    bool homeDiffers = false;
};
/// What the final answer for the made-up address @p asked says, with @p result its verdict as an
/// entry's (resultFromRequest() or resultFromBrowser() of that answer).
MadeUpAnswer madeUpAnswer(const QUrl &asked, const ProbeAnswer &answer, const CheckResult &result);
/// Whether @p result's page stands in for any page: a server's or a host's placeholder, or the page
/// a site shows at every address (judgeAgainstMadeUp() says so in the reason).
bool standsInForAnyPage(const CheckResult &result);
/// Whether the host's home page must be seen before entries alike @p madeUp can be judged: the
/// made-up address answered with a page at its own address (not sent elsewhere).
bool madeUpWantsSiteHome(const MadeUpAnswer &madeUp);
/// The home page of @p url's site: its scheme, host and port, the path "/".
QUrl siteHomeOf(const QUrl &url);
/// Learns from @p home (madeUpAnswer() of the site's home page) whether the site has pages unlike
/// the made-up address's.
void learnSiteHome(MadeUpAnswer &madeUp, const MadeUpAnswer &home);
/// Whether @p result is a page that answered (alive or moved), so that it is only known once the
/// host's made-up address has answered.
bool waitsForMadeUp(const CheckResult &result);
/// Makes @p result dead when it is the page the host gives for the made-up address: the same page
/// (title and visible text alike by fingerprint, and the same title but for digits and case) where
/// the site's home page is another page, or the same address its redirects end at. When the
/// made-up address was sent to another page, only entries that were sent there too count: the page
/// itself, and pages that answer at their own address, are pages of their own. A site's home page
/// is never its own soft 404, nor an entry that names it (/index.html, /home) and is sent there. A
/// page alike on a site that shows it at its home too stays alive, with that doubt in its reason.
void judgeAgainstMadeUp(CheckResult &result, const QUrl &checked, const MadeUpAnswer &madeUp);
