// The gallery: reading a copy's thumbnail alone, the picture hash, the grouping's rules, and the
// Gallery window acting on the list browser's working list (open, KILL and Undo, filter, Take
// Pictures, Export Gallery).
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "copies/copyarchive.h"
#include "copies/copyfile.h"
#include "copies/copystore.h"
#include "copies/copythumbnail.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "gallery/galleryexport.h"
#include "gallery/gallerygrouping.h"
#include "gallery/gallerymodel.h"
#include "gallery/gallerypictures.h"
#include "lists/gallerywindow.h"
#include "lists/importwindow.h"
#include "memory/pagefingerprint.h"
#include "memory/pagesigns.h"
#include "ui/listbox.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QListView>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

/// A page's picture as a layout: a bar across the top of @p bar colour, a box at @p boxX.
QImage layoutPicture(QColor bar, int boxX, int width = 320)
{
    QImage image(width, width * 3 / 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const double s = width / 320.0;
    p.fillRect(QRectF(0, 0, width, 30 * s), bar);
    p.fillRect(QRectF(boxX * s, 80 * s, 120 * s, 90 * s), QColor(60, 60, 60));
    return image;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

CheckResult result(Verdict verdict, const QString &reason, const QString &title, const QString &text, const QString &finalAddress = {})
{
    CheckResult r;
    r.verdict = verdict;
    r.reason = reason;
    r.title = title;
    r.finalAddress = finalAddress;
    r.fingerprint = text.isEmpty() ? 0 : pageFingerprint(title, text);
    return r;
}

QString sedo()
{
    return parkedReason(ParkedSign{true, QStringLiteral("Sedo")});
}

} // namespace

class TestGallery : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void thumbnailAlone_data();
    void thumbnailAlone();
    void pictureHashFollowsLayout();
    void groupingRules_data();
    void groupingRules();

    void tilesFollowTheListInOrder();
    void onlyTilesOnScreenReadPictures();
    void picturesComeReadyToDraw_data();
    void picturesComeReadyToDraw();
    void tilesScrolledByDropTheirOldRequests();
    void clickAndEnterShowTheEntryInTheListBrowser();
    void killAGroupAsksAndUndoBringsItBack();
    void theListFilterNarrowsTheGallery();
    void takePicturesLoadsEachEntryOnce();
    void aCopyKeptMeanwhileShows();
    void exportEscapesEverything();

private:
    GalleryWindow *openGallery(const QStringList &entries);
    void keepCopy(const QString &entry, const QImage &picture);
    int tileOf(GalleryWindow *window, const QString &entry) const;

    WindowsWorld m_world;
};

void TestGallery::init()
{
    m_world.start();
    m_world.platform->boxes.defaultAnswer = MessageBoxes::Answer::Ok;
}

void TestGallery::cleanup()
{
    FileChooser::replaceForTests({});
    m_world.stop();
}

GalleryWindow *TestGallery::openGallery(const QStringList &entries)
{
    if (!TestFiles::writeList(entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n"))
        return nullptr;
    MainWindow *main = m_world.windows->mainWindow();
    main->show();
    if (!QTest::qWaitForWindowExposed(main))
        return nullptr;
    main->menuItem(QStringLiteral("gallery"))->trigger();
    GalleryWindow *window = m_world.windows->loadedGalleryWindow();
    if (!window || !QTest::qWaitFor([&] { return window->model()->entryCount() == entries.size() && window->pictures()->sourcesKnown(); }, 20000))
        return nullptr;
    return window;
}

void TestGallery::keepCopy(const QString &entry, const QImage &picture)
{
    CopyArchive archive;
    QVERIFY(archive.open());
    CopyContent content;
    content.mhtml = "MIME-Version: 1.0\r\n\r\n<title>" + entry.toUtf8() + "</title>";
    content.text = entry;
    content.thumbnailPng = png(picture);
    QVERIFY(archive.keep(entry, PageCondition::Good, content).isKept());
}

int TestGallery::tileOf(GalleryWindow *window, const QString &entry) const
{
    for (int row = 0; row < window->model()->rowCount(); ++row)
        if (window->model()->index(row).data(GalleryModel::AddressRole).toString() == entry)
            return row;
    return -1;
}

void TestGallery::thumbnailAlone_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("readable");
    // The page's bytes are never read, so damage there leaves the thumbnail readable; anything that
    // moves or spoils the thumbnail does not.
    QTest::newRow("whole") << QString() << true;
    QTest::newRow("a byte of the page") << QStringLiteral("page") << true;
    QTest::newRow("a byte of the thumbnail") << QStringLiteral("thumbnail") << false;
    QTest::newRow("cut short") << QStringLiteral("cut") << false;
    QTest::newRow("a byte more") << QStringLiteral("longer") << false;
    QTest::newRow("not a copy file") << QStringLiteral("magic") << false;
    QTest::newRow("a page length past the end") << QStringLiteral("length") << false;
}

void TestGallery::thumbnailAlone()
{
    QFETCH(QString, damage);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    CopyContent content;
    content.mhtml = QByteArray(200000, 'm'); // compressed
    content.text = QStringLiteral("text");
    content.thumbnailPng = png(layoutPicture(Qt::blue, 40));
    QByteArray bytes = CopyFile::encode(content);
    if (damage == QLatin1String("page"))
        bytes[8 + 52 + 10] = char(bytes[8 + 52 + 10] ^ 0x55);
    else if (damage == QLatin1String("thumbnail"))
        bytes[bytes.size() - 20] = char(bytes[bytes.size() - 20] ^ 0x55); // the thumbnail is the file's last part
    else if (damage == QLatin1String("cut"))
        bytes.chop(5);
    else if (damage == QLatin1String("longer"))
        bytes.append('x');
    else if (damage == QLatin1String("magic"))
        bytes[0] = 'X';
    else if (damage == QLatin1String("length"))
        bytes[8 + 4 + 6] = char(0x7f);
    const QString path = dir.filePath(QStringLiteral("a.copy"));
    QVERIFY(CopyFile::writeBytes(path, bytes).ok);
    const ThumbnailReading reading = CopyThumbnail::read(path);
    QCOMPARE(reading.ok, readable);
    if (readable)
        QCOMPARE(reading.png, content.thumbnailPng);
    else
        QVERIFY(!reading.problem.isEmpty());
    QVERIFY(!CopyThumbnail::read(dir.filePath(QStringLiteral("missing.copy"))).ok);
}

void TestGallery::pictureHashFollowsLayout()
{
    const PictureHash a = pictureHash(layoutPicture(Qt::blue, 40));
    QVERIFY(a.valid);
    // The same layout at another size, or in another colour, is alike; another layout is not.
    QVERIFY(pictureDistance(a, pictureHash(layoutPicture(Qt::blue, 40, 1024))) <= alikePictureDistance);
    QVERIFY(pictureDistance(a, pictureHash(layoutPicture(QColor(0, 0, 180), 44))) <= alikePictureDistance);
    QVERIFY(pictureDistance(a, pictureHash(layoutPicture(Qt::blue, 180))) > alikePictureDistance);
    // A blank page says nothing of likeness: it is no hash.
    QImage blank(320, 240, QImage::Format_RGB32);
    blank.fill(Qt::white);
    QVERIFY(!pictureHash(blank).valid);
    QVERIFY(!pictureHash(QImage()).valid);
    QCOMPARE(pictureDistance(pictureHash(blank), pictureHash(blank)), pictureHashBits);
}

void TestGallery::groupingRules_data()
{
    QTest::addColumn<CheckResult>("a");
    QTest::addColumn<CheckResult>("b");
    QTest::addColumn<bool>("samePicture");
    QTest::addColumn<bool>("alike");
    const QString words = QStringLiteral("our bakery opens at seven with fresh bread and cakes every morning of the week");
    const QString others = QStringLiteral("a journal of long walks along the coast with maps photographs and notes");
    QTest::newRow("live sites of one design") << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words, QStringLiteral("http://a.example/"))
                                              << result(Verdict::Alive, {}, QStringLiteral("Walks"), others, QStringLiteral("http://b.example/"))
                                              << true << false;
    QTest::newRow("one page under two hosts") << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words, QStringLiteral("http://a.example/"))
                                              << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words, QStringLiteral("http://www.a.example/"))
                                              << true << true;
    QTest::newRow("one page on one host, new picture") << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words, QStringLiteral("http://a.example/x"))
                                                       << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words, QStringLiteral("http://a.example/y"))
                                                       << false << true;
    QTest::newRow("parked at one service") << result(Verdict::Parked, sedo(), QStringLiteral("a.com"), QStringLiteral("a.com for sale"))
                                           << result(Verdict::Parked, sedo(), QStringLiteral("b.net"), QStringLiteral("b.net buy now"))
                                           << true << true;
    QTest::newRow("parked at two services") << result(Verdict::Parked, sedo(), QStringLiteral("a.com"), QStringLiteral("a.com for sale"))
                                            << result(Verdict::Parked, parkedReason(ParkedSign{true, QStringLiteral("Dan")}),
                                                      QStringLiteral("b.net"), QStringLiteral("b.net buy now"))
                                            << true << false;
    QTest::newRow("parked and a live site") << result(Verdict::Parked, sedo(), QStringLiteral("a.com"), QStringLiteral("a.com for sale"))
                                            << result(Verdict::Alive, {}, QStringLiteral("Bakery"), words) << true << false;
    QTest::newRow("default pages, other pictures") << result(Verdict::Dead, placeholderReason(PlaceholderPage::Kind::ServerDefault),
                                                             QStringLiteral("Welcome to nginx!"), QStringLiteral("welcome nginx works"))
                                                   << result(Verdict::Dead, placeholderReason(PlaceholderPage::Kind::ServerDefault),
                                                             QStringLiteral("It works"), QStringLiteral("apache debian default page"))
                                                   << false << false;
    QTest::newRow("one error") << result(Verdict::Dead, QStringLiteral("no such host"), {}, {})
                               << result(Verdict::Dead, QStringLiteral("no such host"), {}, {}) << false << true;
    QTest::newRow("two errors") << result(Verdict::Dead, QStringLiteral("no such host"), {}, {})
                                << result(Verdict::Dead, QStringLiteral("connection refused"), {}, {}) << false << false;
}

void TestGallery::groupingRules()
{
    QFETCH(CheckResult, a);
    QFETCH(CheckResult, b);
    QFETCH(bool, samePicture);
    QFETCH(bool, alike);
    const PictureHash one = pictureHash(layoutPicture(Qt::blue, 40));
    const PictureHash other = pictureHash(layoutPicture(Qt::red, 190));
    const GroupingFacts x = groupingFacts(QStringLiteral("http://x.example/"), a, one, true);
    const GroupingFacts y = groupingFacts(QStringLiteral("http://y.example/"), b, samePicture ? one : other, true);
    QCOMPARE(pagesAlike(x, y), alike);
    QCOMPARE(pagesAlike(y, x), alike);
    QCOMPARE(groupAlike({x, y}).size(), alike ? 1 : 2);
}

void TestGallery::tilesFollowTheListInOrder()
{
    const QStringList entries{QStringLiteral("http://b.example/"), QStringLiteral("http://a.example/"), QStringLiteral("http://c.example/")};
    keepCopy(entries[1], layoutPicture(Qt::blue, 40));
    m_world.windows->checkResults().set(entries[1], result(Verdict::Alive, QStringLiteral("answers"), QStringLiteral("Page A"), {}));
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    GalleryModel *model = window->model();
    QCOMPARE(model->rowCount(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(model->index(i).data(GalleryModel::AddressRole).toString(), entries[i]);
    QCOMPARE(model->index(0).data(Qt::DisplayRole).toString(), entries[0]); // no title: its address
    QCOMPARE(model->index(1).data(Qt::DisplayRole).toString(), QStringLiteral("Page A"));
    // Its picture is read when the view asks for it, and comes in by itself.
    QVERIFY(QTest::qWaitFor([&] { return !qvariant_cast<QImage>(model->index(1).data(Qt::DecorationRole)).isNull(); }, 20000));
    const QString today = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(model->index(1).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Page A, alive, picture %1").arg(today));
    QCOMPARE(model->index(0).data(Qt::AccessibleTextRole).toString(), entries[0] + QStringLiteral(", no picture yet"));
    QVERIFY(qvariant_cast<QImage>(model->index(0).data(Qt::DecorationRole)).isNull());
    // Arrows move between tiles; what a screen reader reads is the tile's text.
    window->m_tileView->setFocus();
    window->m_tileView->setCurrentIndex(model->index(0));
    QTest::keyClick(window->m_tileView, Qt::Key_Right);
    QCOMPARE(window->m_tileView->currentIndex().row(), 1);
}

void TestGallery::onlyTilesOnScreenReadPictures()
{
    QStringList entries;
    for (int i = 0; i < 400; ++i)
        entries.append(QStringLiteral("http://site%1.example/").arg(i));
    const QImage picture = layoutPicture(Qt::darkGreen, 100);
    {
        CopyArchive archive;
        QVERIFY(archive.open());
        for (const QString &entry : entries) {
            CopyContent content;
            content.mhtml = "<title>" + entry.toUtf8() + "</title>";
            content.thumbnailPng = png(picture);
            QVERIFY(archive.keep(entry, PageCondition::Good, content).isKept());
        }
    }
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    GalleryPictures *pictures = window->pictures();
    QVERIFY(QTest::qWaitFor([&] { return pictures->picturesRead() > 0 && pictures->pending() == 0; }, 20000));
    const int read = pictures->picturesRead();
    qInfo("%d pictures read for %d tiles", read, int(entries.size()));
    QVERIFY(read < 100);
    // Scrolled to the end, the last tiles get theirs.
    window->m_tileView->scrollToBottom();
    QVERIFY(QTest::qWaitFor([&] { return !qvariant_cast<QImage>(window->model()->index(399).data(Qt::DecorationRole)).isNull(); }, 20000));
}

namespace {

/// Pictures taken of @p entries, one PNG each in @p folder, and the pictures' service over them alone.
std::unique_ptr<GalleryPictures> takenPictures(const QTemporaryDir &folder, const QStringList &entries, const QImage &picture)
{
    const QByteArray bytes = png(picture);
    for (const QString &entry : entries) {
        QFile file(GalleryPictures::takenPath(folder.path(), entry));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return nullptr;
    }
    auto pictures = std::make_unique<GalleryPictures>(folder.filePath(QStringLiteral("copies")), folder.filePath(QStringLiteral("none.db")),
                                                      folder.path());
    QSignalSpy read(pictures.get(), &GalleryPictures::sourcesRead);
    pictures->readSources();
    if (!read.wait(20000))
        return nullptr;
    return pictures;
}

} // namespace

void TestGallery::picturesComeReadyToDraw_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QImage::Format>("drawn");
    QImage palette = layoutPicture(Qt::red, 30).convertToFormat(QImage::Format_Indexed8);
    QImage grey = layoutPicture(Qt::red, 30).convertToFormat(QImage::Format_Grayscale8);
    QImage seeThrough = layoutPicture(Qt::red, 30).convertToFormat(QImage::Format_ARGB32);
    seeThrough.setPixelColor(5, 5, QColor(0, 0, 0, 100));
    // Whatever form the PNG was written in, the tile copies the picture as it is.
    QTest::newRow("true colour") << layoutPicture(Qt::red, 30) << QImage::Format_RGB32;
    QTest::newRow("palette") << palette << QImage::Format_RGB32;
    QTest::newRow("grey levels") << grey << QImage::Format_RGB32;
    QTest::newRow("with alpha") << seeThrough << QImage::Format_ARGB32_Premultiplied;
    QTest::newRow("narrow, not scaled") << layoutPicture(Qt::red, 30, 160).convertToFormat(QImage::Format_Indexed8) << QImage::Format_RGB32;
}

void TestGallery::picturesComeReadyToDraw()
{
    QFETCH(QImage, picture);
    QFETCH(QImage::Format, drawn);
    QTemporaryDir folder;
    const QString entry = QStringLiteral("http://one.example/");
    const auto pictures = takenPictures(folder, {entry}, picture);
    QVERIFY(pictures);
    QSignalSpy ready(pictures.get(), &GalleryPictures::pictureReady);
    QVERIFY(pictures->picture(entry).isNull());
    QVERIFY(ready.wait(20000));
    const QImage shown = pictures->picture(entry);
    QCOMPARE(shown.format(), drawn);
    QCOMPARE(shown.width(), qMin(picture.width(), int(GalleryPictures::pictureWidth)));
    QVERIFY(pictures->hash(entry).valid);
    QVERIFY(pictures->cachedBytes() >= shown.sizeInBytes());
}

void TestGallery::tilesScrolledByDropTheirOldRequests()
{
    // Tiles scrolled by faster than their pictures are read: the readers go on with the newest, and
    // do not read the pictures of every tile that went by.
    QTemporaryDir folder;
    QStringList entries;
    for (int i = 0; i < 600; ++i)
        entries.append(QStringLiteral("http://site%1.example/").arg(i));
    const auto pictures = takenPictures(folder, entries, layoutPicture(Qt::darkCyan, 50));
    QVERIFY(pictures);
    for (const QString &entry : std::as_const(entries))
        QVERIFY(pictures->picture(entry).isNull());
    QVERIFY(pictures->pending() < int(entries.size()));
    QVERIFY(QTest::qWaitFor([&] { return pictures->pending() == 0; }, 30000));
    qInfo("%d pictures read for %d tiles asked", pictures->picturesRead(), int(entries.size()));
    QVERIFY(pictures->picturesRead() < int(entries.size()) / 2);
    // The newest tiles have theirs.
    for (int i = int(entries.size()) - GalleryPictures::mostTileRequests / 2; i < int(entries.size()); ++i)
        QVERIFY2(!pictures->picture(entries.at(i)).isNull(), qPrintable(entries.at(i)));
    // A tile whose request was dropped gets its picture when it shows again.
    QSignalSpy ready(pictures.get(), &GalleryPictures::pictureReady);
    QString dropped;
    for (const QString &entry : std::as_const(entries)) {
        if (pictures->picture(entry).isNull()) {
            dropped = entry; // asked again now
            break;
        }
    }
    QVERIFY(!dropped.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !pictures->picture(dropped).isNull(); }, 20000));
    QCOMPARE(ready.count(), 1);
    QVERIFY(pictures->cachedBytes() <= GalleryPictures::cacheLimit());
}

void TestGallery::clickAndEnterShowTheEntryInTheListBrowser()
{
    const QStringList entries{QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"), QStringLiteral("http://c.example/")};
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    ListBrowser *browser = m_world.windows->loadedListBrowser();
    QVERIFY(browser);
    QListView *view = window->m_tileView;
    const QRect second = view->visualRect(window->model()->index(1));
    QCOMPARE(view->viewport()->childAt(second.center()), nullptr); // nothing lies over the tile
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(browser->m_addressList->currentEntry(), entries[1]);
    view->setFocus();
    view->setCurrentIndex(window->model()->index(2));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(browser->m_addressList->currentEntry(), entries[2]);
    QCOMPARE(browser->m_addressList->currentRow(), 2);
}

void TestGallery::killAGroupAsksAndUndoBringsItBack()
{
    const QStringList entries{QStringLiteral("http://live.example/"), QStringLiteral("http://a.com/"), QStringLiteral("http://b.net/"),
                              QStringLiteral("http://other.example/"), QStringLiteral("http://c.org/")};
    CheckResults &results = m_world.windows->checkResults();
    const QString parkedText = QStringLiteral("this domain may be for sale buy now make an offer to the owner today");
    for (const QString &entry : {entries[1], entries[2], entries[4]})
        results.set(entry, result(Verdict::Parked, sedo(), QStringLiteral("for sale"), parkedText, entry));
    results.set(entries[0], result(Verdict::Alive, {}, QStringLiteral("Live"), QStringLiteral("a live page of its own words")));
    results.set(entries[3], result(Verdict::Alive, {}, QStringLiteral("Other"), QStringLiteral("another page saying other things")));
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    GalleryModel *model = window->model();
    QTest::mouseClick(window->m_groupBox, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return model->rowCount() == 3 && !model->groupingBusy(); }, 20000));
    const int group = tileOf(window, entries[1]);
    QCOMPARE(model->index(group).data(GalleryModel::CountRole).toInt(), 3);
    QVERIFY(model->index(group).data(Qt::AccessibleTextRole).toString().startsWith(QStringLiteral("3 pages look like this, for sale, parked")));
    // Opening the group shows its entries; All Groups goes back.
    QListView *view = window->m_tileView;
    view->setFocus();
    view->setCurrentIndex(model->index(group));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(2).data(GalleryModel::AddressRole).toString(), entries[4]);
    QVERIFY(window->m_groupsButton->isVisible());
    QTest::mouseClick(window->m_groupsButton, Qt::LeftButton);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->index(group).data(GalleryModel::CountRole).toInt(), 3);

    // KILL on the group asks with the count; Cancel keeps the list.
    ListBox *list = m_world.windows->loadedListBrowser()->m_addressList;
    view->setCurrentIndex(model->index(group));
    m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(m_world.platform->boxes.shown.size(), 1);
    QVERIFY(m_world.platform->boxes.shown.last().text.startsWith(QStringLiteral("Remove 3 entries from the list?")));
    QCOMPARE(list->entries(), entries);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(list->entries(), (QStringList{entries[0], entries[3]}));
    QVERIFY(QTest::qWaitFor([&] { return model->entryCount() == 2 && model->rowCount() == 2; }, 20000));
    // One Undo List Change brings the whole group back where it was.
    m_world.windows->mainWindow()->menuItem(QStringLiteral("undoListChange"))->trigger();
    QCOMPARE(list->entries(), entries);
    QVERIFY(QTest::qWaitFor([&] { return model->entryCount() == 5 && model->rowCount() == 3 && !model->groupingBusy(); }, 20000));
}

void TestGallery::theListFilterNarrowsTheGallery()
{
    const QStringList entries{QStringLiteral("http://apple.example/"), QStringLiteral("http://pear.example/"),
                              QStringLiteral("http://apple.example/pie"), QStringLiteral("http://plum.example/")};
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    ListBox *list = m_world.windows->loadedListBrowser()->m_addressList;
    list->setFilterText(QStringLiteral("APPLE"));
    QVERIFY(QTest::qWaitFor([&] { return window->model()->rowCount() == 2; }, 20000));
    QCOMPARE(window->model()->index(1).data(GalleryModel::ListRowsRole).value<QList<int>>(), QList<int>{2});
    // A tile acts on its row of the whole list, under a filter too.
    window->m_tileView->setFocus();
    window->m_tileView->setCurrentIndex(window->model()->index(1));
    QTest::keyClick(window->m_tileView, Qt::Key_Delete);
    QCOMPARE(list->entries(), (QStringList{entries[0], entries[1], entries[3]}));
    list->setFilterText({});
    QVERIFY(QTest::qWaitFor([&] { return window->model()->rowCount() == 3; }, 20000));
}

void TestGallery::takePicturesLoadsEachEntryOnce()
{
    const QStringList entries{QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/"), QStringLiteral("http://a.example/"),
                              QStringLiteral("javascript:alert(1)"), QStringLiteral("http://c.example/")};
    keepCopy(entries[1], layoutPicture(Qt::blue, 40));
    m_world.platform->copierThumbnailPng = png(layoutPicture(Qt::red, 150));
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    QTest::mouseClick(window->m_takePicturesButton, Qt::LeftButton);
    QVERIFY(window->m_stopButton->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return window->m_takePicturesButton->isEnabled(); }, 20000));
    QList<QUrl> asked;
    for (const auto &copier : std::as_const(m_world.platform->copiers))
        if (copier)
            asked += copier->asked;
    // Only the entries without a picture, each once, and never a script address.
    std::sort(asked.begin(), asked.end());
    QCOMPARE(asked, (QList<QUrl>{QUrl(QStringLiteral("http://a.example/")), QUrl(QStringLiteral("http://c.example/"))}));
    QVERIFY(QTest::qWaitFor([&] { return !qvariant_cast<QImage>(window->model()->index(4).data(Qt::DecorationRole)).isNull(); }, 20000));
    QVERIFY(window->model()->index(2).data(GalleryModel::PictureDateRole).toDateTime().isValid());
    QVERIFY(!window->model()->index(3).data(GalleryModel::PictureDateRole).isValid());
}

void TestGallery::aCopyKeptMeanwhileShows()
{
    const QStringList entries{QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")};
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    QVERIFY(qvariant_cast<QImage>(window->model()->index(1).data(Qt::DecorationRole)).isNull());
    // A check or a visit keeps a copy while the gallery is open: its thumbnail shows without reopening.
    CopyContent content;
    content.mhtml = "<title>b</title>";
    content.thumbnailPng = png(layoutPicture(Qt::magenta, 60));
    m_world.windows->copyStore().keep(entries[1], PageCondition::Good, content);
    QVERIFY(QTest::qWaitFor([&] { return !qvariant_cast<QImage>(window->model()->index(1).data(Qt::DecorationRole)).isNull(); }, 20000));
    QVERIFY(qvariant_cast<QImage>(window->model()->index(0).data(Qt::DecorationRole)).isNull());
}

void TestGallery::exportEscapesEverything()
{
    const QStringList entries{QStringLiteral("http://a.example/?q=<b>&x=\"1\""), QStringLiteral("javascript:alert(document.cookie)")};
    keepCopy(entries[0], layoutPicture(Qt::blue, 40));
    m_world.windows->checkResults().set(entries[0], result(Verdict::Alive, {}, QStringLiteral("<script>alert(1)</script>"), {}));
    GalleryWindow *window = openGallery(entries);
    QVERIFY(window);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared"));
    FileChooser::replaceForTests([&](QWidget *, FileChooser::Mode, const QString &, const QString &, const QStringList &, QString *) { return path; });
    QTest::mouseClick(window->m_exportButton, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return window->m_exportButton->isEnabled() && QFile::exists(path + QStringLiteral(".html")); }, 20000));
    QFile file(path + QStringLiteral(".html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    QVERIFY(!html.contains("<script>"));
    QVERIFY(html.contains("&lt;script&gt;alert(1)&lt;/script&gt;"));
    QVERIFY(html.contains("data:image/png;base64,"));
    QVERIFY(html.contains("href=\"http://a.example/?q=%3Cb%3E&amp;x=%221%22\""));
    QVERIFY(!html.contains("href=\"javascript"));
    QVERIFY(html.contains("javascript:alert(document.cookie)"));
    QCOMPARE(html.count("<img "), 1);
    QVERIFY(m_world.platform->boxes.shown.isEmpty());
}

QTEST_MAIN(TestGallery)
#include "tst_gallery.moc"
