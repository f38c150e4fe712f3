#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/Cp1251.h"
#include "common/DateTime.h"
#include "common/FileSystem.h"
#include "common/FormatError.h"
#include "common/Guid.h"
#include "common/Module.h"
#include "common/Shuffle.h"
#include "common/TextFormats.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;

class TestCommon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void cp1251AllBytesRoundTrip()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = cp1251::decode(all);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
        QCOMPARE(cp1251::encode(text), all);
        QCOMPARE(text.at(0x98), QChar(0x0098));
    }

    void cp1251Cyrillic_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("alphabet edges")
            << QStringLiteral("АЯаяЁё№«»–—") << QByteArray("\xC0\xDF\xE0\xFF\xA8\xB8\xB9\xAB\xBB\x96\x97");
        QTest::newRow("ascii") << QStringLiteral("Kvizor 1") << QByteArray("Kvizor 1");
        QTest::newRow("outside the code page") << QStringLiteral("日") << QByteArray("?");
    }
    void cp1251Cyrillic()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(cp1251::encode(text), bytes);
        if (!bytes.contains('?'))
            QCOMPARE(cp1251::decode(bytes), text);
    }

    void binaryRoundTrip()
    {
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        BinaryWriter writer(buffer);
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 30, 15));
        writer.writeInt32(-2);
        writer.writeUInt32(0xDEADBEEF);
        writer.writeInt64(-1'000'000'000'007);
        writer.writeFlag(true);
        writer.writeDouble(6.25);
        writer.writeDateTime(when);
        writer.writeLstr(QStringLiteral("Тест"));
        writer.writeLstr(QString());
        QCOMPARE(buffer.data().left(4), QByteArray("\xFE\xFF\xFF\xFF"));
        buffer.seek(0);
        BinaryReader reader(buffer);
        QCOMPARE(reader.readInt32(), -2);
        QCOMPARE(reader.readUInt32(), 0xDEADBEEFu);
        QCOMPARE(reader.readInt64(), std::int64_t(-1'000'000'000'007));
        QCOMPARE(reader.readFlag(), true);
        QCOMPARE(reader.readDouble(), 6.25);
        QCOMPARE(reader.readDateTime(), when);
        QCOMPARE(reader.readLstr(), QStringLiteral("Тест"));
        QCOMPARE(reader.readLstr(), QString());
        QVERIFY_THROWS_EXCEPTION(FormatError, reader.readByte());
    }

    void binaryBadLengths_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("short int") << QByteArray("\x01\x00", 2);
        QTest::newRow("negative length") << QByteArray("\xFF\xFF\xFF\xFF", 4);
        QTest::newRow("length beyond data") << QByteArray("\x05\x00\x00\x00"
                                                          "abc",
                                                          7);
        QTest::newRow("huge length") << QByteArray("\xFF\xFF\xFF\x7F"
                                                   "abc",
                                                   7);
    }
    void binaryBadLengths()
    {
        QFETCH(QByteArray, bytes);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        BinaryReader reader(buffer);
        QVERIFY_THROWS_EXCEPTION(FormatError, reader.readLstrBytes());
    }

    void dateTimeDays_data()
    {
        QTest::addColumn<double>("days");
        QTest::addColumn<QDateTime>("when");
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("noon") << 2.5 << QDateTime(QDate(1900, 1, 1), QTime(12, 0));
        QTest::newRow("before epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
        QTest::newRow("2000") << 36526.75 << QDateTime(QDate(2000, 1, 1), QTime(18, 0));
    }
    void dateTimeDays()
    {
        QFETCH(double, days);
        QFETCH(QDateTime, when);
        QCOMPARE(daysToDateTime(days), when);
        QCOMPARE(dateTimeToDays(when), days);
    }

    void dateTimeOutOfRange()
    {
        QVERIFY(!daysToDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
        QVERIFY(!daysToDateTime(1e300).isValid());
    }

    void oneDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        // Under the Russian locale of initTestCase: its comma, never a digit group.
        QTest::newRow("half up") << 6.25 << QStringLiteral("6,3");
        QTest::newRow("binary fraction") << 0.15 << QStringLiteral("0,2");
        QTest::newRow("negative half") << -6.25 << QStringLiteral("-6,3");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0,0");
        QTest::newRow("tiny negative") << -0.04 << QStringLiteral("0,0");
        QTest::newRow("hundred") << 100.0 << QStringLiteral("100,0");
        QTest::newRow("two thirds") << 200.0 / 3 << QStringLiteral("66,7");
        QTest::newRow("thousands") << 1234.5 << QStringLiteral("1234,5");
        QTest::newRow("millions") << -1234567.25 << QStringLiteral("-1234567,3");
    }
    void oneDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatOneDecimal(value), text);
    }
    // Under an English locale its point, and again no digit group.
    void oneDecimalEnglish()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString text = formatOneDecimal(-1234567.25);
        QLocale::setDefault(before);
        QCOMPARE(text, QStringLiteral("-1234567.3"));
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("90") << qint64(90) << QStringLiteral("00:01:30");
        QTest::newRow("3725") << qint64(3725) << QStringLiteral("01:02:05");
        QTest::newRow("90000 wraps") << qint64(90000) << QStringLiteral("01:00:00");
        QTest::newRow("25:01:01 wraps") << qint64(90061) << QStringLiteral("01:01:01");
        QTest::newRow("zero") << qint64(0) << QStringLiteral("00:00:00");
    }
    void durations()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(formatDuration(seconds), text);
    }

    void dateFormats()
    {
        const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
        QCOMPARE(formatDateTime(when), QStringLiteral("02.01.2026 03:04:05"));
        QCOMPARE(formatTime(when), QStringLiteral("03:04:05"));
    }

    void pointsWord_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("word");
        for (int n : {1, 21, 101})
            QTest::addRow("%d", n) << n << QStringLiteral("балл");
        for (int n : {2, 3, 4, 22, 104})
            QTest::addRow("%d", n) << n << QStringLiteral("балла");
        for (int n : {0, 5, 11, 12, 14, 20, 111, 112, -1, -2, -21})
            QTest::addRow("%d", n) << n << QStringLiteral("баллов");
    }
    void pointsWord()
    {
        QFETCH(int, n);
        QFETCH(QString, word);
        QCOMPARE(PointsWord(n), word);
    }

    void guid()
    {
        const QString a = NewGuidString();
        QCOMPARE(a.size(), 38);
        QVERIFY(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                    .match(a)
                    .hasMatch());
        QVERIFY(a != NewGuidString());
    }

    void shuffleKeepsElements()
    {
        QList<int> empty;
        ShuffleIndexes(empty);
        QVERIFY(empty.isEmpty());
        QList<int> one{7};
        ShuffleIndexes(one);
        QCOMPARE(one, QList<int>{7});
        QList<int> values{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        bool moved = false;
        for (int i = 0; i < 20 && !moved; ++i) {
            QList<int> copy = values;
            ShuffleIndexes(copy);
            QList<int> sorted = copy;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(sorted, values);
            moved = copy != values;
        }
        QVERIFY(moved);
    }

    void deleteFolder()
    {
        QTemporaryDir root;
        const QString path = root.filePath(QStringLiteral("t"));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/sub/deeper")));
        QFile f(path + QStringLiteral("/sub/a.bin"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        f.setPermissions(QFileDevice::ReadOwner);
        QVERIFY(DeleteFolder(path));
        QVERIFY(!QDir(path).exists());
        QString error;
        QVERIFY(!DeleteFolder(root.filePath(QStringLiteral("missing")), &error));
        QVERIFY(!error.isEmpty());
    }

    void moduleSymbol_data()
    {
        QTest::addColumn<QByteArray>("module");
        QTest::addColumn<QByteArray>("symbol");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("present") << QByteArray("libc.so.6") << QByteArray("strlen") << true << QString();
        QTest::newRow("no such symbol") << QByteArray("libc.so.6") << QByteArray("kvizor_no_such_symbol")
                                        << false << QStringLiteral("kvizor_no_such_symbol");
        QTest::newRow("no such module") << QByteArray("libkvizor_no_such_module.so") << QByteArray("strlen")
                                        << false << QStringLiteral("libkvizor_no_such_module.so");
    }

    void moduleSymbol()
    {
        QFETCH(QByteArray, module);
        QFETCH(QByteArray, symbol);
        QFETCH(bool, found);
        QFETCH(QString, errorPart);
        QString error;
        void* address = kvizor::ModuleSymbol(module.constData(), symbol.constData(), &error);
        QCOMPARE(address != nullptr, found);
        if (!found)
            QVERIFY2(error.contains(errorPart), qPrintable(error));
        // Asking again gives the same answer from the module already loaded.
        QCOMPARE(kvizor::ModuleSymbol(module.constData(), symbol.constData()), address);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
