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
        QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0\r\n", 8) << QByteArray("a\0b\r\n\0\r\n", 8);
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe\r\nok\xc3\r\n") << QByteArray("\xff\xfe\r\nok\xc3\r\n");
        QTest::newRow("lone CRs become CR LF") << QByteArray("a\rb\rc") << QByteArray("a\r\nb\r\nc\r\n");
        QByteArray huge(10 * 1024 * 1024, 'x');
        huge.prepend("http://");
        huge.append("\r\nnext\r\n");
        QTest::newRow("a 10 MB line") << huge << huge;
        QByteArray many;
        many.reserve(14 * 1000000);
        for (int i = 0; i < 1000000; ++i)
            many += "http://h/" + QByteArray::number(i) + "\r\n";
        QTest::newRow("1,000,000 lines") << many << many;
    }
    void loadShowAndWriteBackUnchanged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, written);
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

        // Painting, stepping to the last entry and the timer's ticks all come back.
        w->grab();
        w->showNext();
        w->showNext();
        w->m_addressList->setCurrentRow(w->m_addressList->count() - 1);
        w->grab();
        QTest::qWait(20);
        QCOMPARE(w->m_addressList->currentRow(), w->m_addressList->count() - 1);

        QVERIFY(WindowFrame::frameOf(w)->close());
        QFile f(ListPaths::listFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QCOMPARE(after.size(), written.size());
        QVERIFY(after == written);
    }
};

QTEST_MAIN(TestBadLists)
#include "tst_badlists.moc"
