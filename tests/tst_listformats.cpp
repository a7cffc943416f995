// Lists from other programs: files written the way browsers, spreadsheets, feed readers and mail
// programs write them, recognised by content and read; the writers; the import's summary.
#include "listformats/listformats.h"

#include <QFile>
#include <algorithm>
#include <QtTest>

using namespace ListFormats;

using Found = QList<FoundAddress>;
Q_DECLARE_METATYPE(ListFormats::Format)
Q_DECLARE_METATYPE(ListFormats::ImportSummary)

namespace QTest {
template <> char *toString(const FoundAddress &found)
{
    return qstrdup(qPrintable(QStringLiteral("{%1 | %2}").arg(found.address, found.title)));
}
template <> char *toString(const ImportSummary &s)
{
    return qstrdup(qPrintable(QStringLiteral("{found %1, in list %2, repeats %3}").arg(s.found).arg(s.alreadyInList).arg(s.repeats)));
}
} // namespace QTest

namespace {





QByteArray bytes(const char *text) { return QByteArray(text); }

/// A feed reader's file with a licence comment of several KiB before its <opml>.
QByteArray opmlAfterALongComment()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!--\n" + QByteArray(6000, 'x') + "\n-->\n"
           "<opml version=\"2.0\"><head><title>Feeds</title></head><body>"
           "<outline text=\"Site\" type=\"rss\" xmlUrl=\"https://s.example/feed\" htmlUrl=\"https://s.example/\"/>"
           "</body></opml>\n";
}

/// A table with a header whose titles hold commas a spreadsheet did not quote.
QByteArray titlesWithCommas()
{
    return "url,title\r\nhttps://a.example/,\"Quoted, as it should be\"\r\nhttps://b.example/,Acme, Inc.\r\n"
           "https://c.example/,Beta\r\nhttps://d.example/,Gamma, Delta, and Co\r\nhttps://e.example/,Acme, Ltd.\r\n";
}

/// A file as the program that wrote it wrote it, from tests/testdata/listformats/.
QByteArray sample(const char *name)
{
    QFile file(qEnvironmentVariable("QUOKKA_TESTDATA") + QStringLiteral("/listformats/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample %s (is QUOKKA_TESTDATA set?)", name);
    return file.readAll();
}

QByteArray utf16le(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        out += char(c.unicode() & 0xff);
        out += char(c.unicode() >> 8);
    }
    return out;
}

} // namespace

class TestListFormats : public QObject {
    Q_OBJECT
private slots:
    void recognisesTheFormatByContent_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Format>("format");
        QTest::newRow("firefox") << sample("firefox-bookmarks.html") << Format::NetscapeBookmarks;
        QTest::newRow("chrome") << sample("chrome-bookmarks.html") << Format::NetscapeBookmarks;
        QTest::newRow("edge, CR LF") << sample("chrome-bookmarks.html").replace("\n", "\r\n") << Format::NetscapeBookmarks;
        QTest::newRow("safari") << sample("safari-bookmarks.html") << Format::NetscapeBookmarks;
        QTest::newRow("bookmarks without a doctype")
            << bytes("<HTML><DL><p>\n<DT><A HREF=\"https://a.example/\">A</A>\n</DL>") << Format::NetscapeBookmarks;
        QTest::newRow("opml") << sample("feed-reader.opml") << Format::Opml;
        QTest::newRow("opml without a declaration") << bytes("<opml version=\"1.0\"><body><outline xmlUrl=\"https://f.example/\"/></body></opml>")
                                                    << Format::Opml;
        QTest::newRow("plain LF") << bytes("https://a.example/\nhttps://b.example/\n") << Format::PlainText;
        QTest::newRow("plain hosts") << bytes("example.com\nlocalhost:8080/x\nwww.example.org/a?b=c\n") << Format::PlainText;
        QTest::newRow("plain with ; in an address") << bytes("http://a.example/x;jsessionid=1\nhttp://b.example/;y\n") << Format::PlainText;
        QTest::newRow("csv with header") << bytes("Name,URL\r\nA,https://a.example/\r\n") << Format::Csv;
        QTest::newRow("csv without header") << bytes("https://a.example/,Alpha one\nhttps://b.example/,Beta two\n") << Format::Csv;
        QTest::newRow("notes") << bytes("Things to read:\nhttps://a.example/ is good.\n") << Format::TextWithAddresses;
        QTest::newRow("blank") << bytes(" \r\n\t\n") << Format::Empty;
        QTest::newRow("nothing") << QByteArray() << Format::Empty;
        QTest::newRow("the name .csv tells nothing: a bookmarks file") << sample("safari-bookmarks.html") << Format::NetscapeBookmarks;
        QTest::newRow("opml after a comment longer than the head") << opmlAfterALongComment() << Format::Opml;
        QTest::newRow("bookmarks after a comment longer than the head")
            << "<!-- " + QByteArray(6000, 'x') + " -->\n<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"https://a.example/\">A</A></DL>\n"
            << Format::NetscapeBookmarks;
        QTest::newRow("csv whose titles hold unquoted commas") << titlesWithCommas() << Format::Csv;
        QTest::newRow("a heading above a column of addresses") << bytes("URL\nexample.com/a\nhttps://b.example/\n") << Format::PlainText;
        QTest::newRow("notes after a heading stay notes")
            << bytes("Reading\nsee https://a.example/ first\nhttps://b.example/\n") << Format::TextWithAddresses;
    }
    void recognisesTheFormatByContent()
    {
        QFETCH(QByteArray, file);
        QFETCH(Format, format);
        QCOMPARE(read(file).format, format);
    }

    void readsBookmarkFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Found>("expected");
        QTest::newRow("firefox: folders, separator, bookmarklet and place: query left out, entities")
            << sample("firefox-bookmarks.html")
            << Found{{"https://www.mozilla.org/en-US/firefox/central/", "Getting Started"},
                     {"https://cooking.example/search?q=plum&sort=new", QStringLiteral("Plums & cream <3 \u2014 \"the\" tart \u2764")},
                     {"https://ja.wikipedia.org/wiki/%E3%82%AB%E3%83%B3%E3%82%AC%E3%83%AB%E3%83%BC",
                      QStringLiteral("カンガルー - Wikipedia")},
                     {"https://www.example.org/", "Example Domain"}};
        const Found chrome{{"https://news.ycombinator.com/", "Hacker News"},
                           {"https://shop.example/it's?a=1&b=2", "It's \"on sale\""},
                           {"http://192.168.1.1/", "Router"},
                           {QStringLiteral("https://bücher.example/straße"), QStringLiteral("Bücher über Straßen")}};
        QTest::newRow("chrome: empty folder, &#39;, non-ASCII") << sample("chrome-bookmarks.html") << chrome;
        QTest::newRow("edge: the same with CR LF") << sample("chrome-bookmarks.html").replace("\n", "\r\n") << chrome;
        QTest::newRow("safari: upper-case HTML, reading list")
            << sample("safari-bookmarks.html")
            << Found{{"https://www.apple.com/", "Apple"},
                     {"https://developer.apple.com/documentation/", "Documentation"},
                     {"https://webkit.org/blog/", "WebKit Blog"}};
        QTest::newRow("lower-case tags, single quotes, no end tag")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<dl><dt><a href='https://a.example/' add_date=1>A\n<dt><a href=https://b.example/>B</a></dl>")
            << Found{{"https://a.example/", "A"}, {"https://b.example/", "B"}};
        QTest::newRow("a bookmarklet in capitals, an empty address")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"JavaScript:void(0)\">J</A><DT><A HREF=\"\">E</A>"
                     "<DT><A HREF=\"data:text/html,hi\">D</A><DT><A HREF=\"ftp://files.example/\">F</A></DL>")
            << Found{{"ftp://files.example/", "F"}};
        QTest::newRow("no end tags, an anchor right after another")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"https://a.example/\">A <A HREF=\"https://b.example/\">B\n"
                     "<DT><A HREF=\"https://c.example/\">C &amp; <b>c</b></A></DL>")
            << Found{{"https://a.example/", "A"}, {"https://b.example/", "B"}, {"https://c.example/", "C & c"}};
        QTest::newRow("<LI> where <DT> would be, no end tags")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<UL><LI><A HREF=\"https://a.example/\">A\n<LI><A HREF=\"https://b.example/\">B\n"
                     "</UL><H3>Folder</H3><UL><li><a href=\"https://c.example/\">C</UL>")
            << Found{{"https://a.example/", "A"}, {"https://b.example/", "B"}, {"https://c.example/", "C"}};
        QTest::newRow("an anchor holding a heading and a paragraph, as a page's selection has it")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"https://a.example/\"><div><h3>Card</h3> <p>Text</p></div></A>"
                     "<DT><A HREF=\"https://b.example/\"><h2>No end tag\n</DL>")
            << Found{{"https://a.example/", "Card Text"}, {"https://b.example/", "No end tag"}};
        QTest::newRow("an entity's & with no ; anywhere after it")
            << bytes("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"https://a.example/?a=1&b=2\">Tom & Jerry &amp co</A></DL>")
            << Found{{"https://a.example/?a=1&b=2", "Tom & Jerry &amp co"}};
    }
    void readsBookmarkFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(Found, expected);
        const ReadResult result = read(file);
        QCOMPARE(result.format, Format::NetscapeBookmarks);
        QCOMPARE(result.addresses, expected);
    }

    void readsOpml_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Found>("expected");
        QTest::addColumn<bool>("broken");
        QTest::newRow("feed reader: sites, feeds where no site, folders left out")
            << sample("feed-reader.opml")
            << Found{{"https://arstechnica.com", "Ars Technica"},
                     {"https://blog.example.net/feed.xml", "A feed without a site"},
                     {"https://other.example.net/atom.xml", "Empty site"},
                     {"https://cafe.example/", QStringLiteral("Café & Crème")},
                     {"https://link.example/", "A plain link"}}
            << false;
        QByteArray cut = sample("feed-reader.opml");
        cut.truncate(cut.indexOf("<outline type=\"rss\" text=\"Caf"));
        cut += "<outline text=\"broken";
        QTest::newRow("cut short: what came before is kept, the fault told")
            << cut
            << Found{{"https://arstechnica.com", "Ars Technica"},
                     {"https://blog.example.net/feed.xml", "A feed without a site"},
                     {"https://other.example.net/atom.xml", "Empty site"}}
            << true;
        QTest::newRow("a comment of several KiB before <opml>")
            << opmlAfterALongComment() << Found{{"https://s.example/", "Site"}} << false;
    }
    void readsOpml()
    {
        QFETCH(QByteArray, file);
        QFETCH(Found, expected);
        QFETCH(bool, broken);
        const ReadResult result = read(file);
        QCOMPARE(result.format, Format::Opml);
        QCOMPARE(result.addresses, expected);
        QCOMPARE(!result.problem.isEmpty(), broken);
        if (broken)
            QVERIFY2(result.problem.startsWith(QLatin1String("line ")), qPrintable(result.problem));
    }

    void readsCsv_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Found>("expected");
        QTest::addColumn<QStringList>("remarks");
        QTest::newRow("spreadsheet: BOM, CR LF, header, quoted fields, a line break inside quotes")
            << bytes("\xEF\xBB\xBFName,URL,Notes\r\n"
                     "\"Smith, John\",https://example.com/a,\"said \"\"hi\"\"\"\r\n"
                     "Second,  https://example.com/b  ,\"two\r\nlines\"\r\n"
                     "No address,,\r\n"
                     "Third,example.org/c,\r\n")
            << Found{{"https://example.com/a", "Smith, John"}, {"https://example.com/b", "Second"}, {"example.org/c", "Third"}}
            << QStringList{"Left out line 5: a row without an address"};
        QTest::newRow("blank lines before the header and between records")
            << bytes("\r\n\r\nurl,title\r\nhttps://a.example/,A\r\n\r\nhttps://b.example/,B\r\n")
            << Found{{"https://a.example/", "A"}, {"https://b.example/", "B"}} << QStringList{};
        QTest::newRow("semicolons, a header the title is not named in")
            << bytes("Adresse;Kommentar\r\nhttps://a.example/;gut\r\nhttps://b.example/;schlecht\r\n")
            << Found{{"https://a.example/", ""}, {"https://b.example/", ""}} << QStringList{};
        QTest::newRow("tabs, no header, addresses in the second column")
            << bytes("Alpha site\thttps://a.example/\nBeta site\thttps://b.example/\n")
            << Found{{"https://a.example/", ""}, {"https://b.example/", ""}} << QStringList{};
        QTest::newRow("older spreadsheet: Windows-1252")
            << bytes("title,url\r\nCaf\xe9 \x93" "best\x94,https://cafe.example/\r\n")
            << Found{{"https://cafe.example/", QStringLiteral("Café \u201cbest\u201d")}} << QStringList{};
        QTest::newRow("UTF-16 with its mark")
            << QByteArray("\xFF\xFE", 2) + utf16le(QStringLiteral("title,url\r\nÜber,https://u.example/\r\n"))
            << Found{{"https://u.example/", QStringLiteral("Über")}} << QStringList{};
        QTest::newRow("our own export read back")
            << writeCsv({{"https://a.example/", "=HYPERLINK(\"x\")", "dead", 404, "not found (404)"},
                         {"https://b.example/", "-minus, and comma", "alive", 200, ""}})
            << Found{{"https://a.example/", "=HYPERLINK(\"x\")"}, {"https://b.example/", "-minus, and comma"}} << QStringList{};
        QTest::newRow("titles with commas nobody quoted")
            << titlesWithCommas()
            << Found{{"https://a.example/", "Quoted, as it should be"},
                     {"https://b.example/", "Acme, Inc."},
                     {"https://c.example/", "Beta"},
                     {"https://d.example/", "Gamma, Delta, and Co"},
                     {"https://e.example/", "Acme, Ltd."}}
            << QStringList{};
        QTest::newRow("as Python's csv module writes: a note of lines that look like records, closed properly")
            << sample("python-csv-writer.csv")
            << Found{{"https://a.example/", "Acme, Inc."},
                     {"https://b.example/", "He said \"hi\""},
                     {"https://c.example/", "Gamma"},
                     {"https://d.example/", "Delta"}}
            << QStringList{};
        QTest::newRow("a header that names the addresses, rows without their titles")
            << bytes("URL,Title\nhttps://a.example/,Acme, Inc.\nhttps://b.example/\nhttps://c.example/,Beta\n")
            << Found{{"https://a.example/", "Acme, Inc."}, {"https://b.example/", ""}, {"https://c.example/", "Beta"}} << QStringList{};
        QTest::newRow("the address column found by its content when a title before it holds commas")
            << bytes("Name;URL;Notes\nAcme; Inc.;https://a.example/;x\nBeta;https://b.example/;y\nGamma; Delta; Co;www.c.example/;z\n")
            << Found{{"https://a.example/", "Acme; Inc."}, {"https://b.example/", "Beta"}, {"www.c.example/", "Gamma; Delta; Co"}}
            << QStringList{};
        QTest::newRow("a quote never closed in row 2: read to its line's end, the rest still read")
            << bytes("url,title\r\nhttps://a.example/,Alpha\r\nhttps://b.example/,\"Beta, the second\r\nhttps://c.example/,Gamma\r\n"
                     "https://d.example/,\"Delta, \"\"the\"\" fourth\"\r\nhttps://e.example/,\"Epsilon\r\nhttps://f.example/,\"two\r\nlines\"\r\n")
            << Found{{"https://a.example/", "Alpha"},
                     {"https://b.example/", "Beta, the second"},
                     {"https://c.example/", "Gamma"},
                     {"https://d.example/", "Delta, \"the\" fourth"},
                     {"https://e.example/", "Epsilon"},
                     {"https://f.example/", "two\r\nlines"}}
            << QStringList{"Lines 3 and 6 have quotes that are not closed: each is read to the end of its line"};
        {
            QByteArray file = "url,title\nhttps://a.example/,\"Alpha\n\nhttps://b.example/,Beta\n";
            Found found{{"https://a.example/", "Alpha"}, {"https://b.example/", "Beta"}};
            for (int i = 0; i < 9; ++i) {
                file += "https://" + QByteArray::number(i) + ".example/,N" + QByteArray::number(i) + "\n";
                found.append(FoundAddress{QStringLiteral("https://%1.example/").arg(i), QStringLiteral("N%1").arg(i)});
            }
            file += "https://c.example/,\"Gamma\nsome notes\n";
            found.append(FoundAddress{"https://c.example/", "Gamma"});
            QTest::newRow("a quote open to the end, one after a blank line: the lines they would swallow are rows again")
                << file << found
                << QStringList{"Lines 2 and 14 have quotes that are not closed: each is read to the end of its line",
                               "Left out line 15: a row without an address"};
        }
        QTest::newRow("rows without an address are said")
            << bytes("Name,URL\nA,https://a.example/\nNo address,\nB,https://b.example/\n,\nC,\nD,https://d.example/\n")
            << Found{{"https://a.example/", "A"}, {"https://b.example/", "B"}, {"https://d.example/", "D"}}
            << QStringList{"Left out lines 3 and 6: rows without an address"};
        QTest::newRow("one byte that is no UTF-8 leaves the UTF-8 lines as they are")
            << bytes("title,url\r\nB\xc3\xbc" "cher,https://b\xc3\xbc" "cher.example/\r\nCaf\xe9,https://cafe.example/\r\n")
            << Found{{QStringLiteral("https://bücher.example/"), QStringLiteral("Bücher")}, {"https://cafe.example/", QStringLiteral("Café")}}
            << QStringList{};
    }
    void readsCsv()
    {
        QFETCH(QByteArray, file);
        QFETCH(Found, expected);
        QFETCH(QStringList, remarks);
        const ReadResult result = read(file);
        QCOMPARE(result.format, Format::Csv);
        QCOMPARE(result.addresses, expected);
        QCOMPARE(result.remarks, remarks);
    }

    void readsPlainText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("remarks");
        const QStringList two{"https://a.example/", "https://b.example/"};
        QTest::newRow("LF") << bytes("https://a.example/\nhttps://b.example/\n") << two << QStringList{};
        QTest::newRow("CR LF") << bytes("https://a.example/\r\nhttps://b.example/\r\n") << two << QStringList{};
        QTest::newRow("CR") << bytes("https://a.example/\rhttps://b.example/") << two << QStringList{};
        QTest::newRow("mixed, blank lines, blanks around")
            << bytes("\n  https://a.example/ \r\n\r\n\thttps://b.example/\r") << two << QStringList{};
        QTest::newRow("host names and other schemes")
            << bytes("example.com\nftp://files.example/pub\nfile:///home/me/page.html\n")
            << QStringList{"example.com", "ftp://files.example/pub", "file:///home/me/page.html"} << QStringList{};
        QTest::newRow("a column with its heading, addresses without a scheme")
            << bytes("URL\nexample.com/a\nhttps://b.example/\nwww.c.example/page\nd.example.org\n")
            << QStringList{"example.com/a", "https://b.example/", "www.c.example/page", "d.example.org"}
            << QStringList{"Left out line 1, no address: \"URL\""};
        QTest::newRow("a title line above the addresses")
            << bytes("My reading list, December\r\n\r\nhttps://a.example/\r\nexample.org/b\r\nwww.c.example/\r\n")
            << QStringList{"https://a.example/", "example.org/b", "www.c.example/"}
            << QStringList{"Left out line 1, no address: \"My reading list, December\""};
        QTest::newRow("two heading lines")
            << bytes("Links\n=====\nexample.com\nexample.org\n")
            << QStringList{"example.com", "example.org"}
            << QStringList{"Left out lines 1 and 2, no addresses: \"Links\", \"=====\""};
        QTest::newRow("one byte that is no UTF-8 leaves the other lines as UTF-8")
            << bytes("https://b\xc3\xbc" "cher.example/\nhttps://caf\xe9.example/\n")
            << QStringList{QStringLiteral("https://bücher.example/"), QStringLiteral("https://café.example/")} << QStringList{};
    }
    void readsPlainText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, remarks);
        const ReadResult result = read(file);
        QCOMPARE(result.format, Format::PlainText);
        QStringList addresses;
        for (const FoundAddress &f : result.addresses)
            addresses.append(f.address);
        QCOMPARE(addresses, expected);
        QCOMPARE(result.remarks, remarks);
    }

    void findsAddressesInText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Found>("expected");
        QTest::newRow("sentence punctuation and brackets")
            << QStringLiteral("See https://example.com/page. Also (https://en.wikipedia.org/wiki/Foo_(bar)) and "
                              "<https://a.example/x>, then \"https://q.example/?a=1&b=2\"! Or https://r.example/what?")
            << Found{{"https://example.com/page", ""},
                     {"https://en.wikipedia.org/wiki/Foo_(bar)", ""},
                     {"https://a.example/x", ""},
                     {"https://q.example/?a=1&b=2", ""},
                     {"https://r.example/what", ""}};
        QTest::newRow("markdown: links keep their text as title, emphasis and code marks left out")
            << QStringLiteral("# Reading\n- [Quokka start](https://quokka.example/start) and **https://bold.example/**\n"
                              "- `https://code.example/`, [two words](http://two.example/a_b_) ~https://strike.example/~\n")
            << Found{{"https://quokka.example/start", "Quokka start"},
                     {"https://bold.example/", ""},
                     {"https://code.example/", ""},
                     {"http://two.example/a_b", "two words"},
                     {"https://strike.example/", ""}};
        QTest::newRow("e-mail: quoted lines, other schemes and glued words left out")
            << QStringLiteral("> On Mon, 7 Dec 2026, Bob <bob@example.com> wrote:\n> http://list.example/archive/msg00001.html\n"
                              "\nftp://files.example/ mailto:a@b.example xhttp://no.example/ HTTPS://UP.EXAMPLE/Path;\n"
                              "https://x.example/a?b=c;d=e.\n--\nhttps:// nothing here, http://.\n")
            << Found{{"http://list.example/archive/msg00001.html", ""},
                     {"HTTPS://UP.EXAMPLE/Path", ""},
                     {"https://x.example/a?b=c;d=e", ""}};
        QTest::newRow("non-ASCII and IPv6")
            << QStringLiteral("Voir https://café.example/menü, et http://[::1]:8080/x.")
            << Found{{QStringLiteral("https://café.example/menü"), ""}, {"http://[::1]:8080/x", ""}};
    }
    void findsAddressesInText()
    {
        QFETCH(QString, text);
        QFETCH(Found, expected);
        QCOMPARE(readTextWithAddresses(text), expected);
        QCOMPARE(read(text.toUtf8()).format, Format::TextWithAddresses);
    }

    void writersAreReadBack_data()
    {
        QTest::addColumn<Found>("entries");
        QTest::newRow("titles with markup characters and non-ASCII")
            << Found{{"https://a.example/?x=1&y=2", "Tom & Jerry <3 \"quoted\""},
                     {QStringLiteral("https://ü.example/"), QStringLiteral("Über — ünïcödé")},
                     {"https://untitled.example/", ""}};
        QTest::newRow("an entry with a line break inside") << Found{{"https://a.example/\nsecond", "two\nlines"}};
    }
    void writersAreReadBack()
    {
        QFETCH(Found, entries);
        const QByteArray bookmarks = writeNetscapeBookmarks(entries, QStringLiteral("Quokka & co"), 1700000000);
        QVERIFY(bookmarks.startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"));
        QVERIFY(bookmarks.contains("ADD_DATE=\"1700000000\""));
        const ReadResult back = read(bookmarks);
        QCOMPARE(back.format, Format::NetscapeBookmarks);
        QCOMPARE(back.addresses.size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QCOMPARE(back.addresses[i].address, entries[i].address);
            // Titles are one line in a bookmarks file; an untitled entry is shown by its address.
            const QString title = entries[i].title.isEmpty() ? entries[i].address : entries[i].title;
            QCOMPARE(back.addresses[i].title, title.simplified());
        }

        QStringList addresses;
        for (const FoundAddress &f : entries)
            addresses.append(f.address);
        const QByteArray text = writePlainText(addresses);
        QVERIFY(!text.contains('\r'));
        QCOMPARE(text.count('\n'), addresses.size());
        const QList<FoundAddress> lines = readPlainText(QString::fromUtf8(text));
        QCOMPARE(lines.size(), addresses.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i].address, QString(addresses[i]).replace(QLatin1Char('\n'), QLatin1String("%0A")));
    }

    void csvExportKeepsVerdictsAndDisarmsFormulas()
    {
        const QByteArray csv = writeCsv({{"https://a.example/", "@SUM(A1)", "dead", 404, "not found (404)"},
                                         {"https://b.example/", "", "", 0, "line one\r\nline \"two\""}});
        QVERIFY(csv.startsWith("address,title,verdict,status,reason\r\n"));
        const QList<QStringList> records = parseCsv(QString::fromUtf8(csv), QLatin1Char(','));
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[1], (QStringList{"https://a.example/", "'@SUM(A1)", "dead", "404", "not found (404)"}));
        QCOMPARE(records[2], (QStringList{"https://b.example/", "", "", "", "line one\r\nline \"two\""}));
    }

    void readsAHundredThousandBookmarks()
    {
        QByteArray file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                          "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
        const int count = 100000;
        for (int i = 0; i < count; ++i) {
            if (i % 100 == 0)
                file += "<DT><H3 ADD_DATE=\"1700000000\">Folder " + QByteArray::number(i / 100) + "</H3>\n<DL><p>\n";
            file += "    <DT><A HREF=\"https://site" + QByteArray::number(i % 977) + ".example/page/" + QByteArray::number(i)
                + "?a=1&amp;b=2\" ADD_DATE=\"1700000000\" ICON=\"data:image/png;base64,iVBORw0KGgo=\">Seite "
                + QByteArray::number(i) + " \xc3\xbc&amp;\xe2\x80\x94</A>\n";
            if (i % 100 == 99)
                file += "</DL><p>\n";
        }
        file += "</DL><p>\n";
        const ReadResult result = read(file);
        QCOMPARE(result.format, Format::NetscapeBookmarks);
        QCOMPARE(result.addresses.size(), count);
        QCOMPARE(result.addresses.first(), (FoundAddress{"https://site0.example/page/0?a=1&b=2", QStringLiteral("Seite 0 ü&—")}));
        QCOMPARE(result.addresses.last().address, QStringLiteral("https://site%1.example/page/%2?a=1&b=2").arg((count - 1) % 977).arg(count - 1));
        const ImportSummary summary = summarizeImport(result.addresses, {QStringLiteral("https://site0.example/page/0?a=1&b=2")});
        QCOMPARE(summary, (ImportSummary{count, 1, 0}));
    }

    void tellsProgressAndStopsWhenAsked_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Format>("format");
        QByteArray bookmarks = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        QByteArray text, table = "title,url\r\n", plain, opml = "<?xml version=\"1.0\"?>\n<opml version=\"2.0\"><body>\n";
        for (int i = 0; i < 20000; ++i) {
            const QByteArray address = "https://site" + QByteArray::number(i) + ".example/";
            bookmarks += "<DT><A HREF=\"" + address + "\">Site " + QByteArray::number(i) + "</A>\n";
            text += "See " + address + " for more.\n";
            table += "Site " + QByteArray::number(i) + "," + address + "\r\n";
            plain += address + "\n";
            opml += "<outline text=\"Site\" xmlUrl=\"" + address + "feed\"/>\n";
        }
        opml += "</body></opml>\n";
        QTest::newRow("bookmarks") << bookmarks << Format::NetscapeBookmarks;
        QTest::newRow("notes") << text << Format::TextWithAddresses;
        QTest::newRow("csv") << table << Format::Csv;
        QTest::newRow("plain") << plain << Format::PlainText;
        QTest::newRow("opml") << opml << Format::Opml;
    }
    void tellsProgressAndStopsWhenAsked()
    {
        QFETCH(QByteArray, file);
        QFETCH(Format, format);
        QList<qint64> seen;
        qint64 total = -1;
        const ReadResult whole = read(file, [&](qint64 done, qint64 all) {
            seen.append(done);
            total = all;
            return true;
        });
        QCOMPARE(whole.format, format);
        QCOMPARE(whole.addresses.size(), 20000);
        QVERIFY(!whole.cancelled);
        QVERIFY2(seen.size() >= 10, qPrintable(QString::number(seen.size())));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(seen.last(), total);

        // Stopped at a quarter: the read ends there, says so, and gives what it had.
        int calls = 0;
        const ReadResult stopped = read(file, [&](qint64 done, qint64 all) {
            ++calls;
            return done * 4 < all;
        });
        QVERIFY(stopped.cancelled);
        QVERIFY2(stopped.addresses.size() < 20000, qPrintable(QString::number(stopped.addresses.size())));
        QVERIFY(calls < seen.size());
    }

    void noFileCutShortBreaksTheReaders_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("firefox") << sample("firefox-bookmarks.html");
        QTest::newRow("opml") << sample("feed-reader.opml");
        QTest::newRow("csv") << bytes("\xEF\xBB\xBFName,URL\r\n\"A, b\",https://a.example/\r\n\"open quote,https://b.example/\r\n");
        QTest::newRow("text") << bytes("[x](https://a.example/(b)) &#x; &#99999999; &;");
    }
    void noFileCutShortBreaksTheReaders()
    {
        QFETCH(QByteArray, file);
        const qsizetype whole = read(file).addresses.size();
        for (qsizetype length = 0; length <= file.size(); ++length) {
            const ReadResult part = read(file.left(length));
            QVERIFY2(part.addresses.size() <= whole + 1, qPrintable(QString::number(length)));
        }
    }

    void comparesAddressesAsTheCheckerDoes_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("fragment aside") << "https://a.example/x#top" << "https://a.example/x" << true;
        QTest::newRow("host and scheme case") << "HTTPS://A.Example/x" << "https://a.example/x" << true;
        QTest::newRow("empty path") << "https://a.example" << "https://a.example/" << true;
        QTest::newRow("default port") << "http://a.example:80/" << "http://a.example/" << true;
        QTest::newRow("other port") << "http://a.example:8080/" << "http://a.example/" << false;
        QTest::newRow("path case counts") << "https://a.example/X" << "https://a.example/x" << false;
        QTest::newRow("query counts") << "https://a.example/?a" << "https://a.example/?b" << false;
        QTest::newRow("blanks around") << "  example.com " << "example.com" << true;
    }
    void comparesAddressesAsTheCheckerDoes()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(comparisonKey(a) == comparisonKey(b), same);
    }

    void summarizesAnImport_data()
    {
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<ImportSummary>("summary");
        QTest::addColumn<QString>("text");
        QStringList found;
        QStringList list{"https://other.example/"};
        for (int i = 0; i < 260; ++i)
            found.append(QStringLiteral("https://new.example/%1").arg(i));
        for (int i = 0; i < 40; ++i) {
            found.append(QStringLiteral("https://old.example/%1#section").arg(i));
            list.append(QStringLiteral("https://old.example/%1").arg(i));
        }
        for (int i = 0; i < 12; ++i)
            found.append(QStringLiteral("https://NEW.example/%1").arg(i * 3));
        QTest::newRow("the usual") << found << list << ImportSummary{312, 40, 12} << "312 addresses found, 40 already in the list, 12 repeats";
        QTest::newRow("one, new") << QStringList{"https://a.example/"} << QStringList{} << ImportSummary{1, 0, 0} << "1 address found";
        QTest::newRow("a repeat of an address in the list")
            << QStringList{"https://a.example/", "https://a.example/#x", "https://b.example/"} << QStringList{"https://a.example"}
            << ImportSummary{3, 1, 1} << "3 addresses found, 1 already in the list, 1 repeat";
        QStringList many;
        for (int i = 0; i < 1201; ++i)
            many.append(QStringLiteral("https://m.example/%1").arg(i % 751));
        QTest::newRow("thousands") << many << QStringList{} << ImportSummary{1201, 0, 450} << "1,201 addresses found, 450 repeats";
        QTest::newRow("nothing") << QStringList{} << QStringList{"https://a.example/"} << ImportSummary{} << "No addresses found";
    }
    void summarizesAnImport()
    {
        QFETCH(QStringList, found);
        QFETCH(QStringList, list);
        QFETCH(ImportSummary, summary);
        QFETCH(QString, text);
        Found addresses;
        for (const QString &f : found)
            addresses.append({f, {}});
        const ImportSummary got = summarizeImport(addresses, list);
        QCOMPARE(got, summary);
        QCOMPARE(summaryText(got), text);
    }
};

QTEST_APPLESS_MAIN(TestListFormats)
#include "tst_listformats.moc"
