#include "model/Crc32.h"
#include "model/TestFileWriter.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
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

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList tempEntries()
{
    return QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

const char kSource[] = R"({
  "title": "Тест ёжика",
  "author": "Автор",
  "testTimeLimit": 300,
  "taskLimit": 2,
  "randomTaskOrder": true,
  "penaltyMode": true,
  "allowNetReport": false,
  "noPartialCredit": false,
  "uid": "{UID-1}",
  "useThemes": true,
  "openPassword": "Ключ",
  "startPassword": "s",
  "marks": [{"value": 2, "percent": 0}, {"value": 5, "percent": 80, "name": "отлично"}],
  "themes": [{"id": 0, "name": "Основная"}, {"id": 3, "name": "Третья", "useQuota": true, "quota": 1}],
  "tasks": [
    {"type": "singleChoice", "variants": ["а", "", "в"], "values": [1], "weight": 2, "themeId": 3,
     "hint": "h", "hintPenalty": 4, "timeLimit": 30, "image": "pics/a.png"},
    {"type": 4, "variants": ["x", "y"], "matchVariants": ["1", "2", "3"], "values": [2, 1], "themeId": 3},
    {"type": "ttNumber", "number": 1.5, "numberIsRange": true, "numberMin": 1, "numberMax": 2},
    {"type": "text", "answers": ["да", "Да"], "caseSensitive": true},
    {"type": "imagePoint", "image": "pics/a.png", "rect": [1, 2, 3, 4], "themeId": 9}
  ],
  "files": [{"name": "extra.bin", "path": "pics/extra.bin"}]
})";

} // namespace

class TestKvf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeThenInfoJson()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("pics"));
        writeFile(dir.filePath(QStringLiteral("pics/a.png")), QByteArray(1234, 'a'));
        writeFile(dir.filePath(QStringLiteral("pics/extra.bin")), QByteArray());
        writeFile(dir.filePath(QStringLiteral("t.json")), kSource);
        const QString out = dir.filePath(QStringLiteral("t.kvf"));
        const Run make = kvf({QStringLiteral("make"), dir.filePath(QStringLiteral("t.json")), out});
        QVERIFY2(make.exitCode == 0, qPrintable(make.err));

        const Run info = kvf({QStringLiteral("info"), QStringLiteral("--json"), QStringLiteral("--password"),
                              QStringLiteral("Ключ"), out});
        QVERIFY2(info.exitCode == 0, qPrintable(info.err));
        const QJsonObject j = QJsonDocument::fromJson(info.out).object();
        QCOMPARE(j[QStringLiteral("title")].toString(), QStringLiteral("Тест ёжика"));
        QCOMPARE(j[QStringLiteral("author")].toString(), QStringLiteral("Автор"));
        QCOMPARE(j[QStringLiteral("taskCount")].toInt(), 5);
        // Topic 0 has two tasks, topic 3 two with a quota of 1; topic 9 does not exist.
        QCOMPARE(j[QStringLiteral("tasksToAsk")].toInt(), 3);
        QCOMPARE(j[QStringLiteral("taskLimit")].toInt(), 2);
        QCOMPARE(j[QStringLiteral("testTimeLimit")].toInt(), 300);
        QCOMPARE(j[QStringLiteral("crc")].toString(),
                 QStringLiteral("%1").arg(FileCRC32(out), 8, 16, QLatin1Char('0')).toUpper());
        QCOMPARE(j[QStringLiteral("uid")].toString(), QStringLiteral("{UID-1}"));
        QVERIFY(j[QStringLiteral("useThemes")].toBool());
        const QJsonObject flags = j[QStringLiteral("flags")].toObject();
        QCOMPARE(flags.size(), 7);
        QVERIFY(flags[QStringLiteral("randomTaskOrder")].toBool());
        QVERIFY(!flags[QStringLiteral("randomVariantOrder")].toBool());
        QVERIFY(!flags[QStringLiteral("educationMode")].toBool());
        QVERIFY(flags[QStringLiteral("penaltyMode")].toBool());
        QVERIFY(!flags[QStringLiteral("allowSkipping")].toBool());
        QVERIFY(!flags[QStringLiteral("allowNetReport")].toBool());
        QVERIFY(!flags[QStringLiteral("noPartialCredit")].toBool());
        const QJsonArray marks = j[QStringLiteral("marks")].toArray();
        QCOMPARE(marks.size(), 2);
        QCOMPARE(marks[1].toObject(), (QJsonObject{{QStringLiteral("value"), 5},
                                                   {QStringLiteral("percent"), 80},
                                                   {QStringLiteral("name"), QStringLiteral("отлично")}}));
        const QJsonArray themes = j[QStringLiteral("themes")].toArray();
        QCOMPARE(themes.size(), 2);
        QCOMPARE(themes[0].toObject()[QStringLiteral("name")].toString(), QStringLiteral("Основная"));
        QCOMPARE(themes[0].toObject()[QStringLiteral("tasksInTheme")].toInt(), 2);
        QCOMPARE(themes[1].toObject(), (QJsonObject{{QStringLiteral("id"), 3},
                                                    {QStringLiteral("name"), QStringLiteral("Третья")},
                                                    {QStringLiteral("quota"), 1},
                                                    {QStringLiteral("useQuota"), true},
                                                    {QStringLiteral("tasksInTheme"), 2}}));
        const QJsonArray tasks = j[QStringLiteral("tasks")].toArray();
        QCOMPARE(tasks.size(), 5);
        QCOMPARE(tasks[0].toObject(), (QJsonObject{{QStringLiteral("type"), 1},
                                                   {QStringLiteral("weight"), 2},
                                                   {QStringLiteral("timeLimit"), 30},
                                                   {QStringLiteral("themeId"), 3},
                                                   {QStringLiteral("variantCount"), 3},
                                                   {QStringLiteral("matchVariantCount"), 0},
                                                   {QStringLiteral("imageFile"), QStringLiteral("a.png")},
                                                   {QStringLiteral("hintPenalty"), 4}}));
        QCOMPARE(tasks[1].toObject()[QStringLiteral("type")].toInt(), 4);
        QCOMPARE(tasks[1].toObject()[QStringLiteral("matchVariantCount")].toInt(), 3);
        QCOMPARE(tasks[2].toObject()[QStringLiteral("type")].toInt(), 6);
        QCOMPARE(tasks[4].toObject()[QStringLiteral("imageFile")].toString(), QStringLiteral("a.png"));
        const QJsonArray files = j[QStringLiteral("files")].toArray();
        QCOMPARE(files.size(), 2);
        QCOMPARE(files[0].toObject(), (QJsonObject{{QStringLiteral("name"), QStringLiteral("a.png")},
                                                   {QStringLiteral("size"), 1234}}));
        QCOMPARE(files[1].toObject(), (QJsonObject{{QStringLiteral("name"), QStringLiteral("extra.bin")},
                                                   {QStringLiteral("size"), 0}}));

        const Run text =
            kvf({QStringLiteral("info"), QStringLiteral("--password"), QStringLiteral("Ключ"), out});
        QCOMPARE(text.exitCode, 0);
        QVERIFY(QString::fromUtf8(text.out).contains(QStringLiteral("Тест ёжика")));
    }

    void infoFailures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("message");
        TTest test;
        test.OpenPassword = QStringLiteral("Пароль");
        const QByteArray locked =
            WriteTestFileData(test, {}, {{QStringLiteral("p.png"), QByteArray(10, 'p'), {}}});
        QTest::newRow("password missing") << locked << QStringList() << QStringLiteral("Неверный пароль!");
        QTest::newRow("password wrong")
            << locked << QStringList{QStringLiteral("--password"), QStringLiteral("пароль")}
            << QStringLiteral("Неверный пароль!");
        QTest::newRow("foreign file") << QByteArray("not a test at all") << QStringList()
                                      << QStringLiteral("Неверный тип файла с тестом!");
        QByteArray damaged =
            WriteTestFileData(TTest(), {}, {{QStringLiteral("p.png"), QByteArray(5000, 'p'), {}}});
        damaged.chop(6);
        QTest::newRow("damaged") << damaged << QStringList() << QStringLiteral("Ошибка загрузки теста!");
    }

    void infoFailures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        writeFile(path, bytes);
        const QStringList before = tempEntries();
        const Run run =
            kvf(QStringList{QStringLiteral("info"), QStringLiteral("--json")} + options + QStringList{path});
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, message);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(tempEntries(), before);
    }

    void infoRightPassword()
    {
        TTest test;
        test.OpenPassword = QStringLiteral("Пароль");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        WriteTestFileToPath(path, test, {});
        QCOMPARE(kvf({QStringLiteral("info"), QStringLiteral("--password"), QStringLiteral("Пароль"), path})
                     .exitCode,
                 0);
        const Run missing = kvf({QStringLiteral("info"), dir.filePath(QStringLiteral("none.kvf"))});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(!missing.err.isEmpty());
    }

    void makeRejects_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not json") << QByteArray("{");
        QTest::newRow("unknown key") << QByteArray(R"({"titel": "x"})");
        QTest::newRow("eleven variants") << QByteArray(R"({"tasks": [{"type": 1, "variants":
            ["1","2","3","4","5","6","7","8","9","10","11"]}]})");
        QTest::newRow("bad type") << QByteArray(R"({"tasks": [{"type": "essay"}]})");
        QTest::newRow("missing picture") << QByteArray(R"({"tasks": [{"type": 8, "image": "none.png"}]})");
        QTest::newRow("not cp1251") << QByteArray(R"({"title": "π"})");
        QTest::newRow("fraction") << QByteArray(R"({"taskLimit": 1.5})");
    }

    void makeRejects()
    {
        QFETCH(QByteArray, json);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("t.json")), json);
        const QString out = dir.filePath(QStringLiteral("t.kvf"));
        const Run run = kvf({QStringLiteral("make"), dir.filePath(QStringLiteral("t.json")), out});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.err.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    void usage()
    {
        QCOMPARE(kvf({}).exitCode, 1);
        QCOMPARE(kvf({QStringLiteral("nosuch")}).exitCode, 1);
        QCOMPARE(kvf({QStringLiteral("info")}).exitCode, 1);
        QCOMPARE(kvf({QStringLiteral("make"), QStringLiteral("a.json")}).exitCode, 1);
    }

    // The bundled demo builds and loads.
    void demoLoads()
    {
        const QString source =
            qEnvironmentVariable("KVIZOR_SOURCE_DIR") + QStringLiteral("/examples/demo.json");
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("demo.kvf"));
        QCOMPARE(kvf({QStringLiteral("make"), source, out}).exitCode, 0);
        const Run info = kvf({QStringLiteral("info"), QStringLiteral("--json"), out});
        QCOMPARE(info.exitCode, 0);
        const QJsonObject j = QJsonDocument::fromJson(info.out).object();
        QSet<int> types;
        for (const QJsonValue& task : j[QStringLiteral("tasks")].toArray())
            types.insert(task.toObject()[QStringLiteral("type")].toInt());
        QCOMPARE(types, (QSet<int>{1, 2, 3, 4, 5, 6, 7, 8}));
        QVERIFY(j[QStringLiteral("themes")].toArray().size() >= 3);
        QCOMPARE(j[QStringLiteral("files")].toArray().size(), 1);
    }

    void rtfSubcommand()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("q.rtf"));
        QImage image(8, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        writeFile(path, "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times New Roman;}}\\f0 "
                        "\\'c2\\'ee\\'ef\\'f0\\'ee\\'f1 {\\b "
                        "bold}\\par\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell "
                        "b\\cell\\row\\pard {\\pict\\pngblip\\picw8\\pich4 " +
                            png.toHex() + "}\\par}");
        const Run plain = kvf({QStringLiteral("rtf"), QStringLiteral("--plain"), path});
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(QString::fromUtf8(plain.out), QStringLiteral("Вопрос bold\na\tb\n"));
        const Run html = kvf({QStringLiteral("rtf"), QStringLiteral("--html"), path});
        QCOMPARE(html.exitCode, 0);
        const QString text = QString::fromUtf8(html.out);
        QVERIFY(text.contains(QStringLiteral("Вопрос")));
        QVERIFY(text.contains(QStringLiteral("font-weight:700")));
        QVERIFY(text.contains(QStringLiteral("<table")));
        QVERIFY(text.contains(QStringLiteral("src=\"data:image/png;base64,")));
        QCOMPARE(kvf({QStringLiteral("rtf"), QStringLiteral("--xml"), path}).exitCode, 1);
        QCOMPARE(kvf({QStringLiteral("rtf"), QStringLiteral("--plain"), dir.filePath(QStringLiteral("none"))})
                     .exitCode,
                 2);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestKvf)
#include "tst_kvf.moc"
