#include "browser/pagetools.h"

#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/findbar.h"
#include "browser/listbrowser.h"
#include "browser/zoommemory.h"
#include "platform/platform.h"
#include "platform/programstarter.h"
#include "platform/webbrowser.h"
#include "ui/listbox.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

FileNotice::FileNotice(Windows &windows, QWidget *page)
    : QFrame(page->parentWidget())
    , m_text(new QLabel(this))
    , m_openButton(new QPushButton(QStringLiteral("&Open"), this))
    , m_folderButton(new QPushButton(QStringLiteral("Show in &Folder"), this))
    , m_closeButton(new QPushButton(QStringLiteral("Close"), this))
    , m_windows(windows)
    , m_page(page)
{
    setObjectName(QStringLiteral("fileNotice"));
    setAccessibleName(QStringLiteral("File notice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("#fileNotice{background:#e3f1d4;border-bottom:1px solid #5b8a2b;} QLabel{color:#000;}"));
    // Paths and page titles are shown as text, never as markup.
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setObjectName(QStringLiteral("fileNoticeText"));
    m_openButton->setObjectName(QStringLiteral("fileNoticeOpen"));
    m_folderButton->setObjectName(QStringLiteral("fileNoticeFolder"));
    m_closeButton->setObjectName(QStringLiteral("fileNoticeClose"));
    m_openButton->setAutoDefault(false);
    m_folderButton->setAutoDefault(false);
    m_closeButton->setAutoDefault(false);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->addWidget(m_text, 1);
    row->addWidget(m_openButton);
    row->addWidget(m_folderButton);
    row->addWidget(m_closeButton);
    connect(m_openButton, &QPushButton::clicked, this, &FileNotice::openFile);
    connect(m_folderButton, &QPushButton::clicked, this, &FileNotice::showInFolder);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::hide);
    m_page->installEventFilter(this);
    hide();
}

void FileNotice::tell(const QString &text, const QString &path)
{
    m_path = path;
    m_text->setText(text);
    setAccessibleDescription(text);
    m_openButton->setVisible(!path.isEmpty());
    m_folderButton->setVisible(!path.isEmpty());
    place();
    show();
    raise();
}

void FileNotice::openFile()
{
    if (!m_path.isEmpty())
        startOpener(m_path);
}

void FileNotice::showInFolder()
{
    if (!m_path.isEmpty())
        startOpener(QFileInfo(m_path).absolutePath());
}

void FileNotice::startOpener(const QString &target)
{
    ProgramStarter &starter = m_windows.platform().programStarter();
    const QString opener = starter.findOnPath(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        m_text->setText(QStringLiteral("%1 is here, but no program to open it was found (xdg-open is missing).").arg(target));
        return;
    }
    // A name that starts with a dash is not an option to the opener.
    const QString absolute = QFileInfo(target).absoluteFilePath();
    if (!starter.startDetached(opener, {absolute}))
        m_text->setText(QStringLiteral("%1 could not be opened: xdg-open did not start.").arg(absolute));
}

void FileNotice::place()
{
    const QRect page = m_page->geometry();
    setGeometry(page.left(), page.top(), page.width(), heightForWidth(page.width()) > 0 ? heightForWidth(page.width()) : sizeHint().height());
}

bool FileNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_page && (event->type() == QEvent::Resize || event->type() == QEvent::Move) && isVisible())
        place();
    return QFrame::eventFilter(watched, event);
}

PageTools::PageTools(Windows &windows, WebBrowser *browser, QWidget *window, Keys keys)
    : QObject(window)
    , m_findBar(new FindBar(browser))
    , m_notice(new FileNotice(windows, browser->widget()))
    , m_windows(windows)
    , m_browser(browser)
    , m_window(window)
    , m_keyScope(keys == Keys::Window ? window : browser->widget())
    , m_context(keys == Keys::Window ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut)
{
    setObjectName(QStringLiteral("pageTools"));
    addTool(QStringLiteral("find"), QStringLiteral("&Find in Page..."), {QKeySequence(Qt::CTRL | Qt::Key_F)});
    addTool(QStringLiteral("findNext"), QStringLiteral("Find Next"), {QKeySequence(Qt::Key_F3)});
    addTool(QStringLiteral("findPrevious"), QStringLiteral("Find Previous"), {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    addTool(QStringLiteral("zoomIn"), QStringLiteral("Zoom &In"),
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    addTool(QStringLiteral("zoomOut"), QStringLiteral("Zoom &Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    addTool(QStringLiteral("zoomReset"), QStringLiteral("&Actual Size"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    addTool(QStringLiteral("savePage"), QStringLiteral("&Save Page As..."), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    addTool(QStringLiteral("savePdf"), QStringLiteral("Save as P&DF..."), {});
    // In the list browser Ctrl+P plays the list: Print is in the page's context menu there.
    addTool(QStringLiteral("print"), QStringLiteral("&Print..."),
            keys == Keys::Window ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_P)} : QList<QKeySequence>{});
    // The saved copy of a list entry's page: its keys work in the whole window (in the list browser
    // on the list as well as on the page).
    addWindowTool(QStringLiteral("savedCopy"), QStringLiteral("Saved &Copy"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    addWindowTool(QStringLiteral("olderCopies"), QStringLiteral("&Older Copies…"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)});
    addWindowTool(QStringLiteral("saveCopy"), QStringLiteral("Save Cop&y As…"), {});
    action(QStringLiteral("saveCopy"))->setEnabled(false);
    // The find bar is not inside the page: the find keys work there too.
    for (const char *key : {"find", "findNext", "findPrevious"})
        m_findBar->addAction(action(QString::fromLatin1(key)));

    connect(action(QStringLiteral("find")), &QAction::triggered, m_findBar, &FindBar::open);
    connect(action(QStringLiteral("findNext")), &QAction::triggered, m_findBar, &FindBar::findNext);
    connect(action(QStringLiteral("findPrevious")), &QAction::triggered, m_findBar, &FindBar::findPrevious);
    connect(action(QStringLiteral("zoomIn")), &QAction::triggered, this, &PageTools::zoomIn);
    connect(action(QStringLiteral("zoomOut")), &QAction::triggered, this, &PageTools::zoomOut);
    connect(action(QStringLiteral("zoomReset")), &QAction::triggered, this, &PageTools::resetZoom);
    connect(action(QStringLiteral("savePage")), &QAction::triggered, this, &PageTools::savePageAs);
    connect(action(QStringLiteral("savePdf")), &QAction::triggered, this, &PageTools::saveAsPdf);
    connect(action(QStringLiteral("print")), &QAction::triggered, this, &PageTools::print);
    connect(action(QStringLiteral("savedCopy")), &QAction::triggered, this, &PageTools::savedCopyAsked);
    connect(action(QStringLiteral("olderCopies")), &QAction::triggered, this, &PageTools::olderCopiesAsked);
    connect(action(QStringLiteral("saveCopy")), &QAction::triggered, this, &PageTools::saveCopyAs);

    connect(m_browser, &WebBrowser::zoomRequested, this, &PageTools::zoomBy);
    connect(m_browser, &WebBrowser::urlChanged, this, &PageTools::applyRememberedZoom);
    connect(m_browser, &WebBrowser::busyChanged, this, [this](bool busy) {
        if (!busy)
            applyRememberedZoom();
    });
    connect(m_browser, &WebBrowser::contextMenuRequested, this, &PageTools::addToContextMenu);
    connect(m_browser, &WebBrowser::pageSaved, this, [this](const QString &path, bool ok) {
        if (ok)
            m_notice->tell(QStringLiteral("Saved: %1").arg(path), path);
        else
            m_notice->tell(QStringLiteral("The page was not saved: %1 could not be written.").arg(path));
    });
    connect(m_browser, &WebBrowser::downloadFinished, this, [this](const QString &path, bool ok) {
        if (ok)
            m_notice->tell(QStringLiteral("Download finished: %1").arg(path), path);
    });
}

QAction *PageTools::addTool(const QString &key, const QString &text, const QList<QKeySequence> &keys)
{
    auto *a = new QAction(text, m_keyScope);
    a->setObjectName(key);
    a->setShortcuts(keys);
    a->setShortcutContext(m_context);
    m_keyScope->addAction(a);
    m_actions.append(a);
    return a;
}

QAction *PageTools::addWindowTool(const QString &key, const QString &text, const QList<QKeySequence> &keys)
{
    auto *a = new QAction(text, m_window);
    a->setObjectName(key);
    a->setShortcuts(keys);
    a->setShortcutContext(m_context == Qt::WindowShortcut ? Qt::WindowShortcut : Qt::WidgetWithChildrenShortcut);
    m_window->addAction(a);
    m_actions.append(a);
    return a;
}

QAction *PageTools::action(const QString &key) const
{
    for (QAction *a : m_actions)
        if (a->objectName() == key)
            return a;
    return nullptr;
}

void PageTools::zoomBy(int steps)
{
    setZoom(ZoomMemory::stepped(m_browser->zoomFactor(), steps));
}

void PageTools::resetZoom()
{
    setZoom(1.0);
}

void PageTools::setZoom(double factor)
{
    m_browser->setZoomFactor(factor);
    const QString host = QUrl(m_browser->url()).host();
    if (host.isEmpty())
        return;
    // Read again before writing: another window may have zoomed another host meanwhile.
    QString problem;
    ZoomMemory memory = ZoomMemory::load(ZoomMemory::filePath(), &problem);
    if (!problem.isEmpty())
        return; // a file that is not ours to read is not ours to replace
    memory.setZoom(host, factor);
    QDir().mkpath(QFileInfo(ZoomMemory::filePath()).absolutePath());
    memory.save(ZoomMemory::filePath());
}

void PageTools::applyRememberedZoom()
{
    const QString host = QUrl(m_browser->url()).host();
    const double factor = host.isEmpty() ? 1.0 : ZoomMemory::load(ZoomMemory::filePath()).zoomFor(host);
    if (m_browser->zoomFactor() != factor)
        m_browser->setZoomFactor(factor);
}

QString PageTools::suggestedPath(const QString &suffix, const QString &title) const
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // The page's title, without what a file name cannot hold.
    QString name = title.left(80);
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]+"));
    name.replace(unsafe, QStringLiteral(" "));
    name = name.simplified();
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name = QStringLiteral("page");
    return QDir(folder).filePath(name + suffix);
}

void PageTools::savePageAs()
{
    // What shows is the copy, not the live page behind it: Save saves what the person sees.
    if (m_browser->isShowingSavedCopy()) {
        saveCopyAs();
        return;
    }
    const QString single = QStringLiteral("Web page, one file (*.mhtml *.mht)");
    const QString html = QStringLiteral("Web page, HTML only (*.html *.htm)");
    QString filter = single;
    QString path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Save Page As"), suggestedPath(QStringLiteral(".mhtml"), m_browser->title()),
                                                single + QStringLiteral(";;") + html, &filter);
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (filter == html && suffix != QLatin1String("html") && suffix != QLatin1String("htm"))
        path += QStringLiteral(".html");
    else if (filter == single && suffix.isEmpty())
        path += QStringLiteral(".mhtml");
    savePageTo(path);
}

void PageTools::savePageTo(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool htmlOnly = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
    m_browser->savePage(QFileInfo(path).absoluteFilePath(), !htmlOnly);
}

void PageTools::saveCopyAs()
{
    if (!m_browser->isShowingSavedCopy())
        return;
    QString path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Save Copy As"),
                                                suggestedPath(QStringLiteral(".mhtml"), m_copyTitle.isEmpty() ? m_browser->title() : m_copyTitle),
                                                QStringLiteral("Web page, one file (*.mhtml *.mht)"));
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("mhtml") && suffix != QLatin1String("mht"))
        path += QStringLiteral(".mhtml");
    emit copySaveAsked(QFileInfo(path).absoluteFilePath());
}

void PageTools::tellCopySaved(const QString &path, bool ok, const QString &problem)
{
    if (ok)
        m_notice->tell(QStringLiteral("Saved: %1").arg(path), path);
    else
        m_notice->tell(QStringLiteral("The saved copy was not saved to %1: %2").arg(path, problem));
}

void PageTools::saveAsPdf()
{
    QString path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Save as PDF"), suggestedPath(QStringLiteral(".pdf"), m_browser->title()),
                                                QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    m_browser->printToPdf(QFileInfo(path).absoluteFilePath());
}

void PageTools::print()
{
    m_browser->print();
}

void PageTools::addLinkToList(const QString &link)
{
    if (link.isEmpty())
        return;
    m_windows.listBrowser()->m_addressList->addEntry(link);
    m_notice->tell(QStringLiteral("Added to the list: %1").arg(link));
}

void PageTools::openLinkInNewWindow(const QString &link)
{
    if (!link.isEmpty())
        m_windows.openNewBrowserWindow()->m_view->navigate(link);
}

void PageTools::addToContextMenu(QMenu *menu, const QString &link)
{
    if (!link.isEmpty()) {
        menu->addSeparator();
        QAction *add = menu->addAction(QStringLiteral("&Add Link to List"));
        add->setObjectName(QStringLiteral("addLinkToList"));
        connect(add, &QAction::triggered, this, [this, link] { addLinkToList(link); });
        QAction *open = menu->addAction(QStringLiteral("Open Link in New &Quokka Window"));
        open->setObjectName(QStringLiteral("openLinkInNewWindow"));
        connect(open, &QAction::triggered, this, [this, link] { openLinkInNewWindow(link); });
    }
    menu->addSeparator();
    for (const char *key : {"find", "savePage", "savePdf", "print"})
        menu->addAction(action(QString::fromLatin1(key)));
    menu->addSeparator();
    for (const char *key : {"savedCopy", "olderCopies"})
        menu->addAction(action(QString::fromLatin1(key)));
}
