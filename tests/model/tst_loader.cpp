#include "common/BinaryWriter.h"
#include "common/FormatError.h"
#include "FailDevice.h"
#include "model/Crc32.h"
#include "model/Scrambler.h"
#include "model/StreamLayers.h"
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace kvizor;

namespace {

struct Fixture
{
    std::unique_ptr<TTest> test = std::make_unique<TTest>();
    TTaskList tasks;
    std::vector<TWriterFile> files;

    TTask& add(int type, std::int32_t themeId = 0)
    {
        tasks.push_back(std::make_unique<TTask>(type));
        tasks.back()->ThemeId = themeId;
        tasks.back()->Question = QStringLiteral("Вопрос %1").arg(tasks.size());
        return *tasks.back();
    }
    QByteArray bytes(const TWriterOptions& options = {}) const
    {
        return WriteTestFileData(*test, tasks, files, options);
    }
};

// A test with every header field and a task of each type.
Fixture fullFixture()
{
    Fixture f;
    TTest& t = *f.test;
    t.Title = QStringLiteral("Проверочный тест");
    t.Author = QStringLiteral("Ёлкин");
    t.Description = QStringLiteral("{\\rtf1 описание}");
    t.Instruction = QStringLiteral("Инструкция");
    t.RandomTaskOrder = true;
    t.RandomVariantOrder = true;
    t.TestTimeLimit = 1200;
    t.TaskLimit = 3;
    t.EducationMode = true;
    t.AllowSkipping = true;
    t.StartPassword = QStringLiteral("старт");
    t.SetMarkCount(3);
    t.SetMark(2, 50, QStringLiteral("удовл."));
    t.SetMark(3, 90, QStringLiteral("отл."));
    t.Saved = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
    t.UId = QStringLiteral("{00000000-0000-0000-0000-000000000001}");
    t.SetTheme(2, QStringLiteral("Вторая"), true, 1, QStringLiteral("комм."));
    t.UseThemes = true;
    for (int type = 1; type <= 8; ++type) {
        TTask& task = f.add(type, type % 2 ? 0 : 2);
        task.Weight = type;
        task.Variants[0] = QStringLiteral("первый");
        task.Variants[1] = QStringLiteral("второй");
        task.VariantValues[0] = 1;
        task.VariantValues[1] = 2;
        task.MatchVariants[0] = QStringLiteral("пара");
        task.NumberValue = 2.5;
        task.TextAnswers = QStringLiteral("ответ");
        task.AnswerRect = {1, 2, 30, 40};
        task.Hint = QStringLiteral("подсказка");
        task.HintPenalty = 1;
    }
    f.tasks.back()->ImageFile = QStringLiteral("карта.png");
    f.files.push_back({QStringLiteral("карта.png"), QByteArray(100000, 'p'), {}});
    f.files.push_back({QStringLiteral("пусто.bin"), QByteArray(), {}});
    return f;
}

QByteArray randomBytes(qsizetype n, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char& c : bytes)
        c = static_cast<char>(gen.bounded(256));
    return bytes;
}

TPasswordPrompt answer(const std::optional<QString>& password, int* asked = nullptr)
{
    return [=] {
        if (asked)
            ++*asked;
        return password;
    };
}

QStringList tempEntries()
{
    return QDir(QDir::tempPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Serialised body parts for hostile fixtures.
class Body
{
public:
    Body() : m_writer(m_buffer) { m_buffer.open(QIODevice::WriteOnly); }
    BinaryWriter& w() { return m_writer; }
    void header(const TTest& test) { test.SaveToStream(m_writer); }
    QByteArray data() const { return m_buffer.data(); }

private:
    QBuffer m_buffer;
    BinaryWriter m_writer;
};

// A common task record up to the type part.
void commonTask(BinaryWriter& w, std::uint8_t type)
{
    w.writeByte(type);
    w.writeLstr(QStringLiteral("q"));
    w.writeLstr(QString());
    w.writeInt32(1);
    w.writeInt32(0);
    w.writeLstr(QString());
    w.writeInt32(0);
    w.writeLstr(QString());
    w.writeInt32(0);
}

} // namespace

class TestLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripFromFileAndMemory()
    {
        const Fixture f = fullFixture();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        WriteTestFileToPath(path, *f.test, f.tasks, f.files);

        const TLoadResult r = LoadTestFile(path, answer(std::nullopt));
        QVERIFY2(r.loaded(), qPrintable(r.Detail));
        const TTest& t = *r.Test;
        QCOMPARE(t.FileName, path);
        QCOMPARE(t.Title, f.test->Title);
        QCOMPARE(t.Author, f.test->Author);
        QCOMPARE(t.Description, f.test->Description);
        QCOMPARE(t.Instruction, f.test->Instruction);
        QCOMPARE(t.TestTimeLimit, 1200);
        QCOMPARE(t.TaskLimit, 3);
        QVERIFY(t.RandomTaskOrder && t.RandomVariantOrder && t.EducationMode && t.AllowSkipping);
        QVERIFY(!t.PenaltyMode);
        QCOMPARE(t.StartPassword, f.test->StartPassword);
        QCOMPARE(t.Marks, f.test->Marks);
        QCOMPARE(t.Themes.size(), 2);
        QCOMPARE(t.Saved, f.test->Saved);
        QCOMPARE(t.UId, f.test->UId);
        QCOMPARE(r.Tasks.size(), std::size_t(8));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(int(r.Tasks[std::size_t(i)]->TaskType), i + 1);
            QCOMPARE(r.Tasks[std::size_t(i)]->Weight, i + 1);
            QCOMPARE(r.Tasks[std::size_t(i)]->Question, f.tasks[std::size_t(i)]->Question);
        }
        QCOMPARE(r.Tasks[3]->MatchVariants[0], QStringLiteral("пара"));
        QCOMPARE(r.Tasks[7]->AnswerRect, (TAnswerRect{1, 2, 30, 40}));
        // Topic 0 holds the four odd types, topic 2 (quota 1) the four even ones.
        QCOMPARE(t.GetTheme(0).TasksInTheme, 4);
        QCOMPARE(t.GetTheme(1).TasksInTheme, 4);
        QCOMPARE(t.TasksToAsk, 5);

        QCOMPARE(r.Files.size(), std::size_t(2));
        QCOMPARE(r.Files[0].Name, QStringLiteral("карта.png"));
        QCOMPARE(r.Files[0].Size, 100000);
        QFile picture(t.TempFolder + QStringLiteral("карта.png"));
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.readAll(), f.files[0].Bytes);
        QVERIFY(QFileInfo::exists(t.TempFolder + QStringLiteral("пусто.bin")));
        QCOMPARE(QFileInfo(t.TempFolder + QStringLiteral("пусто.bin")).size(), 0);

        QCOMPARE(t.FileCRC, FileCRC32(path));
        QFile stored(path);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray bytes = stored.readAll();
        const TLoadResult m = LoadTestData(QStringLiteral("server.kvf"), bytes, answer(std::nullopt));
        QVERIFY(m.loaded());
        QCOMPARE(m.Test->FileCRC, t.FileCRC);
        QCOMPARE(m.Test->FileName, QStringLiteral("server.kvf"));
        QVERIFY(m.Test->TempFolder != t.TempFolder);
    }

    // With a stream the bytes from its position are the file; the CRC covers all of it.
    void streamFromPosition()
    {
        const Fixture f = fullFixture();
        const QByteArray whole = QByteArray("prefix") + f.bytes();
        QBuffer stream;
        stream.setData(whole);
        stream.open(QIODevice::ReadOnly);
        stream.seek(6);
        const TLoadResult r = LoadTestStream(QStringLiteral("n"), stream, answer(std::nullopt));
        QVERIFY(r.loaded());
        QCOMPARE(r.Test->FileCRC, BufferCRC32(whole));
    }

    // Bytes after the zlib stream and after the last embedded file are ignored but checksummed.
    void trailingBytesIgnored()
    {
        Fixture f = fullFixture();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        writeFile(path, f.bytes() + randomBytes(70000, 4));
        const TLoadResult r = LoadTestFile(path, {});
        QVERIFY(r.loaded());
        QCOMPARE(r.Test->FileCRC, FileCRC32(path));

        Body body;
        body.header(*f.test);
        body.w().writeInt32(0);
        body.w().writeInt32(0);
        body.w().writeBytes("garbage after the files");
        QVERIFY(LoadTestData(QStringLiteral("n"), PackTestBody(body.data()), {}).loaded());
    }

    void nothingOutcomes()
    {
        QTemporaryDir dir;
        QCOMPARE(LoadTestFile(QString(), {}).Outcome, TLoadOutcome::Nothing);
        QCOMPARE(LoadTestFile(dir.filePath(QStringLiteral("missing.kvf")), {}).Outcome,
                 TLoadOutcome::Nothing);
        QCOMPARE(LoadTestFile(dir.path(), {}).Outcome, TLoadOutcome::Nothing);
        QCOMPARE(LoadTestData(QString(), fullFixture().bytes(), {}).Outcome, TLoadOutcome::Nothing);
        QVERIFY(LoadOutcomeMessage(TLoadOutcome::Nothing).isEmpty());
        QVERIFY(LoadOutcomeMessage(TLoadOutcome::Cancelled).isEmpty());
    }

    void wrongType_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const Fixture f = fullFixture();
        TWriterOptions otherKey;
        otherKey.Key = {0x1234, 0x5678, 0x9ABC};
        TWriterOptions plain;
        plain.Scramble = false;
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("five bytes") << f.bytes().left(5);
        QTest::newRow("other key") << f.bytes(otherKey);
        QTest::newRow("unscrambled body") << f.bytes(plain);
        QTest::newRow("random") << randomBytes(5000, 8);
        QByteArray lower = f.bytes();
        lower[0] = static_cast<char>(lower[0] ^ 0x20);
        QTest::newRow("letter case of magic") << lower;
    }

    void wrongType()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        writeFile(path, bytes);
        const QStringList before = tempEntries();
        const TLoadResult r = LoadTestFile(path, {});
        QCOMPARE(r.Outcome, TLoadOutcome::WrongType);
        QCOMPARE(r.message(), QStringLiteral("Неверный тип файла с тестом!"));
        QVERIFY(!r.Test);
        QCOMPARE(tempEntries(), before);
        QCOMPARE(LoadTestData(QStringLiteral("n"), bytes, {}).Outcome, TLoadOutcome::WrongType);
    }

    void textAfterMagic_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << randomBytes(300, 2);
        QTest::newRow("long") << QByteArray(200000, 'x');
    }

    void textAfterMagic()
    {
        QFETCH(QByteArray, text);
        TWriterOptions options;
        options.Text = text;
        QVERIFY(LoadTestData(QStringLiteral("n"), fullFixture().bytes(options), {}).loaded());
    }

    void openPassword_data()
    {
        QTest::addColumn<std::optional<QString>>("typed");
        QTest::addColumn<TLoadOutcome>("outcome");
        QTest::newRow("exact") << std::optional<QString>(QStringLiteral("Секрет 1")) << TLoadOutcome::Loaded;
        QTest::newRow("letter case") << std::optional<QString>(QStringLiteral("секрет 1"))
                                     << TLoadOutcome::WrongPassword;
        QTest::newRow("leading blank")
            << std::optional<QString>(QStringLiteral(" Секрет 1")) << TLoadOutcome::WrongPassword;
        QTest::newRow("trailing blank")
            << std::optional<QString>(QStringLiteral("Секрет 1 ")) << TLoadOutcome::WrongPassword;
        QTest::newRow("empty") << std::optional<QString>(QString()) << TLoadOutcome::WrongPassword;
        QTest::newRow("cancelled") << std::optional<QString>() << TLoadOutcome::Cancelled;
    }

    void openPassword()
    {
        QFETCH(std::optional<QString>, typed);
        QFETCH(TLoadOutcome, outcome);
        Fixture f = fullFixture();
        f.test->OpenPassword = QStringLiteral("Секрет 1");
        const QStringList before = tempEntries();
        int asked = 0;
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), answer(typed, &asked));
        QCOMPARE(asked, 1);
        QCOMPARE(r.Outcome, outcome);
        QCOMPARE(bool(r.Test), outcome == TLoadOutcome::Loaded);
        if (outcome == TLoadOutcome::WrongPassword)
            QCOMPARE(r.message(), QStringLiteral("Неверный пароль!"));
        if (outcome != TLoadOutcome::Loaded)
            QCOMPARE(tempEntries(), before);
    }

    void noPasswordAsksNothing()
    {
        int asked = 0;
        QVERIFY(
            LoadTestData(QStringLiteral("n"), fullFixture().bytes(), answer(std::nullopt, &asked)).loaded());
        QCOMPARE(asked, 0);
    }

    void emptyTest()
    {
        Fixture f;
        f.test->TaskLimit = 5;
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {});
        QVERIFY(r.loaded());
        QVERIFY(r.Tasks.empty());
        QCOMPARE(r.Test->TasksToAsk, 0);
        QVERIFY(QDir(r.Test->TempFolder).isEmpty());
    }

    // Tasks of type 0 and 9 carry only the common fields.
    void tasksWithoutTypePart()
    {
        Fixture f;
        Body body;
        body.header(*f.test);
        body.w().writeInt32(2);
        commonTask(body.w(), 0);
        body.w().writeInt32(0);
        body.w().writeByte(0);
        commonTask(body.w(), 9);
        body.w().writeInt32(0);
        body.w().writeByte(0);
        body.w().writeInt32(0);
        const TLoadResult r = LoadTestData(QStringLiteral("n"), PackTestBody(body.data()), {});
        QVERIFY2(r.loaded(), qPrintable(r.Detail));
        QCOMPARE(int(r.Tasks[0]->TaskType), 0);
        QCOMPARE(int(r.Tasks[1]->TaskType), 9);
        QCOMPARE(r.Test->TasksToAsk, 2);
    }

    void topicCounting()
    {
        Fixture f;
        f.test->UseThemes = true;
        f.test->SetTheme(5, QStringLiteral("Пять"), true, 2, QString());
        for (int id : {0, 0, 5, 5, 5, 7})
            f.add(ttText, id);
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {});
        QVERIFY(r.loaded());
        QCOMPARE(r.Test->GetTheme(0).TasksInTheme, 2);
        QCOMPARE(r.Test->GetTheme(1).TasksInTheme, 3);
        QCOMPARE(r.Test->TasksToAsk, 4);
    }

    void hostileBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        TTest header;
        auto make = [&](const std::function<void(BinaryWriter&)>& rest) {
            Body body;
            body.header(header);
            rest(body.w());
            return body.data();
        };
        auto file = [](BinaryWriter& w, const QString& name, std::int32_t size, qsizetype present) {
            w.writeLstr(name);
            w.writeInt32(size);
            w.writeBytes(QByteArray(present, 'f'));
        };
        QTest::newRow("negative task count") << make([](BinaryWriter& w) { w.writeInt32(-1); });
        QTest::newRow("task count beyond data") << make([](BinaryWriter& w) { w.writeInt32(INT32_MAX); });
        QTest::newRow("negative file count") << make([](BinaryWriter& w) {
            w.writeInt32(0);
            w.writeInt32(-3);
        });
        QTest::newRow("no file count") << make([](BinaryWriter& w) { w.writeInt32(0); });
        QTest::newRow("variant count 11") << make([](BinaryWriter& w) {
            w.writeInt32(1);
            commonTask(w, ttSingleChoice);
            w.writeInt32(11);
        });
        QTest::newRow("value count 11") << make([](BinaryWriter& w) {
            w.writeInt32(1);
            commonTask(w, ttSingleChoice);
            w.writeInt32(0);
            w.writeInt32(11);
        });
        QTest::newRow("match count 11") << make([](BinaryWriter& w) {
            w.writeInt32(1);
            commonTask(w, ttMatching);
            w.writeInt32(0);
            w.writeInt32(0);
            w.writeInt32(11);
        });
        QTest::newRow("negative string length") << make([](BinaryWriter& w) {
            w.writeInt32(1);
            w.writeByte(ttText);
            w.writeInt32(-5);
        });
        QTest::newRow("negative file size") << make([&](BinaryWriter& w) {
            w.writeInt32(0);
            w.writeInt32(1);
            file(w, QStringLiteral("a.png"), -1, 0);
        });
        QTest::newRow("file size beyond data") << make([&](BinaryWriter& w) {
            w.writeInt32(0);
            w.writeInt32(1);
            file(w, QStringLiteral("a.png"), 1000, 999);
        });
        QTest::newRow("later file fails") << make([&](BinaryWriter& w) {
            w.writeInt32(0);
            w.writeInt32(3);
            file(w, QStringLiteral("a.png"), 10, 10);
            file(w, QStringLiteral("b.png"), 0, 0);
            file(w, QStringLiteral("../c.png"), 1, 1);
        });
        for (const QString& name :
             {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("sub/a.png"),
              QStringLiteral("..\\a.png"), QStringLiteral("/tmp/a.png"), QStringLiteral("C:a.png"),
              QStringLiteral("a\nb"), QStringLiteral("a*b"), QString(300, QLatin1Char('n'))}) {
            QTest::addRow("name '%s'", qPrintable(name.left(20))) << make([&](BinaryWriter& w) {
                w.writeInt32(0);
                w.writeInt32(1);
                file(w, name, 1, 1);
            });
        }
        Body negativeMarks;
        for (int i = 0; i < 4; ++i)
            negativeMarks.w().writeLstr(QString());
        negativeMarks.w().writeByte(0);
        negativeMarks.w().writeLstr(QString());
        negativeMarks.w().writeBytes(QByteArray(2 + 8 + 4, '\0'));
        for (int i = 0; i < 3; ++i)
            negativeMarks.w().writeLstr(QString());
        negativeMarks.w().writeInt32(-1);
        QTest::newRow("negative mark count") << negativeMarks.data();
    }

    void hostileBody()
    {
        QFETCH(QByteArray, body);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        writeFile(path, PackTestBody(body));
        const QStringList before = tempEntries();
        const TLoadResult r = LoadTestFile(path, {});
        QCOMPARE(r.Outcome, TLoadOutcome::LoadError);
        QCOMPARE(r.message(), QStringLiteral("Ошибка загрузки теста!"));
        QVERIFY(!r.Test);
        QVERIFY(r.Tasks.empty());
        QCOMPARE(tempEntries(), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("t.kvf")});
    }

    // Cut anywhere after the magic word, or flipped inside the compressed data: a load error.
    void damagedFile()
    {
        const QByteArray good = fullFixture().bytes();
        const QStringList before = tempEntries();
        for (qsizetype cut : {qsizetype(6), qsizetype(9), qsizetype(30), good.size() / 2, good.size() - 5}) {
            const TLoadResult r = LoadTestData(QStringLiteral("n"), good.left(cut), {});
            QVERIFY2(r.Outcome == TLoadOutcome::LoadError, qPrintable(QString::number(cut)));
        }
        // Unscrambling feeds back plain bytes, so a flipped stored byte changes only itself.
        for (qsizetype at : {qsizetype(40), good.size() / 3, good.size() - 2}) {
            QByteArray bad = good;
            bad[at] = static_cast<char>(bad[at] ^ 0x5A);
            QCOMPARE(LoadTestData(QStringLiteral("n"), bad, {}).Outcome, TLoadOutcome::LoadError);
        }
        QCOMPARE(tempEntries(), before);
    }

    void embeddedTotalLimit()
    {
        Fixture f;
        f.files.push_back({QStringLiteral("a"), QByteArray(600, 'a'), {}});
        f.files.push_back({QStringLiteral("b"), QByteArray(500, 'b'), {}});
        TLoadOptions options;
        options.Limits.EmbeddedBytes = 1100;
        QVERIFY(LoadTestData(QStringLiteral("n"), f.bytes(), {}, 0, options).loaded());
        options.Limits.EmbeddedBytes = 1099;
        const QStringList before = tempEntries();
        QCOMPARE(LoadTestData(QStringLiteral("n"), f.bytes(), {}, 0, options).Outcome,
                 TLoadOutcome::LoadError);
        QCOMPARE(tempEntries(), before);
    }

    // Each bound as a pair of rows: exactly at the limit loads, one more is refused with the
    // load failure message and leaves nothing behind. Limits are lowered so the files stay
    // tiny; the last pair checks the documented task bound itself.
    void limits_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("amount");
        QTest::addColumn<int>("limit");
        const std::pair<const char*, int> bounds[] = {{"tasks", 3}, {"grades", 4}, {"topics", 5},
                                                      {"files", 3}, {"text", 100}, {"all texts", 100}};
        for (const auto& [what, limit] : bounds) {
            QTest::addRow("%s at the limit", what) << QString::fromLatin1(what) << limit << limit;
            QTest::addRow("%s over the limit", what) << QString::fromLatin1(what) << limit + 1 << limit;
        }
        QTest::newRow("100,000 tasks by default") << QStringLiteral("tasks") << 100'000 << -1;
        QTest::newRow("100,001 tasks by default") << QStringLiteral("tasks") << 100'001 << -1;
    }
    void limits()
    {
        QFETCH(QString, what);
        QFETCH(int, amount);
        QFETCH(int, limit);
        TLoadOptions options;
        format::TTestLimits& bound = options.Limits;
        const bool byDefault = limit < 0;
        const int allowed = byDefault ? bound.Tasks : limit;
        Fixture f;
        if (what == QLatin1String("tasks")) {
            bound.Tasks = allowed;
            for (int i = 0; i < amount; ++i)
                f.tasks.push_back(std::make_unique<TTask>(0));
        } else if (what == QLatin1String("grades")) {
            bound.Marks = limit;
            f.test->SetMarkCount(amount);
        } else if (what == QLatin1String("topics")) {
            bound.Themes = limit;
            for (int id = 1; id < amount; ++id) // topic 0 is the first
                f.test->SetTheme(id, QStringLiteral("т"), false, 0, QString());
        } else if (what == QLatin1String("files")) {
            bound.EmbeddedFiles = limit;
            for (int i = 0; i < amount; ++i)
                f.files.push_back({QStringLiteral("f%1").arg(i), QByteArray("x"), {}});
        } else {
            // The only text of the file is the question: no topics are stored.
            f.test->Themes.clear();
            f.add(ttText).Question = QString(amount, QLatin1Char('q'));
            (what == QLatin1String("text") ? bound.TextBytes : bound.AllTextBytes) = limit;
        }
        const bool fits = amount <= allowed;
        const QStringList before = tempEntries();
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {}, 0, options);
        QCOMPARE(r.loaded(), fits);
        if (!fits) {
            QCOMPARE(r.message(), QStringLiteral("Ошибка загрузки теста!"));
            QVERIFY(!r.Test);
            QCOMPARE(tempEntries(), before);
        }
    }

    // Topics merge by identifier, the first topic of an identifier taking the later values;
    // the default topic 0 is updated in place and keeps the first position.
    void topicsMergeByIdentifier()
    {
        Fixture f;
        f.test->Themes = {TTheme{5, QStringLiteral("пять"), QString(), 2, true, 0},
                          TTheme{0, QStringLiteral("ноль"), QStringLiteral("к"), 0, false, 0},
                          TTheme{5, QStringLiteral("пять-2"), QString(), -3, true, 0},
                          TTheme{7, QStringLiteral("семь"), QString(), 4, false, 0}};
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {});
        QVERIFY(r.loaded());
        const QList<TTheme> expected{TTheme{0, QStringLiteral("ноль"), QStringLiteral("к"), 0, false, 0},
                                     TTheme{5, QStringLiteral("пять-2"), QString(), 0, true, 0},
                                     TTheme{7, QStringLiteral("семь"), QString(), 0, false, 0}};
        QCOMPARE(r.Test->Themes, expected);
    }

    // Names differing only in letter case are one file (the later content under the first
    // name), and a task's picture name finds it in any case.
    void namesDifferingInCaseAreOneFile()
    {
        Fixture f;
        f.files.push_back({QStringLiteral("Рис.PNG"), QByteArray("first"), {}});
        f.files.push_back({QStringLiteral("рис.png"), QByteArray("second"), {}});
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {});
        QVERIFY(r.loaded());
        const QString folder = r.Test->TempFolder;
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Рис.PNG")});
        const QString found = FindPictureFile(folder, QStringLiteral("РИС.png"));
        QCOMPARE(found, folder + QStringLiteral("Рис.PNG"));
        QFile file(found);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("second"));
    }

    // A picture name is found in the test's folder only, in any letter case; a name that
    // leads elsewhere finds nothing even where a file of that name exists.
    void pictureNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        QTest::newRow("exact") << QStringLiteral("Карта.png") << QStringLiteral("Карта.png");
        QTest::newRow("latin case") << QStringLiteral("Карта.PNG") << QStringLiteral("Карта.png");
        QTest::newRow("cyrillic case") << QStringLiteral("кАРТА.png") << QStringLiteral("Карта.png");
        QTest::newRow("hidden file") << QStringLiteral(".Scan.BMP") << QStringLiteral(".scan.bmp");
        QTest::newRow("exact wins") << QStringLiteral("b.png") << QStringLiteral("b.png");
        QTest::newRow("missing") << QStringLiteral("нет.png") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("parent step") << QStringLiteral("../outside.png") << QString();
        QTest::newRow("parent only") << QStringLiteral("..") << QString();
        QTest::newRow("folder part") << QStringLiteral("sub/inner.png") << QString();
        QTest::newRow("backslash folder") << QStringLiteral("sub\\inner.png") << QString();
        QTest::newRow("absolute") << QStringLiteral("<outside>") << QString();
        QTest::newRow("folder itself") << QStringLiteral("sub") << QString();
    }
    void pictureNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        QTemporaryDir root;
        QDir(root.path()).mkpath(QStringLiteral("test/sub"));
        const QString folder = root.filePath(QStringLiteral("test")) + QLatin1Char('/');
        for (const QString& file : {QStringLiteral("outside.png"), QStringLiteral("test/Карта.png"),
                                    QStringLiteral("test/.scan.bmp"), QStringLiteral("test/b.png"),
                                    QStringLiteral("test/B.png"), QStringLiteral("test/sub/inner.png")})
            writeFile(root.filePath(file), QByteArray("p"));
        if (name == QLatin1String("<outside>"))
            name = root.filePath(QStringLiteral("outside.png"));
        QCOMPARE(FindPictureFile(folder, name), found.isEmpty() ? QString() : folder + found);
    }

    void duplicateNameOverwrites()
    {
        Fixture f;
        f.files.push_back({QStringLiteral("a.png"), QByteArray("first"), {}});
        f.files.push_back({QStringLiteral("a.png"), QByteArray("2"), {}});
        const TLoadResult r = LoadTestData(QStringLiteral("n"), f.bytes(), {});
        QVERIFY(r.loaded());
        QFile file(r.Test->TempFolder + QStringLiteral("a.png"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("2"));
    }

    void unreadableFile()
    {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        writeFile(path, fullFixture().bytes());
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QCOMPARE(LoadTestFile(path, {}).Outcome, TLoadOutcome::LoadError);
    }

    // Each layer, read in odd-sized pieces, gives what the whole-buffer step gives.
    void layersEqualStepByStep()
    {
        const Fixture f = fullFixture();
        const QByteArray stored = f.bytes() + QByteArray("tail");
        QBuffer source;
        source.setData(stored);
        source.open(QIODevice::ReadOnly);
        CrcReadDevice crcLayer(source);
        DescrambleDevice plainLayer(crcLayer, TestFileKey);
        QByteArray plain;
        char piece[13];
        for (qint64 step = 1;; step = step % 13 + 1) {
            const qint64 got = plainLayer.read(piece, step);
            if (got <= 0)
                break;
            plain.append(piece, got);
        }
        QCOMPARE(crcLayer.crc(), BufferCRC32(stored));
        QCOMPARE(crcLayer.bytesPassed(), stored.size());
        QBuffer expected;
        QBuffer storedBuffer;
        storedBuffer.setData(stored);
        storedBuffer.open(QIODevice::ReadOnly);
        expected.open(QIODevice::ReadWrite);
        QVERIFY(DescrambleStream(storedBuffer, expected, TestFileKey));
        QCOMPARE(plain, expected.data());

        // The body: from after the magic and text to the end of the zlib stream.
        const int textLength = 13;
        const QByteArray compressed = plain.mid(10 + textLength);
        QBuffer compressedBuffer;
        compressedBuffer.setData(compressed);
        compressedBuffer.open(QIODevice::ReadOnly);
        InflateDevice inflater(compressedBuffer);
        QByteArray streamed;
        for (qint64 step = 1;; step = step * 3 % 70001 + 1) {
            QByteArray chunk = inflater.read(step);
            if (chunk.isEmpty())
                break;
            streamed += chunk;
        }
        QVERIFY(inflater.finished());
        QVERIFY(!inflater.failed());
        uLongf size = uLongf(streamed.size());
        QByteArray whole(streamed.size(), Qt::Uninitialized);
        QCOMPARE(uncompress(reinterpret_cast<Bytef*>(whole.data()), &size,
                            reinterpret_cast<const Bytef*>(compressed.constData()),
                            uLong(compressed.size() - 4)),
                 Z_OK);
        QCOMPARE(streamed, whole);
    }

    // A read error anywhere below the parser surfaces as a failed read, not as a short body.
    void readErrorPropagates_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::newRow("in the magic") << qint64(3);
        QTest::newRow("in the body") << qint64(200);
        QTest::newRow("near the end") << qint64(fullFixture().bytes().size() - 1);
    }

    void readErrorPropagates()
    {
        QFETCH(qint64, limit);
        FailDevice source(fullFixture().bytes(), limit);
        CrcReadDevice crcLayer(source);
        DescrambleDevice plain(crcLayer, TestFileKey);
        char head[16];
        const qint64 got = plain.read(head, 16);
        if (limit < 16) {
            QVERIFY(got < 16);
            return;
        }
        QCOMPARE(got, 16);
        InflateDevice body(plain);
        QByteArray all;
        char buffer[4096];
        qint64 n = 0;
        while ((n = body.read(buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        QCOMPARE(n, -1);
        QVERIFY(body.failed());
        QVERIFY(!body.finished());
    }

    void writerReportsDeviceFailure()
    {
        const Fixture f = fullFixture();
        for (qint64 limit : {qint64(0), qint64(8), qint64(100), qint64(f.bytes().size() - 1)}) {
            FailDevice target(QByteArray(), limit);
            QVERIFY_THROWS_EXCEPTION(WriteError, WriteTestFile(target, *f.test, f.tasks, f.files));
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.kvf"));
        std::vector<TWriterFile> missing{
            {QStringLiteral("a.png"), {}, dir.filePath(QStringLiteral("none.png"))}};
        QVERIFY_THROWS_EXCEPTION(WriteError, WriteTestFileToPath(path, *f.test, f.tasks, missing));
        QVERIFY(!QFile::exists(path));
    }

    void inflateDeviceErrors()
    {
        QByteArray compressed(200, '\0');
        uLongf size = uLongf(compressed.size());
        const QByteArray data(1000, 'z');
        QCOMPARE(compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
                          reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size())),
                 Z_OK);
        compressed.resize(qsizetype(size));
        QBuffer truncated;
        truncated.setData(compressed.left(compressed.size() - 3));
        truncated.open(QIODevice::ReadOnly);
        InflateDevice a(truncated);
        QByteArray out(2000, '\0');
        QVERIFY(a.read(out.data(), 2000) < 1000 || a.read(out.data(), 1) < 0);
        QVERIFY(a.failed());

        QBuffer garbage;
        garbage.setData(randomBytes(500, 1));
        garbage.open(QIODevice::ReadOnly);
        InflateDevice b(garbage);
        QCOMPARE(b.read(out.data(), 2000), -1);
        QVERIFY(!b.errorString().isEmpty());
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestLoader)
#include "tst_loader.moc"
