// The list browser on list files that other programs wrote: odd bytes, huge lines, many lines.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "store/listpaths.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"

#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

class TestBadLists : public QObject {
    Q_OBJECT
private slots:
    void loadShowAndWriteBackUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("written");
        // What the list browser must hold: the number of entries and the first and last ones.
        QTest::addColumn<int>("entryCount");
        QTest::addColumn<QString>("firstEntry");
        QTest::addColumn<QString>("lastEntry");
        const QString nulInside = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0\r\n", 8) << QByteArray("a\0b\r\n\0\r\n", 8) << 2
                                   << nulInside << QString(QChar(0));
        // Bytes that are not UTF-8 are kept as the reserved code points U+DC80..U+DCFF.
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe\r\nok\xc3\r\n") << QByteArray("\xff\xfe\r\nok\xc3\r\n") << 2
                                       << QString(QChar(0xdcff)) + QChar(0xdcfe)
                                       << QStringLiteral("ok") + QChar(0xdcc3);
        QTest::newRow("lone CRs become CR LF") << QByteArray("a\rb\rc") << QByteArray("a\r\nb\r\nc\r\n") << 3
                                               << QStringLiteral("a") << QStringLiteral("c");
        QByteArray huge(10 * 1024 * 1024, 'x');
        huge.prepend("http://");
        const QString hugeEntry = QString::fromLatin1(huge);
        huge.append("\r\nnext\r\n");
        QTest::newRow("a 10 MB line") << huge << huge << 2 << hugeEntry << QStringLiteral("next");
        QByteArray many;
        many.reserve(14 * 1000000);
        for (int i = 0; i < 1000000; ++i)
            many += "http://h/" + QByteArray::number(i) + "\r\n";
        QTest::newRow("1,000,000 lines") << many << many << 1000000 << QStringLiteral("http://h/0")
                                         << QStringLiteral("http://h/999999");
    }
    void loadShowAndWriteBackUnchanged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, written);
        QFETCH(int, entryCount);
        QFETCH(QString, firstEntry);
        QFETCH(QString, lastEntry);
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QDir().mkpath(ListPaths::dataFolder());
        {
            QFile f(ListPaths::listFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        FakePlatform platform;
        Windows windows(platform);
        windows.mainWindow()->show();
        ListBrowser *w = windows.listBrowser();
        QVERIFY(QTest::qWaitForWindowExposed(windows.mainWindow()));

        // The list was read, every entry as it stands, and nobody was told otherwise (a list that could not
        // be read shows an empty list, says so, and is then written back untouched as well).
        QCOMPARE(w->m_addressList->count(), entryCount);
        QVERIFY(w->m_addressList->entry(0) == firstEntry);
        QVERIFY(w->m_addressList->entry(entryCount - 1) == lastEntry);
        for (const auto &box : std::as_const(platform.boxes.shown))
            qWarning("message box %s: %s", qPrintable(box.title), qPrintable(box.text.left(300)));
        QVERIFY(platform.boxes.shown.isEmpty());

        // Painting, stepping to the last entry and the timer's ticks all come back.
        w->grab();
        w->showNext();
        w->showNext();
        QCOMPARE(w->m_addressList->currentEntry(), w->m_addressList->entry(1));
        w->m_addressList->setCurrentRow(w->m_addressList->count() - 1);
        w->grab();
        QTest::qWait(20);
        QCOMPARE(w->m_addressList->currentRow(), w->m_addressList->count() - 1);
        QVERIFY(w->m_addressList->currentEntry() == lastEntry);

        QVERIFY(WindowFrame::frameOf(w)->close());
        QVERIFY(platform.boxes.shown.isEmpty());
        QFile f(ListPaths::listFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QCOMPARE(after.size(), written.size());
        QVERIFY(after == written);
    }
};

QTEST_MAIN(TestBadLists)
#include "tst_badlists.moc"
