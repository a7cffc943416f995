// The list file's reading and writing rules, and the mended faults of saving.
#include "fakes/testfiles.h"
#include "store/urllistfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestUrlListFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("url.dat")); }

private slots:
    void init()
    {
        QFile::remove(path());
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("zero-byte file") << QByteArray("") << QStringList{""};
        QTest::newRow("A CRLF B CRLF") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
        QTest::newRow("A CRLF CRLF") << QByteArray("A\r\n\r\n") << QStringList{"A", ""};
        QTest::newRow("CRLF alone") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("CRLF A CRLF") << QByteArray("\r\nA\r\n") << QStringList{"", "A"};
        QTest::newRow("A without line end") << QByteArray("A") << QStringList{"A"};
        QTest::newRow("lone CR ends a line") << QByteArray("A\rB") << QStringList{"A", "B"};
        QTest::newRow("lone CR at the end") << QByteArray("A\r") << QStringList{"A"};
        QTest::newRow("CR CR LF") << QByteArray("A\r\r\nB") << QStringList{"A", "", "B"};
        QTest::newRow("lone LF stays in the entry") << QByteArray("A\nB\r\n") << QStringList{"A\nB"};
        QTest::newRow("blank lines in between") << QByteArray("A\r\n\r\nB\r\n") << QStringList{"A", "", "B"};
        QTest::newRow("spaces are kept") << QByteArray(" a \r\n") << QStringList{" a "};
        QTest::newRow("duplicates are kept") << QByteArray("x\r\nx\r\n") << QStringList{"x", "x"};
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9\r\n") << QStringList{QStringLiteral("caf\u00e9")};
        QTest::newRow("NUL inside") << QByteArray("a\0b\r\n", 5) << QStringList{QString::fromLatin1("a\0b", 3)};
    }
    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QVERIFY(TestFiles::write(path(), bytes));
        QCOMPARE(UrlListFile::load(path()), entries);
    }

    void loadMissingFileGivesOneEmptyEntry()
    {
        QCOMPARE(UrlListFile::load(path()), QStringList{""});
        QCOMPARE(UrlListFile::load(m_dir.filePath("no/such/folder/url.dat")), QStringList{""});
    }

    void buildEditText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("A and B") << QByteArray("A\r\nB\r\n") << QStringLiteral("A\r\nB");
        QTest::newRow("empty file") << QByteArray("") << QString();
        QTest::newRow("one empty line") << QByteArray("\r\n") << QString();
        QTest::newRow("empty first line kept") << QByteArray("\r\nA\r\n") << QStringLiteral("\r\nA");
        QTest::newRow("no final line end") << QByteArray("A\r\nB") << QStringLiteral("A\r\nB");
    }
    void buildEditText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QVERIFY(TestFiles::write(path(), bytes));
        const auto built = UrlListFile::editText(path());
        QVERIFY(built.has_value());
        QCOMPARE(*built, text);
    }

    void buildEditTextFailsWithoutFile()
    {
        QVERIFY(!UrlListFile::editText(path()).has_value());
    }

    void saveEditText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("reloaded");
        QTest::newRow("A CRLF B") << QStringLiteral("A\r\nB") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
        QTest::newRow("final line break adds an empty entry")
            << QStringLiteral("A\r\nB\r\n") << QByteArray("A\r\nB\r\n\r\n") << QStringList{"A", "B", ""};
        QTest::newRow("empty text") << QString() << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("not trimmed") << QStringLiteral(" a ") << QByteArray(" a \r\n") << QStringList{" a "};
        QTest::newRow("non-ASCII in UTF-8") << QStringLiteral("\u00fcber") << QByteArray("\xc3\xbc" "ber\r\n")
                                            << QStringList{QStringLiteral("\u00fcber")};
    }
    void saveEditText()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, reloaded);
        QVERIFY(TestFiles::write(path(), "old list\r\n"));
        QVERIFY(UrlListFile::saveEditText(path(), text));
        QCOMPARE(TestFiles::read(path()), bytes);
        QCOMPARE(UrlListFile::load(path()), reloaded);
    }

    // What each kind of file gives: its entries, its edit text, and the bytes that writing back its
    // entries and saving its unchanged edit text leave. A file without any CR is read by LF line
    // ends and keeps them; every file that holds a CR is read by the CR LF rules and gets CR LF.
    void lineEndsOfAFileAreKept_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("LF lines (nano, vim, echo, sort)")
            << QByteArray("http://a\nhttp://b\n") << QStringList{"http://a", "http://b"} << QByteArray("http://a\nhttp://b\n");
        QTest::newRow("LF, last line without a line end")
            << QByteArray("http://a\nhttp://b") << QStringList{"http://a", "http://b"} << QByteArray("http://a\nhttp://b\n");
        QTest::newRow("LF, one line without a line end") << QByteArray("A") << QStringList{"A"} << QByteArray("A\n");
        QTest::newRow("LF, empty lines kept") << QByteArray("\nA\n\nB\n") << QStringList{"", "A", "", "B"}
                                             << QByteArray("\nA\n\nB\n");
        QTest::newRow("LF alone is one empty entry") << QByteArray("\n") << QStringList{""} << QByteArray("\n");
        QTest::newRow("two LFs are two empty entries") << QByteArray("\n\n") << QStringList{"", ""} << QByteArray("\n\n");
        QTest::newRow("LF, spaces, tabs and NUL kept") << QByteArray(" a\tb \0\n", 7) << QStringList{QString::fromLatin1(" a\tb \0", 6)}
                                                      << QByteArray(" a\tb \0\n", 7);
        QTest::newRow("LF, not UTF-8") << QByteArray("caf\xe9\n\xff\n") << QStringList{QStringLiteral("caf") + QChar(0xDCE9), QString(QChar(0xDCFF))}
                                      << QByteArray("caf\xe9\n\xff\n");
        QTest::newRow("CR LF lines") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"} << QByteArray("A\r\nB\r\n");
        QTest::newRow("CR LF and LF: a lone LF stays in its entry")
            << QByteArray("A\r\nB\nC\r\n") << QStringList{"A", "B\nC"} << QByteArray("A\r\nB\nC\r\n");
        QTest::newRow("one CR among LF lines: CR LF rules for all")
            << QByteArray("A\nB\rC\n") << QStringList{"A\nB", "C\n"} << QByteArray("A\nB\r\nC\n\r\n");
        QTest::newRow("CR LF, last line without a line end") << QByteArray("A\r\nB") << QStringList{"A", "B"}
                                                            << QByteArray("A\r\nB\r\n");
        QTest::newRow("empty file: the list's own CR LF") << QByteArray("") << QStringList{""} << QByteArray("\r\n");
    }
    void lineEndsOfAFileAreKept()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, written);
        QCOMPARE(UrlListFile::parseEntries(bytes), entries);
        QVERIFY(TestFiles::write(path(), bytes));
        QCOMPARE(UrlListFile::load(path()), entries);
        const std::optional<QString> text = UrlListFile::editText(path());
        QVERIFY(text.has_value());
        QCOMPARE(*text, bytes.isEmpty() ? QString() : entries.join(QStringLiteral("\r\n")));

        QVERIFY(UrlListFile::writeBack(path(), entries));
        QCOMPARE(TestFiles::read(path()), written);
        QCOMPARE(UrlListFile::load(path()), entries);

        QVERIFY(TestFiles::write(path(), bytes));
        QVERIFY(UrlListFile::saveEditText(path(), *text));
        QCOMPARE(TestFiles::read(path()), written);
    }

    // What a change to an LF list leaves: LF line ends, unless an entry or a line of the text holds
    // a line break of its own, which only CR LF line ends keep.
    void changesToAnLfListKeepLf_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("one entry removed") << QByteArray("a\nb\nc\n") << QStringList{"a", "c"} << QStringLiteral("a\r\nc")
                                          << QByteArray("a\nc\n");
        QTest::newRow("an entry added") << QByteArray("a\n") << QStringList{"a", "http://new/"}
                                       << QStringLiteral("a\r\nhttp://new/") << QByteArray("a\nhttp://new/\n");
        QTest::newRow("an LF inside an entry") << QByteArray("a\n") << QStringList{"a", "b\nc"} << QStringLiteral("a\r\nb\nc")
                                              << QByteArray("a\r\nb\nc\r\n");
        QTest::newRow("a CR inside an entry") << QByteArray("a\n") << QStringList{"a\rb"} << QStringLiteral("a\rb")
                                             << QByteArray("a\rb\r\n");
        QTest::newRow("CR LF list stays CR LF") << QByteArray("a\r\n") << QStringList{"a", "b"} << QStringLiteral("a\r\nb")
                                               << QByteArray("a\r\nb\r\n");
        QTest::newRow("missing list: CR LF") << QByteArray() << QStringList{"a", "b"} << QStringLiteral("a\r\nb")
                                            << QByteArray("a\r\nb\r\n");
    }
    void changesToAnLfListKeepLf()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(QByteArray, after);
        const auto prepare = [&] { return before.isNull() ? !QFile::exists(path()) || QFile::remove(path()) : TestFiles::write(path(), before); };
        QVERIFY(prepare());
        QVERIFY(UrlListFile::writeBack(path(), entries));
        QCOMPARE(TestFiles::read(path()), after);
        QVERIFY(prepare());
        QVERIFY(UrlListFile::saveEditText(path(), text));
        QCOMPARE(TestFiles::read(path()), after);
    }

    // An empty file has no line ends of its own: after this program emptied an LF list (Destroy
    // List, or every entry removed), the next save keeps LF; any other empty list gets CR LF.
    void emptiedLfListKeepsLfForTheNextSave_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<bool>("byWriteBack");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("LF list destroyed") << QByteArray("a\nb\n") << false << QByteArray("x\ny\n");
        QTest::newRow("LF list, all removed") << QByteArray("a\nb\n") << true << QByteArray("x\ny\n");
        QTest::newRow("CR LF list destroyed") << QByteArray("a\r\n") << false << QByteArray("x\r\ny\r\n");
        QTest::newRow("empty list emptied") << QByteArray("") << false << QByteArray("x\r\ny\r\n");
    }
    void emptiedLfListKeepsLfForTheNextSave()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, byWriteBack);
        QFETCH(QByteArray, after);
        const QString list = m_dir.filePath(QStringLiteral("emptied/url.dat"));
        QVERIFY(TestFiles::write(list, before));
        QVERIFY(byWriteBack ? UrlListFile::writeBack(list, {}) : UrlListFile::empty(list));
        QCOMPARE(TestFiles::read(list), QByteArray());
        QVERIFY(UrlListFile::saveEditText(list, QStringLiteral("x\r\ny")));
        QCOMPARE(TestFiles::read(list), after);
        // A file with bytes speaks for itself again: another program's CR LF list stays CR LF.
        QVERIFY(TestFiles::write(list, "c\r\n"));
        QVERIFY(UrlListFile::writeBack(list, {"d"}));
        QCOMPARE(TestFiles::read(list), QByteArray("d\r\n"));
    }

    void fullListCopyKeepsTheBytes()
    {
        const QString source = m_dir.filePath("shipped-lf.dat");
        const QString copy = m_dir.filePath("sub/ch-lf.dat");
        QVERIFY(TestFiles::write(source, "one\ntwo\n"));
        QVERIFY(UrlListFile::copyFullList(source, copy));
        QCOMPARE(TestFiles::read(copy), QByteArray("one\ntwo\n"));
        QCOMPARE(UrlListFile::load(copy), (QStringList{"one", "two"}));
    }

    void editCycleLeavesListUnchanged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two lines") << QByteArray("A\r\nB\r\n");
        QTest::newRow("empty line inside") << QByteArray("A\r\n\r\nB\r\n");
        QTest::newRow("leading empty line") << QByteArray("\r\nA\r\n");
        QTest::newRow("one line") << QByteArray("http://x/\r\n");
    }
    void editCycleLeavesListUnchanged()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(TestFiles::write(path(), bytes));
        for (int round = 0; round < 3; ++round) {
            const auto text = UrlListFile::editText(path());
            QVERIFY(text.has_value());
            QVERIFY(UrlListFile::saveEditText(path(), *text));
            QCOMPARE(TestFiles::read(path()), bytes);
        }
    }

    void writeBackList_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("three entries") << QStringList{"A", "", "B"} << QByteArray("A\r\n\r\nB\r\n");
        QTest::newRow("no entries give a zero-byte file") << QStringList{} << QByteArray("");
        QTest::newRow("one empty entry") << QStringList{""} << QByteArray("\r\n");
        QTest::newRow("LF inside an entry") << QStringList{"A\nB"} << QByteArray("A\nB\r\n");
    }
    void writeBackList()
    {
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, bytes);
        QVERIFY(UrlListFile::writeBack(path(), entries));
        QCOMPARE(TestFiles::read(path()), bytes);
    }

    void bytesSurviveLoadAndWriteBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("invalid UTF-8") << QByteArray("a\xff\xfe" "b\r\n\xc0\x80\r\n");
        QTest::newRow("Latin-1 text") << QByteArray("caf\xe9\r\nna\xefve\r\n");
        QTest::newRow("cut multi-byte sequence") << QByteArray("\xe2\x82\r\n\xf0\x9f\x98\r\n");
        QTest::newRow("UTF-8 of a surrogate") << QByteArray("\xed\xa0\x80\r\n");
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbfhttp://a/\r\n");
        QTest::newRow("two byte-order marks after an invalid byte") << QByteArray("\xff\xef\xbb\xbf\xef\xbb\xbfx\r\n");
        QTest::newRow("NUL bytes") << QByteArray("a\0\0b\r\n", 6);
        QTest::newRow("emoji") << QByteArray("\xf0\x9f\x90\xa8\r\n");
    }
    void bytesSurviveLoadAndWriteBack()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(TestFiles::write(path(), bytes));
        QVERIFY(UrlListFile::writeBack(path(), UrlListFile::load(path())));
        QCOMPARE(TestFiles::read(path()), bytes);
        // The edit text keeps them too.
        const auto text = UrlListFile::editText(path());
        QVERIFY(text.has_value());
        QVERIFY(UrlListFile::saveEditText(path(), *text));
        QCOMPARE(TestFiles::read(path()), bytes);
    }

    void copyFullList()
    {
        const QString source = m_dir.filePath("shipped.dat");
        const QString copy = m_dir.filePath("sub/ch.dat");
        QVERIFY(TestFiles::write(source, "one\r\ntwo\r\n"));
        QVERIFY(UrlListFile::copyFullList(source, copy));
        QCOMPARE(TestFiles::read(copy), QByteArray("one\r\ntwo\r\n"));
        QVERIFY(TestFiles::write(copy, "changed\r\n"));
        QVERIFY(UrlListFile::copyFullList(source, copy));
        QCOMPARE(TestFiles::read(copy), QByteArray("one\r\ntwo\r\n"));
        // A missing source leaves the copy as it was.
        QVERIFY(TestFiles::write(copy, "kept\r\n"));
        QVERIFY(!UrlListFile::copyFullList(m_dir.filePath("missing.dat"), copy));
        QCOMPARE(TestFiles::read(copy), QByteArray("kept\r\n"));
    }

    void emptyLeavesAnEmptyList()
    {
        QVERIFY(TestFiles::write(path(), "A\r\n"));
        QVERIFY(UrlListFile::empty(path()));
        QCOMPARE(TestFiles::read(path()), QByteArray());
        QCOMPARE(UrlListFile::load(path()), QStringList{""});
        QVERIFY(QFile::remove(path()));
        QVERIFY(UrlListFile::empty(path())); // a missing list is no error
        QCOMPARE(UrlListFile::load(path()), QStringList{""});
    }

    void failedSaveIsReportedAndKeepsOldFile()
    {
        // A folder that cannot be written even by root: its path runs through a regular file.
        const QString blocker = m_dir.filePath("blocker");
        QVERIFY(TestFiles::write(blocker, "not a folder"));
        const QString inside = blocker + QStringLiteral("/url.dat");
        const SaveResult r1 = UrlListFile::saveEditText(inside, QStringLiteral("A"));
        QVERIFY(!r1);
        QVERIFY(!r1.reason.isEmpty());
        QVERIFY(!UrlListFile::writeBack(inside, {"A"}));
        QVERIFY(!UrlListFile::copyFullList(blocker, inside));
        QCOMPARE(TestFiles::read(blocker), QByteArray("not a folder"));

        // A list file that is a folder: it cannot be replaced, and stays.
        const QString folder = m_dir.filePath("folderfile");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(!UrlListFile::writeBack(folder, {"A"}));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void saveLeavesNoTemporaryFiles()
    {
        QVERIFY(UrlListFile::saveEditText(path(), QStringLiteral("A")));
        QVERIFY(UrlListFile::writeBack(path(), {"B"}));
        const QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &n : names)
            QVERIFY2(!n.startsWith(QLatin1String(".quokka-save.")), qPrintable(n));
    }

    void saveRemovesWhatKilledSavesLeft()
    {
        QTemporaryDir dir;
        const QString list = dir.filePath(QStringLiteral("url.dat"));
        const auto make = [&](const QString &name, int ageSeconds) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("a list that was never renamed\r\n");
            QVERIFY(f.flush());
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        };
        make(QStringLiteral(".quokka-save.url.dat.aB3dE9"), 120); // left by a save killed two minutes ago
        make(QStringLiteral(".quokka-save.url.dat.Zz99Yy"), 0);   // could be another save's, under way right now
        // The user's own files stay, whatever their names and ages.
        const QStringList own{"url.dat.aB3dE9", "url.dat.backup", "url.dat.old123", "url.dat.bak", "ch.dat.backup",
                              ".quokka-save.url.dat.aB3dE9x", ".quokka-save.url.dat.aB-dE9", ".quokka-save.ch.dat.aB3dE9"};
        for (const QString &name : own)
            make(name, 120);
        QVERIFY(UrlListFile::writeBack(list, {"A"}));
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QStringList expected = own + QStringList{"url.dat", ".quokka-save.url.dat.Zz99Yy"};
        names.sort();
        expected.sort();
        QCOMPARE(names, expected);

        // A list that is a link: the files beside its target are the user's too.
        QTemporaryDir elsewhere;
        QVERIFY(TestFiles::write(elsewhere.filePath(QStringLiteral("real.dat")), "old\r\n"));
        const QString backup = elsewhere.filePath(QStringLiteral("real.dat.aB3dE9"));
        QVERIFY(TestFiles::write(backup, "backup\r\n"));
        QFile b(backup);
        QVERIFY(b.open(QIODevice::Append));
        QVERIFY(b.setFileTime(QDateTime::currentDateTime().addSecs(-120), QFileDevice::FileModificationTime));
        b.close();
        const QString link = dir.filePath(QStringLiteral("linked.dat"));
        QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("real.dat")), link));
        QVERIFY(UrlListFile::writeBack(link, {"new"}));
        QCOMPARE(TestFiles::read(backup), QByteArray("backup\r\n"));
        QCOMPARE(TestFiles::read(link), QByteArray("new\r\n"));

        // A failed save (here: the list's name is taken by a folder) removes nothing.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.dat")));
        make(QStringLiteral("folder.dat.Qq1234"), 120);
        QVERIFY(!UrlListFile::writeBack(dir.filePath(QStringLiteral("folder.dat")), {"B"}));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("folder.dat.Qq1234"))));
    }
};

QTEST_GUILESS_MAIN(TestUrlListFile)
#include "tst_urllistfile.moc"
