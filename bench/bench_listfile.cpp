// Times the list operations at several list sizes beside the floor: a plain read of the same bytes.
#include "store/urllistfile.h"
#include "ui/listbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.append(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("url.dat"));
    const QString out = dir.filePath(QStringLiteral("out.dat"));
    QTextStream cout(stdout);
    cout << "| entries | file size | floor: read bytes | floor: read lines | load + fill list box | vs. lines | editText | writeBack |\n";
    cout << "|---:|---:|---:|---:|---:|---:|---:|---:|\n";

    ListBox box;
    box.resize(929, 134);
    box.show();

    for (const int n : {1000, 32767, 1000000}) {
        QByteArray bytes;
        for (int i = 0; i < n; ++i)
            bytes += "https://www.example" + QByteArray::number(i % 97) + ".org/articles/" + QByteArray::number(i) + "\r\n";
        {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
        }
        const int runs = n >= 1000000 ? 3 : 9;
        const double floor = medianMs(runs, [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            volatile qsizetype size = f.readAll().size();
            (void)size;
        });
        const double lines = medianMs(runs, [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            QTextStream in(&f);
            QStringList all;
            QString line;
            while (in.readLineInto(&line))
                all.append(line);
        });
        const double load = medianMs(runs, [&] {
            box.clear();
            box.addEntries(UrlListFile::load(path));
            QCoreApplication::processEvents(); // the box lays out and paints what shows
        });
        const QStringList entries = UrlListFile::load(path);
        const double edit = medianMs(runs, [&] { volatile auto t = UrlListFile::editText(path); (void)t; });
        const double write = medianMs(runs, [&] { UrlListFile::writeBack(out, entries); });
        cout << "| " << n << " | " << QString::number(bytes.size() / 1024.0, 'f', 0) << " KiB | "
             << QString::number(floor, 'f', 2) << " ms | " << QString::number(lines, 'f', 2) << " ms | "
             << QString::number(load, 'f', 2) << " ms | " << QString::number(load / lines, 'f', 1) << "x | " << QString::number(edit, 'f', 2) << " ms | "
             << QString::number(write, 'f', 2) << " ms |\n";
        cout.flush();
    }
    return 0;
}
