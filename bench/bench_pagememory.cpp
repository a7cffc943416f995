// What the page memory adds to a check: 10,000 finished entries given to the check's results one by
// one (as the Check List window gives them), written in the memory's batches, a first check and a
// second one (which also compares each page with what was seen), and the database's size.
#include "check/checkmemory.h"
#include "check/checkresults.h"
#include "memory/pagefingerprint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

CheckResult resultFor(int i, int round)
{
    CheckResult r;
    r.verdict = i % 10 == 0 ? Verdict::Dead : Verdict::Alive;
    r.status = i % 10 == 0 ? 404 : 200;
    r.reason = i % 10 == 0 ? QStringLiteral("not found (404)") : QStringLiteral("answers 200");
    if (r.verdict == Verdict::Alive) {
        r.title = QStringLiteral("Page %1 of the example site, round %2").arg(i).arg(round);
        r.fingerprint = pageFingerprint(r.title, QStringLiteral("Some words about page %1 and what it holds").arg(i));
        if (i % 3 == 0)
            r.finalAddress = QStringLiteral("https://www.host%1.example/page/%2").arg(i % 500).arg(i);
    }
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    constexpr int entries = 10000;
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/page-memory.sqlite");
    QStringList addresses;
    for (int i = 0; i < entries; ++i)
        addresses << QStringLiteral("https://host%1.example/page/%2").arg(i % 500).arg(i);

    out << "| check of 10,000 entries | results stored, with the memory | without it | extra on the check's path | writing left after the last result (its own thread) | database size |\n";
    out << "|---|---:|---:|---:|---:|---:|\n";
    for (int round = 1; round <= 3; ++round) {
        CheckResults results;
        CheckMemory memory;
        if (!memory.open(path).ok) {
            out << "cannot open the memory\n";
            return 1;
        }
        QObject::connect(&results, &CheckResults::resultSet, &memory,
                         [&memory](const QString &entry, const CheckResult &r) { memory.addCheck(entry, r); });
        QObject::connect(&memory, &CheckMemory::changeFound, &results, &CheckResults::setChange);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < entries; ++i)
            results.set(addresses.at(i), resultFor(i, round));
        const double handed = double(t.nsecsElapsed()) / 1e6;
        QElapsedTimer w;
        w.start();
        memory.flush();
        const double written = double(w.nsecsElapsed()) / 1e6;
        // The baseline: the same results stored without the memory.
        CheckResults plain;
        QElapsedTimer p;
        p.start();
        for (int i = 0; i < entries; ++i)
            plain.set(addresses.at(i), resultFor(i, round));
        const double baseline = double(p.nsecsElapsed()) / 1e6;
        memory.memory().close();
        qint64 bytes = 0;
        for (const QString &suffix : {QString(), QStringLiteral("-wal")})
            bytes += QFileInfo(path + suffix).size();
        out << QStringLiteral("| round %1 | %2 ms | %3 ms | %4 ms | %5 ms | %6 KiB |\n")
                   .arg(round)
                   .arg(handed, 0, 'f', 1)
                   .arg(baseline, 0, 'f', 1)
                   .arg(handed - baseline, 0, 'f', 1)
                   .arg(written, 0, 'f', 1)
                   .arg(bytes / 1024);
    }
    // Diagnostics: the two parts of a write, one after the other.
    {
        CheckMemory memory;
        memory.open(path);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < entries; ++i)
            CheckMemory::changeIn(memory.memory(), addresses.at(i), resultFor(i, 9), QDateTime::currentDateTimeUtc());
        out << QStringLiteral("| (diagnostic) 10,000 comparisons with what was seen | %1 ms | | | | |\n").arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1);
        QList<PageRecord> records;
        for (int i = 0; i < entries; ++i)
            records << CheckMemory::recordOf(addresses.at(i), resultFor(i, 9), QDateTime::currentDateTimeUtc());
        t.restart();
        memory.memory().recordAll(records);
        out << QStringLiteral("| (diagnostic) 10,000 records in one transaction | %1 ms | | | | |\n").arg(double(t.nsecsElapsed()) / 1e6, 0, 'f', 1);
    }
    return 0;
}
