// Holds the data-folder lock of FOLDER until it is killed, so that a test can see what a crash leaves;
// or, with --start, starts as the program does (another user's start, under setpriv) and says how.
// Usage: folderlocker FOLDER          prints "locked" once it holds the lock, "busy" when another holds it
//        folderlocker --start FOLDER  prints "first", "forwarded", "no answer" or "refused: <why>", and ends
#include "app/singleinstance.h"
#include "store/datafolderlock.h"

#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--start") {
        QCoreApplication app(argc, argv);
        SingleInstance instance(QString::fromLocal8Bit(argv[2]));
        switch (instance.start(3000)) {
        case SingleInstance::Start::First:
            std::printf("first\n");
            break;
        case SingleInstance::Start::Forwarded:
            std::printf("forwarded\n");
            break;
        case SingleInstance::Start::NoAnswer:
            std::printf("no answer\n");
            break;
        case SingleInstance::Start::Refused:
            std::printf("refused: %s\n", instance.refusal().toLocal8Bit().constData());
            break;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: folderlocker [--start] FOLDER\n");
        return 2;
    }
    DataFolderLock lock(QString::fromLocal8Bit(argv[1]));
    if (!lock.tryLock()) {
        std::printf("busy\n");
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
