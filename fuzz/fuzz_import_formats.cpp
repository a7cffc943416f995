// Reads arbitrary bytes as another program's list file (bookmarks, OPML, CSV, plain text, notes):
// nothing crashes, every address found is something, the progress only grows, and a read stopped at
// once says so. With libFuzzer's time-out, an input that makes a reader slower than linear is found
// too.
#include "listformats/listformats.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qint64 last = -1;
    qint64 lastTotal = -1;
    const ListFormats::ReadResult result = ListFormats::read(bytes, [&](qint64 done, qint64 total) {
        if (done < last || done > total || (lastTotal >= 0 && total != lastTotal))
            std::abort(); // progress never goes back, never passes its total, keeps its total
        last = done;
        lastTotal = total;
        return true;
    });
    if (result.cancelled || (lastTotal >= 0 && last != lastTotal))
        std::abort(); // a read nobody stopped ends at its total
    for (const ListFormats::FoundAddress &found : result.addresses)
        if (found.address.trimmed().isEmpty())
            std::abort(); // an address is always something

    // Asked to stop at the first word: a read that had not ended says so and has found no more than
    // the whole read; one that had ended (the first word came with the end) is the whole read.
    const ListFormats::ReadResult stopped = ListFormats::read(bytes, [](qint64, qint64) { return false; });
    if (stopped.cancelled ? stopped.addresses.size() > result.addresses.size() : stopped.addresses != result.addresses)
        std::abort();
    return 0;
}
