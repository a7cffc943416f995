// Times reading other programs' list files (a 100,000-bookmark export, 10 MB of notes with links, a
// CSV) beside the floor of reading the same file's lines, with the peak memory each adds; then the
// hostile shapes, each at two sizes ten times apart, so that a reader that is not linear in its input
// shows as a time that grows a hundredfold; and the longest stretch between two progress calls, which
// is how long a Cancel may wait.
#include "listformats/listformats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

/// The process's peak resident memory in KiB (VmHWM).
qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

/// Sets the peak back to what is resident now, so that the next step's peak is its own.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Measure {
    double ms = 0;
    qint64 peakGrowthKiB = 0;
    qsizetype count = 0;
};

/// The median time of @p runs runs, and the largest peak growth over them.
Measure measure(int runs, const std::function<qsizetype()> &work)
{
    QList<double> times;
    Measure m;
    for (int i = 0; i < runs; ++i) {
        resetPeak();
        const qint64 before = peakKiB();
        QElapsedTimer t;
        t.start();
        m.count = work();
        times.append(double(t.nsecsElapsed()) / 1e6);
        m.peakGrowthKiB = std::max(m.peakGrowthKiB, peakKiB() - before);
    }
    std::sort(times.begin(), times.end());
    m.ms = times[times.size() / 2];
    return m;
}

QByteArray bookmarks(int count)
{
    QByteArray file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                      "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0)
            file += "    <DT><H3 ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\">Folder " + QByteArray::number(i / 100) + "</H3>\n    <DL><p>\n";
        file += "        <DT><A HREF=\"https://www.site" + QByteArray::number(i % 977) + ".example/articles/" + QByteArray::number(i)
            + "?ref=bookmarks&amp;lang=en\" ADD_DATE=\"1700000000\" LAST_MODIFIED=\"1700000000\" "
              "ICON=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAAAXNSR0IArs4c6QAAAARnQU1BAACxjwv8YQUAAAAJcEhZcwAADsMAAA7DAcdvqGQAAAA=\">"
              "Article "
            + QByteArray::number(i) + " \xe2\x80\x94 a page &amp; its title</A>\n";
        if (i % 100 == 99)
            file += "    </DL><p>\n";
    }
    file += "</DL><p>\n";
    return file;
}

QByteArray notes(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 200);
    for (int i = 0; text.size() < size; ++i) {
        text += "Meeting notes, item " + QByteArray::number(i) + ": see https://wiki.example/page/" + QByteArray::number(i)
            + " (and [the draft](https://docs.example/d/" + QByteArray::number(i % 5000)
            + ")). Nothing else to add here; the rest of the line is ordinary prose that a person wrote.\n";
    }
    return text;
}

/// Bookmarks as hand-written or old exporters write them: no </A>, or <LI> in a <UL> for <DT>.
QByteArray bookmarksWithoutEndTags(int count, bool listItems)
{
    QByteArray file = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n";
    file += listItems ? "<UL>\n" : "<DL><p>\n";
    for (int i = 0; i < count; ++i)
        file += QByteArray(listItems ? "    <LI>" : "    <DT>") + "<A HREF=\"https://www.site" + QByteArray::number(i % 977)
            + ".example/articles/" + QByteArray::number(i) + "\" ADD_DATE=\"1700000000\">Article " + QByteArray::number(i)
            + (listItems ? " &amp; its title</A>\n" : " &amp; its title\n");
    file += listItems ? "</UL>\n" : "</DL><p>\n";
    return file;
}

/// A page's selection as a browser offers it in a drag: paragraphs of prose with links, none closed.
QByteArray pageSelection(int links)
{
    QByteArray html = "<meta charset=\"utf-8\"><html><body>";
    for (int i = 0; i < links; ++i)
        html += "<span>Some words & more words about item " + QByteArray::number(i) + ", then <a href=\"https://news.example/item/"
            + QByteArray::number(i) + "\">the link " + QByteArray::number(i) + " ";
    html += "</body></html>";
    return html;
}

QByteArray linkThenBrackets(int brackets)
{
    return "See https://a.example/page" + QByteArray(brackets, ')') + "\n";
}

QByteArray markdownWithoutOpeners(int lines)
{
    QByteArray text;
    for (int i = 0; i < lines; ++i)
        text += "x](http://a" + QByteArray::number(i) + ".example/)\n";
    return text;
}

QByteArray csvWithUnquotedCommas(int count)
{
    QByteArray text = "url,title\r\n";
    for (int i = 0; i < count; ++i)
        text += "https://www.site" + QByteArray::number(i % 977) + ".example/" + QByteArray::number(i) + ",Acme " + QByteArray::number(i)
            + (i % 2 ? ", Inc.\r\n" : "\r\n");
    return text;
}

QByteArray csvWithAnOpenQuote(int count)
{
    QByteArray text = "url,title\r\nhttps://first.example/,First\r\nhttps://second.example/,\"Second, never closed\r\n";
    for (int i = 0; i < count; ++i)
        text += "https://www.site" + QByteArray::number(i % 977) + ".example/" + QByteArray::number(i) + ",Site " + QByteArray::number(i)
            + "\r\n";
    return text;
}

QByteArray csvOfOpenQuotes(int count)
{
    QByteArray text = "url,title\r\n";
    for (int i = 0; i < count; ++i)
        text += "https://www.site" + QByteArray::number(i % 977) + ".example/" + QByteArray::number(i) + ",\"Site \"\"" + QByteArray::number(i)
            + "\r\n";
    return text;
}

QByteArray ampersandsWithoutSemicolons(int count)
{
    return "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><DT><A HREF=\"https://a.example/\">" + QByteArray(count, '&') + "</A></DL>\n";
}

QByteArray opmlAfterAComment(qsizetype commentSize)
{
    return "<?xml version=\"1.0\"?>\n<!-- " + QByteArray(commentSize, 'x') + " -->\n<opml version=\"2.0\"><body>"
           "<outline text=\"Site\" xmlUrl=\"https://s.example/feed\" htmlUrl=\"https://s.example/\"/></body></opml>\n";
}

QByteArray csv(int count)
{
    QByteArray text = "\xEF\xBB\xBFName,URL,Notes\r\n";
    for (int i = 0; i < count; ++i)
        text += "\"Site " + QByteArray::number(i) + ", main page\",https://www.site" + QByteArray::number(i % 977) + ".example/"
            + QByteArray::number(i) + ",\"checked \"\"ok\"\"\"\r\n";
    return text;
}


/// The longest time between two calls of the progress function in one read, and between the start
/// and the first and the last and the end: how long a Cancel may wait.
double longestSilenceMs(const std::function<ListFormats::ReadResult(const ListFormats::Progress &)> &read)
{
    QElapsedTimer t;
    t.start();
    qint64 last = 0;
    qint64 longest = 0;
    read([&](qint64, qint64) {
        const qint64 now = t.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        return true;
    });
    longest = std::max(longest, t.nsecsElapsed() - last);
    return double(longest) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QTextStream cout(stdout);
    cout << "| file | size | addresses | floor: read lines | read | vs. lines | peak memory: lines | peak memory: read |\n";
    cout << "|---|---:|---:|---:|---:|---:|---:|---:|\n";
    const struct {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"bookmarks export, 100,000 bookmarks", bookmarks(100000)},
        {"notes with links, 10 MB", notes(10 * 1024 * 1024)},
        {"CSV, 100,000 rows", csv(100000)},
    };
    for (const auto &f : files) {
        const QString path = dir.filePath(QString::fromLatin1(f.name).left(5));
        {
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(f.bytes) != f.bytes.size())
                return 1;
        }
        const qsizetype size = f.bytes.size();
        const Measure floor = measure(5, [&] {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            QTextStream stream(&in);
            QStringList lines;
            QString line;
            while (stream.readLineInto(&line))
                lines.append(line);
            return lines.size();
        });
        const Measure reading = measure(5, [&] {
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            return ListFormats::read(in.readAll()).addresses.size();
        });
        cout << "| " << f.name << " | " << QString::number(double(size) / (1024 * 1024), 'f', 1) << " MiB | " << reading.count
             << " | " << QString::number(floor.ms, 'f', 1) << " ms | " << QString::number(reading.ms, 'f', 1) << " ms | "
             << QString::number(reading.ms / floor.ms, 'f', 1) << "x | " << QString::number(double(floor.peakGrowthKiB) / 1024, 'f', 1)
             << " MiB | " << QString::number(double(reading.peakGrowthKiB) / 1024, 'f', 1) << " MiB |\n";
        cout.flush();
    }

    // Hostile shapes, each at a size and at ten times that size: linear readers take ten times as long.
    cout << "\n| hostile shape | size | addresses | read | x10 size | addresses | read | growth | longest between progress calls (x10) |\n";
    cout << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    using Make = std::function<QByteArray(int)>;
    // A page's selection goes through the bookmarks reader as a drag does, the others through read().
    const auto readSelection = [](const QByteArray &html, const ListFormats::Progress &) {
        ListFormats::ReadResult result;
        result.addresses = ListFormats::readNetscapeBookmarks(ListFormats::decodeText(html));
        return result;
    };
    const auto readFile = [](const QByteArray &bytes, const ListFormats::Progress &progress) { return ListFormats::read(bytes, progress); };
    const struct {
        const char *name;
        int size;
        Make make;
        std::function<ListFormats::ReadResult(const QByteArray &, const ListFormats::Progress &)> read;
        bool tellsProgress = true;
    } shapes[] = {
        {"bookmarks without </A>", 10000, [](int n) { return bookmarksWithoutEndTags(n, false); }, readFile},
        {"bookmarks with <LI> for <DT>", 10000, [](int n) { return bookmarksWithoutEndTags(n, true); }, readFile},
        {"a page's selection, links not closed", 10000, pageSelection, readSelection, false},
        {"a title of '&' without ';'", 100000, ampersandsWithoutSemicolons, readFile},
        {"a link, then ')' repeated", 200000, linkThenBrackets, readFile},
        {"lines of 'x](http://aN.example/)', no '['", 10000, markdownWithoutOpeners, readFile},
        {"CSV, a comma in every second title", 10000, csvWithUnquotedCommas, readFile},
        {"CSV, a quote never closed in row 2", 10000, csvWithAnOpenQuote, readFile},
        {"CSV, a quote never closed in every row", 10000, csvOfOpenQuotes, readFile},
        {"OPML after a comment (bytes)", 1000000, [](int n) { return opmlAfterAComment(n); }, readFile},
    };
    for (const auto &shape : shapes) {
        const QByteArray small = shape.make(shape.size);
        const QByteArray large = shape.make(shape.size * 10);
        const Measure one = measure(3, [&] { return shape.read(small, {}).addresses.size(); });
        const Measure ten = measure(3, [&] { return shape.read(large, {}).addresses.size(); });
        const double silence = shape.tellsProgress ? longestSilenceMs([&](const ListFormats::Progress &p) { return shape.read(large, p); }) : -1;
        cout << "| " << shape.name << " | " << QString::number(double(small.size()) / 1024, 'f', 0) << " KiB | " << one.count << " | "
             << QString::number(one.ms, 'f', 1) << " ms | " << QString::number(double(large.size()) / 1024, 'f', 0) << " KiB | "
             << ten.count << " | " << QString::number(ten.ms, 'f', 1) << " ms | " << QString::number(ten.ms / std::max(one.ms, 0.001), 'f', 1)
             << "x | " << (silence < 0 ? QStringLiteral("none: a drag's selection is read whole") : QString::number(silence, 'f', 1) + QStringLiteral(" ms"))
             << " |\n";
        cout.flush();
    }
    return 0;
}
