// Taking the list out with its kept copies: a folder with the list, each entry's last good copy as an
// .mhtml file any Chromium-based browser opens, and an index.html that lists them. No widgets; the
// export runs on a worker thread and reads the copies on a page memory connection of its own.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

/// What the index tells of one entry, besides its copy.
struct ExportedEntry {
    /// The entry's text, exactly as the list holds it.
    QString entry;
    /// Its title (an imported bookmark's, the last check's); empty when none is known.
    QString title;
    /// The last check's verdict word ("alive", "dead", ...); empty when it was not checked.
    QString verdict;
    /// The verdict's reason and what more the mark tells ("not found (404); checked 3 days ago").
    QString reason;
};

/// How far an export is, shared between its worker and the window that shows it.
struct CopyExportProgress {
    std::atomic<qint64> done{0};  ///< entries gone through
    std::atomic<qint64> total{0}; ///< entries in all
    std::atomic<bool> cancelled{false};
};

/// What an export is asked to do.
struct CopyExportRequest {
    /// The folder written: made when missing; an earlier export there is written anew.
    QString folder;
    QList<ExportedEntry> entries;
    /// The list file's bytes as Export List writes a plain text list (one entry a line).
    QByteArray listText;
    /// Where the kept copies and their records are.
    QString copiesFolder;
    QString memoryPath;
    /// When the export is made, as the index tells it.
    QDateTime exportedAt = QDateTime::currentDateTime();
};

/// What became of an export.
struct CopyExportResult {
    enum class Outcome { Exported, Cancelled, Failed };
    Outcome outcome = Outcome::Failed;
    /// Why it failed, in words for the person; empty otherwise.
    QString problem;
    int entries = 0;
    /// Entries whose copy was written (or shared a file with another entry's).
    int withCopy = 0;
    /// Entries that have copies of which none could be read.
    int unreadable = 0;
    /// .mhtml files written.
    int files = 0;
    /// What the saved copies could not be read from (the page memory), when they could not; the list
    /// and the index are written all the same.
    QString copiesProblem;
};

namespace CopyExport {

/// The names an export writes in its folder.
inline constexpr char indexName[] = "index.html";
inline constexpr char listName[] = "list.txt";
inline constexpr char pagesName[] = "pages";
/// The hidden prefix of the folder an export is put together in before it takes its place.
inline constexpr char stagingPrefix[] = ".quokka-export-";

/// What the folder chosen for an export is now.
enum class FolderState {
    Missing,       ///< nothing there: it is made
    Empty,         ///< an empty folder (what a killed export left aside)
    EarlierExport, ///< a folder an export wrote: written anew, other files left alone
    HoldsOthers,   ///< a folder with other files, none of the names an export writes: ask first
    Clashes,       ///< a folder holding index.html, list.txt or pages that no export wrote: refused
    NotAFolder,    ///< a file or something else that is no folder: refused
};
FolderState folderState(const QString &folder);

/// The name of the copy file of the entry at @p row (from 1) of a list of @p rows entries, titled
/// @p title: the row (so that names are unique and sort in list order), then the title's or the
/// address's letters, digits and a few safe marks; no "/", no "..", no control characters, at most
/// about 100 bytes, ending in ".mhtml".
QString copyFileName(int row, int rows, const QString &title, const QString &entry);

/// @p text for HTML, as text or in a double-quoted attribute: <, >, &, " and ' escaped, control
/// characters dropped, and the list's bytes that are not UTF-8 shown percent-encoded.
QString escapeHtml(const QString &text);
/// The address @p entry links to in the index: only http, https, ftp and file pages (the address the
/// list browser loads for it); empty for anything else (javascript:, data:, a broken address).
QString liveLink(const QString &entry);

/// One row of the index.
struct IndexRow {
    ExportedEntry entry;
    /// The copy's file, relative to the index ("pages/001 Title.mhtml"); empty when it has none.
    QString copyFile;
    /// When the copy linked was taken.
    QDateTime copyTakenAt;
    /// Why the entry has no copy linked, when it had one ("the saved copy cannot be read").
    QString copyProblem;
};
/// The index page: the entries in list order with their titles, verdicts and the dates of their copies,
/// each linking its copy. Plain HTML and CSS: no script, nothing loaded from anywhere.
QByteArray indexHtml(const QList<IndexRow> &rows, const QDateTime &exportedAt, const QString &copiesProblem = {});
/// "3 March 2026, 14:02", in local time.
QString dateText(const QDateTime &at);

/// Writes the export @p request asks for; stops early, leaving the folder as it was, once @p progress
/// is cancelled. A failure leaves the folder as it was, too: everything is put together in a hidden
/// folder inside it and takes its place by renames, the index last.
CopyExportResult run(const CopyExportRequest &request, CopyExportProgress *progress = nullptr);

/// Tests hold an export here, in its worker, after each entry (nothing: no hold).
void holdForTests(std::function<void()> hold);

} // namespace CopyExport

/// Runs CopyExport::run() on a worker thread and tells the outcome on the thread that made it.
class CopyExporter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyExporter)
public:
    explicit CopyExporter(CopyExportRequest request, QObject *parent = nullptr);
    /// Cancels the export and waits for its worker, which stops at its next entry.
    ~CopyExporter() override;

    void start();
    void cancel();
    bool running() const;
    const CopyExportProgress &progress() const { return *m_progress; }

signals:
    void finished(const CopyExportResult &result);

private:
    CopyExportRequest m_request;
    std::shared_ptr<CopyExportProgress> m_progress;
    QThread *m_thread = nullptr;
    bool m_running = false;
};
