#include "browser/pagecopykeeper.h"

#include "check/verdict.h"
#include "copies/copystore.h"
#include "memory/pagefingerprint.h"
#include "platform/webbrowser.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThreadPool>
#include <QLocale>

namespace {

/// The words of the pages that stand between a visitor and a site until a check decides the visitor
/// is no robot (Cloudflare's, and the common ones of other services), normalised.
bool looksLikeBotCheck(const QString &title, const QString &text)
{
    static const QStringList titles = {QStringLiteral("just a moment"), QStringLiteral("attention required cloudflare"),
                                       QStringLiteral("are you a robot"), QStringLiteral("are you a human"),
                                       QStringLiteral("human verification"), QStringLiteral("security check"),
                                       QStringLiteral("ddos guard"), QStringLiteral("access denied")};
    const QString normalTitle = normalisedPhrase(title);
    for (const QString &t : titles)
        if (normalTitle == t || normalTitle.startsWith(t + QLatin1Char(' ')))
            return true;
    // Only a short page is a check's page: an article may well speak of robots.
    if (text.size() > 2000)
        return false;
    static const QStringList phrases = {QStringLiteral("verify you are human"), QStringLiteral("verifying you are human"),
                                        QStringLiteral("checking your browser before accessing"),
                                        QStringLiteral("please complete the security check"),
                                        QStringLiteral("enable javascript and cookies to continue")};
    const QString normalText = normalisedPhrase(text);
    for (const QString &p : phrases)
        if (normalText.contains(p))
            return true;
    return false;
}

} // namespace

QString whyPageIsNotGood(const LoadedPage &page, const std::optional<SeenPage> &seenBefore)
{
    // No answer at all is told as a person knows it, before the check's words for a failed load.
    if (page.failed && page.failure == WebBrowser::LoadFailure::TimedOut)
        return QStringLiteral("no answer in time");
    if (page.failed && page.failure == WebBrowser::LoadFailure::Unreachable)
        return QStringLiteral("cannot be reached");
    const EntryTarget target = targetOfEntry(page.entry);
    const QUrl checked = target.kind == EntryTarget::Kind::Web ? target.url : QUrl(page.entry);
    ProbeAnswer answer;
    answer.outcome = page.failed ? ProbeAnswer::Outcome::Unloadable : ProbeAnswer::Outcome::Answered;
    answer.status = page.httpStatus;
    answer.finalUrl = QUrl(page.finalAddress);
    answer.page.read = !page.failed;
    answer.page.title = page.title;
    answer.page.text = page.text;
    // What the list's check would say of this answer: an HTTP error, a soft 404, a parked domain, a
    // server's placeholder, a sign-in page the entry was sent to.
    const CheckResult result = resultFromBrowser(checked, ProbeAnswer{}, answer);
    if (result.verdict != Verdict::Alive && result.verdict != Verdict::Moved)
        return result.reason.isEmpty() ? QStringLiteral("the page did not load") : result.reason;
    if (leadsToSignIn(checked, answer.finalUrl))
        return signInReason();
    if (looksLikeBotCheck(page.title, page.text))
        return QStringLiteral("a check whether the visitor is a robot stands in front of the page");
    if (seenBefore) {
        SeenPage now;
        now.title = page.title;
        now.finalAddress = page.finalAddress;
        now.fingerprint = pageFingerprint(page.title, page.text);
        now.seenAt = QDateTime::currentDateTimeUtc();
        now.standsIn = standsInForAnyPage(result);
        const PageChange change = compareWithSeen(*seenBefore, now);
        if (change.changed)
            return QStringLiteral("not what you saved: %1").arg(change.text);
    }
    return {};
}

PageCopyKeeper::PageCopyKeeper(WebBrowser *view, CopyStore &store, QObject *parent)
    : QObject(parent)
    , m_view(view)
    , m_store(store)
{
    connect(view, &WebBrowser::pageCopyTaken, this, &PageCopyKeeper::copyTaken);
    connect(&store, &CopyStore::copyRead, this, &PageCopyKeeper::copyRead);
    connect(view, &WebBrowser::savedCopyShown, this, [this](bool ok) {
        if (m_shownEntry.isEmpty())
            return;
        if (ok) {
            emit copyShown(m_shownEntry, m_shownSavedAt, m_liveState);
            return;
        }
        const QString entry = std::exchange(m_shownEntry, QString());
        m_view->showLivePage();
        emit copyUnreadable(entry, CopyFile::unreadableMessage());
    });
    // Another page in the browser: a copy shown for the page before goes.
    connect(view, &WebBrowser::busyChanged, this, [this](bool busy) {
        if (busy) {
            m_readingEntry.clear();
            showLivePage();
        }
    });
}

QString PageCopyKeeper::barText(const QDateTime &savedAt, const QString &liveState)
{
    const QString when = QLocale(QLocale::English).toString(savedAt.toLocalTime(), QStringLiteral("d MMMM yyyy, HH:mm"));
    return QStringLiteral("Saved copy of %1. The live page: %2.").arg(when, liveState);
}

void PageCopyKeeper::showCopy(const QString &entry, const CopyRecord &record, const QString &liveState)
{
    m_readingEntry = entry;
    m_readingState = liveState;
    m_readingAsked = true;
    m_store.read(record);
}

namespace {

/// A header's encoded words ("=?utf-8?Q?Caf=C3=A9?=", "=?utf-8?B?...?=") as text; other text as it is.
QString decodedHeader(const QByteArray &value)
{
    static const QRegularExpression word(QStringLiteral("=\\?([^?]+)\\?([QqBb])\\?([^?]*)\\?="));
    const QString text = QString::fromLatin1(value);
    QByteArray out;
    qsizetype at = 0;
    QRegularExpressionMatchIterator words = word.globalMatch(text);
    while (words.hasNext()) {
        const QRegularExpressionMatch m = words.next();
        const QString between = text.mid(at, m.capturedStart() - at);
        // Space between two encoded words is not part of the text.
        if (at == 0 || !between.trimmed().isEmpty())
            out += between.toLatin1();
        QByteArray encoded = m.captured(3).toLatin1();
        if (m.captured(2).compare(QLatin1String("B"), Qt::CaseInsensitive) == 0) {
            out += QByteArray::fromBase64(encoded);
        } else {
            encoded.replace('_', ' ');
            out += QByteArray::fromPercentEncoding(encoded, '=');
        }
        at = m.capturedEnd();
    }
    out += text.mid(at).toLatin1();
    return QString::fromUtf8(out);
}

} // namespace

QString PageCopyKeeper::copyTitle(const QByteArray &mhtml)
{
    // The head ends at the first empty line; a header may go on over lines that begin with a space.
    const qsizetype end = mhtml.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = mhtml.left(end < 0 ? qMin<qsizetype>(mhtml.size(), 8192) : end).split('\n');
    QByteArray subject;
    bool inSubject = false;
    for (QByteArray line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (inSubject && (line.startsWith(' ') || line.startsWith('\t'))) {
            subject += line.mid(1);
            continue;
        }
        inSubject = line.toLower().startsWith("subject:");
        if (inSubject)
            subject = line.mid(8).trimmed();
    }
    return decodedHeader(subject).simplified();
}

QString PageCopyKeeper::noCopyText()
{
    return QStringLiteral("There is no saved copy of this page yet.");
}

QString PageCopyKeeper::noEntryText()
{
    return QStringLiteral("This page is not in your list: Quokka keeps no copies of it.");
}

void PageCopyKeeper::showNewestCopy(const QString &entry)
{
    if (entry.isEmpty()) {
        emit copyMissing(noEntryText());
        return;
    }
    m_readingEntry = entry;
    m_readingState = liveStateOf(entry);
    m_readingAsked = true;
    m_store.readNewest(entry);
}

void PageCopyKeeper::saveShownCopy(const QString &path)
{
    if (m_shownEntry.isEmpty() || m_shownMhtml.isEmpty()) {
        emit copySavedAs(path, false, QStringLiteral("no saved copy shows"));
        return;
    }
    QPointer<PageCopyKeeper> self(this);
    // A copy may run to tens of megabytes: written off the window's thread, whole or not at all.
    QThreadPool::globalInstance()->start([self, path, mhtml = m_shownMhtml] {
        QSaveFile file(path);
        QString problem;
        if (!file.open(QIODevice::WriteOnly))
            problem = file.errorString();
        else if (file.write(mhtml) != mhtml.size() || !file.commit())
            problem = file.errorString();
        QMetaObject::invokeMethod(qApp, [self, path, problem] {
            if (self)
                emit self->copySavedAs(path, problem.isEmpty(), problem);
        }, Qt::QueuedConnection);
    });
}

QString PageCopyKeeper::liveStateOf(const QString &entry) const
{
    if (entry != m_loadedEntry)
        return QStringLiteral("not loaded");
    return m_loadedState.isEmpty() ? QStringLiteral("loads as it should") : m_loadedState;
}

void PageCopyKeeper::showLivePage()
{
    // Also what a copy that could not be read told goes.
    m_shownEntry.clear();
    m_shownMhtml.clear();
    if (m_view)
        m_view->showLivePage();
    emit liveShown();
}

void PageCopyKeeper::copyRead(const QString &entry, const CopyRecord &record, const CopyReading &reading)
{
    if (m_readingEntry.isEmpty() || entry != m_readingEntry || !m_view)
        return;
    m_readingEntry.clear();
    const bool asked = std::exchange(m_readingAsked, false);
    if (record.id == 0) {
        // No copy of the entry: the live page shows as it is, and a person who asked is told.
        if (asked)
            emit copyMissing(noCopyText());
        return;
    }
    if (!reading.ok) {
        // The file is gone or damaged: told, and nothing touched.
        emit copyUnreadable(entry, reading.problem.isEmpty() ? CopyFile::unreadableMessage() : reading.problem);
        return;
    }
    m_shownEntry = entry;
    m_shownSavedAt = record.seenAt.isValid() ? record.seenAt : record.takenAt;
    m_liveState = m_readingState;
    m_shownMhtml = reading.content.mhtml;
    m_view->showSavedCopy(reading.content.mhtml);
}

void PageCopyKeeper::pageLoaded(const LoadedPage &page, const QString &whyNotGood)
{
    if (!m_view)
        return;
    m_loadedEntry = page.entry;
    m_loadedState = whyNotGood;
    m_loadedState.remove(QStringLiteral(" in a browser"));
    if (!whyNotGood.isEmpty()) {
        // A bad page is never kept: the copies there are stay as they are, and the last good one
        // shows in its place.
        QString state = whyNotGood;
        state.remove(QStringLiteral(" in a browser"));
        m_readingEntry = page.entry;
        m_readingState = state;
        m_readingAsked = false;
        m_store.readNewest(page.entry);
        return;
    }
    // The page may have gone on meanwhile (the person chose another entry): only the page that was
    // judged is kept as the entry's.
    if (m_view->isBusy() || m_view->url() != page.finalAddress)
        return;
    m_copyingEntry = page.entry;
    m_copyingAddress = page.finalAddress;
    m_view->takePageCopy();
}

void PageCopyKeeper::copyTaken(const PageCopy &copy)
{
    if (m_copyingEntry.isEmpty() || copy.address != m_copyingAddress)
        return;
    const QString entry = std::exchange(m_copyingEntry, QString());
    m_copyingAddress.clear();
    if (!copy.ok)
        return; // the page stays uncopied this time; the next visit tries again
    CopyContent content;
    content.mhtml = copy.mhtml;
    content.text = copy.text;
    content.thumbnailPng = copy.thumbnailPng;
    QPointer<PageCopyKeeper> self(this);
    // The store answers every request in order; this keeper's answer is the one for its entry.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(&m_store, &CopyStore::kept, this, [this, entry, connection](const QString &address, const KeepResult &result) {
        if (address != entry)
            return;
        disconnect(*connection);
        emit copyKept(entry, result);
    });
    m_store.keep(entry, PageCondition::Good, content);
}
