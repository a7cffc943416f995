// Export List to a folder: the list, each entry's last good copy as an .mhtml file and an index.html
// that lists them; hostile titles and addresses, damaged copy files, a full or read-only disk, a folder
// that is no export, Cancel; Export List's folder choice through the windows; a copy exported from a
// page the real engine saved loads and paints again.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "copies/copyarchive.h"
#include "copies/copyexport.h"
#include "copies/copystore.h"
#include "fakes/loopbackserver.h"
#include "fakes/tinymount.h"
#include "fakes/webenginetest.h"
#include "fakes/windowsworld.h"
#include "lists/importwindow.h"
#include "platform/webenginebrowser.h"
#include "store/listpaths.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

/// An MHTML file as the engine writes one, holding @p body.
QByteArray mhtml(const QByteArray &title, const QByteArray &body)
{
    return "From: <Saved by Blink>\r\nSnapshot-Content-Location: https://x.example/\r\nSubject: " + title
         + "\r\nDate: Thu, 3 Mar 2026 14:02:00 -0000\r\nMIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n"
           "\ttype=\"text/html\";\r\n\tboundary=\"----MultipartBoundary--abcdefgh----\"\r\n\r\n"
           "------MultipartBoundary--abcdefgh----\r\nContent-Type: text/html\r\n\r\n<html><body>"
         + body + "</body></html>\r\n------MultipartBoundary--abcdefgh------\r\n";
}

/// Bytes no compressor shrinks, as a page's photographs are.
QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (char &c : bytes)
        c = char('A' + rng.bounded(26));
    return bytes;
}

/// Every tag of @p html is one the index is made of, with the attributes it uses, and every link goes
/// to a copy, the list or a web page: what a title or an address slipped in would break.
QString firstForeignMarkup(const QString &html)
{
    static const QSet<QString> tags{"!doctype", "html", "head", "meta", "title", "style", "body", "h1", "p", "a",
                                    "table", "thead", "tbody", "tr", "th", "td", "br", "span", "time"};
    static const QSet<QString> attributes{"lang", "charset", "name", "content", "http-equiv", "href", "rel", "class", "datetime"};
    static const QRegularExpression tag(QStringLiteral("<(/?)([^\\s>/]+)([^>]*)>"));
    static const QRegularExpression attribute(QStringLiteral("\\s([^\\s=]+)=\"([^\"]*)\""));
    static const QRegularExpression bareAttribute(QStringLiteral("\\s[^\\s=\"]+(\\s|$)"));
    // The style sheet's text is no markup.
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<style>[^<]*</style>")));
    qsizetype tags_seen = 0;
    for (auto it = tag.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        ++tags_seen;
        if (!tags.contains(m.captured(2).toLower()))
            return m.captured(0);
        QString rest = m.captured(3);
        if (m.captured(2).toLower() == u"!doctype")
            continue;
        for (auto a = attribute.globalMatch(rest); a.hasNext();) {
            const QRegularExpressionMatch am = a.next();
            if (!attributes.contains(am.captured(1)))
                return m.captured(0);
            if (am.captured(1) == u"href") {
                const QString href = am.captured(2);
                if (!(href.startsWith(u"pages/") || href == u"list.txt" || href.startsWith(u"http://")
                      || href.startsWith(u"https://") || href.startsWith(u"ftp://") || href.startsWith(u"file:")))
                    return m.captured(0);
            }
        }
        rest.remove(attribute);
        if (!rest.trimmed().isEmpty())
            return m.captured(0);
    }
    return tags_seen > 10 ? QString() : QStringLiteral("(hardly any markup: %1 tags)").arg(tags_seen);
}

QByteArray redSquarePng()
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestCopyExport : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CopyArchive> m_archive;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    static QString shotPath(const QString &name)
    {
        const QString folder = qEnvironmentVariable("QUOKKA_EXPORT_SHOTS");
        return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name;
    }
    QString copiesFolder() const { return path(QStringLiteral("copies")); }
    QString memoryPath() const { return path(QStringLiteral("page-memory.sqlite")); }

    void keep(const QString &entry, const QByteArray &page, const QDateTime &at = QDateTime::currentDateTimeUtc())
    {
        const KeepResult kept = m_archive->keep(entry, PageCondition::Good, {page, QStringLiteral("text"), {}}, at);
        QVERIFY2(kept.isKept(), qPrintable(kept.message));
    }
    CopyExportRequest request(const QList<ExportedEntry> &entries, const QString &folder) const
    {
        CopyExportRequest r;
        r.folder = folder;
        r.entries = entries;
        for (const ExportedEntry &e : entries)
            r.listText += e.entry.toUtf8() + '\n';
        r.copiesFolder = copiesFolder();
        r.memoryPath = memoryPath();
        return r;
    }
    /// The .mhtml files an export wrote.
    static QStringList pagesOf(const QString &folder)
    {
        return QDir(folder + QStringLiteral("/pages")).entryList(QDir::Files, QDir::Name);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_archive = std::make_unique<CopyArchive>();
        QVERIFY(m_archive->open(copiesFolder(), memoryPath()));
    }
    void cleanup()
    {
        CopyExport::holdForTests({});
        m_archive.reset();
        m_dir.reset();
    }

    void theFolderHoldsTheListTheCopiesAndAnIndexInListOrder()
    {
        const QByteArray dental = mhtml("Riverside Dental", "<h1>Opening hours</h1>");
        const QDateTime taken(QDate(2026, 3, 3), QTime(14, 2), Qt::LocalTime);
        keep(QStringLiteral("https://dental.example/"), mhtml("Old dental", "old"), taken.addDays(-10));
        keep(QStringLiteral("https://dental.example/"), dental, taken);
        // Another entry showing the same page shares the file.
        keep(QStringLiteral("https://dental.example/#hours"), dental, taken.addSecs(60));
        const QList<ExportedEntry> entries{{QStringLiteral("https://dental.example/"), QStringLiteral("Riverside Dental"),
                                            QStringLiteral("alive"), QStringLiteral("200 OK")},
                                           {QStringLiteral("https://gone.example/"), {}, QStringLiteral("dead"),
                                            QStringLiteral("not found (404)")},
                                           {QStringLiteral("https://dental.example/#hours"), {}, {}, {}}};
        const QString folder = path(QStringLiteral("export"));
        CopyExportProgress progress;
        const CopyExportResult result = CopyExport::run(request(entries, folder), &progress);
        QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Exported));
        QCOMPARE(result.entries, 3);
        QCOMPARE(result.withCopy, 2);
        QCOMPARE(result.files, 1);
        QCOMPARE(result.unreadable, 0);
        QCOMPARE(progress.done.load(), 3);

        QCOMPARE(readAll(folder + QStringLiteral("/list.txt")),
                 QByteArray("https://dental.example/\nhttps://gone.example/\nhttps://dental.example/#hours\n"));
        const QStringList pages = pagesOf(folder);
        QCOMPARE(pages, QStringList{QStringLiteral("001 Riverside Dental.mhtml")});
        // The newest copy, as the engine wrote it.
        QCOMPARE(readAll(folder + QStringLiteral("/pages/") + pages[0]), dental);
        // Nothing put together on the way is left.
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"index.html", "list.txt", "pages"}));

        const QString index = QString::fromUtf8(readAll(folder + QStringLiteral("/index.html")));
        QVERIFY2(firstForeignMarkup(index).isEmpty(), qPrintable(firstForeignMarkup(index)));
        const qsizetype first = index.indexOf(QStringLiteral(">Riverside Dental</a>"));
        const qsizetype second = index.indexOf(QStringLiteral("https://gone.example/"));
        const qsizetype third = index.indexOf(QStringLiteral("https://dental.example/#hours</a>"));
        QVERIFY2(first > 0 && second > first && third > second, qPrintable(index));
        QCOMPARE(index.count(QStringLiteral("href=\"pages/001%20Riverside%20Dental.mhtml\"")), 2);
        QVERIFY(index.contains(QStringLiteral("3 March 2026, 14:02")));
        QVERIFY(index.contains(QStringLiteral("not found (404)")));
        QVERIFY(index.contains(QStringLiteral("no saved copy")));
        QVERIFY(index.contains(QStringLiteral("3 entries, 2 with a saved copy")));
        // The entry without a copy has no link to one.
        const qsizetype goneRow = index.lastIndexOf(QStringLiteral("<tr>"), second);
        QVERIFY(!index.mid(goneRow, index.indexOf(QStringLiteral("</tr>"), second) - goneRow).contains(QStringLiteral("pages/")));
    }

    void hostileTitlesAndAddressesStayText_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shownAs"); ///< how the index holds the title or address
        QTest::addColumn<bool>("linked");     ///< whether the address links its live page
        QTest::newRow("script in a title") << "https://a.example/" << "<script>alert(1)</script>"
                                           << "&lt;script&gt;alert(1)&lt;/script&gt;" << true;
        QTest::newRow("an attribute broken out of") << "https://a.example/" << "\"><img src=x onerror=alert(1)>"
                                                    << "&quot;&gt;&lt;img src=x onerror=alert(1)&gt;" << true;
        QTest::newRow("single quotes and ampersands") << "https://a.example/" << "Tom's &amp; Jerry's"
                                                      << "Tom&#39;s &amp;amp; Jerry&#39;s" << true;
        QTest::newRow("controls and a line break") << "https://a.example/" << QStringLiteral("A\u0000B\nC\u001bD")
                                                   << "AB CD" << true;
        QTest::newRow("javascript: entry") << "javascript:alert(document.cookie)" << "" << "javascript:alert(document.cookie)"
                                           << false;
        QTest::newRow("javascript: with a tab and capitals") << "JaVa\tScript:alert(1)" << "" << "JaVa\tScript:alert(1)" << false;
        QTest::newRow("data: entry") << "data:text/html,<b>hi</b>" << "" << "data:text/html,&lt;b&gt;hi&lt;/b&gt;" << false;
        QTest::newRow("a quote in an address") << "https://a.example/\"onmouseover=\"alert(1)" << ""
                                               << "https://a.example/&quot;onmouseover=&quot;alert(1)" << true;
        QTest::newRow("a byte that is not UTF-8") << QStringLiteral("https://a.example/caf") + QChar(0xDCE9) << ""
                                                  << "https://a.example/caf%E9" << true;
        QTest::newRow("vbscript: entry") << "vbscript:msgbox(1)" << "" << "vbscript:msgbox(1)" << false;
    }
    void hostileTitlesAndAddressesStayText()
    {
        QFETCH(QString, entry);
        QFETCH(QString, title);
        QFETCH(QString, shownAs);
        QFETCH(bool, linked);
        keep(entry, mhtml("x", "page"));
        const QString folder = path(QStringLiteral("export"));
        const CopyExportResult result =
            CopyExport::run(request({{entry, title, QStringLiteral("dead"), QStringLiteral("<b>reason</b> & more")}}, folder));
        QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Exported));
        const QString index = QString::fromUtf8(readAll(folder + QStringLiteral("/index.html")));
        QVERIFY2(firstForeignMarkup(index).isEmpty(), qPrintable(firstForeignMarkup(index) + "\n" + index));
        QVERIFY2(index.contains(shownAs), qPrintable(index));
        QVERIFY(index.contains(QStringLiteral("&lt;b&gt;reason&lt;/b&gt; &amp; more")));
        QCOMPARE(index.contains(QStringLiteral("rel=\"noreferrer\"")), linked);
        // Its copy is linked whatever its address.
        QCOMPARE(pagesOf(folder).size(), 1);
        QVERIFY(index.contains(QStringLiteral("href=\"pages/001")));
    }

    void copyFileNamesAreSafe_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain title") << "Riverside Dental" << "https://x.example/" << "001 Riverside Dental.mhtml";
        QTest::newRow("climbing out") << "../../etc/passwd" << "https://x.example/" << "001 . etc passwd.mhtml";
        QTest::newRow("only dots") << ".." << "https://x.example/" << "001.mhtml";
        QTest::newRow("slashes and marks") << "a/b\\c:d*e?f\"g<h>i|j" << "https://x.example/" << "001 a b c d e f g h i j.mhtml";
        QTest::newRow("no title: the address") << "" << "https://docs.example/guide/intro.html" << "001 docs.example guide intro.html.mhtml";
        QTest::newRow("letters of any script") << QStringLiteral("東京の天気 — Météo") << "https://x.example/"
                                               << QStringLiteral("001 東京の天気 Météo.mhtml");
        QTest::newRow("trailing dots and spaces") << "Index. . ." << "https://x.example/" << "001 Index.mhtml";
        QTest::newRow("hidden-file title") << ".bashrc" << "https://x.example/" << "001 .bashrc.mhtml";
    }
    void copyFileNamesAreSafe()
    {
        QFETCH(QString, title);
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QCOMPARE(CopyExport::copyFileName(1, 40, title, entry), name);
    }

    void longNamesAreCutAndRowsKeepThemApart()
    {
        const QString longTitle = QString(300, QChar(0x00e9)); // two bytes each in UTF-8
        const QString a = CopyExport::copyFileName(7, 1200, longTitle, QStringLiteral("https://x.example/"));
        const QString b = CopyExport::copyFileName(8, 1200, longTitle, QStringLiteral("https://x.example/"));
        QVERIFY2(a.toUtf8().size() <= 120, qPrintable(a));
        QVERIFY(a.startsWith(QStringLiteral("0007 ")));
        QVERIFY(a.endsWith(QStringLiteral(".mhtml")));
        QVERIFY(a != b);
        // Made for real: the file system takes it.
        QVERIFY(writeAll(path(a), "x"));
    }

    void aDamagedCopyIsListedAndAnOlderOneTakesItsPlace_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("olderCopy");
        for (const char *damage : {"removed", "garbage", "cut short"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, no older copy").arg(damage))) << damage << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, an older copy").arg(damage))) << damage << true;
        }
    }
    void aDamagedCopyIsListedAndAnOlderOneTakesItsPlace()
    {
        QFETCH(QString, damage);
        QFETCH(bool, olderCopy);
        const QString entry = QStringLiteral("https://damaged.example/");
        const QDateTime older(QDate(2026, 1, 5), QTime(9, 30), Qt::LocalTime);
        if (olderCopy)
            keep(entry, mhtml("Older", "the older page"), older);
        const QByteArray newest = mhtml("Newest", noise(20000, 3));
        keep(entry, newest, older.addDays(30));
        const QString file = m_archive->pathOf(CopyArchive::contentHash(newest));
        if (damage == u"removed")
            QVERIFY(QFile::remove(file));
        else if (damage == u"garbage")
            QVERIFY(writeAll(file, noise(QFileInfo(file).size(), 9)));
        else
            QVERIFY(QFile::resize(file, QFileInfo(file).size() / 2));
        keep(QStringLiteral("https://fine.example/"), mhtml("Fine", "fine"));

        const QString folder = path(QStringLiteral("export"));
        const CopyExportResult result = CopyExport::run(
            request({{entry, QStringLiteral("Damaged"), {}, {}}, {QStringLiteral("https://fine.example/"), QStringLiteral("Fine"), {}, {}}},
                    folder));
        QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Exported));
        QCOMPARE(result.unreadable, olderCopy ? 0 : 1);
        QCOMPARE(result.withCopy, olderCopy ? 2 : 1);
        const QString index = QString::fromUtf8(readAll(folder + QStringLiteral("/index.html")));
        QVERIFY(index.contains(QStringLiteral(">Damaged")));
        QCOMPARE(index.contains(QStringLiteral("The saved copy of this page cannot be read")), !olderCopy);
        QCOMPARE(index.contains(CopyExport::dateText(older)), olderCopy);
        if (olderCopy)
            QVERIFY(readAll(folder + QStringLiteral("/pages/001 Damaged.mhtml")).contains("the older page"));
        else
            QVERIFY(!QFile::exists(folder + QStringLiteral("/pages/001 Damaged.mhtml")));
        // The copy store's own file is left as it was found: the export only reads.
        QCOMPARE(QFile::exists(file), damage != u"removed");
    }

    void aFolderThatIsNoExportIsNeverWrittenOver_data()
    {
        QTest::addColumn<QStringList>("files"); ///< what the folder holds first ("-" for no folder, "=" for a file there)
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("written");
        QTest::newRow("nothing there") << QStringList{"-"} << int(CopyExport::FolderState::Missing) << true;
        QTest::newRow("an empty folder") << QStringList{} << int(CopyExport::FolderState::Empty) << true;
        QTest::newRow("what a killed export left") << QStringList{".quokka-export-abc/"} << int(CopyExport::FolderState::Empty) << true;
        QTest::newRow("other files") << QStringList{"notes.odt", "photos/"} << int(CopyExport::FolderState::HoldsOthers) << true;
        QTest::newRow("an index.html of someone else's") << QStringList{"index.html"} << int(CopyExport::FolderState::Clashes) << false;
        QTest::newRow("a pages folder of someone else's") << QStringList{"pages/", "x.txt"} << int(CopyExport::FolderState::Clashes)
                                                          << false;
        QTest::newRow("a file, no folder") << QStringList{"="} << int(CopyExport::FolderState::NotAFolder) << false;
    }
    void aFolderThatIsNoExportIsNeverWrittenOver()
    {
        QFETCH(QStringList, files);
        QFETCH(int, state);
        QFETCH(bool, written);
        const QString folder = path(QStringLiteral("target"));
        if (files == QStringList{"="}) {
            QVERIFY(writeAll(folder, "a file"));
        } else if (files != QStringList{"-"}) {
            QVERIFY(QDir().mkpath(folder));
            for (const QString &name : files) {
                if (name.endsWith(u'/'))
                    QVERIFY(QDir().mkpath(folder + u'/' + name));
                else
                    QVERIFY(writeAll(folder + u'/' + name, "theirs: " + name.toUtf8()));
            }
        }
        QCOMPARE(int(CopyExport::folderState(folder)), state);
        keep(QStringLiteral("https://a.example/"), mhtml("A", "a"));
        const CopyExportResult result = CopyExport::run(request({{QStringLiteral("https://a.example/"), {}, {}, {}}}, folder));
        QCOMPARE(result.outcome == CopyExportResult::Outcome::Exported, written);
        if (!written)
            QVERIFY(!result.problem.isEmpty());
        // What was theirs is there as it was.
        for (const QString &name : files) {
            if (!name.endsWith(u'/') && name != u"-" && name != u"=")
                QCOMPARE(readAll(folder + u'/' + name), "theirs: " + name.toUtf8());
        }
        if (files == QStringList{"="})
            QCOMPARE(readAll(folder), QByteArray("a file"));
        if (written) {
            QCOMPARE(int(CopyExport::folderState(folder)), int(CopyExport::FolderState::EarlierExport));
            // Written again over itself, with a copy fewer: the earlier pages go.
            QVERIFY(m_archive->copiesOf(QStringLiteral("https://a.example/")).size() == 1);
            const CopyExportResult again = CopyExport::run(request({{QStringLiteral("https://b.example/"), {}, {}, {}}}, folder));
            QCOMPARE(int(again.outcome), int(CopyExportResult::Outcome::Exported));
            QVERIFY(pagesOf(folder).isEmpty());
            QCOMPARE(readAll(folder + QStringLiteral("/list.txt")), QByteArray("https://b.example/\n"));
        }
    }

    void aFullDiskLeavesTheEarlierExportAsItWas()
    {
        TinyMount mount;
        if (const QString why = mount.mount(QStringLiteral("256k")); !why.isEmpty())
            QSKIP(qPrintable(why));
        const QString folder = mount.path() + QStringLiteral("/export");
        keep(QStringLiteral("https://small.example/"), mhtml("Small", "small"));
        QCOMPARE(int(CopyExport::run(request({{QStringLiteral("https://small.example/"), {}, {}, {}}}, folder)).outcome),
                 int(CopyExportResult::Outcome::Exported));
        const QByteArray index = readAll(folder + QStringLiteral("/index.html"));
        const QStringList pages = pagesOf(folder);

        // A page larger than the disk has room for.
        keep(QStringLiteral("https://photos.example/"), mhtml("Photos", noise(400 * 1024, 5)));
        const CopyExportResult result = CopyExport::run(request({{QStringLiteral("https://small.example/"), {}, {}, {}},
                                                                 {QStringLiteral("https://photos.example/"), {}, {}, {}}},
                                                                folder));
        QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Failed));
        QVERIFY2(result.problem.contains(QStringLiteral("No space left on device")), qPrintable(result.problem));
        QVERIFY2(result.problem.contains(QStringLiteral("entry 2")), qPrintable(result.problem));
        QCOMPARE(readAll(folder + QStringLiteral("/index.html")), index);
        QCOMPARE(pagesOf(folder), pages);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"index.html", "list.txt", "pages"}));
    }

    void aReadOnlyDiskIsToldInWords()
    {
        TinyMount mount;
        if (const QString why = mount.mount(QStringLiteral("256k")); !why.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(QDir().mkpath(mount.path() + QStringLiteral("/empty")));
        QVERIFY(mount.remountReadOnly());
        for (const QString &name : {QStringLiteral("/new"), QStringLiteral("/empty")}) {
            const CopyExportResult result = CopyExport::run(request({{QStringLiteral("https://a.example/"), {}, {}, {}}}, mount.path() + name));
            QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Failed));
            QVERIFY2(result.problem.contains(QStringLiteral("read-only"), Qt::CaseInsensitive), qPrintable(result.problem));
        }
    }

    void cancelLeavesNothing()
    {
        for (int i = 0; i < 5; ++i)
            keep(QStringLiteral("https://a.example/%1").arg(i), mhtml("A", QByteArray::number(i)));
        QList<ExportedEntry> entries;
        for (int i = 0; i < 5; ++i)
            entries.append({QStringLiteral("https://a.example/%1").arg(i), {}, {}, {}});
        const QString folder = path(QStringLiteral("export"));
        CopyExportProgress progress;
        CopyExport::holdForTests([&progress] {
            if (progress.done == 2)
                progress.cancelled = true;
        });
        const CopyExportResult result = CopyExport::run(request(entries, folder), &progress);
        QCOMPARE(int(result.outcome), int(CopyExportResult::Outcome::Cancelled));
        // The folder it made is gone again.
        QVERIFY(!QFileInfo::exists(folder));
    }

    // Through the windows.

    void exportListWritesAFolderAfterAskingWhenItHoldsOtherFiles()
    {
        WindowsWorld world;
        world.start();
        world.windows->mainWindow()->show();
        QDir().mkpath(ListPaths::dataFolder());
        QVERIFY(writeAll(ListPaths::listFile(), "https://kept.example/\r\nhttps://unkept.example/\r\n"));
        CheckResult dead;
        dead.verdict = Verdict::Dead;
        dead.reason = QStringLiteral("not found (404)");
        world.windows->checkResults().set(QStringLiteral("https://unkept.example/"), dead);
        {
            QSignalSpy kept(&world.windows->copyStore(), &CopyStore::kept);
            world.windows->copyStore().keep(QStringLiteral("https://kept.example/"), PageCondition::Good,
                                            {mhtml("Kept page", "kept"), QStringLiteral("kept"), {}});
            QVERIFY(kept.wait(30000));
        }
        QString chosenFilter = ListImport::exportFilters()[ListImport::folderFilter];
        QString chosen = path(QStringLiteral("theirs/quokka-list.txt"));
        FileChooser::replaceForTests([&](QWidget *, FileChooser::Mode, const QString &, const QString &,
                                         const QStringList &, QString *filter) {
            *filter = chosenFilter;
            return chosen;
        });
        QVERIFY(QDir().mkpath(path(QStringLiteral("theirs/quokka-list"))));
        QVERIFY(writeAll(path(QStringLiteral("theirs/quokka-list/notes.txt")), "mine"));
        FakeMessageBoxes &boxes = world.platform->boxes;
        QAction *exportList = world.windows->mainWindow()->menuItem(QStringLiteral("exportList"));

        // The folder holds the person's own file: asked first, and Cancel writes nothing.
        boxes.answers = {MessageBoxes::Answer::Cancel};
        exportList->trigger();
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, QStringLiteral("Export List"));
        QVERIFY(boxes.shown[0].text.contains(QStringLiteral("already holds other files")));
        QVERIFY(!QFile::exists(path(QStringLiteral("theirs/quokka-list/index.html"))));

        boxes.answers = {MessageBoxes::Answer::Ok};
        exportList->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), 3, 60000);
        QCOMPARE(boxes.shown[2].title, QStringLiteral("List exported"));
        QVERIFY2(boxes.shown[2].text.contains(QStringLiteral("2 entries, 1 with a saved copy")), qPrintable(boxes.shown[2].text));
        const QString folder = path(QStringLiteral("theirs/quokka-list"));
        QCOMPARE(readAll(folder + QStringLiteral("/notes.txt")), QByteArray("mine"));
        QCOMPARE(readAll(folder + QStringLiteral("/list.txt")), QByteArray("https://kept.example/\nhttps://unkept.example/\n"));
        QCOMPARE(pagesOf(folder), QStringList{QStringLiteral("001 kept.example.mhtml")});
        const QString index = QString::fromUtf8(readAll(folder + QStringLiteral("/index.html")));
        QVERIFY2(index.contains(QStringLiteral("dead</span>: not found (404)")), qPrintable(index));

        // Its index chosen in the dialog: the earlier export is written anew without a question.
        chosen = folder + QStringLiteral("/index.html");
        exportList->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(boxes.shown.size(), 4, 60000);
        QCOMPARE(boxes.shown[3].title, QStringLiteral("List exported"));

        // A file's name in a folder of someone else's index.html: refused, theirs kept.
        QVERIFY(QDir().mkpath(path(QStringLiteral("site"))));
        QVERIFY(writeAll(path(QStringLiteral("site/index.html")), "<html>their site</html>"));
        chosen = path(QStringLiteral("site"));
        exportList->trigger();
        QCOMPARE(boxes.shown.size(), 5);
        QCOMPARE(boxes.shown[4].title, QStringLiteral("List not exported"));
        QCOMPARE(readAll(path(QStringLiteral("site/index.html"))), QByteArray("<html>their site</html>"));
        FileChooser::replaceForTests({});
        world.stop();
    }

    void theChosenNameGivesTheFolder_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("folder");
        QTest::newRow("the name box's file name kept") << "quokka-list.txt" << "quokka-list";
        QTest::newRow("an earlier text export of that name") << "old.txt" << "old";
        QTest::newRow("a name without an ending") << "my list" << "my list";
        QTest::newRow("a folder there") << "folder.csv" << "folder.csv";
        QTest::newRow("the index of an earlier export") << "export/index.html" << "export";
        QTest::newRow("an index.html that no export wrote") << "site/index.html" << "site/index";
    }
    void theChosenNameGivesTheFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, folder);
        QVERIFY(writeAll(path(QStringLiteral("old.txt")), "https://a.example/\n"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("folder.csv"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("site"))));
        QVERIFY(writeAll(path(QStringLiteral("site/index.html")), "<html>their site</html>"));
        QCOMPARE(int(CopyExport::run(request({}, path(QStringLiteral("export")))).outcome),
                 int(CopyExportResult::Outcome::Exported));
        QCOMPARE(ListImport::exportFolderFor(path(chosen)), path(folder));
    }

    void aLongExportShowsHowFarItIsAndCancelStopsIt()
    {
        WindowsWorld world;
        world.start();
        world.windows->mainWindow()->show();
        QDir().mkpath(ListPaths::dataFolder());
        QByteArray list;
        for (int i = 0; i < 50; ++i)
            list += "https://e" + QByteArray::number(i) + ".example/\r\n";
        QVERIFY(writeAll(ListPaths::listFile(), list));
        const QString folder = path(QStringLiteral("export"));
        FileChooser::replaceForTests([&](QWidget *, FileChooser::Mode, const QString &, const QString &, const QStringList &,
                                         QString *filter) {
            *filter = ListImport::exportFilters()[ListImport::folderFilter];
            return folder;
        });
        QSemaphore step;
        CopyExport::holdForTests([&step] { step.acquire(); });
        world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        step.release(10);
        QProgressDialog *dialog = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((dialog = world.windows->listBrowser()->window()->findChild<QProgressDialog *>(
                                      QStringLiteral("exportProgress")))
                                     && dialog->isVisible() && dialog->value() >= 10,
                                 30000);
        QCOMPARE(dialog->maximum(), 50);
        if (const QString shot = shotPath(QStringLiteral("progress.png")); !shot.isEmpty())
            QVERIFY(dialog->grab().save(shot));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Export List"));
        // Its Cancel button, as the person clicks it.
        QPushButton *cancel = dialog->findChild<QPushButton *>();
        QVERIFY(cancel && cancel->isVisible());
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        cancel->click();
        step.release(100);
        QTRY_VERIFY_WITH_TIMEOUT(!world.windows->findChild<CopyExporter *>(), 30000);
        QVERIFY2(world.platform->boxes.shown.isEmpty(), qPrintable(world.platform->boxes.shown.value(0).text));
        QVERIFY(!QFileInfo::exists(folder));
        FileChooser::replaceForTests({});
        world.stop();
    }

    // The real engine.

    void anExportedCopyLoadsAndPaintsInTheEngine()
    {
        LoopbackServer server;
        QVERIFY(server.isListening());
        server.setPage(QStringLiteral("/red.png"), "image/png", redSquarePng());
        server.setPage(QStringLiteral("/kept"), "text/html",
                       "<!doctype html><html><head><title>Riverside Dental</title></head><body style='margin:0'>"
                       "<img src=/red.png style='position:absolute;left:0;top:0;width:300px;height:300px'>"
                       "<h1 style='margin-top:320px'>Opening hours</h1></body></html>");
        QWidget window;
        window.resize(800, 600);
        auto *browser = new WebEngineBrowser(&window);
        browser->widget()->resize(800, 600);
        window.show();
        browser->navigate(server.url(QStringLiteral("/kept")).toString());
        QVERIFY(QTest::qWaitFor([&] { return browser->title() == u"Riverside Dental" && !browser->isBusy(); }, 30000));
        PageCopy copy;
        bool taken = false;
        connect(browser, &WebBrowser::pageCopyTaken, this, [&](const PageCopy &c) {
            copy = c;
            taken = true;
        });
        browser->takePageCopy();
        QVERIFY(QTest::qWaitFor([&] { return taken; }, 30000));
        QVERIFY2(copy.ok, qPrintable(copy.problem));
        keep(QStringLiteral("https://dental.example/"), copy.mhtml);

        const QString folder = path(QStringLiteral("export"));
        QCOMPARE(int(CopyExport::run(request({{QStringLiteral("https://dental.example/"), copy.title, {}, {}}}, folder)).outcome),
                 int(CopyExportResult::Outcome::Exported));
        const QString exported = folder + QStringLiteral("/pages/001 Riverside Dental.mhtml");
        QVERIFY(QFile::exists(exported));
        const qsizetype requestsBefore = server.requested.size();

        QWebEngineView view;
        view.resize(800, 600);
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.load(QUrl::fromLocalFile(exported));
        QVERIFY(loaded.wait(30000));
        QVERIFY(loaded.at(0).at(0).toBool());
        QCOMPARE(view.title(), QStringLiteral("Riverside Dental"));
        // Painted from the file alone: the red picture is there, and the server was asked nothing.
        QVERIFY(QTest::qWaitFor([&] {
            const QImage shot = view.grab().toImage();
            return !shot.isNull() && shot.pixelColor(150, 150) == QColor(Qt::red);
        }, 30000));
        QCOMPARE(server.requested.size(), requestsBefore);

        // The index opens too, and its link goes to the copy.
        view.load(QUrl::fromLocalFile(folder + QStringLiteral("/index.html")));
        QVERIFY(loaded.wait(30000));
        QVERIFY2(view.title().startsWith(QStringLiteral("The list and its saved copies, ")), qPrintable(view.title()));
        // QUOKKA_EXPORT_SHOTS=FOLDER keeps pictures of the index and the progress window there, to look at.
        if (const QString shot = shotPath(QStringLiteral("index.png")); !shot.isEmpty())
            QVERIFY(QTest::qWaitFor([&] {
                const QImage image = view.grab().toImage();
                return image.pixelColor(150, 150) != QColor(Qt::red) && image.save(shot);
            }, 10000));
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestCopyExport>(argc, argv);
}
#include "tst_copyexport.moc"
