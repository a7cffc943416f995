#include "lists/importwindow.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "copies/copyarchive.h"
#include "copies/copyexport.h"
#include "check/checkmemory.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "store/listpaths.h"
#include "store/narrowtext.h"
#include "store/urllistfile.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QAction>
#include <climits>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <QSet>
#include <QUrl>
#include <QVBoxLayout>

using ListFormats::FoundAddress;

namespace {

FileChooser::Choose &replacedChooser()
{
    static FileChooser::Choose chooser;
    return chooser;
}

MessageBoxes &boxes(Windows &windows)
{
    return windows.platform().messageBoxes();
}

/// Reads a regular file of at most @p maxBytes whole, or says why not.
std::optional<QByteArray> readSmallRegularFile(const QString &path, qint64 maxBytes, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("The file is not there.");
        return std::nullopt;
    }
    if (!info.isFile()) {
        *error = QStringLiteral("It is not a regular file (a folder, a pipe or a device).");
        return std::nullopt;
    }
    if (info.size() > maxBytes) {
        *error = QStringLiteral("It is larger than %1 MiB.").arg(maxBytes / (1024 * 1024));
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = UrlListFile::readBytes(path, error);
    if (bytes && bytes->size() > maxBytes) {
        *error = QStringLiteral("It is larger than %1 MiB.").arg(maxBytes / (1024 * 1024));
        return std::nullopt;
    }
    return bytes;
}

QStringList workingEntries(Windows &windows)
{
    QStringList entries = windows.listBrowser()->m_addressList->entries();
    entries.removeAll(QString());
    return entries;
}

/// The web links of the HTML a drag offers (a link, or a page's selection), with the links' texts:
/// Firefox and Chromium offer a dragged link as HTML too, an anchor whose text is the link's.
QList<FoundAddress> draggedAnchors(const QByteArray &html)
{
    QList<FoundAddress> anchors;
    if (html.isEmpty())
        return anchors;
    for (const FoundAddress &a : ListFormats::readNetscapeBookmarks(ListFormats::decodeText(html.left(4 * 1024 * 1024)))) {
        const QUrl url(a.address);
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            anchors.append({url.toString(QUrl::FullyEncoded), a.title});
    }
    return anchors;
}

/// The titles that browsers give the links they drag, by address.
QHash<QString, QString> draggedTitles(const QByteArray &html)
{
    QHash<QString, QString> titles;
    for (const FoundAddress &a : draggedAnchors(html))
        if (!a.title.isEmpty())
            titles.insert(a.address, a.title);
    return titles;
}

/// A progress window with Cancel over the list browser for work done in a worker, titled @p title, up to
/// @p maximum (0: no count); it shows itself only once the work takes a while.
QProgressDialog *progressWindow(Windows &windows, const QString &what, const QString &title, const QString &name, int maximum)
{
    auto *dialog = new QProgressDialog(what, QStringLiteral("Cancel"), 0, maximum, windows.listBrowser()->window());
    dialog->setObjectName(name);
    dialog->setWindowTitle(title);
    dialog->setAccessibleName(title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    // A short job never shows it; a long one shows it before the person wonders.
    dialog->setMinimumDuration(300);
    return dialog;
}

/// Reads @p in for a paste or a drop, with a progress window and Cancel once that takes a while, and
/// hands what it found to @p done.
void readWithProgress(Windows &windows, ListImport::Incoming in, const QString &what,
                      std::function<void(const ListImport::Reading &)> done)
{
    auto *dialog = progressWindow(windows, what, QStringLiteral("Reading addresses"), QStringLiteral("readingProgress"), 0);
    auto *read = new ListImport::IncomingRead(std::move(in), workingEntries(windows),
                                              [dialog, done = std::move(done)](const ListImport::Reading &reading) {
                                                  // reset() stops the timer that would show it later, also
                                                  // inside the question that comes next.
                                                  dialog->reset();
                                                  dialog->hide();
                                                  dialog->deleteLater();
                                                  done(reading);
                                              },
                                              dialog);
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [dialog, read] {
        read->cancel();
        dialog->hide();
        dialog->deleteLater();
    });
    auto *timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, read, what] {
        const ListImport::ReadProgress &progress = read->progress();
        const qint64 total = progress.total;
        dialog->setLabelText(what + QLatin1Char('\n') + progress.text());
        dialog->setMaximum(int(std::min<qint64>(total, INT_MAX)));
        if (total > 0)
            dialog->setValue(int(std::min<qint64>(progress.done, total)));
    });
    timer->start(100);
}

/// Takes the drops on the list browser's list: links, text and files.
class DropTarget final : public QObject {
public:
    DropTarget(Windows &windows, QWidget *target)
        : QObject(target)
        , m_windows(windows)
    {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDragMoveEvent *>(event);
            if (drag->mimeData()->hasUrls() || drag->mimeData()->hasText()) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // The drag's source waits for the drop to end: the import's questions come after it.
            const auto data = std::make_shared<QMimeData>();
            for (const QString &format : drop->mimeData()->formats())
                data->setData(format, drop->mimeData()->data(format));
            QMetaObject::invokeMethod(this, [this, data] { ListImport::dropAddresses(m_windows, data.get()); },
                                      Qt::QueuedConnection);
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    Windows &m_windows;
};

} // namespace

namespace FileChooser {

QString choose(QWidget *parent, Mode mode, const QString &caption, const QString &start, const QStringList &filters,
               QString *filter)
{
    if (replacedChooser())
        return replacedChooser()(parent, mode, caption, start, filters, filter);
    QFileDialog dialog(parent, caption, start, filters.join(QStringLiteral(";;")));
    dialog.setAcceptMode(mode == Mode::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(mode == Mode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (filter)
        *filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}

void replaceForTests(Choose chooser)
{
    replacedChooser() = std::move(chooser);
}

} // namespace FileChooser

namespace ListTitles {

QString filePathFor(const QString &listFile)
{
    return listFile + QStringLiteral(".titles");
}

QString filePath()
{
    return filePathFor(ListPaths::listFile());
}

QHash<QString, QString> load()
{
    waitForWrites();
    return loadFor(ListPaths::listFile());
}

QHash<QString, QString> loadFor(const QString &listFile, QString *error)
{
    QHash<QString, QString> titles;
    const QString path = filePathFor(listFile);
    if (!QFileInfo::exists(path))
        return titles; // none kept yet
    QString why;
    const std::optional<QByteArray> bytes = readSmallRegularFile(path, maxFileBytes, &why);
    if (!bytes) {
        if (error)
            *error = why;
        return titles;
    }
    // One "address TAB title" a line; the address in the list's own bytes (see NarrowText), so that an
    // entry that is not UTF-8 keeps its title too.
    const char *data = bytes->constData();
    const qsizetype size = bytes->size();
    qsizetype start = 0;
    while (start < size) {
        const char *found = static_cast<const char *>(memchr(data + start, '\n', size_t(size - start)));
        const qsizetype end = found ? found - data : size;
        const QByteArrayView line(data + start, end - start);
        const qsizetype tab = line.indexOf('\t');
        if (tab > 0)
            titles.insert(NarrowText::decode(line.first(tab)), QString::fromUtf8(line.sliced(tab + 1)));
        start = end + 1;
    }
    return titles;
}

namespace {
/// The titles file's writer: one thread, so that the writes of two imports come in their order.
QThreadPool &titlesWriter()
{
    static QThreadPool pool;
    static const bool once = [] {
        pool.setMaxThreadCount(1);
        return true;
    }();
    Q_UNUSED(once);
    return pool;
}
} // namespace

void waitForWrites()
{
    titlesWriter().waitForDone();
}

bool remember(const QList<FoundAddress> &found, QString *error, QHash<QString, QString> *kept)
{
    waitForWrites();
    return rememberFor(ListPaths::listFile(), found, error, kept);
}

bool rememberFor(const QString &listFile, const QList<FoundAddress> &found, QString *error, QHash<QString, QString> *kept)
{
    QHash<QString, QString> unused;
    QHash<QString, QString> &titles = kept ? *kept : unused;
    QString unreadable;
    titles = loadFor(listFile, &unreadable);
    if (!unreadable.isEmpty()) {
        // Writing now would put the few new titles in place of every one kept there.
        if (error)
            *error = QStringLiteral("The titles kept there cannot be read: %1 They are left as they are.").arg(unreadable);
        return false;
    }
    bool changed = false;
    const auto oneLine = [](QString text) {
        for (QChar &c : text)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        return text;
    };
    for (const FoundAddress &a : found) {
        if (a.title.isEmpty() || a.address.isEmpty() || a.address.contains(QLatin1Char('\t'))
            || a.address.contains(QLatin1Char('\n')))
            continue;
        const QString title = oneLine(a.title);
        if (titles.value(a.address) != title) {
            titles.insert(a.address, title);
            changed = true;
        }
    }
    if (!changed)
        return true;
    QStringList keys = titles.keys();
    keys.sort();
    QByteArray bytes;
    for (const QString &key : std::as_const(keys)) {
        NarrowText::encodeInto(key, bytes);
        bytes += '\t';
        bytes += titles.value(key).toUtf8();
        bytes += '\n';
        if (bytes.size() > maxFileBytes) {
            if (error)
                *error = QStringLiteral("The titles would pass %1 MiB, more than Quokka reads back. The titles kept "
                                        "there are left as they are.")
                             .arg(maxFileBytes / (1024 * 1024));
            if (kept)
                *kept = loadFor(listFile);
            return false;
        }
    }
    const SaveResult saved = UrlListFile::replaceFile(filePathFor(listFile), bytes);
    if (!saved) {
        if (error)
            *error = saved.reason;
        if (kept)
            *kept = loadFor(listFile);
    }
    return bool(saved);
}

} // namespace ListTitles

namespace ListImport {

QList<FoundAddress> pagesOnly(QList<FoundAddress> found, int *leftOut)
{
    const qsizetype before = found.size();
    found.removeIf([](const FoundAddress &a) { return ListFormats::isNoPage(a.address); });
    if (leftOut)
        *leftOut = int(before - found.size());
    return found;
}

QString noPagesText(int leftOut)
{
    if (leftOut <= 0)
        return {};
    return (leftOut == 1 ? QStringLiteral("1 address that is no page to visit (javascript:, data:, place:) was left out.")
                         : QStringLiteral("%1 addresses that are no page to visit (javascript:, data:, place:) were left out.")
                               .arg(count(leftOut)));
}

QList<FoundAddress> addressesInText(const QString &text, int *noPages)
{
    return pagesOnly(ListFormats::read(text.toUtf8()).addresses, noPages);
}

QString ReadProgress::text() const
{
    const qint64 n = total;
    switch (stage.load()) {
    case Reading:
        return n > 0 ? QStringLiteral("Reading the file (%1 MiB)\u2026").arg(double(n) / (1024 * 1024), 0, 'f', 1)
                     : QStringLiteral("Reading\u2026");
    case Finding:
        return QStringLiteral("Finding the addresses\u2026");
    case Comparing:
        return QStringLiteral("Comparing %1 of %2 addresses with the list\u2026").arg(count(done), count(n));
    }
    return {};
}

namespace {
std::function<void()> &readHold()
{
    static std::function<void()> hold;
    return hold;
}
} // namespace

void holdReadsForTests(std::function<void()> hold)
{
    readHold() = std::move(hold);
}

Reading readIncoming(const Incoming &in, const QStringList &list, ReadProgress *progress)
{
    Reading r;
    r.list = list;
    const auto stopped = [&] { return progress && progress->cancelled; };
    const auto stage = [&](ReadProgress::Stage now, qint64 total) {
        if (!progress)
            return;
        progress->done = 0;
        progress->total = total;
        progress->stage = now;
    };
    QList<FoundAddress> found;
    if (!in.path.isEmpty()) {
        stage(ReadProgress::Reading, QFileInfo(in.path).size());
        const std::optional<QByteArray> bytes = readSmallRegularFile(in.path, maxFileBytes, &r.error);
        if (!bytes)
            return r;
        stage(ReadProgress::Finding, 0);
        if (readHold())
            readHold()();
        if (stopped())
            return r.cancelled = true, r;
        r.read = ListFormats::read(*bytes);
        found = pagesOnly(std::move(r.read.addresses), &r.noPages);
    } else {
        stage(ReadProgress::Finding, 0);
        if (readHold())
            readHold()();
        if (!in.links.isEmpty()) {
            const QHash<QString, QString> titles = draggedTitles(in.html);
            for (const QUrl &url : in.links) {
                const QString address = url.toString(QUrl::FullyEncoded);
                // A bookmarklet dragged from a bookmarks bar is a script, not a page: it stays out as on import.
                if (ListFormats::isNoPage(address))
                    ++r.noPages;
                else if (url.isValid())
                    found.append({address, titles.value(address)});
            }
        } else {
            // A page's selection brings the links in it (their texts as titles) and the addresses written in
            // its text.
            found = draggedAnchors(in.html);
            int noPages = 0;
            found += addressesInText(in.text, &noPages);
            r.noPages += noPages;
        }
    }
    if (stopped())
        return r.cancelled = true, r;

    // Each address's key once, for the summary, the new ones and the distinct ones alike.
    stage(ReadProgress::Comparing, found.size());
    QSet<QString> inList;
    inList.reserve(list.size());
    for (const QString &entry : list)
        inList.insert(ListFormats::comparisonKey(entry));
    QSet<QString> seen;
    seen.reserve(found.size());
    r.summary.found = int(found.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (progress && i % 1024 == 0) {
            if (stopped())
                return r.cancelled = true, r;
            progress->done = i;
        }
        const QString key = ListFormats::comparisonKey(found[i].address);
        if (key.isEmpty())
            continue;
        if (seen.contains(key)) {
            ++r.summary.repeats;
            continue;
        }
        seen.insert(key);
        r.distinct.append(found[i]);
        if (inList.contains(key))
            ++r.summary.alreadyInList;
        else
            r.fresh.append(found[i]);
    }
    if (progress)
        progress->done = found.size();
    r.read.addresses = std::move(found);
    return r;
}

IncomingRead::IncomingRead(Incoming in, QStringList list, std::function<void(const Reading &)> done, QObject *owner)
    : QObject(owner)
    , m_progress(std::make_shared<ReadProgress>())
    , m_watcher(new QFutureWatcher<Reading>(this))
{
    connect(m_watcher, &QFutureWatcher<Reading>::finished, this, [this, done = std::move(done)] {
        if (m_progress->cancelled)
            return;
        const Reading reading = m_watcher->result();
        if (!reading.cancelled)
            done(reading);
    });
    // The worker holds its own share of the progress: the window may be gone before it ends.
    m_watcher->setFuture(QtConcurrent::run([in = std::move(in), list = std::move(list), progress = m_progress] {
        return readIncoming(in, list, progress.get());
    }));
}

IncomingRead::~IncomingRead()
{
    cancel();
}

void IncomingRead::cancel()
{
    m_progress->cancelled = true;
}

bool IncomingRead::running() const
{
    return !m_watcher->isFinished();
}

QList<FoundAddress> freshNow(Windows &windows, const Reading &reading)
{
    const QStringList list = workingEntries(windows);
    return list == reading.list ? reading.fresh : newAddresses(reading.distinct, list);
}

QList<FoundAddress> newAddresses(const QList<FoundAddress> &found, const QStringList &list)
{
    QSet<QString> seen;
    for (const QString &entry : list)
        seen.insert(ListFormats::comparisonKey(entry));
    QList<FoundAddress> fresh;
    for (const FoundAddress &a : found) {
        const QString key = ListFormats::comparisonKey(a.address);
        if (key.isEmpty() || seen.contains(key))
            continue;
        seen.insert(key);
        fresh.append(a);
    }
    return fresh;
}

QString count(qsizetype n)
{
    return QLocale(QLocale::English).toString(qlonglong(n));
}

void keepTitles(Windows &windows, const QList<FoundAddress> &addresses)
{
    struct Kept {
        bool ok = false;
        QString error;
        QHash<QString, QString> titles;
    };
    auto *watcher = new QFutureWatcher<Kept>(&windows);
    const QString path = ListTitles::filePath();
    QObject::connect(watcher, &QFutureWatcher<Kept>::finished, &windows, [&windows, watcher, path] {
        watcher->deleteLater();
        Kept kept = watcher->result();
        // The marks get what the file holds now, without reading it once more.
        windows.setKeptTitles(std::move(kept.titles));
        if (!kept.ok)
            boxes(windows).show(QStringLiteral("The addresses are in the list, but Quokka could not keep their titles in\n%1\n\n"
                                               "Reason: %2")
                                    .arg(QDir::toNativeSeparators(path), kept.error),
                                QStringLiteral("Titles not kept"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    });
    // Merging and writing a titles file of many megabytes would hold the windows up.
    watcher->setFuture(QtConcurrent::run(&ListTitles::titlesWriter(), [listFile = ListPaths::listFile(), addresses] {
        Kept kept;
        kept.ok = ListTitles::rememberFor(listFile, addresses, &kept.error, &kept.titles);
        return kept;
    }));
}

void addToList(Windows &windows, const QList<FoundAddress> &addresses)
{
    if (addresses.isEmpty())
        return;
    ListBox *list = windows.listBrowser()->m_addressList;
    QStringList entries;
    entries.reserve(addresses.size());
    for (const FoundAddress &a : addresses)
        entries.append(a.address);
    // A list of nothing but its one blank line (a new or emptied list) gets the addresses in its place.
    if (list->count() == 1 && list->entry(0).isEmpty())
        list->replaceEntries(entries, -1);
    else
        list->addEntries(entries);
    // The list that grew comes up, also where it was hidden (after New List, Edit List or Info).
    WindowFrame::show(windows.listBrowser());
    keepTitles(windows, addresses);
}

void pasteAddresses(Windows &windows)
{
    Incoming in;
    in.text = QApplication::clipboard()->text();
    readWithProgress(windows, std::move(in), QStringLiteral("Reading the addresses in the clipboard."),
                     [&windows](const Reading &reading) {
        const QString leftOut = reading.noPages > 0 ? QStringLiteral("\n\n") + noPagesText(reading.noPages) : QString();
        if (reading.summary.found == 0) {
            boxes(windows).show(QStringLiteral("The clipboard holds no addresses.") + leftOut, QStringLiteral("Paste Addresses"),
                                MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
            return;
        }
        const QList<FoundAddress> fresh = freshNow(windows, reading);
        const QString summary = ListFormats::summaryText(reading.summary);
        if (fresh.isEmpty()) {
            boxes(windows).show(summary + QStringLiteral(".\n\nThe list holds every one of them already."),
                                QStringLiteral("Paste Addresses"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
            return;
        }
        const QString question = fresh.size() == 1 ? QStringLiteral("Add 1 address to the list?")
                                                   : QStringLiteral("Add %1 addresses to the list?").arg(count(fresh.size()));
        if (boxes(windows).show(summary + QStringLiteral(" in the clipboard.") + leftOut + QStringLiteral("\n\n") + question,
                                QStringLiteral("Paste Addresses"), MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question)
            != MessageBoxes::Answer::Ok)
            return;
        // What the list holds now, should it have changed while the person read the question.
        addToList(windows, freshNow(windows, reading));
    });
}

void dropAddresses(Windows &windows, const QMimeData *data)
{
    Incoming in;
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls()) {
            if (url.isLocalFile())
                // A file is a list to bring in: its import shows what it holds first, one for each file.
                ImportWindow::open(windows, url.toLocalFile(), windows.listBrowser()->window());
            else
                in.links.append(url);
        }
        // Links come with their text too: a bookmarklet's text may hold an address it only goes to.
        if (in.links.isEmpty())
            return;
    } else {
        in.text = data->text();
    }
    if (data->hasHtml())
        in.html = data->data(QStringLiteral("text/html")).left(4 * 1024 * 1024);
    readWithProgress(windows, std::move(in), QStringLiteral("Reading the addresses dropped on the list."),
                     [&windows](const Reading &reading) { addToList(windows, freshNow(windows, reading)); });
}

void attachTo(ListBrowser *listBrowser, Windows &windows)
{
    auto *paste = new QAction(listBrowser);
    paste->setObjectName(QStringLiteral("pasteAddressesAction"));
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    paste->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    listBrowser->addAction(paste);
    QObject::connect(paste, &QAction::triggered, listBrowser, [&windows] { pasteAddresses(windows); });
    // In the page Ctrl+Shift+V stays the page's own (a browser's paste as plain text): the key is ours
    // only while the keyboard is elsewhere in the list browser.
    QObject::connect(qApp, &QApplication::focusChanged, paste, [paste, page = QPointer<QWidget>(listBrowser->m_view->widget())](
                                                                   QWidget *, QWidget *now) {
        paste->setEnabled(!(page && now && (now == page || page->isAncestorOf(now))));
    });
    new DropTarget(windows, listBrowser->m_addressList->viewport());
}

QStringList exportFilters()
{
    // The folder's pattern shows the index of an earlier export, to be chosen to write it anew.
    return {QStringLiteral("Plain text, one address a line (*.txt)"), QStringLiteral("Bookmarks file (*.html)"),
            QStringLiteral("CSV with the last check's verdicts (*.csv)"),
            QStringLiteral("A folder with saved copies (index.html)")};
}

QByteArray exportBytes(Windows &windows, const QStringList &entries, int filterIndex, QStringList *changed)
{
    if (filterIndex == 0)
        return ListFormats::writePlainText(entries, changed);
    const QHash<QString, QString> titles = ListTitles::load();
    const CheckResults &results = windows.checkResults();
    const auto titleOf = [&](const QString &entry) {
        QString title = titles.value(entry);
        if (title.isEmpty())
            if (const auto result = results.resultFor(entry))
                title = result->title;
        return title;
    };
    if (filterIndex == 1) {
        QList<FoundAddress> found;
        for (const QString &entry : entries)
            found.append({entry, titleOf(entry)});
        return ListFormats::writeNetscapeBookmarks(found, QStringLiteral("Quokka"), QDateTime::currentSecsSinceEpoch(), changed);
    }
    QList<ListFormats::CsvRow> rows;
    for (const QString &entry : entries) {
        ListFormats::CsvRow row{entry, titleOf(entry), {}, 0, {}};
        if (const auto result = results.resultFor(entry)) {
            row.verdict = verdictWord(result->verdict);
            row.status = result->status;
            row.reason = result->reason;
        }
        rows.append(row);
    }
    return ListFormats::writeCsv(rows);
}

QString notWrittenAsTheyAre(const QStringList &changed, int filterIndex)
{
    const qsizetype n = changed.size();
    QString text = n == 1 ? QStringLiteral("The list was exported, but 1 entry could not be written as it is:")
                          : QStringLiteral("The list was exported, but %1 entries could not be written as they are:").arg(count(n));
    // A few are enough to find them; the rest are counted.
    constexpr qsizetype shown = 10;
    for (qsizetype i = 0; i < n && i < shown; ++i) {
        QString entry = ListFormats::withBytesPercentEncoded(changed[i]);
        entry.replace(QLatin1Char('\r'), QLatin1String("%0D")).replace(QLatin1Char('\n'), QLatin1String("%0A"));
        text += QStringLiteral("\n    ") + (entry.size() > 200 ? entry.left(200) + QChar(0x2026) : entry);
    }
    if (n > shown)
        text += QStringLiteral("\n    and %1 more").arg(count(n - shown));
    text += filterIndex == 0 ? QStringLiteral("\n\nA line break inside an entry is written as %0D or %0A, so that each entry "
                                              "stays one line.")
                             : QStringLiteral("\n\nA bookmarks file is UTF-8: the bytes of an address that are not are written "
                                              "percent-encoded (%E9), as browsers send them.");
    return text;
}

int exportFormatFor(const QString &path, qsizetype filterIndex)
{
    // A folder is a folder whatever the name box kept of the file name it started with.
    if (filterIndex == folderFilter || QFileInfo(path).isDir())
        return folderFilter;
    // A name that ends as one of the formats' files do gets that format, whatever filter was left chosen.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("txt"))
        return 0;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return 1;
    if (suffix == QLatin1String("csv"))
        return 2;
    return filterIndex >= 0 && filterIndex < exportFilters().size() ? int(filterIndex) : 0;
}

bool exportTo(Windows &windows, const QString &path, int filterIndex, QString *error, QStringList *changed)
{
    const QByteArray bytes = exportBytes(windows, workingEntries(windows), filterIndex, changed);
    const SaveResult saved = UrlListFile::replaceFile(path, bytes);
    if (!saved && error)
        *error = saved.reason;
    return bool(saved);
}

void exportList(Windows &windows, QWidget *parent)
{
    windows.listBrowser(); // the working list is the one exported
    const QStringList filters = exportFilters();
    QString filter = filters.constFirst();
    QString path = FileChooser::choose(parent, FileChooser::Mode::Save, QStringLiteral("Export List"),
                                       QDir::homePath() + QStringLiteral("/quokka-list.txt"), filters, &filter);
    if (path.isEmpty())
        return;
    const int index = exportFormatFor(path, filters.indexOf(filter));
    if (index == folderFilter) {
        exportToFolder(windows, exportFolderFor(path));
        return;
    }
    static const char *const suffixes[] = {"txt", "html", "csv"};
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + QLatin1String(suffixes[index]);
    QString error;
    QStringList changed;
    if (!exportTo(windows, path, index, &error, &changed)) {
        boxes(windows).show(QStringLiteral("Quokka could not export the list to\n%1\n\nReason: %2")
                                .arg(QDir::toNativeSeparators(path), error),
                            QStringLiteral("List not exported"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return;
    }
    if (!changed.isEmpty())
        boxes(windows).show(notWrittenAsTheyAre(changed, index), QStringLiteral("List exported"), MessageBoxes::Buttons::Ok,
                            MessageBoxes::Icon::Information);
}

QString exportFolderFor(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return info.absoluteFilePath();
    if (info.fileName() == QLatin1String(CopyExport::indexName)
        && CopyExport::folderState(info.absolutePath()) == CopyExport::FolderState::EarlierExport)
        return info.absolutePath();
    const QString suffix = info.suffix().toLower();
    // The name box keeps the file name it started with (quokka-list.txt) when the folder is chosen as the
    // type, whether or not an earlier export of that name is there.
    if ((suffix == u"txt" || suffix == u"html" || suffix == u"htm" || suffix == u"csv") && !info.completeBaseName().isEmpty())
        return info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    return info.absoluteFilePath();
}

void exportToFolder(Windows &windows, const QString &folder)
{
    const auto refuse = [&windows, &folder](const QString &why) {
        boxes(windows).show(QStringLiteral("Quokka could not export the list to\n%1\n\nReason: %2")
                                .arg(QDir::toNativeSeparators(folder), why),
                            QStringLiteral("List not exported"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    };
    switch (CopyExport::folderState(folder)) {
    case CopyExport::FolderState::NotAFolder:
        refuse(QStringLiteral("It is a file, not a folder. Choose a new name for the folder to make."));
        return;
    case CopyExport::FolderState::Clashes:
        refuse(QStringLiteral("The folder holds an index.html, list.txt or pages folder that Quokka did not write. "
                              "Nothing was changed: choose an empty folder or a new name."));
        return;
    case CopyExport::FolderState::HoldsOthers:
        if (boxes(windows).show(QStringLiteral("The folder\n%1\nalready holds other files.\n\nPut the list, its index.html "
                                               "and a folder of its saved copies beside them? The files there are left as "
                                               "they are.")
                                    .arg(QDir::toNativeSeparators(folder)),
                                QStringLiteral("Export List"), MessageBoxes::Buttons::OkCancelDefaultCancel,
                                MessageBoxes::Icon::Question)
            != MessageBoxes::Answer::Ok)
            return;
        break;
    case CopyExport::FolderState::Missing:
    case CopyExport::FolderState::Empty:
    case CopyExport::FolderState::EarlierExport:
        break;
    }

    const QStringList entries = workingEntries(windows);
    const QHash<QString, QString> titles = ListTitles::load();
    const CheckResults &results = windows.checkResults();
    CopyExportRequest request;
    request.folder = folder;
    request.listText = ListFormats::writePlainText(entries);
    request.copiesFolder = CopyArchive::defaultFolder();
    request.memoryPath = windows.checkMemory().memory().path();
    if (request.memoryPath.isEmpty())
        request.memoryPath = PageMemory::defaultPath();
    for (const QString &entry : entries) {
        ExportedEntry exported{entry, titles.value(entry), {}, {}};
        if (const auto result = results.resultFor(entry)) {
            if (exported.title.isEmpty())
                exported.title = result->title;
            exported.verdict = verdictWord(result->verdict);
            exported.reason = result->reason;
            // What the mark adds, with the check's date as a date: the index is read long after.
            const CheckNote note = results.noteFor(entry);
            QStringList more;
            if (!exported.reason.isEmpty())
                more.append(exported.reason);
            if (note.checkedAt.isValid())
                more.append(QStringLiteral("checked ") + CopyExport::dateText(note.checkedAt));
            if (!note.change.isEmpty())
                more.append(QStringLiteral("not what you saved: ") + note.change);
            exported.reason = more.join(QStringLiteral("; "));
        }
        request.entries.append(exported);
    }

    auto *dialog = progressWindow(windows,
                                  QStringLiteral("Exporting the list and its saved copies to\n%1").arg(QDir::toNativeSeparators(folder)),
                                  QStringLiteral("Export List"), QStringLiteral("exportProgress"),
                                  int(std::min<qsizetype>(entries.size(), INT_MAX)));
    auto *exporter = new CopyExporter(std::move(request), &windows);
    exporter->setObjectName(QStringLiteral("copyExporter"));
    QPointer<QProgressDialog> shown(dialog);
    QObject::connect(dialog, &QProgressDialog::canceled, exporter, [exporter, shown] {
        exporter->cancel();
        if (shown) {
            shown->hide();
            shown->deleteLater();
        }
    });
    auto *timer = new QTimer(dialog);
    QObject::connect(timer, &QTimer::timeout, dialog, [dialog, exporter] {
        const CopyExportProgress &progress = exporter->progress();
        dialog->setValue(int(std::min<qint64>(progress.done, dialog->maximum())));
    });
    timer->start(100);
    QObject::connect(exporter, &CopyExporter::finished, &windows, [&windows, exporter, shown, folder](const CopyExportResult &result) {
        exporter->deleteLater();
        if (shown) {
            // reset() stops the timer that would show it later, also inside the message that comes next.
            shown->reset();
            shown->hide();
            shown->deleteLater();
        }
        const QString where = QDir::toNativeSeparators(folder);
        switch (result.outcome) {
        case CopyExportResult::Outcome::Cancelled:
            return;
        case CopyExportResult::Outcome::Failed:
            boxes(windows).show(QStringLiteral("Quokka could not export the list to\n%1\n\nReason: %2\n\nThe folder was "
                                               "left as it was.")
                                    .arg(where, result.problem),
                                QStringLiteral("List not exported"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
            return;
        case CopyExportResult::Outcome::Exported:
            break;
        }
        QString text = QStringLiteral("The list was exported to\n%1\n\n%2, %3 with a saved copy. Open index.html there to "
                                      "see them; a saved copy opens in any Chromium-based browser.")
                           .arg(where,
                                result.entries == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count(result.entries)),
                                count(result.withCopy));
        if (result.unreadable > 0)
            text += result.unreadable == 1
                        ? QStringLiteral("\n\nThe saved copy of 1 entry cannot be read; it is listed without it.")
                        : QStringLiteral("\n\nThe saved copies of %1 entries cannot be read; they are listed without them.")
                              .arg(count(result.unreadable));
        if (!result.copiesProblem.isEmpty())
            text += QStringLiteral("\n\nThe saved copies could not be read: %1").arg(result.copiesProblem);
        boxes(windows).show(text, QStringLiteral("List exported"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
    });
    exporter->start();
}

} // namespace ListImport

ImportWindow::ImportWindow(Windows &windows, const QString &path, QWidget *parent)
    : QDialog(parent)
    , m_windows(windows)
    , m_path(path)
{
    setObjectName(QStringLiteral("ImportWindow"));
    setWindowTitle(QStringLiteral("Import Addresses"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *layout = new QVBoxLayout(this);
    m_fileLabel = new QLabel(QDir::toNativeSeparators(path), this);
    m_fileLabel->setObjectName(QStringLiteral("fileLabel"));
    m_fileLabel->setWordWrap(true);
    m_fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_fileLabel);
    m_summaryLabel = new QLabel(QStringLiteral("Reading\u2026"), this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setWordWrap(true);
    QFont bold = m_summaryLabel->font();
    bold.setBold(true);
    m_summaryLabel->setFont(bold);
    layout->addWidget(m_summaryLabel);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(QStringLiteral("Reading the file"));
    m_progressBar->setRange(0, 0);
    layout->addWidget(m_progressBar);

    m_preview = new QListWidget(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setAccessibleName(QStringLiteral("Addresses found"));
    m_preview->setUniformItemSizes(true);
    layout->addWidget(m_preview, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_addButton = buttons->addButton(QStringLiteral("&Add"), QDialogButtonBox::AcceptRole);
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_addButton->setAccessibleName(QStringLiteral("Add the new addresses to the list"));
    m_replaceButton = buttons->addButton(QStringLiteral("&Replace"), QDialogButtonBox::DestructiveRole);
    m_replaceButton->setObjectName(QStringLiteral("replaceButton"));
    m_replaceButton->setAccessibleName(QStringLiteral("Replace the list by these addresses"));
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);
    m_addButton->setEnabled(false);
    m_replaceButton->setEnabled(false);
    connect(m_addButton, &QPushButton::clicked, this, &ImportWindow::addToList);
    connect(m_replaceButton, &QPushButton::clicked, this, &ImportWindow::replaceList);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, 420);

    ListImport::Incoming in;
    in.path = path;
    m_read = new ListImport::IncomingRead(std::move(in), workingEntries(windows),
                                          [this](const ListImport::Reading &reading) { readingDone(reading); }, this);
    // Cancel and Esc stop the worker (reject closes the window, which ends the read with it).
    connect(this, &QDialog::rejected, m_read, &ListImport::IncomingRead::cancel);
    m_progressTimer = new QTimer(this);
    connect(m_progressTimer, &QTimer::timeout, this, &ImportWindow::showProgress);
    m_progressTimer->start(100);
    // A short read never shows the window in its reading state; a long one shows how far it is.
    QTimer::singleShot(200, this, [this] {
        if (!m_ready && m_read->running()) {
            show();
            raise();
            activateWindow();
        }
    });
}

ImportWindow::~ImportWindow()
{
    m_read->cancel();
}

void ImportWindow::showProgress()
{
    if (m_ready)
        return;
    const ListImport::ReadProgress &progress = m_read->progress();
    m_summaryLabel->setText(progress.text());
    const qint64 total = progress.total;
    if (progress.stage == ListImport::ReadProgress::Comparing && total > 0) {
        m_progressBar->setRange(0, int(std::min<qint64>(total, INT_MAX)));
        m_progressBar->setValue(int(std::min<qint64>(progress.done, total)));
    } else {
        m_progressBar->setRange(0, 0); // a stage that cannot say how far it is
    }
}

void ImportWindow::readingDone(const ListImport::Reading &reading)
{
    m_progressTimer->stop();
    QString why = reading.error;
    if (why.isEmpty() && reading.read.addresses.isEmpty()) {
        why = reading.read.problem.isEmpty() ? QStringLiteral("It holds no web addresses.") : reading.read.problem;
        if (reading.noPages > 0)
            why += QLatin1Char(' ') + ListImport::noPagesText(reading.noPages);
    }
    if (!why.isEmpty()) {
        hide();
        boxes(m_windows).show(QStringLiteral("Quokka found no list to import in\n%1\n\nReason: %2\n\nYour list is left as it is.")
                                  .arg(QDir::toNativeSeparators(m_path), why),
                              QStringLiteral("Nothing to import"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        deleteLater();
        return;
    }
    m_reading = reading;
    m_fileLabel->setText(QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(m_path), ListFormats::formatName(reading.read.format)));
    QString text = ListFormats::summaryText(reading.summary);
    if (!reading.read.problem.isEmpty())
        text += QStringLiteral("\nThe file could not be read to its end: %1").arg(reading.read.problem);
    if (reading.noPages > 0)
        text += QLatin1Char('\n') + ListImport::noPagesText(reading.noPages);
    for (const QString &remark : reading.read.remarks)
        text += u'\n' + remark;
    m_summaryLabel->setText(text);
    m_progressBar->hide();
    // The first thousand are enough to see what the file holds.
    const QList<FoundAddress> &found = reading.read.addresses;
    for (qsizetype i = 0; i < found.size() && i < 1000; ++i) {
        const FoundAddress &a = found[i];
        auto *item = new QListWidgetItem(a.title.isEmpty() ? a.address : a.title + QStringLiteral("  ") + a.address, m_preview);
        item->setToolTip(a.address);
    }
    m_addButton->setEnabled(reading.summary.added() > 0);
    m_replaceButton->setEnabled(reading.summary.found > 0);
    m_addButton->setDefault(true);
    m_ready = true;
    show();
    raise();
    activateWindow();
}

ImportWindow *ImportWindow::chooseAndOpen(Windows &windows, QWidget *parent)
{
    const QString path = FileChooser::choose(
        parent, FileChooser::Mode::Open, QStringLiteral("Import Addresses"), QDir::homePath(),
        {QStringLiteral("Lists: bookmarks, text, CSV, OPML (*.html *.htm *.txt *.csv *.opml *.xml *.md)"),
         QStringLiteral("All files (*)")});
    return path.isEmpty() ? nullptr : open(windows, path, parent);
}

ImportWindow *ImportWindow::open(Windows &windows, const QString &path, QWidget *parent)
{
    // What a look at the file tells is said at once; its content is read in the window's worker.
    QString why;
    const QFileInfo info(path);
    if (!info.exists())
        why = QStringLiteral("The file is not there.");
    else if (!info.isFile())
        why = QStringLiteral("It is not a regular file (a folder, a pipe or a device).");
    else if (info.size() > ListImport::maxFileBytes)
        why = QStringLiteral("It is larger than %1 MiB.").arg(ListImport::maxFileBytes / (1024 * 1024));
    if (!why.isEmpty()) {
        boxes(windows).show(QStringLiteral("Quokka found no list to import in\n%1\n\nReason: %2\n\nYour list is left as it is.")
                                .arg(QDir::toNativeSeparators(path), why),
                            QStringLiteral("Nothing to import"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return nullptr;
    }
    windows.listBrowser(); // what the file brings is counted against the working list
    return new ImportWindow(windows, path, parent);
}

void ImportWindow::addToList()
{
    const QList<FoundAddress> fresh = ListImport::freshNow(m_windows, m_reading);
    const QString question = fresh.size() == 1
        ? QStringLiteral("Would you like to add 1 address to the list?")
        : QStringLiteral("Would you like to add %1 addresses to the list?").arg(ListImport::count(fresh.size()));
    if (boxes(m_windows).show(question, QStringLiteral("Add all"), MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question)
        != MessageBoxes::Answer::Ok)
        return;
    ListImport::addToList(m_windows, ListImport::freshNow(m_windows, m_reading));
    accept();
}

void ImportWindow::replaceList()
{
    const QList<FoundAddress> &distinct = m_reading.distinct;
    const QString question = QStringLiteral("Would you like to replace all the %1 entries of the list by the %2 addresses found?")
                                 .arg(ListImport::count(workingEntries(m_windows).size()), ListImport::count(distinct.size()));
    if (boxes(m_windows).show(question, QStringLiteral("Replace all"), MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question)
        != MessageBoxes::Answer::Ok)
        return;
    QStringList entries;
    entries.reserve(distinct.size());
    for (const FoundAddress &a : distinct)
        entries.append(a.address);
    m_windows.listBrowser()->m_addressList->replaceEntries(entries, -1);
    WindowFrame::show(m_windows.listBrowser());
    ListImport::keepTitles(m_windows, distinct);
    accept();
}
