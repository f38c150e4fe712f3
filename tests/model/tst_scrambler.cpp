#include "model/Crc32.h"
#include "model/Scrambler.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace kvizor;

namespace {

// The byte rule written out with the full 16-bit state, as the format describes it.
QByteArray referenceUnscramble(const QByteArray& stored, const TScrambleKey& key)
{
    QByteArray plain(stored.size(), Qt::Uninitialized);
    std::uint16_t s = key.InitialState;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const auto p = static_cast<std::uint8_t>(static_cast<std::uint8_t>(stored[i]) ^ (s & 0xFF));
        plain[i] = static_cast<char>(p);
        const auto t = static_cast<std::uint8_t>((p + (s & 0xFF)) & 0xFF);
        s = static_cast<std::uint16_t>(t * key.Multiplier + key.Addend);
    }
    return plain;
}

QByteArray scramble(const QByteArray& plain, const TScrambleKey& key = TestFileKey)
{
    QByteArray stored(plain.size(), Qt::Uninitialized);
    TScrambler(key).process(plain.constData(), stored.data(), plain.size());
    return stored;
}

QByteArray unscramble(const QByteArray& stored, const TScrambleKey& key = TestFileKey)
{
    QByteArray plain(stored.size(), Qt::Uninitialized);
    TDescrambler(key).process(stored.constData(), plain.data(), stored.size());
    return plain;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(gen.bounded(256));
    return bytes;
}

} // namespace

class TestScrambler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyDerivation_data()
    {
        QTest::addColumn<int>("seed");
        QTest::addColumn<uint>("modulus");
        QTest::addColumn<int>("multiplier");
        QTest::addColumn<int>("addend");
        QTest::addColumn<int>("initial");
        QTest::newRow("our key") << -2023915147 << 27183u << 0x22D7 << 0x14A4 << 0x6A0B;
        QTest::newRow("positive seed") << 2023915147 << 27183u << 0x22D7 << 0x14A4 << 0x6A0B;
        // |INT32_MIN| stays INT32_MIN in 32 bits; the quotient is negative.
        QTest::newRow("most negative") << int(INT32_MIN) << 3u << (-715827882 & 0xFFFF) << 3 << 0;
        QTest::newRow("zero modulus") << 100 << 0u << 0 << 100 << 0;
    }

    void keyDerivation()
    {
        QFETCH(int, seed);
        QFETCH(uint, modulus);
        QFETCH(int, multiplier);
        QFETCH(int, addend);
        QFETCH(int, initial);
        const TScrambleKey key = DeriveScrambleKey(seed, modulus);
        QCOMPARE(int(key.Multiplier), multiplier);
        QCOMPARE(int(key.Addend), addend);
        QCOMPARE(int(key.InitialState), initial);
    }

    void testFileKeyIsTheBuildKey() { QCOMPARE(TestFileKey, (TScrambleKey{0x22D7, 0x14A4, 0x6A0B})); }

    void writerRoundTrip_data()
    {
        QTest::addColumn<int>("size");
        for (int n : {0, 1, 2, 255, 256, 257, 4096, 100000})
            QTest::addRow("%d", n) << n;
    }

    void writerRoundTrip()
    {
        QFETCH(int, size);
        const QByteArray plain = randomBytes(size, 7u + uint(size));
        const QByteArray stored = scramble(plain);
        QCOMPARE(unscramble(stored), plain);
        QCOMPARE(referenceUnscramble(stored, TestFileKey), plain);
        if (size > 1)
            QVERIFY(unscramble(plain) != stored);
    }

    // The reduced-state form gives what the full 16-bit rule gives for any key.
    void descramblerMatchesFullState()
    {
        const QByteArray stored = randomBytes(5000, 3);
        for (const TScrambleKey& key : {TestFileKey, TScrambleKey{0xFFFF, 0xFFFF, 0xFFFF},
                                        TScrambleKey{0, 0, 0}, TScrambleKey{0x1234, 0x8001, 0x00FF}})
            QCOMPARE(unscramble(stored, key), referenceUnscramble(stored, key));
    }

    // Chunked calls on one object continue the state; separate calls restart it.
    void incrementalEqualsWhole()
    {
        const QByteArray stored = randomBytes(10000, 11);
        TDescrambler d(TestFileKey);
        QByteArray pieces;
        for (qsizetype at = 0; at < stored.size(); at += 777) {
            QByteArray chunk = stored.mid(at, 777);
            d.process(chunk.constData(), chunk.data(), chunk.size());
            pieces += chunk;
        }
        QCOMPARE(pieces, unscramble(stored));
        QCOMPARE(unscramble(stored), unscramble(stored));
    }

    void descrambleBuffer()
    {
        const QByteArray stored = randomBytes(100, 5);
        QByteArray out(100, 'z');
        QVERIFY(!DescrambleBuffer(stored.constData(), 100, out.data(), TestFileKey, 99));
        QCOMPARE(out, QByteArray(100, 'z'));
        QVERIFY(DescrambleBuffer(stored.constData(), 100, out.data(), TestFileKey, 100));
        QCOMPARE(out, unscramble(stored));
        QVERIFY(DescrambleBuffer(nullptr, 0, nullptr, TestFileKey, 0));
    }

    void descrambleStream_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("start") << 0;
        QTest::newRow("middle") << 40;
        QTest::newRow("end") << 100;
    }

    void descrambleStream()
    {
        QFETCH(int, from);
        QBuffer source;
        source.setData(randomBytes(100, 9));
        source.open(QIODevice::ReadOnly);
        source.seek(from);
        QBuffer destination;
        destination.setData(QByteArray(500, 'x'));
        destination.open(QIODevice::ReadWrite);
        destination.seek(3);
        QVERIFY(DescrambleStream(source, destination, TestFileKey));
        QCOMPARE(source.pos(), from);
        QCOMPARE(destination.pos(), 3);
        QCOMPARE(destination.data(), unscramble(source.data().mid(from)));
    }

    void descrambleFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        QBuffer destination;
        destination.open(QIODevice::ReadWrite);
        QVERIFY_THROWS_EXCEPTION(FileReadError, DescrambleFile(path, destination, TestFileKey));

        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(DescrambleFile(path, destination, TestFileKey));
        QCOMPARE(destination.size(), 0);

        const QByteArray stored = randomBytes(70000, 1);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stored);
        file.close();
        QVERIFY(DescrambleFile(path, destination, TestFileKey));
        QCOMPARE(destination.data(), unscramble(stored));
    }

    void crc_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("crc");
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("check value") << QByteArray("123456789") << 0xCBF43926u;
        QTest::newRow("a") << QByteArray("a") << 0xE8B7BE43u;
    }

    void crc()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, crc);
        QCOMPARE(BufferCRC32(bytes), crc);
    }

    void fileCrc()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.bin"));
        QCOMPARE(FileCRC32(path), 0u);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QCOMPARE(FileCRC32(path), 0u);
        const QByteArray content = randomBytes(65521 * 3 + 17, 2);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QCOMPARE(FileCRC32(path), BufferCRC32(content));
        QCOMPARE(FileCRC32(path), quint32(crc32(0, reinterpret_cast<const Bytef*>(content.constData()),
                                                uInt(content.size()))));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestScrambler)
#include "tst_scrambler.moc"
