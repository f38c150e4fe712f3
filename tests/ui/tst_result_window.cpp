#include "common/Cp1251.h"
#include "common/DateTime.h"
#include "config/Config.h"
#include "model/Task.h"
#include "model/Test.h"
#include "results/DetailReport.h"
#include "results/ProtectedResultFile.h"
#include "results/ResultLog.h"
#include "results/ResultTest.h"
#include "run/RunController.h"
#include "run/SilentRunView.h"
#include "support/TestEnvironment.h"
#include "ui/ResultOutputs.h"
#include "ui/RichTextView.h"
#include "ui/ShowResultForm.h"
#include "ui/TextViewForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLockFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cmath>
#include <numbers>

using namespace kvizor;

namespace {

constexpr QRgb kGreen = 0x00DC00;
constexpr QRgb kRed = 0xDC0000;
constexpr QRgb kWhite = 0xFFFFFF;

QRgb chartColour(const QImage& image, double percent, double r = 28.0)
{
    const double angle = percent / 100.0 * 2.0 * std::numbers::pi;
    const double scale = image.width() / 75.0;
    const int x = int(std::floor(image.width() / 2.0 + r * scale * std::sin(angle)));
    const int y = int(std::floor(image.height() / 2.0 - r * scale * std::cos(angle)));
    return image.pixel(x, y) & 0xFFFFFF;
}

QImage grabChart(TShowResultForm& form, const char* name)
{
    auto* box = form.findChild<QWidget*>(QLatin1String(name));
    if (!box)
        return {};
    return box->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QString labelText(const TShowResultForm& form, const char* name)
{
    const auto* label = form.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

QStringList paragraphs(const QTextDocument& doc)
{
    QStringList list;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        list << block.text();
    return list;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The view of a run answered by script: every task gets its right answer, except the text
// task, which gets a wrong one.
class ScriptedView : public testing::SilentRunView
{
public:
    void ShowTask(const TaskScreen& screen) override
    {
        m_screen = screen;
        ++shown;
    }
    TaskAnswer ReadAnswer() const override
    {
        TaskAnswer a;
        const TTask& task = *m_screen.Task;
        const QList<int>& order = m_screen.VariantOrder;
        for (int k = 0; k < order.size(); ++k) {
            const int value = task.GetVariantValue(order[k]);
            switch (task.TaskType) {
            case ttSingleChoice:
            case ttMultipleChoice:
                a.Checked[size_t(k)] = task.IsVariantRight(order[k]);
                break;
            case ttOrdering:
            case ttMatching:
                a.ListIndex[size_t(k)] = value - 1;
                break;
            case ttTrueFalse:
                a.ListIndex[size_t(k)] = value;
                break;
            default:
                break;
            }
        }
        if (task.TaskType == ttNumber)
            a.Text = QStringLiteral("2,5");
        if (task.TaskType == ttText)
            a.Text = QStringLiteral("Киев");
        if (task.TaskType == ttImagePoint) {
            a.PointPlaced = true;
            a.PointX = 12;
            a.PointY = 9;
        }
        return a;
    }

    int shown = 0;

private:
    TaskScreen m_screen;
};

struct ScriptedPrompts : IRunPrompts
{
    void ShowMessage(const QString& caption, const QString& text, MessageIcon) override
    {
        events << QStringLiteral("message: ") + caption + QStringLiteral(" | ") + text;
    }
    bool AskYesNo(const QString&, const QString&, MessageIcon) override { return true; }
    std::optional<QString> AskPassword() override { return std::nullopt; }
    IdentificationResult Identify(const IdentificationRequest&) override
    {
        return {true, QStringLiteral("Петров Пётр"), QStringLiteral("10 Б")};
    }
    void ShowRichTextViewer(const QString&, const QString&) override {}

    QStringList& events;
    explicit ScriptedPrompts(QStringList& list) : events(list) {}
};

// The main window's side of the outputs, recording what reaches the screen and what the
// result files hold at each moment.
struct Host : IResultHost
{
    QWidget window;
    QTextEdit questionText{&window};
    QStringList& events;
    QString logPath;
    QString protectedPath;
    QStringList summary;
    QStringList report;
    QString reportCaption;
    QImage tasksChart;
    QImage pointsChart;
    QMap<QString, QString> resultTexts;
    QString resultCaption;

    explicit Host(QStringList& list) : events(list) { window.resize(800, 600); }

    QString files() const
    {
        return QStringLiteral("[log %1 lines, protected %2]")
            .arg(readAll(logPath).count("\r\n"))
            .arg(QFile::exists(protectedPath) ? QStringLiteral("yes") : QStringLiteral("no"));
    }

    QWidget* ResultOwner() override { return &window; }
    QTextDocument* QuestionDocument() override { return questionText.document(); }
    void SummaryShown() override
    {
        summary = paragraphs(*questionText.document());
        events << QStringLiteral("summary ") + files();
    }
    QFont QuestionFont() const override { return questionText.font(); }
    void PlayEndTestSound() override { events << QStringLiteral("sound"); }
    int ExecDialog(QDialog& dialog) override
    {
        auto& form = static_cast<TShowResultForm&>(dialog);
        form.show();
        if (!QTest::qWaitForWindowExposed(&form))
            events << QStringLiteral("result window not exposed");
        resultCaption = form.windowTitle();
        for (const char* name : {"CountTaskLabel", "CountAskTaskLabel", "CountCorrectTaskLabel",
                                 "ResultLabel", "YourScore", "YourMark"})
            resultTexts[QLatin1String(name)] = labelText(form, name);
        tasksChart = grabChart(form, "PaintBox");
        pointsChart = grabChart(form, "PaintBox1");
        events << QStringLiteral("result window ") + files();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        return form.result();
    }
    void ShowDocumentViewer(QTextDocument& document, const QString& caption) override
    {
        report = paragraphs(document);
        reportCaption = caption;
        events << QStringLiteral("report");
    }
};

std::unique_ptr<TTask> task(int type, const QString& question, const QStringList& variants = {},
                            const QList<int>& values = {}, int weight = 1)
{
    auto t = std::make_unique<TTask>(type);
    t->Question = question;
    t->Weight = weight;
    for (int i = 0; i < variants.size(); ++i)
        t->Variants[size_t(i)] = variants[i];
    for (int i = 0; i < values.size(); ++i)
        t->VariantValues[size_t(i)] = values[i];
    return t;
}

// A test of all eight types, worth 1 + 2 + 3 + 2 + 1 + 2 + 1 + 3 = 15 points.
void allEightTypes(TTest& test, TTaskList& tasks)
{
    test.FileName = QStringLiteral("/srv/tests/все типы.kvf");
    test.Title = QStringLiteral("Все типы");
    test.FileCRC = 0xDEADBEEF;
    test.Marks.clear();
    test.Marks.append({2, 0, QStringLiteral("неуд.")});
    test.Marks.append({3, 50, QString()});
    test.Marks.append({4, 80, QStringLiteral("хорошо")});
    test.Marks.append({5, 95, QStringLiteral("отлично")});
    const QStringList abc = {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")};
    auto single = task(ttSingleChoice, QStringLiteral("Один"), abc, {0, 1, 0}, 1);
    single->ImageFile = QStringLiteral("broken.png"); // the report cannot show it
    tasks.push_back(std::move(single));
    tasks.push_back(task(ttMultipleChoice, QStringLiteral("Несколько"), abc, {1, 0, 1}, 2));
    tasks.push_back(task(ttOrdering, QStringLiteral("Порядок"), abc, {3, 1, 2}, 3));
    auto matching =
        task(ttMatching, QStringLiteral("Пары"), {QStringLiteral("кот"), QStringLiteral("сом")}, {2, 1}, 2);
    matching->MatchVariants[0] = QStringLiteral("рыба");
    matching->MatchVariants[1] = QStringLiteral("зверь");
    tasks.push_back(std::move(matching));
    tasks.push_back(task(ttTrueFalse, QStringLiteral("Да или нет"), abc, {1, 2, 1}, 1));
    auto number = task(ttNumber, QStringLiteral("Число"), {}, {}, 2);
    number->NumberValue = 2.5;
    tasks.push_back(std::move(number));
    auto text = task(ttText, QStringLiteral("Столица"), {}, {}, 1);
    text->TextAnswers = QStringLiteral("Москва");
    tasks.push_back(std::move(text));
    auto point = task(ttImagePoint, QStringLiteral("Где?"), {}, {}, 3);
    point->ImageFile = QStringLiteral("map.png");
    point->AnswerRect = {5, 5, 20, 10};
    tasks.push_back(std::move(point));

    QImage map(40, 30, QImage::Format_RGB32);
    map.fill(Qt::white);
    map.save(test.TempFolder + QStringLiteral("map.png"), "PNG");
    QFile broken(test.TempFolder + QStringLiteral("broken.png"));
    if (broken.open(QIODevice::WriteOnly))
        broken.write("not a picture");
}

QDateTime clockAt(int seconds)
{
    return QDateTime(QDate(2026, 3, 5), QTime(10, 0, 0)).addSecs(seconds);
}

struct Rig
{
    QTemporaryDir dir;
    // Where records go when a result file stays locked.
    QTemporaryDir fallback;
    QString resultFolder;
    TConfig config;
    QStringList events;
    ScriptedView view;
    ScriptedPrompts prompts{events};
    Host host{events};
    int clock = 0;
    TResultOutputs outputs{config, prompts, host, [this] { return clockAt(clock); }};
    IRunNetwork network;
    std::unique_ptr<TRunController> controller;

    explicit Rig(const QString& folder = {})
    {
        resultFolder = folder.isEmpty() ? dir.path() : folder;
        config.DirForResult = resultFolder;
        config.IsSaveResult = true;
        config.IsSaveProtectionResult = true;
        config.IsShowUserResult = true;
        config.IsShowDetailReportModeNormal = true;
        config.IsSendResult = false;
        host.logPath = ResultLogPath(config);
        host.protectedPath = resultFolder + QLatin1Char('/') + config.ProtectionResultFileName;
        RunEnvironment env;
        env.Now = [this] { return clockAt(clock); };
        env.PlainText = [](const QString& text) { return text; };
        env.ProgramFolder = [this] { return dir.path(); };
        env.ComputerName = QStringLiteral("KLASS-3");
        env.ComputerUserName = QStringLiteral("ucheniki");
        env.RealTimers = false;
        SharedWriteOptions shared;
        shared.LockWait = std::chrono::milliseconds(50);
        shared.FallbackFolder = fallback.path();
        env.SharedResultFiles = shared;
        outputs.SetSharedWriteOptions(shared);
        controller = std::make_unique<TRunController>(config, view, prompts, outputs, network, env);
        auto test = std::make_unique<TTest>();
        TTaskList tasks;
        allEightTypes(*test, tasks);
        controller->BeginLoading();
        controller->TestLoaded(std::move(test), std::move(tasks));
    }

    // Starts a run and answers every task, 20 seconds each.
    void takeTheTest()
    {
        controller->BeginTest();
        for (int i = 0; i < 8 && controller->RunState() == rsTesting; ++i) {
            for (int s = 0; s < 20; ++s) {
                ++clock;
                controller->TimerTestTimer();
                controller->TimerTaskTimer();
            }
            controller->ACheckAskTaskExecute();
        }
    }
};

} // namespace

class TestResultWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The designed arrangement: counts at the left, the two charts at the right, then the
    // points, a rule, the grade and the OK button across; the designed size at least.
    void layout()
    {
        TShowResultForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const double scale = form.screen()->logicalDotsPerInchY() / 96.0;
        auto s = [&](int v) { return qRound(v * scale); };
        QVERIFY(form.width() >= s(428) && form.height() >= s(291));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        auto place = [&](const char* name) {
            const QWidget* w = form.findChild<QWidget*>(QLatin1String(name));
            return w != nullptr ? QRect(w->mapTo(&form, QPoint(0, 0)), w->size()) : QRect();
        };
        QCOMPARE(place("PaintBox").size(), QSize(s(75), s(75)));
        QCOMPARE(place("PaintBox1").size(), QSize(s(75), s(75)));
        QVERIFY(place("PaintBox").bottom() < place("PaintBox1").top());
        QVERIFY(place("Label2").bottom() <= place("PaintBox").top());
        QVERIFY(place("Label1").right() < place("CountTaskLabel").left());
        QVERIFY(place("CountTaskLabel").right() < place("PaintBox").left());
        QVERIFY(place("Label4").bottom() < place("YourScore").top());
        QVERIFY(place("YourScore").width() >= s(312));
        QVERIFY(place("YourScore").bottom() < place("Bevel1").top());
        QVERIFY(place("Bevel1").bottom() < place("YourMark").top());
        QVERIFY(place("YourMark").bottom() < place("BitBtn1").top());
        QVERIFY(place("BitBtn1").width() > form.width() * 9 / 10);
        QVERIFY(place("BitBtn1").height() >= s(30));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Всего заданий в тесте:"));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label1"))->font().pointSize(), 12);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("YourMark"))->font().pointSize(), 14);
        QVERIFY(form.findChild<QLabel*>(QStringLiteral("YourMark"))->font().bold());
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label2"))->palette().color(QPalette::WindowText),
                 QColor(128, 128, 128));
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("YourScore"))->palette().color(QPalette::WindowText),
                 QColor(0, 128, 0));
        QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->text(), QStringLiteral("OK"));
    }

    void textsAndCharts()
    {
        TShowResultForm form;
        form.UserName = QStringLiteral("  Иванов Иван");
        form.UserGroup = QString();
        form.TaskCount = 10;
        form.AskedCount = 6;
        form.RightCount = 3;
        form.Points = 2.5;
        form.MaxPoints = 20;
        form.MarkValue = 5;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Результаты тестирования (Иванов Иван)"));
        QCOMPARE(labelText(form, "CountTaskLabel"), QStringLiteral("10"));
        QCOMPARE(labelText(form, "CountAskTaskLabel"), QStringLiteral("6"));
        QCOMPARE(labelText(form, "CountCorrectTaskLabel"), QStringLiteral("3"));
        QCOMPARE(labelText(form, "ResultLabel"), QStringLiteral("30,0%."));
        QCOMPARE(labelText(form, "YourScore"),
                 QStringLiteral("Набрано баллов: 2,5 из 20 возможных.\nВаш результат: 12,5%."));
        QCOMPARE(labelText(form, "YourMark"), QStringLiteral("Ваша оценка: 5"));

        const QImage tasks = grabChart(form, "PaintBox");
        for (double p : {5.0, 15.0, 25.0})
            QCOMPARE(chartColour(tasks, p), kGreen);
        for (double p : {35.0, 45.0, 55.0})
            QCOMPARE(chartColour(tasks, p), kRed);
        for (double p : {65.0, 80.0, 95.0})
            QCOMPARE(chartColour(tasks, p), kWhite);
        const QImage points = grabChart(form, "PaintBox1");
        QCOMPARE(chartColour(points, 6), kGreen);
        QCOMPARE(chartColour(points, 50), kRed);
    }

    void pointsChartEdges_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("0 points: all red") << 0.0 << kRed;
        QTest::newRow("negative points: all red") << -4.0 << kRed;
        QTest::newRow("full points: all green") << 20.0 << kGreen;
    }

    void pointsChartEdges()
    {
        QFETCH(double, points);
        QFETCH(QRgb, colour);
        TShowResultForm form;
        form.TaskCount = 4;
        form.AskedCount = 4;
        form.RightCount = 4;
        form.Points = points;
        form.MaxPoints = 20;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage chart = grabChart(form, "PaintBox1");
        for (double p = 2; p < 100; p += 8)
            QCOMPARE(chartColour(chart, p), colour);
    }

    void noTasksKeepsTheLayoutTexts()
    {
        TShowResultForm form;
        form.UserName = QStringLiteral("X");
        form.FillTexts();
        QCOMPARE(form.windowTitle(), QStringLiteral("Результаты тестирования"));
        QCOMPARE(labelText(form, "YourMark"), QString());
    }

    void wholeRunLeavesEveryOutputInOrder()
    {
        Rig rig;
        rig.takeTheTest();
        QCOMPARE(rig.controller->RunState(), rsTestLoaded);
        QCOMPARE(rig.controller->RunResult(), nullptr);
        QCOMPARE(rig.view.shown, 8);

        // Order: sound, summary before the log, the result window after both files, the
        // report last; the report's picture failure is told once.
        QCOMPARE(rig.events,
                 QStringList({QStringLiteral("sound"), QStringLiteral("summary [log 1 lines, protected no]"),
                              QStringLiteral("result window [log 26 lines, protected yes]"),
                              QStringLiteral("message: KvizorStudent | Ошибка загрузки изображения!"),
                              QStringLiteral("report")}));

        // 7 of 8 right (the text task is wrong): 14 of 15 points = 93.3 %, grade "хорошо".
        const QStringList summary = {
            QStringLiteral("Тест \"Все типы\" закончен..."),
            QStringLiteral("Всего заданий в тесте: 8. Вами выполнено заданий: 8."),
            QStringLiteral("Из них правильно: 7 (87,5% выполненых заданий)."),
            QStringLiteral("Из них ошибок: 1 (12,5% выполненых заданий)."),
            QStringLiteral("Результативность: 87,5%."),
            QStringLiteral("Набрано баллов: 14,0 из 15 возможных. Ваш результат: 93,3%."),
            QStringLiteral("Оценка: хорошо."),
            QStringLiteral("Время начала: 10:00:00."),
            QStringLiteral("Время завершения: 10:02:40."),
            QStringLiteral("Продолжительность: 00:02:40.")};
        QCOMPARE(rig.host.summary, summary);

        const QStringList log = {
            QString(48, QLatin1Char('-')),
            QStringLiteral("---------- 05.03.2026 10:02:40 ----------"),
            QStringLiteral("Тест закончен..."),
            QStringLiteral("Имя компьютера: \"KLASS-3\""),
            QStringLiteral("Имя пользователя компьютера: \"ucheniki\""),
            QStringLiteral("Имя пользователя (тестируемого): \"Петров Пётр\""),
            QStringLiteral("Название теста: \"Все типы\""),
            QStringLiteral("Файл с тестом: \"/srv/tests/все типы.kvf\""),
            QStringLiteral("CRC Файла с тестом: \"DEADBEEF\""),
            QStringLiteral("Всего заданий в тесте: 8."),
            QStringLiteral("Выполнено заданий: 8."),
            QStringLiteral("Из них правильно: 7 (87,5% выполненых заданий)."),
            QStringLiteral("Из них ошибок: 1 (12,5% выполненых заданий)."),
            QStringLiteral("Результативность: 87,5%."),
            QStringLiteral("Использовано подсказок: 0."),
            QStringLiteral("Набрано баллов: 14,0 из 15 возможных. Ваш результат: 93,3%."),
            QStringLiteral("Оценка: хорошо."),
            QStringLiteral("Маска результата: \"1) + 2) + 3) + 4) + 5) + 6) + 7) - 8) + \"."),
            QStringLiteral("Маска времени обдумывания (в секундах): \"1) 20 2) 20 3) 20 4) 20 5) 20 6) 20 7) "
                           "20 8) 20 \"."),
            QStringLiteral("Маска ответов: \"1) 2 2) 1;3; 3) 1-3;2-1;3-2; 4) 1-2;2-1; 5) 1-Да;2-Нет;3-Да; 6) "
                           "2,5 7) Киев 8) "
                           "x=12; y=9 \"."),
            QStringLiteral("Маска штрафов за подсказку: \"1) * 2) * 3) * 4) * 5) * 6) * 7) * 8) * \"."),
            QStringLiteral("Время начала: 10:00:00."),
            QStringLiteral("Время завершения: 10:02:40."),
            QStringLiteral("Продолжительность: 00:02:40."),
            QString(48, QLatin1Char('-'))};
        const QByteArray logBytes = readAll(rig.host.logPath);
        QVERIFY(logBytes.endsWith("\r\n"));
        QStringList logLines = cp1251::decode(logBytes).split(QStringLiteral("\r\n"));
        logLines.removeLast();
        QCOMPARE(logLines.size(), 26); // the begin line, then the record
        QVERIFY(logLines.first().endsWith(QStringLiteral(" Начат тест: \"Все типы\"")));
        const QStringList record = logLines.mid(1);
        for (int i = 0; i < log.size(); ++i)
            QCOMPARE(record.value(i), log[i]);

        const QList<TResultTest> stored = LoadProtectedResults(rig.host.protectedPath);
        QCOMPARE(stored.size(), 1);
        const TResultTest& r = stored.first();
        QCOMPARE(r.UserName, QStringLiteral("Петров Пётр"));
        QCOMPARE(r.UserGroup, QStringLiteral("10 Б"));
        QCOMPARE(r.MarkValue, 4);
        QCOMPARE(r.MarkName, QStringLiteral("хорошо"));
        QCOMPARE(r.MarkCount, 4);
        QCOMPARE(r.RightCount, 7);
        QCOMPARE(r.WrongCount, 1);
        QCOMPARE(r.Points, 14.0);
        QCOMPARE(r.MaxPoints, 15);
        QCOMPARE(r.ElapsedSeconds, 160);
        QCOMPARE(r.EndReason, std::uint8_t(erFinished));
        QCOMPARE(r.TestFileCRC, 0xDEADBEEFu);
        QCOMPARE(r.TestDate, r.EndTime);

        QCOMPARE(rig.host.resultCaption, QStringLiteral("Результаты тестирования (Петров Пётр 10 Б)"));
        QCOMPARE(rig.host.resultTexts.value(QStringLiteral("ResultLabel")), QStringLiteral("87,5%."));
        QCOMPARE(rig.host.resultTexts.value(QStringLiteral("YourMark")),
                 QStringLiteral("Ваша оценка: хорошо"));
        QCOMPARE(chartColour(rig.host.tasksChart, 80), kGreen);
        QCOMPARE(chartColour(rig.host.tasksChart, 95), kRed);
        QCOMPARE(chartColour(rig.host.pointsChart, 90), kGreen);
        QCOMPARE(chartColour(rig.host.pointsChart, 97), kRed);

        QCOMPARE(rig.host.reportCaption, QStringLiteral("Отчет по прохождению теста"));
        QCOMPARE(rig.host.report.filter(QStringLiteral("Задание #")).size(), 8);
        QVERIFY(rig.host.report.contains(QStringLiteral("Задание # 7 - ошибка!")));
        QCOMPARE(rig.host.report.last(), QStringLiteral("Конец"));
    }

    void hiddenResultsAndFailingFiles()
    {
        QTemporaryDir dir;
        Rig rig(dir.filePath(QStringLiteral("no such folder")));
        rig.config.IsShowUserResult = false;
        rig.config.IsShowDetailReportModeNormal = false;
        rig.takeTheTest();
        QCOMPARE(rig.controller->RunState(), rsTestLoaded);
        // Each failing output tells its own failure and the later ones still run; the
        // folder is not created.
        QCOMPARE(rig.events,
                 QStringList(
                     {QStringLiteral("message: Внимание! | Ошибка записи в файл результатов."), // begin line
                      QStringLiteral("sound"), QStringLiteral("summary [log 0 lines, protected no]"),
                      QStringLiteral("message: Внимание! | Ошибка записи в файл результатов."),
                      QStringLiteral("message: Внимание! | Ошибка записи в защищенный файл результатов."),
                      QStringLiteral("message: Результаты тестирования | Тест закончен... \r\nРезультаты "
                                     "тестирования\r\nВы можете узнать у руководителя.")}));
        QVERIFY(!QFileInfo::exists(rig.resultFolder));
        QCOMPARE(rig.host.summary.size(), 6);
        QCOMPARE(rig.host.summary.at(2),
                 QStringLiteral("Результаты тестирования Вы можете узнать у руководителя."));
    }

    // Another workstation keeps both result files locked: the begin line, the record and the
    // protected record go to the fallback folder, each with a message naming both files, in
    // the order of the outputs.
    void lockedSharedFolderKeepsEveryRecord()
    {
        Rig rig;
        rig.config.IsShowDetailReportModeNormal = false;
        QLockFile logLock(rig.host.logPath + QStringLiteral(".lock"));
        QLockFile protectedLock(rig.host.protectedPath + QStringLiteral(".lock"));
        QVERIFY(logLock.tryLock(0) && protectedLock.tryLock(0));
        rig.takeTheTest();
        // The records wait for their locks while the event loop runs.
        QCOMPARE(rig.controller->Step(), TRunStep::ResultLog);
        QTRY_VERIFY(!rig.controller->StepUnderWay());
        const QString logCopy = rig.fallback.filePath(QStringLiteral("KvizorStudent_Result.txt"));
        const QString protectedCopy = rig.fallback.filePath(rig.config.ProtectionResultFileName);
        const QString diverted = QStringLiteral(
            "message: Внимание! | Файл %1 занят другой программой.\nРезультат сохранен в файл %2.");
        QCOMPARE(rig.events, QStringList({diverted.arg(rig.host.logPath, logCopy), QStringLiteral("sound"),
                                          QStringLiteral("summary [log 0 lines, protected no]"),
                                          diverted.arg(rig.host.logPath, logCopy),
                                          diverted.arg(rig.host.protectedPath, protectedCopy),
                                          QStringLiteral("result window [log 0 lines, protected no]")}));
        QCOMPARE(readAll(logCopy).count("\r\n"), 26);
        const QList<TResultTest> kept = LoadProtectedResults(protectedCopy);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.at(0).UserName, QStringLiteral("Петров Пётр"));
    }

    void reportInTheViewer()
    {
        TTest test;
        TTaskList tasks;
        allEightTypes(test, tasks);
        TResultTest result(8);
        result.TaskOrder = {7, 0};
        QTextDocument report;
        BuildDetailReport(&report, test, tasks, result);
        QStringList shown;
        int pictures = 0;
        QString caption;
        QTimer::singleShot(0, this, [&] {
            auto* form = qobject_cast<TTextViewForm*>(QApplication::activeModalWidget());
            if (!form)
                return;
            caption = form->windowTitle();
            const QTextDocument* doc = form->viewer()->document();
            shown = paragraphs(*doc);
            for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat f = it.fragment().charFormat();
                    if (f.isImageFormat() &&
                        !doc->resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())).isNull())
                        ++pictures;
                }
            }
            QTest::mouseClick(form->okButton(), Qt::LeftButton);
        });
        QVERIFY(ShowDocumentViewer(report, QStringLiteral("Отчет по прохождению теста"), nullptr));
        QCOMPARE(caption, QStringLiteral("Отчет по прохождению теста"));
        QCOMPARE(shown, paragraphs(report));
        QCOMPARE(pictures, 2); // the image-point picture, plain and marked
    }

    void resultsInTheProgramFolder()
    {
        Rig rig;
        rig.config.DirForResult.clear();
        rig.outputs.SetProgramFolder(rig.dir.path());
        rig.config.IsShowDetailReportModeNormal = false;
        rig.takeTheTest();
        const QString log = rig.dir.filePath(QStringLiteral("KvizorStudent_Result.txt"));
        QCOMPARE(readAll(log).count("\r\n"), 26);
        QVERIFY(QFile::exists(rig.dir.filePath(rig.config.ProtectionResultFileName)));
    }

    void noLogWhenSavingIsOff()
    {
        Rig rig;
        rig.config.IsSaveResult = false;
        rig.config.IsSaveProtectionResult = false;
        rig.config.IsShowDetailReportModeNormal = false;
        rig.takeTheTest();
        QVERIFY(QDir(rig.resultFolder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
        QCOMPARE(rig.events.last(), QStringLiteral("result window [log 0 lines, protected no]"));
    }
};

KVIZOR_TEST_MAIN(TestResultWindow)
#include "tst_result_window.moc"
