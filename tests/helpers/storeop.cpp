// Runs one operation of the list store in a process of its own, so that a test can run it under
// faults (tests/helpers/preload/faultshim.cpp) or with a time limit (a list file that never ends).
// Usage: storeop load FILE | edittext FILE | readbytes FILE | copy SOURCE DESTINATION
//        | writeback FILE ENTRY... | empty FILE
// Prints "ok" or "failed: REASON" on the first line, then what was read: "entries N" and the
// entries one per line, or "bytes N".
#include "store/urllistfile.h"

#include <QString>
#include <QStringList>
#include <cstdio>

namespace {

int report(const SaveResult &result)
{
    if (result)
        std::puts("ok");
    else
        std::printf("failed: %s\n", qPrintable(result.reason));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: storeop OPERATION FILE...\n");
        return 2;
    }
    const QString op = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (op == QLatin1String("load")) {
        QString unreadable;
        const QStringList entries = UrlListFile::load(path, &unreadable);
        if (unreadable.isEmpty())
            std::puts("ok");
        else
            std::printf("failed: %s\n", qPrintable(unreadable));
        std::printf("entries %lld\n", static_cast<long long>(entries.size()));
        return 0;
    }
    if (op == QLatin1String("edittext")) {
        QString error;
        const std::optional<QString> text = UrlListFile::editText(path, &error);
        if (!text) {
            std::printf("failed: %s\n", qPrintable(error));
            return 0;
        }
        std::printf("ok\nbytes %lld\n", static_cast<long long>(text->size()));
        return 0;
    }
    if (op == QLatin1String("readbytes")) {
        QString error;
        const std::optional<QByteArray> bytes = UrlListFile::readBytes(path, &error);
        if (!bytes) {
            std::printf("failed: %s\n", qPrintable(error));
            return 0;
        }
        std::printf("ok\nbytes %lld\n", static_cast<long long>(bytes->size()));
        return 0;
    }
    if (op == QLatin1String("copy") && argc == 4)
        return report(UrlListFile::copyFullList(path, QString::fromLocal8Bit(argv[3])));
    if (op == QLatin1String("writeback")) {
        QStringList entries;
        for (int i = 3; i < argc; ++i)
            entries.append(QString::fromLocal8Bit(argv[i]));
        return report(UrlListFile::writeBack(path, entries));
    }
    if (op == QLatin1String("empty"))
        return report(UrlListFile::empty(path));
    std::fprintf(stderr, "unknown operation %s\n", argv[1]);
    return 2;
}
