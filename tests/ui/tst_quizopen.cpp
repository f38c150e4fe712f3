#include "model/Crc32.h"
#include "ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "ui/StudentMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

using namespace kvizor;

namespace {

const QByteArray kXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="truefalse"><name><text>Земля</text></name>
    <questiontext format="html"><text>Земля круглая?</text></questiontext>
    <answer fraction="100"><text>true</text></answer><answer fraction="0"><text>false</text></answer>
  </question>
  <question type="essay"><name><text>Эссе</text></name><questiontext><text>Напишите.</text></questiontext></question>
</quiz>
)";

const QByteArray kGift = "::Сложение:: 2+2? {=4 ~5}\n\n::Вычитание:: 5-3? {#2}\n";

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void dropFile(QWidget* target, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

} // namespace

// Quizzes of Moodle (XML, GIFT) open in the window by every route, converted in memory.
class TestQuizOpen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QSettings().clear();
        writeFile(path(QStringLiteral("quiz.xml")), kXml);
        writeFile(path(QStringLiteral("quiz.gift")), kGift);
    }

    void openByDialog()
    {
        ScriptedPrompts prompts;
        auto window = makeWindow(prompts);
        prompts.files = {path(QStringLiteral("quiz.xml"))};
        window->AOpenTest->trigger();
        QCOMPARE(window->RunState(), rsTestLoaded);
        const TTest* test = window->Test();
        QCOMPARE(test->Title, QStringLiteral("quiz"));
        QCOMPARE(test->FileName, path(QStringLiteral("quiz.xml")));
        // The CRC is that of the source, as for a test file opened from disk.
        QCOMPARE(test->FileCRC, FileCRC32(path(QStringLiteral("quiz.xml"))));
        QCOMPARE(window->Tasks().size(), 1u);
        QCOMPARE(window->PreviousFiles().entries(), QStringList{path(QStringLiteral("quiz.xml"))});
        QVERIFY(prompts.messages.isEmpty());
        // The warnings, once, in a text window, after the summary.
        QCOMPARE(prompts.viewers.size(), 1);
        QCOMPARE(prompts.viewers.at(0).caption, QStringLiteral("Перенос теста"));
        QVERIFY(prompts.viewers.at(0).text.startsWith(
            QStringLiteral("При переносе вопросов из файла «quiz.xml»")));
        QVERIFY(prompts.viewers.at(0).text.contains(
            QStringLiteral("Вопрос «Эссе» (строка 7): пропущен: вопросы типа «essay» не переносятся.")));
        QVERIFY(
            qobject_cast<QTextEdit*>(window->QuestionText)->toPlainText().contains(QStringLiteral("quiz")));

        // Opening it again from the recent files converts it again.
        window->closeTest();
        window->miListPreviousFiles->actions().at(0)->trigger();
        QCOMPARE(window->RunState(), rsTestLoaded);
        QCOMPARE(prompts.viewers.size(), 2);
    }

    void giftWithoutWarnings()
    {
        ScriptedPrompts prompts;
        auto window = makeWindow(prompts);
        window->LoadTest(path(QStringLiteral("quiz.gift")));
        QCOMPARE(window->RunState(), rsTestLoaded);
        QCOMPARE(window->Tasks().size(), 2u);
        QVERIFY(prompts.viewers.isEmpty());
        QVERIFY(prompts.messages.isEmpty());
        // A run starts as with any test.
        prompts.userName = QStringLiteral("Иванов Иван");
        prompts.userGroup = QStringLiteral("10 А");
        window->updateCommands();
        window->ABeginTest->trigger();
        QCOMPARE(window->RunState(), rsTesting);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("warnings");
        QTest::newRow("not well formed") << QByteArrayLiteral("<quiz>\n<question>\n</quiz>")
                                         << QStringLiteral("Ошибка в файле XML (строка 3, столбец") << false;
        QTest::newRow("not a quiz") << QByteArrayLiteral("<html/>")
                                    << QStringLiteral("Файл не является тестом Moodle XML или GIFT.")
                                    << false;
        QTest::newRow("nothing importable")
            << QByteArrayLiteral(
                   "<quiz><question type=\"essay\"><name><text>E</text></name></question></quiz>")
            << QStringLiteral("В файле нет вопросов, которые можно перенести в тест.") << true;
    }

    void failures()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, message);
        QFETCH(bool, warnings);
        writeFile(path(QStringLiteral("bad.xml")), source);
        ScriptedPrompts prompts;
        auto window = makeWindow(prompts);
        window->LoadTest(path(QStringLiteral("bad.xml")));
        QCOMPARE(window->RunState(), rsNoTest);
        QVERIFY(window->Test() == nullptr);
        QCOMPARE(prompts.messages.size(), 1);
        QCOMPARE(prompts.messages.at(0).caption, QStringLiteral("Ошибка!"));
        QCOMPARE(prompts.messages.at(0).icon, MessageIcon::Error);
        QVERIFY2(prompts.messages.at(0).text.startsWith(message), qPrintable(prompts.messages.at(0).text));
        QCOMPARE(prompts.viewers.size(), warnings ? 1 : 0);
        QVERIFY(window->PreviousFiles().isEmpty());
    }

    void otherRoutes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("name");
        QTest::newRow("dropped .gift") << QStringLiteral("drop") << QStringLiteral("quiz.gift");
        QTest::newRow("dropped .XML") << QStringLiteral("drop") << QStringLiteral("QUIZ2.XML");
        QTest::newRow("handed over .xml") << QStringLiteral("handoff") << QStringLiteral("quiz.xml");
        QTest::newRow("command line, GIFT of another name")
            << QStringLiteral("command") << QStringLiteral("quiz.txt");
    }

    void otherRoutes()
    {
        QFETCH(QString, route);
        QFETCH(QString, name);
        writeFile(path(QStringLiteral("QUIZ2.XML")), kXml);
        writeFile(path(QStringLiteral("quiz.txt")), kGift);
        ScriptedPrompts prompts;
        auto window =
            makeWindow(prompts, route == QLatin1String("command") ? QStringList{path(name)} : QStringList{});
        if (route == QLatin1String("drop")) {
            dropFile(window.get(), path(name));
        } else if (route == QLatin1String("handoff")) {
            window->HandleHandOff(path(name));
        } else {
            window->show();
            QTRY_COMPARE(window->RunState(), rsTestLoaded);
        }
        QCOMPARE(window->RunState(), rsTestLoaded);
        QCOMPARE(window->Test()->FileName, path(name));
        QVERIFY(prompts.messages.isEmpty());
    }

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<TStudentMainForm> makeWindow(ScriptedPrompts& prompts, const QStringList& arguments = {})
    {
        TStudentMainForm::Options options;
        options.programFolder = m_dir->path();
        options.prompts = &prompts;
        options.arguments = arguments;
        options.realTimers = false;
        return std::make_unique<TStudentMainForm>(options);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TestQuizOpen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quizopen.moc"
