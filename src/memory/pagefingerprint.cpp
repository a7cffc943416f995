#include "memory/pagefingerprint.h"

#include <array>
#include <bit>

namespace {

bool standsAlone(QChar::Script script)
{
    return script == QChar::Script_Han || script == QChar::Script_Hiragana || script == QChar::Script_Katakana;
}

// FNV-1a over the UTF-16 code units, then a strong mix, so that similar shingles spread over all
// bits. Written out here rather than taken from qHash(), whose results may change between Qt
// versions and machines: fingerprints are kept in the page memory for years.
quint64 featureHash(QStringView feature)
{
    quint64 h = 0xcbf29ce484222325ULL;
    for (const QChar c : feature) {
        h ^= c.unicode() & 0xff;
        h *= 0x100000001b3ULL;
        h ^= c.unicode() >> 8;
        h *= 0x100000001b3ULL;
    }
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    h ^= h >> 31;
    return h;
}

void addShingles(const QStringList &words, const QString &prefix, int weight, std::array<int, 64> &votes)
{
    constexpr int width = 3;
    const qsizetype count = words.size() < width ? words.size() : words.size() - width + 1;
    const qsizetype span = words.size() < width ? 1 : width;
    QString feature;
    for (qsizetype i = 0; i < count; ++i) {
        feature = prefix;
        for (qsizetype k = 0; k < span; ++k) {
            if (k)
                feature += QLatin1Char(' ');
            feature += words.at(i + k);
        }
        const quint64 h = featureHash(feature);
        for (int bit = 0; bit < 64; ++bit)
            votes[bit] += (h >> bit) & 1 ? weight : -weight;
    }
}

} // namespace

QStringList fingerprintWords(QStringView text)
{
    QStringList words;
    QString word;
    bool inDigits = false;
    auto finish = [&] {
        if (!word.isEmpty())
            words.append(word.replace(QChar(0x00df), QLatin1String("ss")));
        word.clear();
        inDigits = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(text.at(i), text.at(++i));
        if (QChar::isDigit(code)) {
            if (!inDigits)
                word += QLatin1Char('#');
            inDigits = true;
        } else if (QChar::isLetterOrNumber(code) || QChar::category(code) == QChar::Mark_NonSpacing) {
            if (standsAlone(QChar::script(code))) {
                finish();
                words.append(QString::fromUcs4(&code, 1));
                continue;
            }
            word += QString::fromUcs4(&code, 1).toCaseFolded();
            inDigits = false;
        } else if (code == U'\'' || code == U'\u2019' || code == U'\u00ad') {
            // "can't" and "can’t" are one word; a soft hyphen is no break.
        } else {
            finish();
        }
    }
    finish();
    return words;
}

quint64 pageFingerprint(const QString &title, const QString &text)
{
    const QStringList titleWords = fingerprintWords(title);
    const QStringList textWords = fingerprintWords(text);
    if (titleWords.isEmpty() && textWords.isEmpty())
        return 0;
    std::array<int, 64> votes{};
    addShingles(titleWords, QStringLiteral("\x1ft "), 2, votes);
    addShingles(textWords, QString(), 1, votes);
    quint64 bits = 0;
    for (int bit = 0; bit < 64; ++bit) {
        if (votes[bit] > 0)
            bits |= quint64(1) << bit;
    }
    // 0 means "no fingerprint"; a page whose bits all came out 0 still has one.
    return bits ? bits : 1;
}

int fingerprintDistance(quint64 a, quint64 b)
{
    return std::popcount(a ^ b);
}

bool fingerprintsAlike(quint64 a, quint64 b)
{
    return a && b && fingerprintDistance(a, b) <= alikeDistance;
}
