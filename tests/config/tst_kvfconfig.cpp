#include "CmdConfig.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

struct Run
{
    int code = 0;
    QString out;
    QString err;
};

Run run(const QStringList& args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = kvizor::kvf::runConfig(args, out, err);
    out.flush();
    err.flush();
    return r;
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKvfConfig : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void json()
    {
        const QString file = m_dir.filePath(u"lab.txt"_s);
        QVERIFY(writeBytes(file, "[Net]\r\nIsSendResult=0x1\r\nRemoteHost='server'\r\n"
                                 "[Colors]\r\nColorCollation3=$FF0000\r\n"
                                 "[DefaultUser]\r\nDefaultUserGroup=\xCA\xEB\xE0\xF1\xF1 1\r\n"));
        const Run r = run({u"--json"_s, file});
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.isEmpty());
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.size(), 37);
        QCOMPARE(o.value(u"IsSendResult"_s), QJsonValue(true));
        QCOMPARE(o.value(u"IsSaveResult"_s), QJsonValue(true));
        QCOMPARE(o.value(u"RemotePort"_s), QJsonValue(5005));
        QCOMPARE(o.value(u"RemoteHost"_s), QJsonValue(u"server"_s));
        QCOMPARE(o.value(u"ColorCollation3"_s), QJsonValue(16711680));
        QCOMPARE(o.value(u"DefaultUserGroup"_s), QJsonValue(u"Класс 1"_s));
        QCOMPARE(o.value(u"ResultFileName"_s), QJsonValue(u"KvizorStudent_Result.txt"_s));
        QCOMPARE(o.value(u"ProtectionResultFileName"_s),
                 QJsonValue(u"KvizorStudent_ProtectionResult.kvpr"_s));
        QVERIFY(!o.contains(u"ConfigFileName"_s));
    }

    void plainText()
    {
        const QString file = m_dir.filePath(u"plain.txt"_s);
        QVERIFY(writeBytes(file, "[Sound]\r\nSoundFileDir=\" /snd \"\r\n"));
        const Run r = run({file});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith(u"[Save]\nIsSaveResult=1\n"_s));
        QVERIFY(r.out.contains(
            u"\n\n[Sound]\nIsUseSound=1\nIsUseDefaultSound=1\nSoundFileName=\nSoundFileDir=\" /snd \"\n"_s));
        QVERIFY(r.out.contains(u"DefaultUserName=Фамилия Имя\n"_s));
        QVERIFY(r.out.contains(u"; ResultFileName=KvizorStudent_Result.txt\n"_s));
    }

    void missingFileShowsDefaults()
    {
        const QString file = m_dir.filePath(u"absent.txt"_s);
        const Run r = run({file, u"--json"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.contains(u"does not exist"_s));
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).object().value(u"RemotePort"_s), QJsonValue(5005));
        QVERIFY(!QFile::exists(file));
    }

    void complete()
    {
        const QString file = m_dir.filePath(u"complete.txt"_s);
        const QByteArray foreign =
            "; lab 12\r\n[Lab]\r\nRoom=12\r\n\r\n[Net]\r\nRemoteHost=127.1.1.1\r\nExtra=1\r\n";
        QVERIFY(writeBytes(file, foreign));
        const Run r = run({u"--complete"_s, file});
        QCOMPARE(r.code, 0);
        const QByteArray saved = readBytes(file);
        QVERIFY(saved.startsWith(
            "; lab 12\r\n[Lab]\r\nRoom=12\r\n\r\n[Net]\r\nRemoteHost=127.1.1.1\r\nExtra=1\r\n"
            "IsSendResult=0\r\nRemotePort=5005\r\nIsAutoGetTestFromStart=0\r\n\r\n[Save]\r\n"));
        QCOMPARE(saved.count('='), 35 + 2);
        // Completing a complete file changes nothing.
        QCOMPARE(run({u"--complete"_s, file}).code, 0);
        QCOMPARE(readBytes(file), saved);

        const QString fresh = m_dir.filePath(u"new.txt"_s);
        QCOMPARE(run({u"--complete"_s, fresh}).code, 0);
        QCOMPARE(readBytes(fresh).count('='), 35);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QString folder = QDir::tempPath();
        QTest::newRow("no file") << QStringList() << 1 << u"usage"_s;
        QTest::newRow("two files") << QStringList{u"a"_s, u"b"_s} << 1 << u"usage"_s;
        QTest::newRow("unknown option") << QStringList{u"--xml"_s, u"a"_s} << 1 << u"unknown option --xml"_s;
        QTest::newRow("json and complete")
            << QStringList{u"--json"_s, u"--complete"_s, u"a"_s} << 1 << u"usage"_s;
        QTest::newRow("folder read") << QStringList{folder} << 2
                                     << u"Ошибка при загрузке параметров программы!"_s;
        QTest::newRow("folder complete")
            << QStringList{u"--complete"_s, folder} << 2 << u"Ошибка при загрузке параметров программы!"_s;
        QTest::newRow("no such folder") << QStringList{u"--complete"_s, folder + u"/no/such/c.txt"_s} << 2
                                        << u"Ошибка при сохранении параметров программы!"_s;
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Run r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

#ifdef KVF_PATH
    void registeredInTheTool()
    {
        const QString file = m_dir.filePath(u"tool.txt"_s);
        QVERIFY(writeBytes(file, "[Net]\r\nRemotePort=$10\r\n"));
        QProcess process;
        process.start(QStringLiteral(KVF_PATH), {u"config"_s, u"--json"_s, file});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QJsonObject o = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        QCOMPARE(o.value(u"RemotePort"_s), QJsonValue(16));
    }
#endif
};

KVIZOR_TEST_GUILESS_MAIN(TestKvfConfig)
#include "tst_kvfconfig.moc"
