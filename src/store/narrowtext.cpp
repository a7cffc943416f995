#include "store/narrowtext.h"

namespace NarrowText {
namespace {

// Length of the valid UTF-8 sequence at p (at most end - p bytes), or 0 when it is not valid:
// overlong forms, surrogates and code points beyond U+10FFFF are not valid.
int validSequence(const unsigned char *p, const unsigned char *end)
{
    const unsigned char b0 = p[0];
    if (b0 < 0x80)
        return 1;
    auto cont = [&](int i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF)
        return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if (b0 == 0xE0 && p[1] < 0xA0)
            return 0; // overlong
        if (b0 == 0xED && p[1] >= 0xA0)
            return 0; // surrogate
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if (b0 == 0xF0 && p[1] < 0x90)
            return 0; // overlong
        if (b0 == 0xF4 && p[1] >= 0x90)
            return 0; // beyond U+10FFFF
        return 4;
    }
    return 0;
}

// QString::fromUtf8 drops a byte-order mark at the start of its input; the list keeps every byte.
QString fromValidUtf8(const unsigned char *begin, const unsigned char *end)
{
    if (end - begin < 3 || begin[0] != 0xEF || begin[1] != 0xBB || begin[2] != 0xBF)
        return QString::fromUtf8(QByteArrayView(begin, end - begin));
    QString marks;
    while (end - begin >= 3 && begin[0] == 0xEF && begin[1] == 0xBB && begin[2] == 0xBF) {
        marks += QChar(char16_t(0xFEFF));
        begin += 3;
    }
    return marks + QString::fromUtf8(QByteArrayView(begin, end - begin));
}

} // namespace

QString decode(QByteArrayView bytes)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = begin + bytes.size();
    const auto *p = begin;
    // Addresses are mostly plain ASCII, which needs no checking at all.
    while (p < end && *p < 0x80)
        ++p;
    if (p == end)
        return QString::fromLatin1(bytes);
    // Most lists are plain valid UTF-8: check first, then let Qt's fast decoder do the work.
    while (p < end) {
        const int n = validSequence(p, end);
        if (n == 0)
            break;
        p += n;
    }
    if (p == end)
        return fromValidUtf8(begin, end);

    QString out = fromValidUtf8(begin, p);
    out.reserve(bytes.size());
    const auto *runStart = p;
    while (p < end) {
        const int n = validSequence(p, end);
        if (n > 0) {
            p += n;
            continue;
        }
        out += fromValidUtf8(runStart, p);
        out += QChar(char16_t(0xDC00 + *p)); // *p >= 0x80 here
        ++p;
        runStart = p;
    }
    out += fromValidUtf8(runStart, p);
    return out;
}

void encodeInto(QStringView text, QByteArray &out)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    qsizetype i = 0;
    while (i < n) {
        // Copy a run of plain ASCII at once.
        qsizetype j = i;
        while (j < n && s[j] < 0x80)
            ++j;
        if (j > i) {
            const qsizetype old = out.size();
            out.resize(old + (j - i));
            char *dst = out.data() + old;
            for (qsizetype k = i; k < j; ++k)
                *dst++ = char(s[k]);
            i = j;
            if (i == n)
                break;
        }
        const char16_t c = s[i];
        if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00); // a byte kept from decode()
            ++i;
            continue;
        }
        char32_t cp = c;
        qsizetype used = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            cp = QChar::surrogateToUcs4(c, s[i + 1]);
            used = 2;
        } else if (QChar::isSurrogate(c)) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
        i += used;
    }
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    encodeInto(text, out);
    return out;
}

} // namespace NarrowText
