// Times reading other programs' list files (a 100,000-bookmark export, 10 MB of notes with links, a
// CSV) beside the floor of reading the same file's lines, with the peak memory each adds.
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

QByteArray csv(int count)
{
    QByteArray text = "\xEF\xBB\xBFName,URL,Notes\r\n";
    for (int i = 0; i < count; ++i)
        text += "\"Site " + QByteArray::number(i) + ", main page\",https://www.site" + QByteArray::number(i % 977) + ".example/"
            + QByteArray::number(i) + ",\"checked \"\"ok\"\"\"\r\n";
    return text;
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
    return 0;
}
