#include "results/ProtectedResultFile.h"
#include "results/ResultTest.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tools/KvfRunner.h"

using namespace kvizor;

namespace {

using kvfrunner::kvf;
using kvfrunner::Run;

TResultTest record(int k)
{
    TResultTest r(3);
    r.UserName = QStringLiteral("=Иванов, \"Ваня\" %1").arg(k);
    r.UserGroup = QStringLiteral("10 А");
    r.ComputerName = QStringLiteral("PC");
    r.StartTime = TResultTest::FromDateTime(QDateTime(QDate(2024, 3, 15), QTime(10, 30, 0)));
    r.EndTime = TResultTest::FromDateTime(QDateTime(QDate(2024, 3, 15), QTime(10, 45, 30)));
    r.TestDate = r.EndTime;
    r.ElapsedSeconds = 930;
    r.TestTitle = QStringLiteral("Дроби");
    r.TestFileCRC = 0x00ABCDEF;
    r.TaskResults = {-1, 0, 2};
    r.TaskSeconds = {12, -1, 0};
    r.TaskAnswers = {QString(), QStringLiteral("1-2;2-0;"), QStringLiteral("x=1; y=2")};
    r.TaskPenalties = {-1, 3, 0};
    r.EndReason = erTimeOut;
    r.MarkValue = 3;
    r.MarkCount = 5;
    r.TaskCount = 3;
    r.AskedCount = 2;
    r.Points = -1.5 + k;
    return r;
}

QString writeResults(const QTemporaryDir& dir, const QList<TResultTest>& records)
{
    const QString path = dir.filePath(QStringLiteral("r.kvpr"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        WriteProtectedResults(file, records);
    return path;
}

} // namespace

class TestKvfResults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void json()
    {
        QTemporaryDir dir;
        const QString path = writeResults(dir, {record(0), record(1)});
        const Run run = kvf({QStringLiteral("results"), QStringLiteral("--json"), path});
        QCOMPARE(run.exitCode, 0);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray array = doc.array();
        QCOMPARE(array.size(), 2);
        const QJsonObject first = array.at(0).toObject();
        QCOMPARE(first.size(), 34);
        QCOMPARE(first.value(QStringLiteral("UserName")).toString(), QStringLiteral("=Иванов, \"Ваня\" 0"));
        QCOMPARE(first.value(QStringLiteral("StartTime")).toString(), QStringLiteral("2024-03-15T10:30:00"));
        QCOMPARE(first.value(QStringLiteral("EndTime")).toString(), QStringLiteral("2024-03-15T10:45:30"));
        QCOMPARE(first.value(QStringLiteral("TestFileCRC")).toString(), QStringLiteral("00ABCDEF"));
        QCOMPARE(first.value(QStringLiteral("TaskResults")).toArray(), (QJsonArray{-1, 0, 2}));
        QCOMPARE(first.value(QStringLiteral("TaskAnswers")).toArray(),
                 (QJsonArray{QString(), QStringLiteral("1-2;2-0;"), QStringLiteral("x=1; y=2")}));
        QCOMPARE(first.value(QStringLiteral("EndReason")).toInt(), 3);
        QCOMPARE(first.value(QStringLiteral("Points")).toDouble(), -1.5);
        QCOMPARE(first.value(QStringLiteral("ResultMask")).toString(), QStringLiteral("1) * 2) - 3) + "));
        QCOMPARE(first.value(QStringLiteral("TimeMask")).toString(), QStringLiteral("1) 12 2) * 3) 0 "));
        QCOMPARE(first.value(QStringLiteral("PenaltyMask")).toString(), QStringLiteral("1) * 2) 3 3) 0 "));
        QCOMPARE(first.value(QStringLiteral("AnswerMask")).toString(),
                 QStringLiteral("1)  2) 1-2;2-0; 3) x=1; y=2 "));
        QCOMPARE(array.at(1).toObject().value(QStringLiteral("Points")).toDouble(), -0.5); // oldest first

        const Run empty = kvf({QStringLiteral("results"), QStringLiteral("--json"), writeResults(dir, {})});
        QCOMPARE(empty.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(empty.out).array().size(), 0);
    }

    void csv()
    {
        QTemporaryDir dir;
        const QString path = writeResults(dir, {record(0), record(1)});
        const Run run = kvf({QStringLiteral("results"), QStringLiteral("--csv"), path});
        QCOMPARE(run.exitCode, 0);
        const QList<QByteArray> lines = run.out.split('\n');
        QCOMPARE(lines.size(), 4); // header, two rows, the empty rest after the last CR LF
        QVERIFY(lines.at(0).startsWith("UserName,UserGroup,ComputerName,"));
        QVERIFY(lines.at(0).endsWith(",ResultMask,TimeMask,AnswerMask,PenaltyMask\r"));
        // Quoted because of the comma and quotes; marked as text because of the "=".
        QVERIFY(QString::fromUtf8(lines.at(1))
                    .startsWith(QStringLiteral("\"'=Иванов, \"\"Ваня\"\" 0\",10 А,PC,")));
        QVERIFY(lines.at(1).contains(",\"[-1,0,2]\","));
        QVERIFY(lines.at(1).contains(",00ABCDEF,"));
    }

    void text()
    {
        QTemporaryDir dir;
        const Run run = kvf({QStringLiteral("results"), writeResults(dir, {record(0)})});
        QCOMPARE(run.exitCode, 0);
        const QString out = QString::fromUtf8(run.out);
        QVERIFY(out.startsWith(QStringLiteral("Record 1\n")));
        QVERIFY(out.contains(QStringLiteral("  ResultMask: 1) * 2) - 3) + \n")));
        QVERIFY(out.contains(QStringLiteral("  TestTitle: Дроби\n")));
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QBuffer good;
        good.open(QIODevice::WriteOnly);
        WriteProtectedResults(good, {record(0), record(1)});
        QTest::newRow("foreign") << QByteArray("PK\x03\x04 not ours")
                                 << QStringLiteral("not a protected result file");
        QTest::newRow("short") << QByteArray("Kvizor") << QStringLiteral("not a protected result file");
        QTest::newRow("truncated") << good.data().left(good.data().size() - 7)
                                   << QStringLiteral("damaged protected result file");
    }
    void badFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.kvpr"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        for (const QString& mode : {QStringLiteral("--json"), QStringLiteral("--csv")}) {
            const Run run = kvf({QStringLiteral("results"), mode, path});
            QCOMPARE(run.exitCode, 2);
            QVERIFY(run.out.isEmpty()); // nothing half-printed
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
        }
        const Run missing = kvf({QStringLiteral("results"), dir.filePath(QStringLiteral("none.kvpr"))});
        QCOMPARE(missing.exitCode, 2);
        QCOMPARE(kvf({QStringLiteral("results")}).exitCode, 1);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestKvfResults)
#include "tst_kvf_results.moc"
