#include "changes/changearchive.h"

#include "store/addresstoload.h"

#include <QCryptographicHash>
#include <QUrl>

#include <zstd.h>

namespace {

// zstd's default level: a page's text shrinks to a fifth or so, fast enough for every look.
constexpr int packLevel = 3;
// A text is never unpacked past this (the engine's text of a page is far smaller).
constexpr qint64 largestText = 64 * 1024 * 1024;

QString hashOf(const QByteArray &utf8)
{
    return QString::fromLatin1(QCryptographicHash::hash(utf8, QCryptographicHash::Sha256).toHex());
}

} // namespace

bool ChangeArchive::open(const QString &memoryPath)
{
    const PageMemoryOpening opening = m_memory.open(memoryPath);
    m_problem = opening.ok ? QString() : (opening.problem.isEmpty() ? opening.whyReadOnly : opening.problem);
    return opening.ok || opening.readable;
}

QString ChangeArchive::hostOf(const QString &address)
{
    const QUrl url = addressToLoad(address);
    return url.isLocalFile() ? QString() : url.host().toLower();
}

QByteArray ChangeArchive::pack(const QString &text)
{
    const QByteArray raw = text.toUtf8();
    QByteArray stored(qsizetype(ZSTD_compressBound(std::size_t(raw.size()))), Qt::Uninitialized);
    const std::size_t size = ZSTD_compress(stored.data(), std::size_t(stored.size()), raw.constData(), std::size_t(raw.size()), packLevel);
    if (ZSTD_isError(size))
        return {};
    stored.truncate(qsizetype(size));
    return stored;
}

std::optional<QString> ChangeArchive::unpack(const QByteArray &stored)
{
    const unsigned long long size = ZSTD_getFrameContentSize(stored.constData(), std::size_t(stored.size()));
    if (size == ZSTD_CONTENTSIZE_ERROR || size == ZSTD_CONTENTSIZE_UNKNOWN || size > quint64(largestText))
        return std::nullopt;
    QByteArray raw(qsizetype(size), Qt::Uninitialized);
    const std::size_t got = ZSTD_decompress(raw.data(), std::size_t(raw.size()), stored.constData(), std::size_t(stored.size()));
    if (ZSTD_isError(got) || got != size)
        return std::nullopt;
    return QString::fromUtf8(raw);
}

LookRecorded ChangeArchive::recordLook(const QString &address, LookRecord::Kind kind, const QString &text, const QDateTime &seenAt)
{
    LookRecorded out;
    const QByteArray raw = text.toUtf8();
    out.look.address = address;
    out.look.host = hostOf(address);
    out.look.kind = kind;
    out.look.seenAt = seenAt.toUTC();
    out.look.textHash = hashOf(raw);
    const QByteArray stored = pack(text);
    if (stored.isEmpty() && !raw.isEmpty()) {
        out.problem = QStringLiteral("The text of the page could not be compressed.");
        return out;
    }
    const bool known = m_memory.lookText(out.look.textHash).has_value();
    out.ok = m_memory.recordLook(out.look, stored, raw.size());
    out.problem = m_memory.lastProblem();
    out.storedBytes = out.ok && !known ? stored.size() : 0;
    if (out.ok) {
        const QList<LookRecord> looks = m_memory.looksOf(address);
        if (!looks.isEmpty())
            out.look = looks.last();
    }
    return out;
}

std::optional<QString> ChangeArchive::textOf(const LookRecord &look) const
{
    const std::optional<QByteArray> stored = m_memory.lookText(look.textHash);
    if (!stored)
        return std::nullopt;
    return unpack(*stored);
}

ChangeAnswer ChangeArchive::changedSinceLastLook(const QString &address, bool beforeNewest)
{
    const QList<LookRecord> looks = m_memory.looksOf(address);
    if (looks.isEmpty()) {
        ChangeAnswer answer;
        answer.entry = address;
        return answer;
    }
    const int newer = int(looks.size()) - 1;
    int older = -1;
    for (int i = beforeNewest ? newer - 1 : newer; i >= 0; --i) {
        if (looks[i].kind == LookRecord::Kind::Person) {
            older = i;
            break;
        }
    }
    if (older < 0)
        older = newer - 1;
    return compareLooks(address, looks, older, newer);
}

ChangeAnswer ChangeArchive::compare(const QString &address, qint64 olderId, qint64 newerId)
{
    const QList<LookRecord> looks = m_memory.looksOf(address);
    int older = -1, newer = -1;
    for (int i = 0; i < looks.size(); ++i) {
        if (looks[i].id == olderId)
            older = i;
        if (looks[i].id == newerId)
            newer = i;
    }
    if (newer < 0 || older < 0 || older > newer) {
        ChangeAnswer answer;
        answer.entry = address;
        answer.problem = QStringLiteral("Those looks at the page are no longer kept.");
        return answer;
    }
    return compareLooks(address, looks, older, newer);
}

ChangeAnswer ChangeArchive::compareLooks(const QString &address, const QList<LookRecord> &looks, int older, int newer)
{
    ChangeAnswer answer;
    answer.entry = address;
    answer.now = looks[newer];
    if (older < 0)
        return answer;
    answer.comparedWith = looks[older];
    if (older == newer)
        return answer;
    // Texts are read through a small cache: the same few come back for each comparison of the entry.
    if (m_lines.size() > 256)
        m_lines.clear();
    auto linesOf = [this, &answer](const LookRecord &look) -> std::optional<QStringList> {
        const auto cached = m_lines.constFind(look.textHash);
        if (cached != m_lines.cend())
            return *cached;
        const std::optional<QString> text = textOf(look);
        if (!text) {
            answer.problem = QStringLiteral("The text of the look of %1 cannot be read.").arg(look.seenAt.toString(Qt::ISODate));
            return std::nullopt;
        }
        return *m_lines.insert(look.textHash, readableLines(*text));
    };
    ChangeInput input;
    const std::optional<QStringList> was = linesOf(looks[older]);
    const std::optional<QStringList> is = linesOf(looks[newer]);
    if (!was || !is)
        return answer;
    input.compared = {*was, looks[older].seenAt};
    input.now = {*is, looks[newer].seenAt};
    for (int i = 0; i <= newer; ++i) {
        if (const std::optional<QStringList> lines = linesOf(looks[i]))
            input.looks.append({*lines, looks[i].seenAt});
    }
    input.hostPages = hostPages(looks[newer], {looks[older].textHash, looks[newer].textHash});
    input.countedAgain = m_memory.partsCountedAgain(address);
    answer.report = ::compareLooks(input);
    answer.changedLines = answer.report.changedLines;
    return answer;
}

QList<QStringList> ChangeArchive::hostPages(const LookRecord &now, const QStringList &ownHashes)
{
    QList<QStringList> pages;
    auto add = [&](const LookRecord &look) {
        // Another entry showing this very page (an address written two ways) shares everything with it.
        if (ownHashes.contains(look.textHash))
            return;
        const auto cached = m_lines.constFind(look.textHash);
        if (cached != m_lines.cend()) {
            pages.append(*cached);
            return;
        }
        if (const std::optional<QString> text = textOf(look))
            pages.append(*m_lines.insert(look.textHash, readableLines(*text)));
    };
    for (const LookRecord &other : m_memory.latestLooksOnHost(now.host, now.address)) {
        add(other);
        // And the look before it: what the site's pages showed then and show now in its place (a rail
        // of teasers on every page, taking turns in step) is the site's, not this page's.
        const QList<LookRecord> looks = m_memory.looksOf(other.address);
        if (looks.size() >= 2 && looks.last().id == other.id)
            add(looks[looks.size() - 2]);
    }
    return pages;
}

bool ChangeArchive::countPartAgain(const QString &address, const QString &part)
{
    const bool ok = m_memory.countPartAgain(address, part);
    m_problem = m_memory.lastProblem();
    return ok;
}
