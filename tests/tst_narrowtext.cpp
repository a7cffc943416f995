// The narrow encoding of list files: every byte sequence survives a read and a write unchanged.
#include "store/narrowtext.h"

#include <QRandomGenerator>
#include <QTest>

class tst_NarrowText final : public QObject
{
    Q_OBJECT

private slots:
    void bytesSurviveRoundTrip_data();
    void bytesSurviveRoundTrip();
    void randomBytesSurviveRoundTrip();
    void validTextDecodesAsQtDoes_data();
    void validTextDecodesAsQtDoes();
    void invalidByteBecomesReservedCodePoint_data();
    void invalidByteBecomesReservedCodePoint();
};

void tst_NarrowText::bytesSurviveRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("ascii") << QByteArray("https://example.org/a?b=c");
    QTest::newRow("NUL inside") << QByteArray("a\0b\0", 4);
    QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("byte-order mark first") << QByteArray("\xEF\xBB\xBFhttp://example.org");
    QTest::newRow("byte-order mark after invalid byte") << QByteArray("\xFF\xEF\xBB\xBFx");
    QTest::newRow("latin-1 byte") << QByteArray("caf\xE9");
    QTest::newRow("lone continuation bytes") << QByteArray("\x80\x81\xBF");
    QTest::newRow("every high byte alone") << [] {
        QByteArray b;
        for (int i = 0x80; i <= 0xFF; ++i) {
            b += char(i);
            b += 'x';
        }
        return b;
    }();
    QTest::newRow("overlong slash 2 bytes") << QByteArray("\xC0\xAF");
    QTest::newRow("overlong slash 3 bytes") << QByteArray("\xE0\x80\xAF");
    QTest::newRow("overlong slash 4 bytes") << QByteArray("\xF0\x80\x80\xAF");
    QTest::newRow("overlong NUL") << QByteArray("\xC0\x80");
    QTest::newRow("encoded high surrogate") << QByteArray("\xED\xA0\x80");
    QTest::newRow("encoded low surrogate") << QByteArray("\xED\xB2\x80");
    QTest::newRow("encoded surrogate pair") << QByteArray("\xED\xA0\xBD\xED\xB8\x80");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80");
    QTest::newRow("5-byte form") << QByteArray("\xF8\x88\x80\x80\x80");
    QTest::newRow("truncated 3-byte at end") << QByteArray("ab\xE2\x82");
    QTest::newRow("truncated 4-byte at end") << QByteArray("\xF0\x9F\x98");
    QTest::newRow("truncated sequence then ascii") << QByteArray("\xE2\x82z");
    // U+10080 is D800 DC80 in UTF-16: its low half lies in the range that stands for invalid bytes.
    QTest::newRow("4-byte with low surrogate DC80") << QByteArray("\xF0\x90\x82\x80");
    QTest::newRow("4-byte with low surrogate DCFF") << QByteArray("\xF0\x90\x83\xBF");
    QTest::newRow("4-byte DC80 then invalid byte") << QByteArray("\xF0\x90\x82\x80\x80");
    QTest::newRow("invalid byte then 4-byte DC80") << QByteArray("\x80\xF0\x90\x82\x80");
    QTest::newRow("U+DC80 encoded as 3 bytes") << QByteArray("\xED\xB2\x80\xED\xB3\xBF");
    QTest::newRow("valid mixed") << QByteArray("b\xC3\xA4r \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBF");
    QTest::newRow("U+FFFD itself") << QByteArray("\xEF\xBF\xBD");
    QTest::newRow("valid then invalid then valid") << QByteArray("\xC3\xA4\xFE\xC3\xA4");
}

void tst_NarrowText::bytesSurviveRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(NarrowText::encode(NarrowText::decode(bytes)), bytes);
    QByteArray appended("prefix");
    NarrowText::encodeInto(NarrowText::decode(bytes), appended);
    QCOMPARE(appended, QByteArray("prefix") + bytes);
}

void tst_NarrowText::randomBytesSurviveRoundTrip()
{
    // Short strings drawn mostly from the bytes that build UTF-8 sequences, so that near-valid
    // sequences of every length turn up often.
    static const unsigned char alphabet[] = {0x00, 'a', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                             0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    auto *rng = QRandomGenerator::global();
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes(rng->bounded(1, 12), Qt::Uninitialized);
        for (char &c : bytes)
            c = char(alphabet[rng->bounded(int(sizeof alphabet))]);
        const QByteArray back = NarrowText::encode(NarrowText::decode(bytes));
        if (back != bytes)
            QFAIL(qPrintable(QStringLiteral("%1 came back as %2")
                                 .arg(QString::fromLatin1(bytes.toHex(' ')), QString::fromLatin1(back.toHex(' ')))));
    }
}

void tst_NarrowText::validTextDecodesAsQtDoes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QByteArray("http://example.org/");
    QTest::newRow("two-byte") << QByteArray("Gr\xC3\xBC\xC3\x9F" "e");
    QTest::newRow("three-byte") << QByteArray("\xE2\x82\xAC 5");
    QTest::newRow("four-byte") << QByteArray("\xF0\x9F\x98\x80");
    QTest::newRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF");
    QTest::newRow("U+10080") << QByteArray("\xF0\x90\x82\x80");
    QTest::newRow("NUL") << QByteArray("a\0b", 3);
}

void tst_NarrowText::validTextDecodesAsQtDoes()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(NarrowText::decode(bytes), QString::fromUtf8(bytes));
    QCOMPARE(NarrowText::encode(QString::fromUtf8(bytes)), bytes);
}

void tst_NarrowText::invalidByteBecomesReservedCodePoint_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    // Surrogate code units cannot be written as literals: build them from their numbers.
    auto u = [](std::initializer_list<char16_t> units) { return QString(reinterpret_cast<const QChar *>(units.begin()), qsizetype(units.size())); };
    QTest::newRow("lone FF") << QByteArray("a\xFF" "b") << u({'a', 0xDCFF, 'b'});
    QTest::newRow("latin-1 e acute") << QByteArray("caf\xE9") << u({'c', 'a', 'f', 0xDCE9});
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << u({0xDCC0, 0xDCAF});
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << u({0xDCED, 0xDCA0, 0xDC80});
    QTest::newRow("byte-order mark kept") << QByteArray("\xEF\xBB\xBF" "a") << u({0xFEFF, 'a'});
    QTest::newRow("byte-order mark after invalid byte") << QByteArray("\xFF\xEF\xBB\xBF") << u({0xDCFF, 0xFEFF});
    QTest::newRow("truncated before valid") << QByteArray("\xE2\x82\xC3\xA4") << u({0xDCE2, 0xDC82, 0x00E4});
}

void tst_NarrowText::invalidByteBecomesReservedCodePoint()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(NarrowText::decode(bytes), text);
}

QTEST_APPLESS_MAIN(tst_NarrowText)
#include "tst_narrowtext.moc"
