// Reads arbitrary bytes as the start of a server's answer, the way the checker's head client does.
#include "check/headparser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ParsedHead head = parseResponseHead(bytes);
    switch (head.state) {
    case ParsedHead::State::Complete: {
        if (head.length <= 0 || head.length > bytes.size() || head.length > longestResponseHead + 1)
            std::abort();
        if (head.status < 100 || head.status > 999 || bytes[head.length - 1] != '\n')
            std::abort();
        // The head ends at its own blank line: the head alone, or the head and a body, read the same.
        const ParsedHead alone = parseResponseHead(bytes.first(head.length));
        if (alone.state != ParsedHead::State::Complete || alone.length != head.length || alone.status != head.status
            || alone.headers != head.headers || alone.reason != head.reason)
            std::abort();
        for (const auto &[name, value] : head.headers)
            if (name.isEmpty() || name.contains('\n') || value.contains('\n') || name.contains(':'))
                std::abort();
        break;
    }
    case ParsedHead::State::Invalid:
        if (head.problem.isEmpty())
            std::abort();
        // What cannot begin an answer cannot begin a longer one either.
        if (parseResponseHead(QByteArray(bytes.data(), bytes.size()) + "\r\n\r\n").state != ParsedHead::State::Invalid)
            std::abort();
        break;
    case ParsedHead::State::Incomplete:
        if (bytes.size() > longestResponseHead)
            std::abort();
        break;
    case ParsedHead::State::TooLong:
        if (bytes.size() <= longestResponseHead)
            std::abort();
        break;
    }
    return 0;
}
