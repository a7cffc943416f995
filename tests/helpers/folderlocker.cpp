// Holds the data-folder lock of FOLDER until it is killed, so that a test can see what a crash leaves.
// Usage: folderlocker FOLDER   (prints "locked" once it holds the lock, "busy" when another holds it)
#include "store/datafolderlock.h"

#include <QString>
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: folderlocker FOLDER\n");
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
