// Bringing lists in and taking them out: Import Addresses, Paste Addresses, a drop on the list browser's
// list, and Export List. The formats themselves are listformats/'s; this is where they meet the windows.
#pragma once

#include "listformats/listformats.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QHash>
#include <QPointer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class Windows;
class ListBrowser;
class QLabel;
class QListWidget;
class QMimeData;
class QProgressBar;
class QPushButton;
class QTimer;

/// The platform's file dialog, one call each way; tests put their own chooser in its place.
namespace FileChooser {
enum class Mode { Open, Save };
/// Returns the chosen file's path (empty for Cancel); @p filter receives the chosen filter.
using Choose = std::function<QString(QWidget *parent, Mode mode, const QString &caption, const QString &start,
                                     const QStringList &filters, QString *filter)>;
QString choose(QWidget *parent, Mode mode, const QString &caption, const QString &start, const QStringList &filters,
               QString *filter = nullptr);
/// Replaces the real dialog by @p chooser (nothing: the real dialog again).
void replaceForTests(Choose chooser);
} // namespace FileChooser

/// Titles of the list's addresses (a bookmark's title), kept beside the list in "<list>.titles": one
/// "address TAB title" a line, UTF-8, so that the list file's bytes stay as they are.
namespace ListTitles {
/// The largest titles file read or written: twice the largest file an import reads, so that what
/// imports bring is read back whole. A write that would pass it is refused, never cut short.
constexpr qint64 maxFileBytes = 128 * 1024 * 1024;
QString filePath();
/// Where the titles of the list file @p listFile are kept.
QString filePathFor(const QString &listFile);
/// The titles kept; none when the file is missing or cannot be read.
QHash<QString, QString> load();
/// The titles kept beside the list file @p listFile. A file that is there but cannot be read (no
/// regular file, larger than maxFileBytes, a failed read) gives none and its reason in @p error.
QHash<QString, QString> loadFor(const QString &listFile, QString *error = nullptr);
/// Adds @p found's titles to those kept (a title given anew replaces the old one) and writes the file.
/// A titles file that cannot be read, or titles that would pass maxFileBytes, are refused with the
/// reason in @p error: the file is left as it is, never written with less than it holds.
/// @p kept (if given) receives the titles kept afterwards, those written or, on a refusal, those read.
bool remember(const QList<ListFormats::FoundAddress> &found, QString *error = nullptr,
              QHash<QString, QString> *kept = nullptr);
/// remember() for the list file @p listFile, touching nothing but its titles file: what an import's
/// worker runs. The others wait for those writes first.
bool rememberFor(const QString &listFile, const QList<ListFormats::FoundAddress> &found, QString *error,
                 QHash<QString, QString> *kept);
/// Waits until the titles the imports are keeping in the background are written.
void waitForWrites();
} // namespace ListTitles

namespace ListImport {
/// The largest file read: larger ones are refused with a message, never read in part.
constexpr qint64 maxFileBytes = 64 * 1024 * 1024;

/// @p found without the addresses that are no page to visit (ListFormats::isNoPage), the one rule for
/// everything that comes in; @p leftOut receives how many were left out.
QList<ListFormats::FoundAddress> pagesOnly(QList<ListFormats::FoundAddress> found, int *leftOut = nullptr);
/// "2 addresses that are no page to visit (javascript:, data:, place:) were left out."; empty for none.
QString noPagesText(int leftOut);
/// The addresses found in a text (the clipboard's, a drop's), in any format read() knows, without
/// those that are no page (@p noPages receives how many).
QList<ListFormats::FoundAddress> addressesInText(const QString &text, int *noPages = nullptr);

/// What comes in to be read: a file, or what the clipboard or a drop holds.
struct Incoming {
    QString path;      ///< a file to import (nothing else is read then)
    QString text;      ///< a text: the clipboard's, or a drop's when it offers no links
    QByteArray html;   ///< the HTML a drag offers (the anchor of a link, a page's selection)
    QList<QUrl> links; ///< the links dragged (files aside)
};

/// What was found in what came in, compared with the list it is to go into.
struct Reading {
    QString error;                       ///< why the file could not be read, for the person
    ListFormats::ReadResult read;        ///< the format, the addresses that are pages, a problem met
    int noPages = 0;                     ///< addresses left out that are no page to visit
    ListFormats::ImportSummary summary;  ///< the addresses against @ref list
    QList<ListFormats::FoundAddress> fresh;    ///< the first of each address that the list does not hold
    QList<ListFormats::FoundAddress> distinct; ///< the first of each address
    QStringList list;                    ///< the list's entries they were compared with
    bool cancelled = false;
};

/// How far a reading is, shared between its worker and the window that shows it.
struct ReadProgress {
    enum Stage { Reading, Finding, Comparing };
    std::atomic<int> stage{Reading};
    std::atomic<qint64> done{0};  ///< of the stage: bytes or addresses
    std::atomic<qint64> total{0}; ///< 0 where the stage cannot say
    std::atomic<bool> cancelled{false};
    /// "Finding the addresses…", for the person.
    QString text() const;
};

/// Tests hold every read here, in its worker, once it has its bytes and before it looks for addresses
/// (nothing: no hold).
void holdReadsForTests(std::function<void()> hold);

/// Reads @p in (the file, at most maxFileBytes, or the texts) and compares its addresses with @p list.
/// Runs away from the windows: it touches no widget and no shared state but @p progress, and stops
/// early once @p progress is cancelled.
Reading readIncoming(const Incoming &in, const QStringList &list, ReadProgress *progress = nullptr);

/// Reads @p in in a worker thread for @p owner and calls @p done with what it found, on the windows'
/// thread; never after the owner is gone or cancel() was called.
class IncomingRead final : public QObject {
public:
    IncomingRead(Incoming in, QStringList list, std::function<void(const Reading &)> done, QObject *owner);
    ~IncomingRead() override;
    void cancel();
    bool running() const;
    const ReadProgress &progress() const { return *m_progress; }

private:
    std::shared_ptr<ReadProgress> m_progress;
    QFutureWatcher<Reading> *m_watcher;
};

/// The first of each address of @p reading that the working list does not hold now: those found in
/// the worker while the list is as it was then.
QList<ListFormats::FoundAddress> freshNow(Windows &windows, const Reading &reading);

/// Of @p found, in order, the first of each address that @p list does not hold yet.
QList<ListFormats::FoundAddress> newAddresses(const QList<ListFormats::FoundAddress> &found, const QStringList &list);
/// The number as a person writes it: 1,201.
QString count(qsizetype n);

/// Adds @p addresses to the list browser's working list, as Add does, and keeps their titles.
void addToList(Windows &windows, const QList<ListFormats::FoundAddress> &addresses);
/// Keeps the titles of @p addresses beside the list, in a worker of its own (one write at a time, in
/// order); says so when they cannot be kept.
void keepTitles(Windows &windows, const QList<ListFormats::FoundAddress> &addresses);

/// List > Paste Addresses (Ctrl+Shift+V in the list browser): says how many the clipboard holds and
/// adds the new ones when the person agrees. The text is read in a worker, with a progress window and
/// Cancel when that takes a while.
void pasteAddresses(Windows &windows);
/// A drop: links and text add their addresses once read (as Paste reads), a file opens its import.
void dropAddresses(Windows &windows, const QMimeData *data);
/// The list browser's Ctrl+Shift+V and the drop onto its list.
void attachTo(ListBrowser *listBrowser, Windows &windows);

/// List > Export List...: the list browser's working list as plain text, a bookmarks file, CSV, or a
/// folder with the list, its saved copies and an index.html.
void exportList(Windows &windows, QWidget *parent);
/// The filter of exportFilters() that writes a folder.
constexpr int folderFilter = 3;
/// The folder an export to a folder writes when the file dialog answered @p path: the path itself,
/// without an ending of the other formats' files that the dialog's name box kept; the folder of an
/// earlier export whose index.html was chosen.
QString exportFolderFor(const QString &path);
/// Exports the working list with its saved copies into @p folder, on a worker thread, with a progress
/// window and Cancel; asks first when the folder holds other files, and tells what came of it.
void exportToFolder(Windows &windows, const QString &folder);
/// The export's bytes in the format of @p filter (one of exportFilters()): each entry's own bytes where
/// the format allows; @p changed receives the entries the format could not take as they are.
QByteArray exportBytes(Windows &windows, const QStringList &entries, int filterIndex, QStringList *changed = nullptr);
/// What the person is told of the entries @p changed by an export in the format @p filterIndex.
QString notWrittenAsTheyAre(const QStringList &changed, int filterIndex);
QStringList exportFilters();
/// The format an export to @p path gets: the one its name's ending says (.txt, .html, .csv), else the
/// chosen filter's.
int exportFormatFor(const QString &path, qsizetype filterIndex);
/// Writes the working list to @p path (atomically) in the format @p filterIndex; the error for the person.
bool exportTo(Windows &windows, const QString &path, int filterIndex, QString *error = nullptr, QStringList *changed = nullptr);
} // namespace ListImport

/// What a file holds, shown before anything changes, with Add, Replace and Cancel. The file is read in
/// a worker thread; meanwhile the window shows how far it is, and Cancel (or Esc) stops it.
class ImportWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportWindow)
public:
    /// Starts reading @p path; the window shows itself once the reading takes a while or is done.
    ImportWindow(Windows &windows, const QString &path, QWidget *parent);
    ~ImportWindow() override;

    /// List > Import Addresses...: asks for a file and opens its import; null for Cancel or no list.
    static ImportWindow *chooseAndOpen(Windows &windows, QWidget *parent);
    /// Starts reading @p path in its import window; a file that cannot be read is said in a message
    /// (null). A file found to hold no list is said once it is read, and its window goes.
    static ImportWindow *open(Windows &windows, const QString &path, QWidget *parent);

    /// Add: the file's new addresses after the list's entries, once the person agrees.
    void addToList();
    /// Replace: the file's addresses in place of the list, once the person agrees.
    void replaceList();

    /// Whether the file has been read and its addresses are shown (Add and Replace can be used).
    bool isReady() const { return m_ready; }
    ListFormats::ImportSummary summary() const { return m_reading.summary; }

    QLabel *m_fileLabel;
    QLabel *m_summaryLabel;
    QProgressBar *m_progressBar;
    QListWidget *m_preview;
    QPushButton *m_addButton;
    QPushButton *m_replaceButton;
    QPushButton *m_cancelButton;

private:
    void showProgress();
    void readingDone(const ListImport::Reading &reading);

    Windows &m_windows;
    QString m_path;
    ListImport::IncomingRead *m_read;
    QTimer *m_progressTimer;
    ListImport::Reading m_reading;
    bool m_ready = false;
};
