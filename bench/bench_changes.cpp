// What changed since the last look: the hidden-answer set (eight kinds of real page over five looks,
// twenty variants each: the true changes found, and the unchanged looks called changed), the bytes a
// look's text takes in the page memory, and the What Changed window for a text of 1 MB: from asking
// to the comparison on the screen, and the longest time the user-interface thread did not turn its
// event loop meanwhile. Offscreen. Usage: bench_changes [VARIANTS] [RUNS]
#include "browser/whatchangedwindow.h"
#include "changes/changearchive.h"
#include "changes/changestore.h"
#include "fakes/changingpages.h"

#include <QApplication>
#include <QLabel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

template <class T> T median(QList<T> values)
{
    if (values.isEmpty())
        return T{};
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString pageOfAMegabyte(int edit)
{
    QString text;
    int line = 0;
    while (text.size() < 1024 * 1024) {
        // Every hundredth line differs in the edited text, other lines at each look: a long page
        // with many small changes.
        if (edit && line % 100 == 7 + edit)
            text += QStringLiteral("Paragraph %1 was edited in look %2 and now says something else.\n").arg(line).arg(edit);
        else
            text += QStringLiteral("Paragraph %1 of a long reference page, as long as the others here.\n").arg(line);
        ++line;
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int variants = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir dir;

    // The hidden-answer set.
    ChangeArchive archive;
    if (!archive.open(dir.filePath(QStringLiteral("answers.sqlite")))) {
        std::fprintf(stderr, "cannot open the memory: %s\n", qPrintable(archive.problem()));
        return 1;
    }
    struct Tally {
        int changes = 0, found = 0, unchanged = 0, falseChanges = 0;
    };
    QHash<QString, Tally> byKind;
    QStringList kinds;
    Tally firstLooks, laterLooks;
    QList<qint64> storedPerLook;
    for (int v = 0; v < variants; ++v) {
        for (const ChangingPage &page : changingPages(v)) {
            if (!kinds.contains(page.kind))
                kinds.append(page.kind);
            for (int i = 0; i < page.texts.size(); ++i) {
                archive.recordLook(page.otherAddress, LookRecord::Kind::Check, page.otherTexts[i], page.times[i].addSecs(-30));
                const LookRecorded look = archive.recordLook(page.address, LookRecord::Kind::Check, page.texts[i], page.times[i]);
                if (look.storedBytes > 0)
                    storedPerLook.append(look.storedBytes);
                if (i == 0)
                    continue;
                const bool called = archive.changedSinceLastLook(page.address).changed();
                for (Tally *t : {&byKind[page.kind], i == 1 ? &firstLooks : &laterLooks}) {
                    if (page.changed[i]) {
                        ++t->changes;
                        t->found += called;
                    } else {
                        ++t->unchanged;
                        t->falseChanges += called;
                    }
                }
            }
        }
    }
    std::printf("| page kind | true changes | found | unchanged looks | called changed |\n|---|---:|---:|---:|---:|\n");
    Tally all;
    for (const QString &kind : std::as_const(kinds)) {
        const Tally &t = byKind[kind];
        std::printf("| %s | %d | %d | %d | %d |\n", qPrintable(kind), t.changes, t.found, t.unchanged, t.falseChanges);
        all.changes += t.changes;
        all.found += t.found;
        all.unchanged += t.unchanged;
        all.falseChanges += t.falseChanges;
    }
    std::printf("| all kinds | %d | %d | %d | %d |\n", all.changes, all.found, all.unchanged, all.falseChanges);
    std::printf("| first comparison of a page (nothing learned yet) | %d | %d | %d | %d |\n", firstLooks.changes, firstLooks.found,
                firstLooks.unchanged, firstLooks.falseChanges);
    std::printf("| later comparisons | %d | %d | %d | %d |\n", laterLooks.changes, laterLooks.found, laterLooks.unchanged,
                laterLooks.falseChanges);
    std::printf("\ntext kept per look: median %lld bytes after compression (%lld looks that kept a new text)\n",
                static_cast<long long>(median(storedPerLook)), static_cast<long long>(storedPerLook.size()));

    // The What Changed window over a text of 1 MB.
    ChangeStore store;
    QEventLoop wait;
    QObject::connect(&store, &ChangeStore::opened, &wait, &QEventLoop::quit);
    store.open(dir.filePath(QStringLiteral("big.sqlite")));
    wait.exec();
    const QString entry = QStringLiteral("https://docs.example.org/reference/all-in-one.html");
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-2);
    store.recordLook(entry, LookRecord::Kind::Person, pageOfAMegabyte(0), start);
    WhatChangedWindow window;
    window.show();
    QList<double> toShown, stalls;
    for (int r = 0; r < runs; ++r) {
        // A new look each run, so that no comparison is read from what the last one left.
        QObject::connect(&store, &ChangeStore::changeAnswered, &wait, &QEventLoop::quit, Qt::SingleShotConnection);
        store.recordLook(entry, LookRecord::Kind::Check, pageOfAMegabyte(r + 1), start.addSecs(3600 * (r + 1)));
        wait.exec();
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, &wait, [&] {
            longest = std::max(longest, sinceTick.elapsed());
            sinceTick.restart();
        });
        QObject::connect(&store, &ChangeStore::compared, &wait, [&](const ChangeAnswer &answer) {
            window.showComparison(answer);
            // On the screen: the event loop has drawn the window once more.
            QTimer::singleShot(0, &wait, &QEventLoop::quit);
        }, Qt::SingleShotConnection);
        window.load(entry);
        ticker.start();
        sinceTick.start();
        clock.start();
        store.compare(entry, 0);
        wait.exec();
        longest = std::max(longest, sinceTick.elapsed());
        ticker.stop();
        toShown.append(double(clock.nsecsElapsed()) / 1e6);
        stalls.append(double(std::max<qint64>(0, longest - 5)));
    }
    std::printf("\n| What Changed, 1 MB text (%d runs) | median | worst |\n|---|---:|---:|\n", runs);
    std::printf("| asked to comparison on the screen | %.1f ms | %.1f ms |\n", median(toShown), *std::max_element(toShown.cbegin(), toShown.cend()));
    std::printf("| longest GUI-thread stall meanwhile | %.1f ms | %.1f ms |\n", median(stalls), *std::max_element(stalls.cbegin(), stalls.cend()));
    std::printf("%s\n", qPrintable(window.m_summaryLabel->text()));
    return 0;
}
