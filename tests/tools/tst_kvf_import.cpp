#include "model/TestLoader.h"
#include "richtext/RichText.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "tools/KvfRunner.h"

using namespace kvizor;
using kvfrunner::kvf;
using kvfrunner::Run;

namespace {

const char kXml[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="multichoice"><name><text>Столица</text></name>
    <questiontext format="html"><text>Столица Франции?</text></questiontext>
    <single>true</single>
    <answer fraction="100"><text>Париж</text></answer><answer fraction="0"><text>Лион</text></answer>
    <hint format="html"><text>Эйфелева башня</text></hint>
  </question>
  <question type="essay"><name><text>Эссе</text></name><questiontext><text>Напишите.</text></questiontext></question>
</quiz>
)";

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKvfImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        const QString out = QStringLiteral("OUT");
        QTest::newRow("imported, warnings named") << QStringList{QStringLiteral("quiz.xml"), out} << 0
                                                  << QStringLiteral("Вопрос «Эссе» (строка 9): пропущен");
        QTest::newRow("gift by content, any name")
            << QStringList{QStringLiteral("quiz.txt"), out} << 0 << QString();
        QTest::newRow("nothing importable")
            << QStringList{QStringLiteral("essay.xml"), out} << 2
            << QStringLiteral("В файле нет вопросов, которые можно перенести в тест.");
        QTest::newRow("not well formed") << QStringList{QStringLiteral("broken.xml"), out} << 2
                                         << QStringLiteral("Ошибка в файле XML (строка 2, столбец");
        QTest::newRow("not a quiz") << QStringList{QStringLiteral("picture.png"), out} << 2
                                    << QStringLiteral("Файл не является тестом Moodle XML или GIFT.");
        QTest::newRow("missing source")
            << QStringList{QStringLiteral("none.xml"), out} << 2 << QStringLiteral("Не удалось открыть файл");
        QTest::newRow("no arguments") << QStringList{} << 1 << QStringLiteral("usage: kvf import");
        QTest::newRow("one argument")
            << QStringList{QStringLiteral("quiz.xml")} << 1 << QStringLiteral("usage");
        QTest::newRow("unknown option") << QStringList{QStringLiteral("quiz.xml"), out, QStringLiteral("--x")}
                                        << 1 << QStringLiteral("usage");
        QTest::newRow("bad hint penalty")
            << QStringList{QStringLiteral("quiz.xml"), out, QStringLiteral("--hint-penalty"),
                           QStringLiteral("-1")}
            << 1 << QStringLiteral("usage");
        QTest::newRow("option without value")
            << QStringList{QStringLiteral("quiz.xml"), out, QStringLiteral("--title")} << 1
            << QStringLiteral("usage");
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("quiz.xml")), kXml);
        writeFile(dir.filePath(QStringLiteral("quiz.txt")), QByteArrayLiteral("::A:: 2+2=4 {T}\n"));
        writeFile(dir.filePath(QStringLiteral("essay.xml")),
                  QByteArrayLiteral(
                      "<quiz><question type=\"essay\"><name><text>E</text></name></question></quiz>"));
        writeFile(dir.filePath(QStringLiteral("broken.xml")), QByteArrayLiteral("<quiz>\n<question></quiz>"));
        writeFile(dir.filePath(QStringLiteral("picture.png")), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\0", 12));
        // A test already at the output path survives every failure.
        const QString out = dir.filePath(QStringLiteral("out.kvf"));
        writeFile(out, QByteArrayLiteral("old"));
        QStringList full;
        for (const QString& arg : args)
            full.append(arg == QLatin1String("OUT") ? out : arg.contains(u'.') ? dir.filePath(arg) : arg);
        const Run run = kvf(QStringList{QStringLiteral("import")} + full);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        if (exitCode != 0) {
            QCOMPARE(readFile(out), QByteArrayLiteral("old"));
            return;
        }
        const TLoadResult loaded = LoadTestFile(out, {});
        QVERIFY(loaded.loaded());
        QCOMPARE(loaded.Tasks.size(), 1u);
        // Only the test file is left beside it: no temporary files.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 6);
    }

    void titleAndHintPenalty()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("quiz.xml")), kXml);
        const QString out = dir.filePath(QStringLiteral("out.kvf"));
        const Run run = kvf({QStringLiteral("import"), dir.filePath(QStringLiteral("quiz.xml")), out,
                             QStringLiteral("--title"), QStringLiteral("География ≥ 5"),
                             QStringLiteral("--hint-penalty"), QStringLiteral("3")});
        QCOMPARE(run.exitCode, 0);
        const TLoadResult loaded = LoadTestFile(out, {});
        QVERIFY(loaded.loaded());
        QCOMPARE(loaded.Test->Title, QStringLiteral("География >= 5"));
        QCOMPARE(RtfToPlainText(loaded.Tasks.at(0)->Hint), QStringLiteral("Эйфелева башня"));
        QCOMPARE(loaded.Tasks.at(0)->HintPenalty, 3);
        // kvf info reads it like any test.
        const Run info = kvf({QStringLiteral("info"), QStringLiteral("--json"), out});
        QCOMPARE(info.exitCode, 0);
        QVERIFY(info.out.contains("\"taskCount\": 1"));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestKvfImport)
#include "tst_kvf_import.moc"
