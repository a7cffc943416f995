// The filter over a list of 1,000,000 entries as a person types into it: the longest time the event
// loop is held (a stall the person feels), and the time from the last key to the rows shown.
#include "ui/listbox.h"
#include "ui/listfilterbar.h"
#include "ui/shownentriesmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

struct Typing {
    double longestStallMs = 0;
    double lastKeyToShownMs = 0;
    int shown = 0;
};

/// Types @p keys (a backspace is "\b") at one key every @p gapMs, watching the event loop with a
/// zero timer: the longest gap between two of its turns is the longest stall.
Typing type(QApplication &app, ListFilterBar &bar, ListBox &list, const QString &keys, int gapMs)
{
    Typing result;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = clock.nsecsElapsed();
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        result.longestStallMs = std::max(result.longestStallMs, double(now - lastTurn) / 1e6);
        lastTurn = now;
    });
    watch.start();
    qint64 lastKeyAt = 0;
    for (const QChar key : keys) {
        const qint64 until = clock.nsecsElapsed() + qint64(gapMs) * 1000000;
        while (clock.nsecsElapsed() < until)
            app.processEvents(QEventLoop::AllEvents, 5);
        lastKeyAt = clock.nsecsElapsed();
        if (key == QLatin1Char('\b'))
            QTest::keyClick(bar.m_filterBox, Qt::Key_Backspace);
        else
            QTest::keyClick(bar.m_filterBox, key.toLatin1());
    }
    while (list.shownEntries()->busy())
        app.processEvents(QEventLoop::AllEvents, 5);
    result.lastKeyToShownMs = double(clock.nsecsElapsed() - lastKeyAt) / 1e6;
    // One more turn after the rows are shown, so that the view's own work is counted too.
    const qint64 until = clock.nsecsElapsed() + 100 * 1000000LL;
    while (clock.nsecsElapsed() < until)
        app.processEvents(QEventLoop::AllEvents, 5);
    result.shown = list.model()->rowCount();
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream cout(stdout);
    constexpr int n = 1000000;
    QStringList entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i)
        entries << QStringLiteral("https://www.example%1.org/articles/%2").arg(i % 9973).arg(i);

    QWidget window;
    window.resize(960, 180);
    auto *list = new ListBox(&window);
    auto *bar = new ListFilterBar(list, &window);
    bar->place(QRect(8, 8, 929, 22));
    list->setGeometry(8, 32, 929, 112);
    window.show();
    list->addEntries(entries);
    app.processEvents();

    cout << "| typing (one key every 150 ms), 1,000,000 entries | entries shown | longest stall | last key to rows shown |\n";
    cout << "|---|---:|---:|---:|\n";
    const struct {
        const char *what;
        QString keys;
    } runs[] = {
        {"\"example123\" typed", QStringLiteral("example123")},
        {"three backspaces (\"example\")", QStringLiteral("\b\b\b")},
        {"\"4/\" typed (\"example4/\")", QStringLiteral("4/")},
        {"all cleared", QStringLiteral("\b\b\b\b\b\b\b\b\b")},
        {"\"zzz\" typed (nothing matches)", QStringLiteral("zzz")},
    };
    for (const auto &run : runs) {
        const Typing t = type(app, *bar, *list, run.keys, 150);
        cout << "| " << run.what << " | " << QLocale(QLocale::English).toString(t.shown) << " | "
             << QString::number(t.longestStallMs, 'f', 1) << " ms | " << QString::number(t.lastKeyToShownMs, 'f', 1) << " ms |\n";
        cout.flush();
    }
    return 0;
}
