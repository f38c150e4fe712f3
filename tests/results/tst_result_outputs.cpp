#include "common/Cp1251.h"
#include "common/DateTime.h"
#include "common/TextFormats.h"
#include "config/Config.h"
#include "model/Test.h"
#include "results/Grade.h"
#include "results/ResultCharts.h"
#include "results/ResultLog.h"
#include "results/ResultTest.h"
#include "results/ResultTexts.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <cmath>
#include <numbers>

using namespace kvizor;

namespace {

QList<TMark> scale(std::initializer_list<std::pair<const char16_t*, int>> marks)
{
    QList<TMark> list;
    int value = 1;
    for (const auto& [name, percent] : marks) {
        TMark mark;
        mark.Name = QString::fromUtf16(name);
        mark.Percent = percent;
        mark.Value = mark.Name.toInt() ? mark.Name.toInt() : value;
        list.append(mark);
        ++value;
    }
    return list;
}

QList<TMark> standardScale()
{
    return scale({{u"2", 0}, {u"3", 50}, {u"4", 70}, {u"5", 90}});
}

QDateTime at(int h, int m, int s)
{
    return QDateTime(QDate(2026, 3, 5), QTime(h, m, s));
}

// The run of the golden log record: 3 tasks, two presented, one right, one hint.
TResultTest knownRun()
{
    TResultTest r(3);
    r.UserName = QStringLiteral("Иванов Иван");
    r.UserGroup = QStringLiteral("11 А");
    r.ComputerName = QStringLiteral("PC-07");
    r.ComputerUserName = QStringLiteral("student");
    r.TestTitle = QStringLiteral("Физика №1 (ёмкость)");
    r.TestFileName = QStringLiteral("/home/u/Физика.kvf");
    r.TestFileCRC = 0x0A1B2C3D;
    r.TaskResults = {2, 0, -1};
    r.TaskSeconds = {12, 30, -1};
    r.TaskAnswers = {QStringLiteral("1;"), QStringLiteral("x=120; y=45"), QString()};
    r.TaskPenalties = {-1, 1, -1};
    r.EndReason = erStopped;
    r.TaskCount = 3;
    r.AskedCount = 2;
    r.RightCount = 1;
    r.WrongCount = 1;
    r.PromptCount = 1;
    r.MaxPoints = 4;
    r.Points = 2.5;
    r.StartTime = dateTimeToDays(at(9, 15, 7));
    r.EndTime = dateTimeToDays(at(9, 20, 12));
    r.TestDate = r.EndTime;
    r.ElapsedSeconds = 305;
    ChooseMark(r, standardScale());
    return r;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString goldenPath(const QString& name)
{
    return qEnvironmentVariable("KVIZOR_SOURCE_DIR") + QStringLiteral("/tests/results/golden/") + name;
}

TConfig logConfig(const QString& folder)
{
    TConfig config;
    config.DirForResult = folder;
    config.IsSaveResult = true;
    return config;
}

QImage renderChart(bool tasks, const TChartShares& shares, QSize size = QSize(75, 75))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue); // the background outside the ellipse
    QPainter painter(&image);
    if (tasks)
        DrawTasksChart(painter, size, shares);
    else
        DrawPointsChart(painter, size, shares);
    painter.end();
    return image;
}

// The colour at the given share of the turn (clockwise from 12 o'clock), r pixels from the
// centre of a 75 x 75 chart.
QRgb colourAt(const QImage& image, double percent, double r = 28.0)
{
    const double angle = percent / 100.0 * 2.0 * std::numbers::pi;
    const double cx = image.width() / 2.0;
    const double cy = image.height() / 2.0;
    const int x = int(std::floor(cx + r * std::sin(angle)));
    const int y = int(std::floor(cy - r * std::cos(angle)));
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kGreen = 0x00DC00;
constexpr QRgb kRed = 0xDC0000;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kOutline = 0x464646;

// Direction of the second radial of a wedge, as a share of the turn from 12 o'clock.
double radialShare(int percent)
{
    const QPoint p = PieWedgePoint(percent, QSize(75, 75));
    double a = std::atan2(p.x() - 37.5, 37.5 - p.y()) / (2.0 * std::numbers::pi) * 100.0;
    return a < 0 ? a + 100.0 : a;
}

} // namespace

class TestResultOutputs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void grade_data()
    {
        QTest::addColumn<QList<TMark>>("marks");
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("maxPoints");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");

        QTest::newRow("70.0 reaches 4") << standardScale() << 7.0 << 10 << 4 << "4"
                                        << "4";
        QTest::newRow("69.99 stays 3") << standardScale() << 6999.0 << 10000 << 3 << "3"
                                       << "3";
        QTest::newRow("full points") << standardScale() << 10.0 << 10 << 5 << "5"
                                     << "5";
        QTest::newRow("zero points") << standardScale() << 0.0 << 10 << 2 << "2"
                                     << "2";
        QTest::newRow("negative points below every minimum")
            << standardScale() << -1.0 << 10 << 0 << QString() << "0";
        QTest::newRow("listed high to low: the last qualifying wins")
            << scale({{u"5", 90}, {u"2", 0}}) << 95.0 << 100 << 2 << "2"
            << "2";
        QTest::newRow("nothing qualifies")
            << scale({{u"4", 70}, {u"5", 90}}) << 5.0 << 10 << 0 << QString() << "0";
        QList<TMark> unnamed = scale({{u"x", 0}});
        unnamed[0].Value = 4;
        unnamed[0].Name.clear();
        QTest::newRow("no name shows the value") << unnamed << 1.0 << 2 << 4 << QString() << "4";
        QTest::newRow("named grade") << scale({{u"зачёт", 60}, {u"незачёт", 101}}) << 3.0 << 5 << 1 << "зачёт"
                                     << "зачёт";
        QTest::newRow("empty scale") << QList<TMark>() << 3.0 << 5 << 0 << QString() << "0";
        QTest::newRow("no points at stake counts as 0 %")
            << scale({{u"2", 0}, {u"3", 1}}) << 0.0 << 0 << 2 << "2"
            << "2";
    }

    void grade()
    {
        QFETCH(QList<TMark>, marks);
        QFETCH(double, points);
        QFETCH(int, maxPoints);
        QFETCH(int, value);
        QFETCH(QString, name);
        QFETCH(QString, text);
        TResultTest r(0);
        r.Points = points;
        r.MaxPoints = maxPoints;
        r.MarkValue = 99; // overwritten even when nothing qualifies
        r.MarkName = QStringLiteral("old");
        ChooseMark(r, marks);
        QCOMPARE(r.MarkValue, value);
        QCOMPARE(r.MarkName, name);
        QCOMPARE(r.MarkCount, int(marks.size()));
        QCOMPARE(MarkText(r), text);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5") << 12.5 << 12;
        QTest::newRow("13.5") << 13.5 << 14;
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("-3.5") << -3.5 << -4;
        QTest::newRow("62.33") << 62.33 << 62;
        QTest::newRow("66.67") << 66.67 << 67;
        QTest::newRow("nan") << std::nan("") << 0;
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(RoundHalfEven(value), expected);
    }

    void summaryLines_data()
    {
        QTest::addColumn<bool>("show");
        QTest::addColumn<int>("skips");
        QTest::addColumn<int>("hints");
        QTest::addColumn<QStringList>("texts");

        const QString end = QStringLiteral("Тест \"Физика №1 (ёмкость)\" остановлен...");
        const QString totals = QStringLiteral("Всего заданий в тесте: 3. Вами выполнено заданий: 2.");
        const QString right = QStringLiteral("Из них правильно: 1 (50,0% выполненых заданий).");
        const QString wrong = QStringLiteral("Из них ошибок: 1 (50,0% выполненых заданий).");
        const QString skipped = QStringLiteral("Пропущено: 1 (33,3% всех заданий).");
        const QString effect = QStringLiteral("Результативность: 33,3%.");
        const QString hints = QStringLiteral("Использовано подсказок: 2.");
        const QString points = QStringLiteral("Набрано баллов: 2,5 из 4 возможных. Ваш результат: 62,5%.");
        const QString mark = QStringLiteral("Оценка: 3.");
        const QString hidden = QStringLiteral("Результаты тестирования Вы можете узнать у руководителя.");
        const QStringList times = {QStringLiteral("Время начала: 09:15:07."),
                                   QStringLiteral("Время завершения: 09:20:12."),
                                   QStringLiteral("Продолжительность: 00:05:05.")};

        QTest::newRow("shown, no skips, no hints")
            << true << 0 << 0 << (QStringList{end, totals, right, wrong, effect, points, mark} + times);
        QTest::newRow("shown, skips and hints")
            << true << 1 << 2
            << (QStringList{end, totals, right, wrong, skipped, effect, hints, points, mark} + times);
        QTest::newRow("hidden") << false << 1 << 2 << (QStringList{end, totals, hidden} + times);
    }

    void summaryLines()
    {
        QFETCH(bool, show);
        QFETCH(int, skips);
        QFETCH(int, hints);
        QFETCH(QStringList, texts);
        TResultTest r = knownRun();
        r.SkipCount = skips;
        r.PromptCount = hints;
        const QList<TStyledLine> lines = UserResultLines(r, show);
        QStringList got;
        for (const TStyledLine& line : lines)
            got << line.Text;
        QCOMPARE(got, texts);

        // Bold: the end line, the points line and the red line; red: only the last of those.
        for (const TStyledLine& line : lines) {
            const bool red = line.Text.startsWith(QStringLiteral("Оценка")) ||
                             line.Text.startsWith(QStringLiteral("Результаты тестирования"));
            const bool bold = red || line.Text.startsWith(QStringLiteral("Тест ")) ||
                              line.Text.startsWith(QStringLiteral("Набрано"));
            QCOMPARE(line.Bold, bold);
            QCOMPARE(line.Color.isValid(), red);
            if (red)
                QCOMPARE(line.Color, QColor(220, 50, 50));
        }
    }

    // Large points and percentages keep the regional decimal separator but never get a
    // digit group ("1 234,5" would break readers of the log).
    void largeFiguresUnderRussianLocale()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        TResultTest r = knownRun();
        r.TaskCount = 2000;
        r.AskedCount = 1500;
        r.RightCount = 1234;
        r.WrongCount = 266;
        r.MaxPoints = 2000;
        r.Points = 1234.5;
        const QString points =
            QStringLiteral("Набрано баллов: 1234,5 из 2000 возможных. Ваш результат: 61,7%.");
        const QString right = QStringLiteral("Из них правильно: 1234 (82,3% выполненых заданий).");
        const QString effect = QStringLiteral("Результативность: 61,7%.");
        QStringList summary;
        for (const TStyledLine& line : UserResultLines(r, true))
            summary << line.Text;
        const QStringList log = ResultLogRecord(r, at(10, 0, 0));
        QLocale::setDefault(before);
        for (const QString& expected : {points, right, effect}) {
            QVERIFY2(summary.contains(expected), qPrintable(expected));
            QVERIFY2(log.contains(expected), qPrintable(expected));
        }
    }

    void summaryEndLines_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("log");
        QTest::newRow("finished") << 1 << "Тест \"T\" закончен..."
                                  << "Тест закончен...";
        QTest::newRow("stopped") << 2 << "Тест \"T\" остановлен..."
                                 << "Тест остановлен...";
        QTest::newRow("time out") << 3 << "Тест \"T\" закончен - вышло время..."
                                  << "Тест закончен - вышло время...";
        QTest::newRow("closed") << 4 << "Тест \"T\" прерван - закрыта программа..."
                                << "Тест прерван - закрыта программа...";
    }

    void summaryEndLines()
    {
        QFETCH(int, reason);
        QFETCH(QString, summary);
        QFETCH(QString, log);
        TResultTest r = knownRun();
        r.TestTitle = QStringLiteral("T");
        r.EndReason = std::uint8_t(reason);
        QCOMPARE(UserResultLines(r, true).first().Text, summary);
        const QStringList record = ResultLogRecord(r, at(10, 0, 0));
        QCOMPARE(record.size(), 25);
        QCOMPARE(record.at(2), log);
    }

    void summaryDocument()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("the question that was on screen"));
        QTextCursor(&doc).mergeCharFormat([] {
            QTextCharFormat f;
            f.setFontItalic(true);
            return f;
        }());
        WriteStyledLines(&doc, UserResultLines(knownRun(), true));
        QCOMPARE(doc.blockCount(), 11);
        QCOMPARE(doc.firstBlock().text(), QStringLiteral("Тест \"Физика №1 (ёмкость)\" остановлен..."));
        for (QTextBlock block = doc.firstBlock(); block.isValid(); block = block.next()) {
            const QTextCharFormat f = block.begin().fragment().charFormat();
            QVERIFY(!f.fontItalic());
            const bool bold =
                block.blockNumber() == 0 || block.blockNumber() == 6 || block.blockNumber() == 7;
            QVERIFY2((f.fontWeight() == QFont::Bold) == bold, qPrintable(block.text()));
            QCOMPARE(f.hasProperty(QTextFormat::ForegroundBrush), block.blockNumber() == 7);
        }
        const QTextBlock markBlock = doc.findBlockByNumber(7);
        QCOMPARE(markBlock.text(), QStringLiteral("Оценка: 3."));
        QCOMPARE(markBlock.begin().fragment().charFormat().foreground().color(), QColor(220, 50, 50));
    }

    void logRecordMatchesGolden()
    {
        QTemporaryDir dir;
        const TConfig config = logConfig(dir.path());
        QVERIFY(SaveResultLog(config, knownRun(), at(9, 20, 13)));
        const QByteArray written = readAll(dir.filePath(QStringLiteral("KvizorStudent_Result.txt")));
        const QByteArray golden = readAll(goldenPath(QStringLiteral("result_log_record.txt")));
        QVERIFY(!golden.isEmpty());
        QCOMPARE(written, golden);
        QCOMPARE(written.count("\r\n"), 25);
    }

    void logAppendsAndCreates()
    {
        QTemporaryDir dir;
        const TConfig config = logConfig(dir.path());
        const QString path = ResultLogPath(config);
        QCOMPARE(path, dir.path() + QStringLiteral("/KvizorStudent_Result.txt"));
        QVERIFY(!QFile::exists(path));
        QVERIFY(WriteLogLine(config, LogEventLine(at(8, 0, 1), ProgramStartedLogText())));
        QVERIFY(WriteLogLine(config, LogEventLine(at(8, 1, 2), TestBegunLogText(QStringLiteral("Физика")))));
        QVERIFY(SaveResultLog(config, knownRun(), at(9, 20, 13)));
        QVERIFY(WriteLogLine(config, LogEventLine(at(9, 30, 0), ProgramClosedLogText())));
        const QByteArray golden = readAll(goldenPath(QStringLiteral("result_log_record.txt")));
        const QByteArray expected =
            QByteArray("05.03.2026 08:00:01 ") + cp1251::encode(u"Запущена программа KvizorStudent.") +
            "\r\n" + "05.03.2026 08:01:02 " + cp1251::encode(u"Начат тест: \"Физика\"") + "\r\n" + golden +
            "05.03.2026 09:30:00 " + cp1251::encode(u"Закрыта программа KvizorStudent.") + "\r\n";
        QCOMPARE(readAll(path), expected);
    }

    void logKeepsExistingContent()
    {
        QTemporaryDir dir;
        const TConfig config = logConfig(dir.path());
        QFile file(ResultLogPath(config));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier line without an end");
        file.close();
        QVERIFY(WriteLogLine(config, LogEventLine(at(1, 2, 3), QStringLiteral("x"))));
        QCOMPARE(readAll(file.fileName()),
                 QByteArray("earlier line without an end05.03.2026 01:02:03 x\r\n"));
    }

    void noLogWhenSavingIsOff()
    {
        QTemporaryDir dir;
        TConfig config = logConfig(dir.path());
        config.IsSaveResult = false;
        QVERIFY(WriteLogLine(config, LogEventLine(at(8, 0, 0), ProgramStartedLogText())));
        QVERIFY(SaveResultLog(config, knownRun(), at(8, 0, 0)));
        QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }

    void missingFolderIsAFailureAndNotCreated()
    {
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("gone/deeper"));
        const TConfig config = logConfig(missing);
        QString error;
        QVERIFY(!SaveResultLog(config, knownRun(), at(8, 0, 0), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!WriteLogLine(config, LogEventLine(at(8, 0, 0), ProgramStartedLogText())));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
        QCOMPARE(QString::fromUtf16(kResultLogErrorText),
                 QStringLiteral("Ошибка записи в файл результатов."));
    }

    void unwritableLogFails()
    {
        QTemporaryDir dir;
        TConfig config = logConfig(dir.path());
        // A folder in the place of the file cannot be appended to.
        QVERIFY(QDir(dir.path()).mkdir(config.ResultFileName));
        QVERIFY(!SaveResultLog(config, knownRun(), at(8, 0, 0)));
        // A full disk: the write fails on flush.
        if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
            QString error;
            QVERIFY(!AppendLogLines(QStringLiteral("/dev/full"), {QStringLiteral("line")}, &error));
            QVERIFY(!error.isEmpty());
        }
    }

    void logPathRule()
    {
        TConfig config;
        QCOMPARE(config.ResultFileName, QStringLiteral("KvizorStudent_Result.txt"));
        QCOMPARE(ResultLogPath(config, QStringLiteral("/opt/kvizor")),
                 QStringLiteral("/opt/kvizor/KvizorStudent_Result.txt"));
        config.DirForResult = QStringLiteral("/srv/results");
        config.ResultFileName = QStringLiteral("class.txt");
        QCOMPARE(ResultLogPath(config, QStringLiteral("/opt/kvizor")),
                 QStringLiteral("/srv/results/class.txt"));
    }

    void logRecordShape()
    {
        TResultTest r = knownRun();
        r.EndReason = erNone;
        QCOMPARE(ResultLogRecord(r, at(1, 0, 0)).size(), 24); // no end line for an unknown reason
        r = knownRun();
        r.PromptCount = 0;
        r.SkipCount = 2;
        r.MarkValue = 5;
        r.MarkName.clear();
        r.ElapsedSeconds = 25 * 3600 + 61;
        const QStringList lines = ResultLogRecord(r, at(1, 0, 0));
        QVERIFY(lines.contains(QStringLiteral("Использовано подсказок: 0.")));
        QVERIFY(lines.contains(QStringLiteral("Оценка: 5.")));
        QVERIFY(lines.contains(QStringLiteral("Продолжительность: 01:01:01.")));
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("Пропущено")));
    }

    void eventLines()
    {
        QCOMPARE(LogEventLine(at(7, 5, 9), ProgramStartedLogText()),
                 QStringLiteral("05.03.2026 07:05:09 Запущена программа KvizorStudent."));
        QCOMPARE(LogEventLine(at(7, 5, 9), TestBegunLogText(QStringLiteral("Алгебра"))),
                 QStringLiteral("05.03.2026 07:05:09 Начат тест: \"Алгебра\""));
        QCOMPARE(LogEventLine(at(23, 59, 59), ProgramClosedLogText()),
                 QStringLiteral("05.03.2026 23:59:59 Закрыта программа KvizorStudent."));
    }

    void pointsWordOfPrices_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("word");
        for (int n : {11, 12, 19, 20, 25, 0, 111})
            QTest::newRow(qPrintable(QString::number(n))) << n << "баллов";
        for (int n : {1, 21, 101})
            QTest::newRow(qPrintable(QString::number(n))) << n << "балл";
        for (int n : {2, 24, 104})
            QTest::newRow(qPrintable(QString::number(n))) << n << "балла";
        QTest::newRow("-1") << -1 << "баллов";
    }

    void pointsWordOfPrices()
    {
        QFETCH(int, n);
        QFETCH(QString, word);
        QCOMPARE(PointsWord(n), word);
    }

    void wedgePoints_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<QPoint>("point");
        QTest::newRow("25: right") << 25 << QPoint(74, 37);
        QTest::newRow("50: bottom") << 50 << QPoint(37, 74);
        QTest::newRow("75: left") << 75 << QPoint(0, 37);
        QTest::newRow("100: top") << 100 << QPoint(37, 0);
        QTest::newRow("12") << 12 << QPoint(62, 10);
        QTest::newRow("13") << 13 << QPoint(64, 12);
    }

    void wedgePoints()
    {
        QFETCH(int, percent);
        QFETCH(QPoint, point);
        QCOMPARE(PieWedgePoint(percent, QSize(75, 75)), point);
    }

    void tasksChart()
    {
        // 10 tasks, 6 presented, 3 right.
        const TChartShares shares = ChartShares(10, 6, 3, 0, 10);
        QCOMPARE(shares.Asked, 60);
        QCOMPARE(shares.Right, 30);
        const QImage image = renderChart(true, shares);
        for (double p : {3.0, 15.0, 27.0})
            QCOMPARE(colourAt(image, p), kGreen);
        for (double p : {33.0, 45.0, 57.0})
            QCOMPARE(colourAt(image, p), kRed);
        for (double p : {63.0, 80.0, 97.0})
            QCOMPARE(colourAt(image, p), kWhite);
        // Outline on the ellipse edge, nothing outside it.
        QCOMPARE(image.pixel(37, 0) & 0xFFFFFF, kOutline);
        QCOMPARE(image.pixel(74, 37) & 0xFFFFFF, kOutline);
        QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, QRgb(0x0000FF));
        QCOMPARE(image.pixel(74, 74) & 0xFFFFFF, QRgb(0x0000FF));
    }

    void pointsChart_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("maxPoints");
        QTest::addColumn<int>("share");
        QTest::newRow("zero") << 0.0 << 10 << 0;
        QTest::newRow("negative") << -3.0 << 10 << -30;
        QTest::newRow("full") << 10.0 << 10 << 100;
        QTest::newRow("12.5 -> 12") << 2.5 << 20 << 12;
        QTest::newRow("13.5 -> 14") << 2.7 << 20 << 14;
        QTest::newRow("half") << 5.0 << 10 << 50;
    }

    void pointsChart()
    {
        QFETCH(double, points);
        QFETCH(int, maxPoints);
        QFETCH(int, share);
        const TChartShares shares = ChartShares(1, 1, 1, points, maxPoints);
        QCOMPARE(shares.Points, share);
        const QImage image = renderChart(false, shares);
        if (share <= 0) {
            for (double p = 1; p < 100; p += 7)
                QCOMPARE(colourAt(image, p), kRed);
        } else if (share >= 100) {
            for (double p = 1; p < 100; p += 7)
                QCOMPARE(colourAt(image, p), kGreen);
        } else {
            // Just inside and just outside the drawn radial, which comes from the rounded
            // point on the rim: 12.5 % is red for 12 and 13.5 % green for 14.
            const double edge = radialShare(share);
            QCOMPARE(colourAt(image, edge - 1.5, 34), kGreen);
            QCOMPARE(colourAt(image, edge + 1.5, 34), kRed);
            QCOMPARE(colourAt(image, share / 2.0), kGreen);
            QCOMPARE(colourAt(image, (share + 100) / 2.0), kRed);
            // Between the radials of the two neighbouring whole shares: 12.5 % rounded to
            // 13 would paint it green, 13.5 % rounded to 13 would leave it red.
            if (share == 12)
                QCOMPARE(colourAt(image, (radialShare(12) + radialShare(13)) / 2, 36), kRed);
            if (share == 14)
                QCOMPARE(colourAt(image, (radialShare(13) + radialShare(14)) / 2, 36), kGreen);
        }
    }

    void chartsScale()
    {
        // A chart area scaled for a 144-dpi screen keeps its geometry.
        const QImage image = renderChart(true, ChartShares(10, 6, 3, 0, 1), QSize(112, 112));
        QCOMPARE(colourAt(image, 15, 42), kGreen);
        QCOMPARE(colourAt(image, 45, 42), kRed);
        QCOMPARE(colourAt(image, 80, 42), kWhite);
    }
};

KVIZOR_TEST_MAIN(TestResultOutputs)
#include "tst_result_outputs.moc"
