#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FormatError.h"
#include "model/Task.h"
#include "model/Test.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace kvizor;

namespace {

QByteArray saveTask(const TTask& task)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    task.SaveToStream(writer);
    return buffer.data();
}

TTask loadTask(const QByteArray& bytes, qint64* left = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    TTask task;
    task.LoadFromStream(reader);
    if (left)
        *left = buffer.bytesAvailable();
    return task;
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newTestDefaults()
    {
        TTest test;
        QCOMPARE(test.MarkCount(), 5);
        const QList<TMark> expected{{1, 0, {}}, {2, 0, {}}, {3, 50, {}}, {4, 70, {}}, {5, 85, {}}};
        QCOMPARE(test.Marks, expected);
        QCOMPARE(test.ThemeCount(), 1);
        QCOMPARE(test.GetTheme(0).Id, 0);
        QCOMPARE(test.GetTheme(0).Name, QStringLiteral("Общий список заданий (без темы)"));
        QCOMPARE(test.GetTheme(0).Comment, QStringLiteral("Основная тема. Ее удалить нельзя."));
        QVERIFY(!test.GetTheme(0).UseQuota);
        QCOMPARE(test.GetTheme(0).Quota, 0);
        QVERIFY(test.NoPartialCredit);
        QVERIFY(test.AllowNetReport);
        QVERIFY(!test.Modified);
        QVERIFY(!test.UseThemes);
        QVERIFY(test.Created.isValid());
        QCOMPARE(test.TasksToAsk, 0);
    }

    void tempFolderLifecycle()
    {
        QString first;
        {
            TTest a;
            TTest b;
            first = a.TempFolder;
            QVERIFY(a.TempFolderCreated());
            QVERIFY(a.TempFolder != b.TempFolder);
            QVERIFY(a.TempFolder.endsWith(QLatin1Char('/')));
            QVERIFY(a.TempFolder.startsWith(QDir::tempPath() + QLatin1Char('/')));
            const QString name = QDir(a.TempFolder).dirName();
            QVERIFY(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                        .match(name)
                        .hasMatch());
            QCOMPARE(QFileInfo(a.TempFolder).permissions() &
                         (QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ReadGroup |
                          QFileDevice::WriteGroup),
                     QFileDevice::Permissions());
            QDir(a.TempFolder).mkdir(QStringLiteral("sub"));
            QFile f(a.TempFolder + QStringLiteral("sub/pic.png"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        QVERIFY(!QFileInfo::exists(first));
    }

    void setMarkCount()
    {
        TTest test;
        test.SetMark(2, 10, QStringLiteral("два"));
        test.SetModified(false);
        test.SetMarkCount(5);
        QVERIFY(!test.Modified);
        QCOMPARE(test.GetMark(1), (TMark{2, 10, QStringLiteral("два")}));

        test.SetMarkCount(3);
        QVERIFY(test.Modified);
        const QList<TMark> expected{{1, 0, {}}, {2, 0, {}}, {3, 0, {}}};
        QCOMPARE(test.Marks, expected);
        test.SetMarkCount(0);
        QCOMPARE(test.MarkCount(), 0);
    }

    void setMark_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("stored");
        QTest::newRow("zero") << 0 << false;
        QTest::newRow("first") << 1 << true;
        QTest::newRow("last") << 5 << true;
        QTest::newRow("beyond") << 6 << false;
        QTest::newRow("negative") << -1 << false;
    }

    void setMark()
    {
        QFETCH(int, index);
        QFETCH(bool, stored);
        TTest test;
        const QList<TMark> before = test.Marks;
        test.SetMark(index, 42, QStringLiteral("отлично"));
        QCOMPARE(test.Modified, stored);
        if (stored)
            QCOMPARE(test.GetMark(index - 1), (TMark{index, 42, QStringLiteral("отлично")}));
        else
            QCOMPARE(test.Marks, before);
    }

    void setMarkSameValuesKeepsModifiedClear()
    {
        TTest test;
        test.SetMark(3, 50, QString());
        QVERIFY(!test.Modified);
    }

    void setTheme()
    {
        TTest test;
        test.SetTheme(5, QStringLiteral("Тема"), true, 3, QStringLiteral("к"));
        QCOMPARE(test.ThemeCount(), 2);
        QCOMPARE(test.GetTheme(1), (TTheme{5, QStringLiteral("Тема"), QStringLiteral("к"), 3, true, 0}));
        QVERIFY(test.Modified);

        test.SetTheme(5, QStringLiteral("Другая"), false, 7, QString());
        QCOMPARE(test.ThemeCount(), 2);
        QCOMPARE(test.GetTheme(1).Name, QStringLiteral("Другая"));
        QCOMPARE(test.GetTheme(1).Quota, 0);
        QVERIFY(!test.GetTheme(1).UseQuota);

        test.SetTheme(0, QStringLiteral("Основа"), true, -4, QString());
        QCOMPARE(test.ThemeCount(), 2);
        QCOMPARE(test.GetTheme(0).Name, QStringLiteral("Основа"));
        QCOMPARE(test.GetTheme(0).Quota, 0);
    }

    void taskCreate_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("expected");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("8") << 8 << 8;
        QTest::newRow("9") << 9 << 0;
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("257") << 257 << 0;
    }

    void taskCreate()
    {
        QFETCH(int, type);
        QFETCH(int, expected);
        const TTask task(type);
        QCOMPARE(int(task.TaskType), expected);
        QCOMPARE(task.Weight, 1);
        QCOMPARE(task.VariantCount(), 0);
        QCOMPARE(task.ThemeId, 0);
    }

    void variantCount_data()
    {
        QTest::addColumn<QList<int>>("filled");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << QList<int>{} << 0;
        QTest::newRow("gap") << QList<int>{0, 2} << 3;
        QTest::newRow("only last") << QList<int>{9} << 10;
        QTest::newRow("first") << QList<int>{0} << 1;
    }

    void variantCount()
    {
        QFETCH(QList<int>, filled);
        QFETCH(int, count);
        TTask task(ttMatching);
        for (int i : filled) {
            task.Variants[std::size_t(i)] = QStringLiteral("в");
            task.MatchVariants[std::size_t(i)] = QStringLiteral("м");
        }
        QCOMPARE(task.VariantCount(), count);
        QCOMPARE(task.MatchVariantCount(), count);
    }

    void isVariantRight_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("right");
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("2") << 2 << true;
        QTest::newRow("min") << int(INT32_MIN) << false;
    }

    void isVariantRight()
    {
        QFETCH(int, value);
        QFETCH(bool, right);
        TTask task(ttSingleChoice);
        task.VariantValues[4] = value;
        QCOMPARE(task.IsVariantRight(4), right);
        QVERIFY(!task.IsVariantRight(10));
        QVERIFY(!task.IsVariantRight(-1));
    }

    void taskRoundTrip_data()
    {
        QTest::addColumn<int>("type");
        for (int type = 0; type <= 9; ++type)
            QTest::addRow("type %d", type) << type;
    }

    void taskRoundTrip()
    {
        QFETCH(int, type);
        TTask task;
        task.TaskType = std::uint8_t(type);
        task.Question = QStringLiteral("Вопрос ё");
        task.ImageFile = QStringLiteral("pic.png");
        task.Hint = QStringLiteral("подсказка");
        task.HintPenalty = 2;
        task.Explanation = QStringLiteral("пояснение");
        task.Weight = 3;
        task.TimeLimit = 60;
        task.ThemeId = 7;
        for (int i = 0; i < 10; ++i) {
            task.Variants[std::size_t(i)] = QStringLiteral("в%1").arg(i);
            task.MatchVariants[std::size_t(i)] = QStringLiteral("м%1").arg(i);
            task.VariantValues[std::size_t(i)] = i - 3;
        }
        task.NumberValue = 3.5;
        task.NumberMin = -1;
        task.NumberMax = 1e10;
        task.NumberIsRange = true;
        task.TextAnswers = QStringLiteral("один\r\nдва");
        task.TextCaseSensitive = true;
        task.AnswerRect = {1, 2, 3, 4};

        qint64 left = -1;
        const TTask copy = loadTask(saveTask(task), &left);
        QCOMPARE(left, 0);
        QCOMPARE(int(copy.TaskType), type);
        QCOMPARE(copy.Question, task.Question);
        QCOMPARE(copy.ImageFile, task.ImageFile);
        QCOMPARE(copy.Hint, task.Hint);
        QCOMPARE(copy.HintPenalty, 2);
        QCOMPARE(copy.Explanation, task.Explanation);
        QCOMPARE(copy.Weight, 3);
        QCOMPARE(copy.TimeLimit, 60);
        QCOMPARE(copy.ThemeId, 7);
        const bool variants = type >= 1 && type <= 5;
        QCOMPARE(copy.Variants == task.Variants, variants);
        QCOMPARE(copy.VariantValues == task.VariantValues, variants);
        QCOMPARE(copy.MatchVariants == task.MatchVariants, type == 4);
        QCOMPARE(copy.NumberIsRange, type == 6);
        QCOMPARE(copy.NumberMax == 1e10, type == 6);
        QCOMPARE(copy.TextAnswers == task.TextAnswers, type == 7);
        QCOMPARE(copy.AnswerRect == task.AnswerRect, type == 8);
    }

    void taskLoadCounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("ok");
        QTest::newRow("0") << 0 << true;
        QTest::newRow("3") << 3 << true;
        QTest::newRow("10") << 10 << true;
        QTest::newRow("11") << 11 << false;
        QTest::newRow("-1") << -1 << false;
        QTest::newRow("huge") << int(INT32_MAX) << false;
    }

    // A stored count other than ten fills slots from 0; the rest keep their values.
    void taskLoadCounts()
    {
        QFETCH(int, count);
        QFETCH(bool, ok);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        BinaryWriter w(buffer);
        w.writeByte(ttOrdering);
        for (int i = 0; i < 2; ++i)
            w.writeLstr(QString());
        w.writeInt32(1);
        w.writeInt32(0);
        w.writeLstr(QString());
        w.writeInt32(0);
        w.writeLstr(QString());
        w.writeInt32(0);
        w.writeInt32(count);
        for (int i = 0; i < std::clamp(count, 0, 11); ++i)
            w.writeLstr(QStringLiteral("x"));
        w.writeInt32(std::clamp(count, 0, 10));
        for (int i = 0; i < std::clamp(count, 0, 10); ++i)
            w.writeInt32(i + 1);
        w.writeInt32(0);
        w.writeByte(0);

        QBuffer in;
        in.setData(buffer.data());
        in.open(QIODevice::ReadOnly);
        BinaryReader reader(in);
        TTask task;
        task.Variants.fill(QStringLiteral("old"));
        task.VariantValues.fill(-5);
        if (!ok) {
            QVERIFY_THROWS_EXCEPTION(FormatError, task.LoadFromStream(reader));
            return;
        }
        task.LoadFromStream(reader);
        QCOMPARE(in.bytesAvailable(), 0);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(task.Variants[std::size_t(i)], i < count ? QStringLiteral("x") : QStringLiteral("old"));
            QCOMPARE(task.VariantValues[std::size_t(i)], i < count ? i + 1 : -5);
        }
    }

    void taskTruncatedRecordFails()
    {
        TTask task(ttMatching);
        task.Variants[0] = QStringLiteral("a");
        const QByteArray bytes = saveTask(task);
        for (int cut : {0, 1, 5, int(bytes.size()) / 2, int(bytes.size()) - 1}) {
            QBuffer in;
            in.setData(bytes.left(cut));
            in.open(QIODevice::ReadOnly);
            BinaryReader reader(in);
            TTask loaded;
            QVERIFY_THROWS_EXCEPTION(FormatError, loaded.LoadFromStream(reader));
        }
    }

    void assignKeepsOtherTypesFields()
    {
        TTask source(ttNumber);
        source.Question = QStringLiteral("Сколько?");
        source.NumberValue = 42;
        source.Weight = 5;
        TTask target(ttText);
        target.TextAnswers = QStringLiteral("ответ");
        target.Variants[1] = QStringLiteral("вариант");
        target.Assign(source);
        QCOMPARE(int(target.TaskType), int(ttNumber));
        QCOMPARE(target.Question, QStringLiteral("Сколько?"));
        QCOMPARE(target.NumberValue, 42.0);
        QCOMPARE(target.Weight, 5);
        QCOMPARE(target.TextAnswers, QStringLiteral("ответ"));
        QCOMPARE(target.Variants[1], QStringLiteral("вариант"));
        target.Assign(target);
        QCOMPARE(target.NumberValue, 42.0);
    }

    void answerRectContains_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("inside");
        QTest::newRow("top-left corner") << 10 << 20 << true;
        QTest::newRow("bottom-right corner") << 40 << 60 << true;
        QTest::newRow("left of") << 9 << 30 << false;
        QTest::newRow("below") << 20 << 61 << false;
    }

    void answerRectContains()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, inside);
        const TAnswerRect rect{10, 20, 30, 40};
        QCOMPARE(rect.Contains(x, y), inside);
        const TAnswerRect huge{INT32_MAX, 0, INT32_MAX, 1};
        QVERIFY(huge.Contains(std::int64_t(INT32_MAX) + 5, 0));
    }

    void headerRoundTrip()
    {
        TTest test;
        test.Title = QStringLiteral("Заголовок");
        test.Author = QStringLiteral("Автор");
        test.Description = QStringLiteral("{\\rtf1 описание}");
        test.Instruction = QStringLiteral("инструкция");
        test.ReservedText1 = QStringLiteral("r1");
        test.RandomTaskOrder = true;
        test.TestTimeLimit = 600;
        test.TaskLimit = 4;
        test.PenaltyMode = true;
        test.AllowNetReport = false;
        test.ReservedText2 = QStringLiteral("r2");
        test.OpenPassword = QStringLiteral("Пароль");
        test.StartPassword = QStringLiteral("start");
        test.SetMarkCount(2);
        test.SetMark(2, 60, QStringLiteral("зачёт"));
        test.NoPartialCredit = false;
        test.Saved = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
        test.UId = QStringLiteral("{UID}");
        test.SetTheme(0, QStringLiteral("Своя"), false, 0, QString());
        test.SetTheme(3, QStringLiteral("Тема 3"), true, 2, QStringLiteral("к"));
        test.UseThemes = true;

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        BinaryWriter writer(buffer);
        test.SaveToStream(writer);
        buffer.seek(0);
        BinaryReader reader(buffer);
        TTest copy;
        copy.LoadFromStream(reader);
        QCOMPARE(buffer.bytesAvailable(), 0);
        QCOMPARE(copy.Title, test.Title);
        QCOMPARE(copy.Author, test.Author);
        QCOMPARE(copy.Description, test.Description);
        QCOMPARE(copy.Instruction, test.Instruction);
        QCOMPARE(copy.ReservedText1, test.ReservedText1);
        QCOMPARE(copy.ReservedText2, test.ReservedText2);
        QVERIFY(copy.RandomTaskOrder);
        QVERIFY(!copy.RandomVariantOrder);
        QCOMPARE(copy.TestTimeLimit, 600);
        QCOMPARE(copy.TaskLimit, 4);
        QVERIFY(copy.PenaltyMode);
        QVERIFY(!copy.AllowNetReport);
        QCOMPARE(copy.OpenPassword, test.OpenPassword);
        QCOMPARE(copy.StartPassword, test.StartPassword);
        QCOMPARE(copy.Marks, test.Marks);
        QVERIFY(!copy.NoPartialCredit);
        QCOMPARE(copy.Saved, test.Saved);
        QCOMPARE(copy.Created.toSecsSinceEpoch(), test.Created.toSecsSinceEpoch());
        QCOMPARE(copy.UId, test.UId);
        QCOMPARE(copy.Themes, test.Themes);
        QVERIFY(copy.UseThemes);
    }

    // A file without topic 0 keeps the default one; a file's topic 0 updates it in place.
    void headerTopicsMerge()
    {
        TTest source;
        source.Themes.clear();
        source.SetTheme(4, QStringLiteral("Четыре"), false, 0, QString());
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        BinaryWriter writer(buffer);
        source.SaveToStream(writer);
        buffer.seek(0);
        BinaryReader reader(buffer);
        TTest copy;
        copy.LoadFromStream(reader);
        QCOMPARE(copy.ThemeCount(), 2);
        QCOMPARE(copy.GetTheme(0).Name, QStringLiteral("Общий список заданий (без темы)"));
        QCOMPARE(copy.GetTheme(1).Id, 4);
    }

    void countTasksToAsk()
    {
        TTest test;
        test.SetTheme(5, QStringLiteral("Пять"), true, 2, QString());
        TTaskList tasks;
        for (int id : {0, 0, 5, 5, 5, 7}) {
            tasks.push_back(std::make_unique<TTask>(ttSingleChoice));
            tasks.back()->ThemeId = id;
        }
        test.TaskLimit = 1;
        test.CountTasksToAsk(tasks);
        QCOMPARE(test.TasksToAsk, 6);

        test.UseThemes = true;
        test.CountTasksToAsk(tasks);
        QCOMPARE(test.GetTheme(0).TasksInTheme, 2);
        QCOMPARE(test.GetTheme(1).TasksInTheme, 3);
        QCOMPARE(test.TasksToAsk, 4);

        test.SetTheme(5, QStringLiteral("Пять"), true, 9, QString());
        test.CountTasksToAsk(tasks);
        QCOMPARE(test.TasksToAsk, 5);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
