#include "results/ProtectedResultFile.h"
#include "results/ResultLog.h"
#include "results/ResultTest.h"
#include "results/ResultTexts.h"
#include "results/SharedFileWriter.h"
#include "support/TestEnvironment.h"

#include "FailDevice.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/Cp1251.h"
#include "common/FormatError.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <zlib.h>

#include <atomic>
#include <cstring>
#include <optional>

#include <sys/wait.h>
#include <unistd.h>

using namespace kvizor;

namespace {

// Little-endian bytes built by hand, independent of BinaryWriter.
struct Bytes
{
    QByteArray data;
    Bytes& i32(qint32 v)
    {
        char raw[4];
        qToLittleEndian<qint32>(v, raw);
        data.append(raw, 4);
        return *this;
    }
    Bytes& u8(quint8 v)
    {
        data.append(static_cast<char>(v));
        return *this;
    }
    Bytes& f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        char raw[8];
        qToLittleEndian<quint64>(bits, raw);
        data.append(raw, 8);
        return *this;
    }
    Bytes& lstr(const QByteArray& s)
    {
        i32(static_cast<qint32>(s.size()));
        data.append(s);
        return *this;
    }
};

QByteArray store(const TResultTest& r)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    r.SaveToStream(writer);
    return buffer.data();
}

TResultTest load(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    TResultTest r;
    r.LoadFromStream(reader);
    return r;
}

TResultTest sampleRecord(int seed)
{
    TResultTest r(3);
    r.UserName = QStringLiteral("Иванов Иван %1").arg(seed);
    r.UserGroup = QStringLiteral("10 А");
    r.ComputerName = QStringLiteral("CLASS-PC%1").arg(seed);
    r.ComputerUserName = QStringLiteral("student");
    r.StartTime = 45000.5 + seed;
    r.EndTime = 45000.75 + seed;
    r.ElapsedSeconds = 600 + seed;
    r.TestDate = r.EndTime;
    r.TestTitle = QStringLiteral("Тест «Дроби»");
    r.TestFileName = QStringLiteral("/home/teacher/Дроби.kvf");
    r.TestFileCRC = 0xDEADBEEFu + static_cast<quint32>(seed);
    r.TestUId = QStringLiteral("{0A1B2C3D-0000-0000-0000-00000000000%1}").arg(seed);
    r.TaskResults = {-1, 0, 2 + seed};
    r.TaskSeconds = {12, -1, seed};
    r.TaskAnswers = {QString(), QStringLiteral("1-2;2-0;3-1;"), QStringLiteral("x=120; y=45")};
    r.TaskPenalties = {-1, 3, 0};
    r.EndReason = erStopped;
    r.MarkValue = 4;
    r.MarkName = QStringLiteral("хорошо");
    r.MarkCount = 5;
    r.TaskCount = 3;
    r.AskedCount = 2;
    r.RightCount = 1;
    r.WrongCount = 1;
    r.SkipCount = 0;
    r.PromptCount = 1;
    r.MaxPoints = 7;
    r.Points = -1.5 - seed;
    return r;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray protectedFile(const QList<TResultTest>& records)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteProtectedResults(buffer, records);
    return buffer.data();
}

// Inflates the body of a protected file with zlib's one-shot call, independent of our devices.
QByteArray inflateBody(const QByteArray& file)
{
    const QByteArray body = file.mid(kProtectionResultMagicSize);
    QByteArray out(16 * 1024 * 1024, '\0');
    uLongf size = static_cast<uLongf>(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(body.data()),
                   static_cast<uLong>(body.size())) != Z_OK)
        return QByteArray();
    out.resize(static_cast<qsizetype>(size));
    return out;
}

QByteArray deflateBody(const QByteArray& plain)
{
    uLongf size = compressBound(static_cast<uLong>(plain.size()));
    QByteArray out(static_cast<qsizetype>(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(plain.data()),
              static_cast<uLong>(plain.size()), 9);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

} // namespace

class TestResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshRecordMasks()
    {
        const TResultTest r(3);
        QCOMPARE(r.GetResultMask(), QStringLiteral("1) * 2) * 3) * "));
        QCOMPARE(r.GetTimeMask(), QStringLiteral("1) * 2) * 3) * "));
        QCOMPARE(r.GetPenaltyMask(), QStringLiteral("1) * 2) * 3) * "));
        QCOMPARE(r.GetAnswerMask(), QStringLiteral("1)  2)  3)  "));
        QCOMPARE(r.EndReason, quint8(erNone));
        QCOMPARE(r.Points, 0.0);

        const TResultTest empty(0);
        QVERIFY(empty.GetResultMask().isEmpty());
        QVERIFY(empty.GetTimeMask().isEmpty());
        QVERIFY(empty.GetAnswerMask().isEmpty());
        QVERIFY(empty.GetPenaltyMask().isEmpty());
    }

    void masks()
    {
        TResultTest r(0);
        r.TaskResults = {-1, 0, 2, 100, 101, -7};
        r.TaskSeconds = {12, -1, 0};
        r.TaskPenalties = {-1, 0, 3, -2};
        r.TaskAnswers = {QStringLiteral("3;1;"), QString(), QStringLiteral("a) b")};
        QCOMPARE(r.GetResultMask(), QStringLiteral("1) * 2) - 3) + 4) + 5) + 6) * "));
        QCOMPARE(r.GetTimeMask(), QStringLiteral("1) 12 2) * 3) 0 "));
        QCOMPARE(r.GetPenaltyMask(), QStringLiteral("1) * 2) 0 3) 3 4) * "));
        QCOMPARE(r.GetAnswerMask(), QStringLiteral("1) 3;1; 2)  3) a) b "));
    }

    void accessorsIgnoreOutOfRange()
    {
        TResultTest r(2);
        r.SetTaskResult(1, 5);
        r.SetTaskResult(2, 9);
        r.SetTaskResult(-1, 9);
        r.SetTaskAnswer(5, QStringLiteral("x"));
        QCOMPARE(r.TaskResults, (QList<qint32>{-1, 5}));
        QCOMPARE(r.GetTaskResult(7), -1);
        QCOMPARE(r.TaskAnswers, (QStringList{QString(), QString()}));
    }

    void emptyRecordIs133Bytes()
    {
        const QByteArray bytes = store(TResultTest(0));
        QCOMPARE(bytes.size(), 133);
        QCOMPARE(bytes, QByteArray(133, '\0'));
    }

    void storedLayout()
    {
        TResultTest r(0);
        r.UserName = QStringLiteral("Ёж");
        r.UserGroup = QStringLiteral("5 Б");
        r.ComputerName = QStringLiteral("PC");
        r.StartTime = 45123.25;
        r.EndTime = 45123.5;
        r.ElapsedSeconds = 77;
        r.TestDate = 45123.5;
        r.TestTitle = QStringLiteral("T");
        r.TestFileCRC = 0x01020304;
        r.TaskResults = {-1, 4};
        r.TaskSeconds = {3};
        r.TaskAnswers = {QStringLiteral("3;1;"), QString()};
        r.TaskPenalties = {-1, 2, 0};
        r.EndReason = erTimeOut;
        r.MarkValue = 5;
        r.MarkName = QStringLiteral("отл");
        r.MarkCount = 5;
        r.TaskCount = 2;
        r.AskedCount = 2;
        r.RightCount = 1;
        r.WrongCount = 1;
        r.SkipCount = 1;
        r.PromptCount = 1;
        r.MaxPoints = 6;
        r.Points = -0.75;
        r.Reserved2 = QStringLiteral("z");
        r.AskedMaxPoints = 99; // working fields are not stored
        r.TaskOrder = {1, 0};

        Bytes b;
        b.lstr("\xA8\xE6").lstr("5 \xC1").lstr("PC").lstr("").lstr("");
        b.f64(45123.25).f64(45123.5).i32(77).f64(45123.5);
        b.lstr("T").lstr("");
        b.data.append("\x04\x03\x02\x01", 4);
        b.lstr("");
        b.i32(2).i32(-1).i32(4);
        b.i32(1).i32(3);
        b.i32(2).lstr("3;1;").lstr("");
        b.i32(3).i32(-1).i32(2).i32(0);
        b.u8(3).i32(5).lstr("\xEE\xF2\xEB").i32(5).i32(2).i32(2).i32(1).i32(1).i32(1).i32(1).i32(6);
        b.f64(-0.75).lstr("z");
        QCOMPARE(store(r).toHex(), b.data.toHex());
    }

    void roundTrip()
    {
        TResultTest r = sampleRecord(3);
        r.TaskResults = {-1, -5, 0, 250};
        r.Points = -12.125;
        r.EndReason = 200; // any byte is carried
        r.StartTime = -1.25;
        const QByteArray bytes = store(r);
        TResultTest back = load(bytes);
        QVERIFY(back.SameStoredFields(r));
        QCOMPARE(store(back), bytes);
        QCOMPARE(back.TaskResults, r.TaskResults);
        QCOMPARE(back.Points, -12.125);
    }

    void allByteValuesSurviveInTexts()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        TResultTest r(0);
        r.UserName = cp1251::decode(all);
        r.TaskAnswers = {cp1251::decode(all)};
        QCOMPARE(store(load(store(r))), store(r));
    }

    void truncatedRecordFails()
    {
        const QByteArray bytes = store(sampleRecord(1));
        for (int len = 0; len < bytes.size(); ++len) {
            TResultTest r(2);
            r.UserName = QStringLiteral("kept");
            QBuffer buffer;
            buffer.setData(bytes.left(len));
            buffer.open(QIODevice::ReadOnly);
            BinaryReader reader(buffer);
            QVERIFY_THROWS_EXCEPTION(FormatError, r.LoadFromStream(reader));
            QCOMPARE(r.UserName, QStringLiteral("kept"));
        }
    }

    void impossibleCountsFail_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<qint32>("value");
        // Offsets of an empty record: 5 texts (20), 3 doubles and an int (28), 2 texts (8),
        // CRC (4), a text (4) -> the TaskResults count at 64.
        QTest::newRow("huge user name") << 0 << qint32(0x7FFFFFFF);
        QTest::newRow("negative user name") << 0 << qint32(-1);
        QTest::newRow("huge result count") << 64 << qint32(0x7FFFFFFF);
        QTest::newRow("negative result count") << 64 << qint32(-3);
        QTest::newRow("huge answer count") << 72 << qint32(0x40000000);
    }
    void impossibleCountsFail()
    {
        QFETCH(int, offset);
        QFETCH(qint32, value);
        QByteArray bytes = store(TResultTest(0));
        qToLittleEndian<qint32>(value, bytes.data() + offset);
        QVERIFY_THROWS_EXCEPTION(FormatError, load(bytes));
    }

    // ---- protected result file ----

    void newFileHoldsOneRecord()
    {
        QTemporaryDir dir;
        const TResultTest r = sampleRecord(1);
        QCOMPARE(SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, r).Status,
                 ProtectionSaveStatus::Saved);
        const QString path = dir.filePath(QStringLiteral("KvizorStudent_ProtectionResult.kvpr"));
        const QByteArray file = readFile(path);
        QCOMPARE(file.left(22), QByteArray("KvizorProtectionResult"));
        // zlib header of the highest compression level
        QCOMPARE(quint8(file.at(22)), quint8(0x78));
        QCOMPARE(quint8(file.at(23)), quint8(0xDA));
        const QByteArray body = inflateBody(file);
        QCOMPARE(body, Bytes().i32(0).i32(1).data + store(r));

        const QList<TResultTest> back = LoadProtectedResults(path);
        QCOMPARE(back.size(), 1);
        QVERIFY(back.at(0).SameStoredFields(r));
        QVERIFY(dir.isValid());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{kDefaultProtectionResultFileName});
    }

    void appendKeepsEarlierRecords()
    {
        QTemporaryDir dir;
        QList<TResultTest> four;
        for (int k = 0; k < 4; ++k)
            four.append(sampleRecord(k));
        const QString path = dir.filePath(kDefaultProtectionResultFileName);
        writeFile(path, protectedFile(four));
        const QByteArray before = inflateBody(readFile(path));

        const TResultTest fifth = sampleRecord(9);
        QCOMPARE(SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, fifth).Status,
                 ProtectionSaveStatus::Saved);
        const QByteArray after = inflateBody(readFile(path));
        // Same records, byte for byte, in the same order; only the count changed.
        QCOMPARE(after.left(4), before.left(4));
        QCOMPARE(qFromLittleEndian<qint32>(after.constData() + 4), 5);
        QCOMPARE(after.mid(8, before.size() - 8), before.mid(8));
        QCOMPARE(after.mid(before.size()), store(fifth));

        const QList<TResultTest> back = LoadProtectedResults(path);
        QCOMPARE(back.size(), 5);
        for (int k = 0; k < 4; ++k)
            QVERIFY(back.at(k).SameStoredFields(four.at(k)));
        QVERIFY(back.at(4).SameStoredFields(fifth));
    }

    void badFilesAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        const int wrongType = int(ProtectionSaveStatus::WrongFileType);
        const int failed = int(ProtectionSaveStatus::WriteFailed);

        QList<TResultTest> two{sampleRecord(1), sampleRecord(2)};
        const QByteArray good = protectedFile(two);
        const QByteArray magic = kProtectionResultMagic;
        const QByteArray goodBody = inflateBody(good);

        QTest::newRow("other kind of file")
            << QByteArray("PK\x03\x04 some archive of another kind here") << wrongType;
        QTest::newRow("magic in other case")
            << QByteArray("kvizorprotectionresult") + good.mid(22) << wrongType;
        QTest::newRow("shorter than magic") << magic.left(21) << wrongType;
        QTest::newRow("empty file") << QByteArray() << wrongType;
        QTest::newRow("magic only") << magic << failed;
        QTest::newRow("garbage stream") << magic + QByteArray("not zlib at all, really not") << failed;
        QByteArray flipped = good;
        flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x55);
        QTest::newRow("flipped byte") << flipped << failed;
        QTest::newRow("truncated stream") << good.left(good.size() - 5) << failed;
        QByteArray badSum = good;
        badSum[badSum.size() - 1] = char(badSum[badSum.size() - 1] ^ 1);
        QTest::newRow("bad checksum") << badSum << failed;

        // Well-formed streams whose contents are impossible.
        QByteArray moreRecords = goodBody;
        qToLittleEndian<qint32>(3, moreRecords.data() + 4);
        QTest::newRow("count past data") << magic + deflateBody(moreRecords) << failed;
        QByteArray negative = goodBody;
        qToLittleEndian<qint32>(-1, negative.data() + 4);
        QTest::newRow("negative count") << magic + deflateBody(negative) << failed;
        QByteArray longName = goodBody;
        qToLittleEndian<qint32>(100000, longName.data() + 8);
        QTest::newRow("text past data") << magic + deflateBody(longName) << failed;
        QTest::newRow("header cut") << magic + deflateBody(goodBody.left(6)) << failed;
        QByteArray maxCount = goodBody.left(8);
        qToLittleEndian<qint32>(0x7FFFFFFF, maxCount.data() + 4);
        QTest::newRow("count at maximum") << magic + deflateBody(maxCount) << failed;
    }
    void badFilesAreLeftAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(kDefaultProtectionResultFileName);
        writeFile(path, content);
        QCOMPARE(
            int(SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, sampleRecord(5)).Status),
            status);
        QCOMPARE(readFile(path), content);
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void messages()
    {
        QCOMPARE(ProtectionSaveMessage({ProtectionSaveStatus::WrongFileType, {}, {}}),
                 QStringLiteral("Неверный тип файла!"));
        QCOMPARE(ProtectionSaveMessage({ProtectionSaveStatus::WriteFailed, {}, {}}),
                 QStringLiteral("Ошибка записи в защищенный файл результатов."));
    }

    void missingFolderFails()
    {
        QTemporaryDir dir;
        QCOMPARE(SaveProtectionResult(dir.filePath(QStringLiteral("no/such")),
                                      kDefaultProtectionResultFileName, sampleRecord(1))
                     .Status,
                 ProtectionSaveStatus::WriteFailed);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no"))));
    }

    void directoryInThePlaceOfTheFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(kDefaultProtectionResultFileName));
        QCOMPARE(SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, sampleRecord(1)).Status,
                 ProtectionSaveStatus::WriteFailed);
    }

    void failedWriteLeavesOldFile_data()
    {
        QTest::addColumn<qint64>("failAfter");
        QTest::newRow("nothing written") << qint64(0);
        QTest::newRow("inside the magic") << qint64(10);
        QTest::newRow("after the magic") << qint64(22);
        QTest::newRow("inside the stream") << qint64(40);
        QTest::newRow("near the end") << qint64(-8); // counted from the expected size
        QTest::newRow("last byte") << qint64(-1);
    }
    void failedWriteLeavesOldFile()
    {
        QFETCH(qint64, failAfter);
        QTemporaryDir dir;
        const QString path = dir.filePath(kDefaultProtectionResultFileName);
        QList<TResultTest> records;
        for (int k = 0; k < 3; ++k)
            records.append(sampleRecord(k));
        const QByteArray old = protectedFile(records);
        writeFile(path, old);
        const TResultTest next = sampleRecord(7);
        if (failAfter < 0) {
            records.append(next);
            failAfter += protectedFile(records).size();
        }
        bool wrapperUsed = false;
        const auto wrapper = [&](QIODevice& file) {
            wrapperUsed = true;
            return std::make_unique<FailDevice>(file, failAfter);
        };
        QCOMPARE(
            SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, next, {{}, wrapper}).Status,
            ProtectionSaveStatus::WriteFailed);
        QVERIFY(wrapperUsed);
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void readOnlyFolderFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(kDefaultProtectionResultFileName);
        const QByteArray old = protectedFile({sampleRecord(1)});
        writeFile(path, old);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(dir.path()).isWritable()) // running as a user that ignores permissions
            QSKIP("folder permissions are not enforced here");
        const auto status =
            SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, sampleRecord(2)).Status;
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(status, ProtectionSaveStatus::WriteFailed);
        QCOMPARE(readFile(path), old);
    }

    // ---- shared result folders ----

    // Two workstations finishing 200 runs each at the same moment: every record of both is in
    // the protected file and in the log, whole and readable.
    void twoWorkstationsAtOnce()
    {
        // In memory where there is such a file system: every append syncs its files to disk,
        // which on a busy disk would make this test slow without testing anything more.
        const QString memory = QStringLiteral("/dev/shm");
        QTemporaryDir dir(QFileInfo(memory).isWritable()
                              ? memory + QStringLiteral("/kvizor-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/kvizor-XXXXXX"));
        QVERIFY(dir.isValid());
        constexpr int perWorkstation = 200;
        QProcess first;
        QProcess second;
        const QStringList tags{QStringLiteral("A"), QStringLiteral("B")};
        first.start(QStringLiteral(KVIZOR_APPEND_HELPER),
                    {dir.path(), tags[0], QString::number(perWorkstation)});
        second.start(QStringLiteral(KVIZOR_APPEND_HELPER),
                     {dir.path(), tags[1], QString::number(perWorkstation)});
        for (QProcess* helper : {&first, &second}) {
            QVERIFY(helper->waitForFinished(120000));
            QCOMPARE(helper->exitStatus(), QProcess::NormalExit);
            QCOMPARE(helper->exitCode(), 0);
        }
        QSet<QString> expected;
        for (const QString& tag : tags) {
            for (int k = 0; k < perWorkstation; ++k)
                expected.insert(QStringLiteral("%1-%2").arg(tag).arg(k));
        }

        const QList<TResultTest> stored =
            LoadProtectedResults(dir.filePath(kDefaultProtectionResultFileName));
        QCOMPARE(stored.size(), 2 * perWorkstation);
        QSet<QString> storedNames;
        for (const TResultTest& r : stored)
            storedNames.insert(r.UserName);
        QCOMPARE(storedNames, expected);

        // Each record is its 25 lines in one piece.
        const QStringList lines =
            cp1251::decode(readFile(dir.filePath(QStringLiteral("KvizorStudent_Result.txt"))))
                .split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 2 * perWorkstation * 25 + 1);
        const QString rule(48, QLatin1Char('-'));
        const QRegularExpression nameLine(QStringLiteral("^Имя пользователя \\(тестируемого\\): \"(.*)\"$"));
        QSet<QString> loggedNames;
        for (qsizetype at = 0; at + 25 < lines.size(); at += 25) {
            QCOMPARE(lines.at(at), rule);
            QCOMPARE(lines.at(at + 24), rule);
            const QRegularExpressionMatch name = nameLine.match(lines.at(at + 5));
            QVERIFY2(name.hasMatch(), qPrintable(lines.at(at + 5)));
            loggedNames.insert(name.captured(1));
        }
        QCOMPARE(loggedNames, expected);
        // No lock file stays behind, and nothing went elsewhere.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList({kDefaultProtectionResultFileName, QStringLiteral("KvizorStudent_Result.txt")}));
    }

    // A file whose lock another program keeps: after the wait the record goes to the same name
    // in the fallback folder, or to a new name there when that is the result folder itself;
    // the file in the result folder stays as it was, and the message names both files.
    void lockedFileGoesElsewhere_data()
    {
        QTest::addColumn<bool>("log");
        QTest::addColumn<bool>("sameFolder");
        QTest::newRow("protected file, per-user folder") << false << false;
        QTest::newRow("protected file, same folder") << false << true;
        QTest::newRow("log, per-user folder") << true << false;
        QTest::newRow("log, same folder") << true << true;
    }
    void lockedFileGoesElsewhere()
    {
        QFETCH(bool, log);
        QFETCH(bool, sameFolder);
        QTemporaryDir shared;
        const QString name =
            log ? QStringLiteral("KvizorStudent_Result.txt") : kDefaultProtectionResultFileName;
        const QString target = shared.filePath(name);
        // The real per-user data folder (the test's own, below its XDG_DATA_HOME).
        const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const QString dataCopy = QDir(dataFolder).filePath(name);
        QFile::remove(dataCopy);
        const auto removeCopy = qScopeGuard([&] { QFile::remove(dataCopy); });
        const QByteArray before = log ? QByteArray("earlier\r\n") : protectedFile({sampleRecord(1)});
        writeFile(target, before);
        QLockFile held(target + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));

        SharedWriteOptions options;
        options.LockWait = std::chrono::milliseconds(50);
        if (sameFolder)
            options.FallbackFolder = shared.path();
        const TResultTest record = sampleRecord(2);
        QString writtenTo;
        QString message;
        if (log) {
            const LogWriteResult written = AppendSharedLogLines(target, {QStringLiteral("строка")}, options);
            QVERIFY(written.Written);
            QVERIFY(written.Route.Diverted);
            writtenTo = written.Route.Path;
            message = SharedFileDivertedMessage(target, writtenTo);
            QCOMPARE(readFile(writtenTo), cp1251::encode(u"строка") + "\r\n");
        } else {
            const ProtectionSaveResult saved =
                SaveProtectionResult(shared.path(), name, record, {options, {}});
            QCOMPARE(saved.Status, ProtectionSaveStatus::Diverted);
            writtenTo = saved.Path;
            message = ProtectionSaveMessage(saved);
            const QList<TResultTest> kept = LoadProtectedResults(writtenTo);
            QCOMPARE(kept.size(), 1);
            QVERIFY(kept.at(0).SameStoredFields(record));
        }
        QCOMPARE(readFile(target), before);
        if (sameFolder) {
            QCOMPARE(QFileInfo(writtenTo).absolutePath(), QFileInfo(shared.path()).absoluteFilePath());
            QVERIFY(QFileInfo(writtenTo).fileName() != name);
        } else {
            QCOMPARE(writtenTo, dataCopy);
        }
        QVERIFY(QFileInfo(writtenTo).fileName().endsWith(QFileInfo(name).suffix()));
        QCOMPARE(message, QStringLiteral("Файл %1 занят другой программой.\nРезультат сохранен в файл %2.")
                              .arg(target, writtenTo));
        QVERIFY(held.isLocked());
    }

    // A lock left by a program that is gone is taken over at once, not waited out.
    void staleLockIsTakenOver()
    {
        QTemporaryDir dir;
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        QVERIFY(child > 0);
        waitpid(child, nullptr, 0);
        writeFile(dir.filePath(kDefaultProtectionResultFileName + QStringLiteral(".lock")),
                  QByteArray::number(child) + "\nKvizorStudent\n" + QSysInfo::machineHostName().toUtf8() +
                      "\n");
        ProtectionSaveOptions options;
        options.Shared.LockWait = std::chrono::seconds(5);
        options.Shared.FallbackFolder = dir.filePath(QStringLiteral("elsewhere"));
        const ProtectionSaveResult saved =
            SaveProtectionResult(dir.path(), kDefaultProtectionResultFileName, sampleRecord(3), options);
        QCOMPARE(saved.Status, ProtectionSaveStatus::Saved);
        QCOMPARE(LoadProtectedResults(dir.filePath(kDefaultProtectionResultFileName)).size(), 1);
        QVERIFY(!QFileInfo::exists(dir.filePath(kDefaultProtectionResultFileName + QStringLiteral(".lock"))));
    }

    void writerWaitsOffTheCallersThread_data()
    {
        QTest::addColumn<bool>("held");
        // How the wait ends: "" by itself, "let go", LockWaitEnd::Divert or Abandon by the caller.
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("waitMs");
        // Where the line goes: "target", "fallback" or "nowhere".
        QTest::addColumn<QString>("where");
        QTest::newRow("lock free: written at once") << false << "" << 10000 << "target";
        QTest::newRow("lock let go during the wait") << true << "let go" << 10000 << "target";
        QTest::newRow("wait runs out") << true << "" << 300 << "fallback";
        QTest::newRow("wait cut short") << true << "divert" << 10000 << "fallback";
        QTest::newRow("wait abandoned") << true << "abandon" << 10000 << "nowhere";
    }
    // A free lock is written before Start returns, on the caller's thread; a busy one is
    // waited for on a thread of its own while the caller's event loop runs, and its end comes
    // through that loop.
    void writerWaitsOffTheCallersThread()
    {
        QFETCH(bool, held);
        QFETCH(QString, then);
        QFETCH(int, waitMs);
        QFETCH(QString, where);
        QTemporaryDir shared;
        QTemporaryDir fallback;
        const QString target = shared.filePath(QStringLiteral("log.txt"));
        QLockFile lock(target + QStringLiteral(".lock"));
        if (held)
            QVERIFY(lock.tryLock(0));
        SharedWriteOptions options;
        options.LockWait = std::chrono::milliseconds(waitMs);
        options.FallbackFolder = fallback.path();

        std::optional<SharedWriteRoute> route;
        std::atomic<Qt::HANDLE> writtenOn{nullptr};
        {
            SharedFileWriter writer;
            writer.Start(
                target, options,
                [&writtenOn](const QString& path) {
                    writtenOn = QThread::currentThreadId();
                    AppendLogLines(path, {QStringLiteral("строка")});
                },
                [&route](const SharedWriteRoute& r) { route = r; });
            QCOMPARE(route.has_value(), !held);
            QCOMPARE(writer.Busy(), held);
            if (held && waitMs > 1000) {
                int ticks = 0;
                QTimer tick;
                tick.callOnTimeout([&ticks] { ++ticks; });
                tick.start(5);
                QTRY_VERIFY(ticks >= 3);
                QVERIFY(!route);
            }
            if (then == QLatin1String("let go"))
                lock.unlock();
            else if (then == QLatin1String("divert"))
                writer.EndWaits(LockWaitEnd::Divert);
            else if (then == QLatin1String("abandon"))
                writer.EndWaits(LockWaitEnd::Abandon);
            // Well before a wait of 10 s could run out.
            QTRY_VERIFY_WITH_TIMEOUT(route.has_value(), 5000);
            QVERIFY(!writer.Busy());
        }
        QCOMPARE(route->Abandoned, where == QLatin1String("nowhere"));
        QCOMPARE(route->Diverted, where == QLatin1String("fallback"));
        const QString expected = where == QLatin1String("target") ? target
                                 : where == QLatin1String("fallback")
                                     ? fallback.filePath(QStringLiteral("log.txt"))
                                     : QString();
        if (!expected.isEmpty()) {
            QCOMPARE(route->Path, expected);
            QCOMPARE(readFile(expected), cp1251::encode(u"строка") + "\r\n");
            QCOMPARE(writtenOn.load() == QThread::currentThreadId(), !held);
        } else {
            QVERIFY(writtenOn.load() == nullptr);
        }
        QCOMPARE(QFile::exists(target), where == QLatin1String("target"));
        QCOMPARE(QDir(fallback.path()).isEmpty(), where != QLatin1String("fallback"));
    }

    // A writer that goes during a wait writes nothing and reports nothing, without waiting
    // the wait out.
    void writerGoneDuringAWait()
    {
        QTemporaryDir shared;
        const QString target = shared.filePath(QStringLiteral("log.txt"));
        QLockFile lock(target + QStringLiteral(".lock"));
        QVERIFY(lock.tryLock(0));
        SharedWriteOptions options;
        options.FallbackFolder = shared.filePath(QStringLiteral("elsewhere"));
        bool finished = false;
        QElapsedTimer clock;
        clock.start();
        {
            SharedFileWriter writer;
            writer.Start(
                target, options, [](const QString& path) { AppendLogLines(path, {QStringLiteral("x")}); },
                [&finished](const SharedWriteRoute&) { finished = true; });
            QTest::qWait(30);
        }
        QVERIFY(clock.elapsed() < 5000);
        QTest::qWait(30);
        QVERIFY(!finished);
        QVERIFY(!QFile::exists(target));
        QVERIFY(!QFile::exists(options.FallbackFolder));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestResults)
#include "tst_results.moc"
