#include "copies/copyarchive.h"

#include "store/listpaths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>

namespace {

// What a killed write leaves (a temporary file, or a copy file whose record never came) is removed
// when it is older than this: a younger one may belong to a write going on in another Quokka
// process (quokka-check beside the program).
constexpr qint64 leftoverAgeSeconds = 600;

constexpr qint64 mebibyte = 1024 * 1024;

QString mebibytes(qint64 bytes)
{
    return QString::number(double(bytes) / mebibyte, 'f', bytes < 10 * mebibyte ? 1 : 0);
}

bool isContentHash(const QString &name)
{
    if (name.size() != 64)
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    });
}

// The top header block of an MHTML file: up to the first empty line.
qsizetype headerEnd(const QByteArray &mhtml)
{
    const qsizetype crlf = mhtml.indexOf("\r\n\r\n");
    const qsizetype lf = mhtml.indexOf("\n\n");
    if (crlf < 0)
        return lf < 0 ? mhtml.size() : lf;
    return lf < 0 ? crlf : qMin(crlf, lf);
}

} // namespace

CopyArchive::CopyArchive() = default;
CopyArchive::~CopyArchive() = default;

std::optional<qint64> byteSizeFromText(const QString &text)
{
    static const QRegularExpression size(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*(?:([KMGT])(?:i?B)?|B)?\\s*$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double number = match.captured(1).toDouble(&ok);
    const QString unit = match.captured(2).toUpper();
    const int shift = unit.isEmpty() ? 0 : unit == u"K" ? 10 : unit == u"M" ? 20 : unit == u"G" ? 30 : 40;
    const double bytes = number * double(qint64(1) << shift);
    if (!ok || bytes < 1 || bytes > double(qint64(1) << 62))
        return std::nullopt;
    return qint64(bytes);
}

QString CopyArchive::defaultFolder()
{
    return ListPaths::dataFolder() + QStringLiteral("/copies");
}

QString CopyArchive::contentHash(const QByteArray &mhtml)
{
    const qsizetype end = headerEnd(mhtml);
    QByteArray head = mhtml.left(end);
    QByteArray body = mhtml.mid(end);
    // The boundary between parts is drawn at random for each save.
    QByteArray boundary;
    // Looked for in the Content-Type header only: the Subject before it is the page's own title.
    const QByteArray lowerHead = head.toLower();
    const qsizetype type = lowerHead.indexOf("\ncontent-type:");
    const qsizetype at = type < 0 ? -1 : lowerHead.indexOf("boundary=", type);
    if (at >= 0) {
        qsizetype from = at + 9;
        const bool quoted = from < head.size() && head.at(from) == '"';
        if (quoted)
            ++from;
        qsizetype to = from;
        while (to < head.size() && head.at(to) != '\r' && head.at(to) != '\n' && head.at(to) != ';'
               && head.at(to) != (quoted ? '"' : ' '))
            ++to;
        boundary = head.mid(from, to - from);
    }
    // The save's date.
    QByteArray steady;
    for (const QByteArray &line : head.split('\n')) {
        if (!line.toLower().startsWith("date:"))
            steady += line + '\n';
    }
    steady += body;
    if (boundary.size() >= 8)
        steady.replace(boundary, "boundary");
    // Frames are named <frame-GUID@mhtml.blink>, a new GUID each save.
    static const QByteArray frameDomain = "@mhtml.blink";
    QByteArray named;
    named.reserve(steady.size());
    qsizetype copied = 0;
    for (qsizetype found = steady.indexOf(frameDomain); found >= 0; found = steady.indexOf(frameDomain, found + 1)) {
        qsizetype start = found;
        while (start > copied) {
            const char c = steady.at(start - 1);
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-'))
                break;
            --start;
        }
        named += QByteArrayView(steady).sliced(copied, start - copied);
        named += "frame";
        copied = found;
    }
    named += QByteArrayView(steady).sliced(copied);
    return QString::fromLatin1(QCryptographicHash::hash(named, QCryptographicHash::Sha256).toHex());
}

bool CopyArchive::open(const QString &folder, const QString &memoryPath, const CopyLimits &limits)
{
    m_open = false;
    m_folder = QDir(folder).absolutePath();
    m_limits = limits;
    m_problem.clear();
    if (!QDir().mkpath(m_folder) || !QFileInfo(m_folder).isDir()) {
        m_problem = QStringLiteral("The folder for saved copies %1 cannot be made.").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    const PageMemoryOpening opening = m_memory.open(memoryPath);
    if (!opening.ok) {
        m_problem = opening.problem;
        return false;
    }
    m_open = true;
    tidy();
    return true;
}

QHash<QString, QDateTime> CopyArchive::lastGoodCopies(const PageMemory &memory, const QStringList &addresses,
                                                      const QString &folder)
{
    QHash<QString, QDateTime> taken;
    const QSet<QString> wanted(addresses.cbegin(), addresses.cend());
    if (wanted.isEmpty())
        return taken;
    const auto all = memory.allCopies();
    if (!all)
        return taken;
    // Oldest first: the last record of an entry whose file is there is its newest copy.
    QHash<QString, bool> fileThere;
    for (const CopyRecord &record : *all) {
        if (!wanted.contains(record.address))
            continue;
        auto there = fileThere.find(record.contentHash);
        if (there == fileThere.end())
            there = fileThere.insert(record.contentHash,
                                     QFileInfo(folder + QLatin1Char('/') + record.contentHash + QLatin1String(CopyFile::suffix)).isFile());
        if (*there)
            taken.insert(record.address, record.takenAt);
    }
    return taken;
}

QString CopyArchive::pathOf(const QString &contentHash) const
{
    return m_folder + QLatin1Char('/') + contentHash + QLatin1String(CopyFile::suffix);
}

QList<CopyRecord> CopyArchive::copiesOf(const QString &address) const
{
    return m_open ? m_memory.copiesOf(address) : QList<CopyRecord>{};
}

CopyReading CopyArchive::read(const CopyRecord &record) const
{
    if (!isContentHash(record.contentHash)) {
        CopyReading reading;
        reading.problem = CopyFile::unreadableMessage();
        reading.detail = QStringLiteral("its record names no copy file");
        return reading;
    }
    return CopyFile::read(pathOf(record.contentHash));
}

CopyReading CopyArchive::readNewest(const QString &address) const
{
    const QList<CopyRecord> copies = copiesOf(address);
    if (copies.isEmpty()) {
        CopyReading reading;
        reading.detail = QStringLiteral("no copy of this page is kept");
        return reading;
    }
    return read(copies.first());
}

qint64 CopyArchive::storedBytes() const
{
    return m_open ? m_memory.copyBytes() : 0;
}

KeepResult CopyArchive::keep(const QString &address, PageCondition condition, const CopyContent &content,
                             const QDateTime &takenAt)
{
    KeepResult result;
    if (condition != PageCondition::Good) {
        result.outcome = KeepResult::Outcome::NotGood;
        result.message = QStringLiteral("Only a good page is kept as a copy; this one is not.");
        return result;
    }
    if (!m_open) {
        result.message = m_problem.isEmpty() ? QStringLiteral("The saved copies cannot be used.") : m_problem;
        return result;
    }
    if (address.isEmpty() || address.size() > PageMemory::longestAddress) {
        result.message = QStringLiteral("This entry's copy is not kept: its address is empty or too long.");
        return result;
    }
    if (content.mhtml.isEmpty()) {
        result.message = QStringLiteral("This page's copy is not kept: the page gave nothing to keep.");
        return result;
    }
    if (content.mhtml.size() > m_limits.largestPage) {
        result.outcome = KeepResult::Outcome::TooLarge;
        result.message = QStringLiteral("This page is not kept as a copy: saved, it takes %1 MiB, more than the %2 MiB "
                                        "a copy may take.")
                             .arg(mebibytes(content.mhtml.size()), mebibytes(m_limits.largestPage));
        return result;
    }
    const QString hash = contentHash(content.mhtml);
    result.contentHash = hash;
    const QString path = pathOf(hash);
    const QList<CopyRecord> earlier = m_memory.copiesOf(address);
    const QFileInfo file(path);
    // Records that cannot be read leave the file to be written again: the same bytes, never a loss.
    const std::optional<QList<CopyRecord>> sameContent = m_memory.copiesWithContent(hash);
    const qint64 recordedSize = !sameContent || sameContent->isEmpty() ? -1 : sameContent->first().storedSize;
    // A stored file is taken as the copy it names only when it reads whole; a missing, cut or damaged
    // one is written again.
    const bool stored = file.isFile() && recordedSize >= 0 && file.size() == recordedSize && CopyFile::read(path).ok;

    CopyRecord record;
    record.address = address;
    record.takenAt = takenAt.toUTC();
    record.seenAt = record.takenAt;
    record.contentHash = hash;
    record.pageSize = content.mhtml.size();
    record.textSize = content.text.toUtf8().size();
    record.thumbnailSize = content.thumbnailPng.size();
    if (stored) {
        record.storedSize = recordedSize;
        result.outcome = !earlier.isEmpty() && earlier.first().contentHash == hash ? KeepResult::Outcome::Unchanged
                                                                                    : KeepResult::Outcome::Shared;
    } else {
        const QByteArray bytes = CopyFile::encode(content);
        if (bytes.size() > m_limits.budgetBytes) {
            result.outcome = KeepResult::Outcome::TooLarge;
            result.message = QStringLiteral("This page is not kept as a copy: it takes %1 MiB, more than all copies may "
                                            "take (%2 MiB).")
                                 .arg(mebibytes(bytes.size()), mebibytes(m_limits.budgetBytes));
            return result;
        }
        const CopyWriting writing = CopyFile::writeBytes(path, bytes);
        if (!writing.ok) {
            result.message = QStringLiteral("This page's copy could not be kept: %1.").arg(writing.problem);
            return result;
        }
        record.storedSize = writing.storedSize;
        result.outcome = KeepResult::Outcome::Kept;
    }
    // The file is whole before its record is written: a kill in between leaves a file without a
    // record, which tidy() removes, never a record without its file.
    if (!m_memory.recordCopy(record)) {
        result.outcome = KeepResult::Outcome::Failed;
        result.message = QStringLiteral("This page's copy could not be kept: %1").arg(m_memory.lastProblem());
        return result;
    }
    result.storedSize = record.storedSize;
    trimEntry(address);
    keepBudget(hash);
    return result;
}

void CopyArchive::trimEntry(const QString &address)
{
    const QList<CopyRecord> copies = m_memory.copiesOf(address);
    QList<qint64> old;
    QSet<QString> hashes;
    for (qsizetype i = qMax(1, m_limits.copiesPerEntry); i < copies.size(); ++i) {
        old.append(copies.at(i).id);
        hashes.insert(copies.at(i).contentHash);
    }
    if (!old.isEmpty() && m_memory.forgetCopies(old))
        removeUnusedFiles(hashes);
}

QList<qint64> CopyArchive::copiesOverBudget(const QList<CopyRecord> &all, const QSet<QString> &goneAddresses,
                                            qint64 budget, qint64 keepId)
{
    QHash<QString, qint64> sizes;
    QHash<QString, int> users;
    QHash<QString, const CopyRecord *> newest;
    for (const CopyRecord &copy : all) {
        sizes.insert(copy.contentHash, copy.storedSize);
        ++users[copy.contentHash];
        const CopyRecord *&latest = newest[copy.address];
        if (!latest || copy.seenAt > latest->seenAt || (copy.seenAt == latest->seenAt && copy.id > latest->id))
            latest = &copy;
    }
    qint64 total = 0;
    for (const qint64 size : std::as_const(sizes))
        total += size;
    if (total <= budget)
        return {};

    // Each record's place in the order in which copies go: a tier, then the oldest first.
    struct Candidate {
        int tier;
        QDateTime seenAt;
        qint64 id;
        const CopyRecord *copy;
    };
    QList<Candidate> candidates;
    for (const CopyRecord &copy : all) {
        if (copy.id == keepId)
            continue;
        const bool isNewest = newest.value(copy.address) == &copy;
        const int tier = !isNewest ? 0 : goneAddresses.contains(copy.address) ? 2 : 1;
        candidates.append({tier, copy.seenAt, copy.id, &copy});
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) {
        if (a.tier != b.tier)
            return a.tier < b.tier;
        if (a.seenAt != b.seenAt)
            return a.seenAt < b.seenAt;
        return a.id < b.id;
    });
    QList<qint64> going;
    for (const Candidate &candidate : std::as_const(candidates)) {
        if (total <= budget)
            break;
        going.append(candidate.id);
        if (--users[candidate.copy->contentHash] == 0)
            total -= sizes.value(candidate.copy->contentHash);
    }
    return going;
}

void CopyArchive::keepBudget(const QString &justKept)
{
    if (m_memory.copyBytes() <= m_limits.budgetBytes)
        return;
    const std::optional<QList<CopyRecord>> records = m_memory.allCopies();
    if (!records)
        return;
    const QList<CopyRecord> &all = *records;
    QStringList addresses;
    qint64 keepId = 0;
    for (const CopyRecord &copy : all) {
        if (addresses.isEmpty() || addresses.constLast() != copy.address)
            addresses.append(copy.address);
        if (copy.contentHash == justKept && (keepId == 0 || copy.id > keepId))
            keepId = copy.id;
    }
    addresses.removeDuplicates();
    // An entry whose last check found its page gone keeps its last good copy longest.
    QSet<QString> gone;
    const QHash<QString, PageRecord> checks = m_memory.lastChecks(addresses);
    for (auto it = checks.cbegin(); it != checks.cend(); ++it) {
        if (!it->verdict.isEmpty() && it->verdict != QLatin1String("alive"))
            gone.insert(it.key());
    }
    const QList<qint64> going = copiesOverBudget(all, gone, m_limits.budgetBytes, keepId);
    if (going.isEmpty())
        return;
    QSet<QString> hashes;
    const QSet<qint64> ids(going.cbegin(), going.cend());
    for (const CopyRecord &copy : all) {
        if (ids.contains(copy.id))
            hashes.insert(copy.contentHash);
    }
    if (m_memory.forgetCopies(going))
        removeUnusedFiles(hashes);
}

void CopyArchive::removeUnusedFiles(const QSet<QString> &hashes)
{
    for (const QString &hash : hashes) {
        // A file goes only when its records are known to be gone, never when they cannot be read.
        const std::optional<QList<CopyRecord>> users = m_memory.copiesWithContent(hash);
        if (isContentHash(hash) && users && users->isEmpty())
            QFile::remove(pathOf(hash));
    }
}

void CopyArchive::tidy()
{
    const std::optional<QList<CopyRecord>> records = m_memory.allCopies();
    if (!records)
        return;
    QSet<QString> used;
    for (const CopyRecord &copy : *records)
        used.insert(copy.contentHash);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDir dir(m_folder);
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : files) {
        const QString name = info.fileName();
        const bool temporary = name.startsWith(QLatin1String(CopyFile::temporaryPrefix));
        const bool copyFile = name.endsWith(QLatin1String(CopyFile::suffix));
        if (!temporary && !copyFile)
            continue;
        if (copyFile) {
            const QString hash = name.chopped(qsizetype(qstrlen(CopyFile::suffix)));
            if (!isContentHash(hash) || used.contains(hash))
                continue;
        }
        if (info.lastModified().secsTo(now) >= leftoverAgeSeconds)
            QFile::remove(info.absoluteFilePath());
    }
}
