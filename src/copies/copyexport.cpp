#include "copies/copyexport.h"

#include "copies/copyarchive.h"
#include "copies/copyfile.h"
#include "memory/pagememory.h"
#include "store/addresstoload.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a killed export left aside (its hidden folder) is removed once it is this old: a younger one
// may be another export under way into the same folder.
constexpr qint64 leftoverAgeSeconds = 600;
// The index is recognised as an export's by this line in its head.
constexpr char generatorLine[] = "<meta name=\"generator\" content=\"Quokka list export\">";
// A file name is cut to about this many bytes of UTF-8 before ".mhtml" (file systems take 255).
constexpr int longestNameBytes = 100;

std::function<void()> &heldForTests()
{
    static std::function<void()> hold;
    return hold;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool isOurs(const QString &name)
{
    return name == QLatin1String(CopyExport::indexName) || name == QLatin1String(CopyExport::listName)
        || name == QLatin1String(CopyExport::pagesName);
}

bool isEarlierIndex(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    return file.read(4096).contains(generatorLine);
}

/// Writes @p bytes as the new file @p path, synced; the reason in words when it cannot (the system's
/// own: "No space left on device").
QString writeNewFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return systemError(errno);
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(name.constData());
        return systemError(error);
    };
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        written += n;
    }
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        return systemError(error);
    }
    return {};
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

/// rename(2): replaces a file at @p to, as QFile::rename does not.
QString renameOver(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return systemError(errno);
    return {};
}

void removeLeftovers(const QString &folder)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QFileInfoList aside = QDir(folder).entryInfoList({QLatin1String(CopyExport::stagingPrefix) + QLatin1Char('*')},
                                                          QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &info : aside) {
        if (info.lastModified().secsTo(now) >= leftoverAgeSeconds)
            QDir(info.absoluteFilePath()).removeRecursively();
    }
}

bool isSafeNameChar(QChar c)
{
    if (c.isLetterOrNumber())
        return !c.isSurrogate();
    // Marks every file system takes; others (/ \ : * ? " < > | and controls) are not.
    return QStringView(u" -_.,()+&'!=@#").contains(c);
}

} // namespace

namespace CopyExport {

FolderState folderState(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink())
        return FolderState::Missing;
    if (!info.isDir())
        return FolderState::NotAFolder;
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    bool others = false;
    bool clash = false;
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String(stagingPrefix)))
            continue;
        if (isOurs(name))
            clash = true;
        else
            others = true;
    }
    if (isEarlierIndex(QDir(folder).filePath(QLatin1String(indexName))))
        return FolderState::EarlierExport;
    if (clash)
        return FolderState::Clashes;
    return others ? FolderState::HoldsOthers : FolderState::Empty;
}

QString copyFileName(int row, int rows, const QString &title, const QString &entry)
{
    const int width = qMax(3, int(QString::number(qMax(rows, row)).size()));
    QString words = title.simplified();
    if (words.isEmpty()) {
        const QUrl url = addressToLoad(entry);
        words = url.isValid() && !url.host().isEmpty() ? url.host() + url.path() : entry;
    }
    QString name;
    bool gap = false;
    for (const QChar c : std::as_const(words)) {
        const bool safe = isSafeNameChar(c) && c != QLatin1Char(' ');
        if (!safe) {
            gap = !name.isEmpty();
            continue;
        }
        // No "..": a run of dots becomes one.
        if (c == QLatin1Char('.') && name.endsWith(QLatin1Char('.')))
            continue;
        if (gap)
            name += QLatin1Char(' ');
        gap = false;
        name += c;
        if (name.toUtf8().size() >= longestNameBytes)
            break;
    }
    while (name.toUtf8().size() > longestNameBytes)
        name.chop(1);
    // Nor a name whose end a file system drops or a file manager hides.
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    const QString number = QStringLiteral("%1").arg(row, width, 10, QLatin1Char('0'));
    return (name.isEmpty() ? number : number + QLatin1Char(' ') + name) + QStringLiteral(".mhtml");
}

QString escapeHtml(const QString &text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
            continue;
        }
        // The code points NarrowText gives the list's bytes that are not UTF-8.
        if (u >= 0xDC80 && u <= 0xDCFF) {
            out += QStringLiteral("%%1").arg(u - 0xDC00, 2, 16, QLatin1Char('0')).toUpper();
            continue;
        }
        if (c.isSurrogate() || (u < 0x20 && u != '\t') || (u >= 0x7f && u < 0xa0)) {
            if (u == '\n' || u == '\r')
                out += QLatin1Char(' ');
            continue;
        }
        switch (u) {
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '&': out += QLatin1String("&amp;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default: out += c;
        }
    }
    return out;
}

QString liveLink(const QString &entry)
{
    if (noPageKind(entry) != NoPage::None)
        return {};
    const QUrl url = addressToLoad(entry);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("ftp")
        && scheme != QLatin1String("file"))
        return {};
    // Fully encoded, it starts with its scheme and holds no quote, space or angle bracket.
    return QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded));
}

QString dateText(const QDateTime &at)
{
    return QLocale(QLocale::English).toString(at.toLocalTime(), QStringLiteral("d MMMM yyyy, HH:mm"));
}

QByteArray indexHtml(const QList<IndexRow> &rows, const QDateTime &exportedAt, const QString &copiesProblem)
{
    const QLocale english(QLocale::English);
    int withCopy = 0;
    for (const IndexRow &row : rows)
        withCopy += row.copyFile.isEmpty() ? 0 : 1;
    const QString when = dateText(exportedAt);
    QString html;
    html += QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n");
    html += QLatin1String(generatorLine) + QLatin1Char('\n');
    // Nothing in the page runs or is fetched, whatever a title holds.
    html += QStringLiteral("<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
                           "<meta name=\"referrer\" content=\"no-referrer\">\n"
                           "<meta name=\"viewport\" content=\"width=device-width\">\n");
    html += QStringLiteral("<title>The list and its saved copies, %1</title>\n").arg(escapeHtml(when));
    html += QStringLiteral(
        "<style>\n"
        "body { font: 15px/1.4 sans-serif; margin: 1.5em; color: #222; background: #fff; }\n"
        "table { border-collapse: collapse; width: 100%; }\n"
        "th, td { text-align: left; vertical-align: top; padding: 0.35em 0.6em; border-bottom: 1px solid #ddd; }\n"
        "th { background: #f2f2f2; }\n"
        "td.row { color: #777; text-align: right; }\n"
        ".address { font-size: 90%; color: #555; word-break: break-all; }\n"
        ".none { color: #777; }\n"
        ".problem { color: #a00; }\n"
        ".dead, .parked, .failing, .blocked { color: #a00; }\n"
        ".alive { color: #060; }\n"
        "</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>The list and its saved copies</h1>\n");
    html += QStringLiteral("<p>Exported from Quokka on %1: %2, %3 with a saved copy. The list itself, one address a line: "
                           "<a href=\"%4\">%4</a>. A saved copy (an .mhtml file) opens in any Chromium-based browser.</p>\n")
                .arg(escapeHtml(when),
                     rows.size() == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(english.toString(rows.size())),
                     english.toString(withCopy), QLatin1String(listName));
    if (!copiesProblem.isEmpty())
        html += QStringLiteral("<p class=\"problem\">The saved copies could not be read: %1</p>\n").arg(escapeHtml(copiesProblem));
    html += QStringLiteral("<table>\n<thead><tr><th>#</th><th>Page</th><th>Last check</th><th>Saved copy</th></tr></thead>\n<tbody>\n");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const IndexRow &row = rows.at(i);
        const QString address = escapeHtml(row.entry.entry);
        const QString title = row.entry.title.trimmed().isEmpty() ? address : escapeHtml(row.entry.title.simplified());
        html += QStringLiteral("<tr><td class=\"row\">%1</td><td>").arg(i + 1);
        if (row.copyFile.isEmpty()) {
            html += title;
        } else {
            const QString href = QStringLiteral("%1/%2").arg(QLatin1String(pagesName),
                                                             QString::fromLatin1(QUrl::toPercentEncoding(row.copyFile)));
            html += QStringLiteral("<a href=\"%1\">%2</a>").arg(escapeHtml(href), title);
        }
        const QString live = liveLink(row.entry.entry);
        html += QStringLiteral("<br><span class=\"address\">");
        html += live.isEmpty() ? address
                               : QStringLiteral("<a href=\"%1\" rel=\"noreferrer\">%2</a>").arg(escapeHtml(live), address);
        html += QStringLiteral("</span></td><td>");
        if (row.entry.verdict.isEmpty()) {
            html += QStringLiteral("<span class=\"none\">not checked</span>");
        } else {
            // The class is one of the verdict words, never the text itself.
            const QString word = row.entry.verdict;
            const bool plain = std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c >= u'a' && c <= u'z'; });
            html += QStringLiteral("<span class=\"%1\">%2</span>").arg(plain ? word : QStringLiteral("other"), escapeHtml(word));
            if (!row.entry.reason.isEmpty())
                html += QStringLiteral(": ") + escapeHtml(row.entry.reason);
        }
        html += QStringLiteral("</td><td>");
        if (!row.copyFile.isEmpty())
            html += QStringLiteral("<time datetime=\"%1\">%2</time>")
                        .arg(row.copyTakenAt.toUTC().toString(Qt::ISODate), escapeHtml(dateText(row.copyTakenAt)));
        else if (!row.copyProblem.isEmpty())
            html += QStringLiteral("<span class=\"problem\">%1</span>").arg(escapeHtml(row.copyProblem));
        else
            html += QStringLiteral("<span class=\"none\">no saved copy</span>");
        html += QStringLiteral("</td></tr>\n");
    }
    html += QStringLiteral("</tbody>\n</table>\n</body>\n</html>\n");
    return html.toUtf8();
}

CopyExportResult run(const CopyExportRequest &request, CopyExportProgress *progress)
{
    CopyExportResult result;
    result.entries = int(request.entries.size());
    if (progress) {
        progress->total = request.entries.size();
        progress->done = 0;
    }
    const QString folder = QDir(request.folder).absolutePath();
    const FolderState state = folderState(folder);
    if (state == FolderState::NotAFolder) {
        result.problem = QStringLiteral("%1 is a file, not a folder.").arg(shown(folder));
        return result;
    }
    if (state == FolderState::Clashes) {
        result.problem = QStringLiteral("The folder holds an index.html, list.txt or pages that Quokka did not write; they "
                                        "are left as they are. Choose an empty folder or a new name.");
        return result;
    }
    const bool made = state == FolderState::Missing;
    if (made && !QDir().mkpath(folder)) {
        result.problem = QStringLiteral("The folder cannot be made (%1).")
                             .arg(QFileInfo(folder).dir().exists() ? QStringLiteral("no permission, or the disk is read-only")
                                                                   : QStringLiteral("its parent folder is not there"));
        return result;
    }
    removeLeftovers(folder);

    const QString staging = folder + QLatin1Char('/') + QLatin1String(stagingPrefix)
                          + QString::number(QRandomGenerator::global()->generate64(), 36);
    const auto giveUp = [&](CopyExportResult::Outcome outcome, const QString &problem) {
        QDir(staging).removeRecursively();
        if (made)
            QDir().rmdir(folder);
        result.outcome = outcome;
        result.problem = problem;
        return result;
    };
    if (::mkdir(QFile::encodeName(staging).constData(), 0755) != 0) {
        const QString why = systemError(errno);
        if (made)
            QDir().rmdir(folder);
        result.problem = QStringLiteral("Nothing can be written in the folder: %1.").arg(why);
        return result;
    }
    const QString stagedPages = staging + QLatin1Char('/') + QLatin1String(pagesName);
    if (::mkdir(QFile::encodeName(stagedPages).constData(), 0755) != 0)
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("Nothing can be written in the folder: %1.").arg(systemError(errno)));

    // The copies' records, on a connection of this thread's own; a memory that is not there is not made.
    PageMemory memory;
    const bool memoryThere = !request.memoryPath.isEmpty() && QFileInfo(request.memoryPath).isFile();
    if (memoryThere) {
        const PageMemoryOpening opening = memory.open(request.memoryPath);
        if (!opening.ok && !opening.readable)
            result.copiesProblem = opening.problem;
    }
    const QString copiesFolder = QDir(request.copiesFolder).absolutePath();

    QList<CopyExport::IndexRow> rows;
    rows.reserve(request.entries.size());
    QHash<QString, QString> fileOfContent;
    QStringList namesTaken;
    for (qsizetype i = 0; i < request.entries.size(); ++i) {
        if (progress && progress->cancelled)
            return giveUp(CopyExportResult::Outcome::Cancelled, {});
        CopyExport::IndexRow row;
        row.entry = request.entries.at(i);
        const QList<CopyRecord> copies = memory.isOpen() ? memory.copiesOf(row.entry.entry) : QList<CopyRecord>{};
        if (row.entry.title.isEmpty() && memory.isOpen())
            if (const std::optional<PageRecord> seen = memory.lastSeen(row.entry.entry))
                row.entry.title = seen->title;
        // The newest copy that reads whole; an older one when the newest file is damaged.
        for (const CopyRecord &copy : copies) {
            const QDateTime savedAt = copy.seenAt.isValid() ? copy.seenAt : copy.takenAt;
            if (const auto there = fileOfContent.constFind(copy.contentHash); there != fileOfContent.constEnd()) {
                row.copyFile = *there;
                row.copyTakenAt = savedAt;
                break;
            }
            // A record names its file by a hash of hex digits only: nothing else is read.
            const bool named = copy.contentHash.size() == 64
                            && std::all_of(copy.contentHash.cbegin(), copy.contentHash.cend(), [](QChar c) {
                                   return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
                               });
            if (!named)
                continue;
            const CopyReading reading =
                CopyFile::read(copiesFolder + QLatin1Char('/') + copy.contentHash + QLatin1String(CopyFile::suffix));
            if (!reading.ok || reading.content.mhtml.isEmpty())
                continue;
            const QString name = copyFileName(int(i) + 1, int(request.entries.size()), row.entry.title, row.entry.entry);
            const QString why = writeNewFile(stagedPages + QLatin1Char('/') + name, reading.content.mhtml);
            if (!why.isEmpty())
                return giveUp(CopyExportResult::Outcome::Failed,
                              QStringLiteral("The saved copy of entry %1 could not be written: %2.").arg(i + 1).arg(why));
            fileOfContent.insert(copy.contentHash, name);
            namesTaken.append(name);
            ++result.files;
            row.copyFile = name;
            row.copyTakenAt = savedAt;
            break;
        }
        if (!row.copyFile.isEmpty())
            ++result.withCopy;
        else if (!copies.isEmpty()) {
            row.copyProblem = CopyFile::unreadableMessage();
            ++result.unreadable;
        }
        rows.append(row);
        if (progress)
            progress->done = i + 1;
        if (heldForTests())
            heldForTests()();
    }
    if (progress && progress->cancelled)
        return giveUp(CopyExportResult::Outcome::Cancelled, {});

    const QString stagedList = staging + QLatin1Char('/') + QLatin1String(listName);
    const QString stagedIndex = staging + QLatin1Char('/') + QLatin1String(indexName);
    if (const QString why = writeNewFile(stagedList, request.listText); !why.isEmpty())
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("The list could not be written: %1.").arg(why));
    if (const QString why = writeNewFile(stagedIndex, indexHtml(rows, request.exportedAt, result.copiesProblem)); !why.isEmpty())
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("The index could not be written: %1.").arg(why));
    syncFolder(stagedPages);
    syncFolder(staging);

    // Everything is written: it takes its place by renames, which need no room on the disk. The
    // pages of an earlier export go aside first, and come back if the new ones cannot take their place.
    const QString pages = folder + QLatin1Char('/') + QLatin1String(pagesName);
    const QString oldPages = staging + QStringLiteral("/old-pages");
    const bool hadPages = QFileInfo(pages).isDir() && !QFileInfo(pages).isSymLink();
    if (hadPages) {
        if (const QString why = renameOver(pages, oldPages); !why.isEmpty())
            return giveUp(CopyExportResult::Outcome::Failed,
                          QStringLiteral("The earlier export's pages could not be replaced: %1.").arg(why));
    }
    if (const QString why = renameOver(stagedPages, pages); !why.isEmpty()) {
        if (hadPages)
            renameOver(oldPages, pages);
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("The pages could not be put in place: %1.").arg(why));
    }
    if (const QString why = renameOver(stagedList, folder + QLatin1Char('/') + QLatin1String(listName)); !why.isEmpty())
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("The list could not be put in place: %1.").arg(why));
    if (const QString why = renameOver(stagedIndex, folder + QLatin1Char('/') + QLatin1String(indexName)); !why.isEmpty())
        return giveUp(CopyExportResult::Outcome::Failed, QStringLiteral("The index could not be put in place: %1.").arg(why));
    syncFolder(folder);
    QDir(staging).removeRecursively();
    if (progress)
        progress->done = request.entries.size();
    result.outcome = CopyExportResult::Outcome::Exported;
    return result;
}

void holdForTests(std::function<void()> hold)
{
    heldForTests() = std::move(hold);
}

} // namespace CopyExport

CopyExporter::CopyExporter(CopyExportRequest request, QObject *parent)
    : QObject(parent)
    , m_request(std::move(request))
    , m_progress(std::make_shared<CopyExportProgress>())
{
}

CopyExporter::~CopyExporter()
{
    cancel();
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void CopyExporter::start()
{
    if (m_thread)
        return;
    m_running = true;
    auto result = std::make_shared<CopyExportResult>();
    m_thread = QThread::create([request = m_request, progress = m_progress, result] {
        *result = CopyExport::run(request, progress.get());
    });
    m_thread->setObjectName(QStringLiteral("quokka-export"));
    connect(m_thread, &QThread::finished, this, [this, result] {
        m_running = false;
        emit finished(*result);
    });
    m_thread->start(QThread::LowPriority);
}

void CopyExporter::cancel()
{
    m_progress->cancelled = true;
}

bool CopyExporter::running() const
{
    return m_running;
}
