#include "model/Task.h"
#include "model/Test.h"
#include "results/DetailReport.h"
#include "results/ResultTest.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <memory>

using namespace kvizor;

Q_DECLARE_METATYPE(std::shared_ptr<kvizor::TTask>)

namespace {

std::unique_ptr<TTask> makeTask(int type, const QString& question, const QStringList& variants,
                                const QList<int>& values = {}, int weight = 1)
{
    auto task = std::make_unique<TTask>(type);
    task->Question = question;
    task->Weight = weight;
    for (int i = 0; i < variants.size(); ++i)
        task->Variants[size_t(i)] = variants[i];
    for (int i = 0; i < values.size(); ++i)
        task->VariantValues[size_t(i)] = values[i];
    return task;
}

// A one-task run of the task, with the task's result entry.
struct Run
{
    TTest test;
    TTaskList tasks;
    TResultTest result{0};

    void add(std::unique_ptr<TTask> task, int taskResult)
    {
        tasks.push_back(std::move(task));
        result.TaskResults.append(taskResult);
        result.TaskOrder.append(int(tasks.size()) - 1);
    }
};

QStringList paragraphs(const QTextDocument& doc)
{
    QStringList list;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        list << block.text();
    return list;
}

// The paragraphs of the tasks: without the file line, the title and "Конец".
QStringList taskParagraphs(const QTextDocument& doc)
{
    QStringList list = paragraphs(doc);
    return list.mid(2, list.size() - 3);
}

QString picturePath(const TTest& test, const QString& name)
{
    return test.TempFolder + name;
}

void writePng(const TTest& test, const QString& name, QSize size = QSize(40, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(picturePath(test, name), "PNG"));
}

void writeBroken(const TTest& test, const QString& name)
{
    QFile file(picturePath(test, name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture at all");
}

const QString kObject = QString(QChar::ObjectReplacementCharacter);

QList<QImage> documentImages(const QTextDocument& doc)
{
    QList<QImage> images;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat())
                images << doc.resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name()))
                              .value<QImage>();
        }
    }
    return images;
}

QTextBlock blockWithText(const QTextDocument& doc, const QString& text)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.text() == text)
            return block;
    }
    return {};
}

QTextCharFormat formatOf(const QTextBlock& block)
{
    return block.begin().fragment().charFormat();
}

} // namespace

class TestDetailReport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void paragraphsPerType_data()
    {
        QTest::addColumn<std::shared_ptr<TTask>>("task");
        QTest::addColumn<int>("taskResult");
        QTest::addColumn<QStringList>("expected");

        const QStringList abc = {QStringLiteral("Альфа"), QStringLiteral("Бета"), QStringLiteral("Гамма")};
        auto row = [](const char* name, std::unique_ptr<TTask> task, int taskResult,
                      const QStringList& expected) {
            QTest::newRow(name) << std::shared_ptr<TTask>(std::move(task)) << taskResult << expected;
        };
        const QString q = QStringLiteral("Вопрос?");
        auto head = [&](const QString& verdict, const QString& heading) {
            return QStringList{QString(),
                               QStringLiteral("Задание # 1 - ") + verdict + QLatin1Char('!'),
                               QStringLiteral("Вопрос:"),
                               q,
                               QString(),
                               heading};
        };

        row("single choice", makeTask(ttSingleChoice, q, abc, {0, 2, 0}, 2), 2,
            head(QStringLiteral("верно"), QStringLiteral("Выберите один из 3 вариантов ответа:")) +
                QStringList{QStringLiteral("1) Альфа"), QStringLiteral("2) Бета"), QStringLiteral("3) Гамма"),
                            QString(), QStringLiteral("Верный ответ (2 б.): 2;"), QString()});
        row("single choice, last right one", makeTask(ttSingleChoice, q, abc, {1, 0, 1}, 1), 0,
            head(QStringLiteral("ошибка"), QStringLiteral("Выберите один из 3 вариантов ответа:")) +
                QStringList{QStringLiteral("1) Альфа"), QStringLiteral("2) Бета"), QStringLiteral("3) Гамма"),
                            QString(), QStringLiteral("Верный ответ (1 б.): 3;"), QString()});
        row("single choice without a right variant", makeTask(ttSingleChoice, q, abc, {0, 0, 0}, 1), -1,
            head(QStringLiteral("ошибка"), QStringLiteral("Выберите один из 3 вариантов ответа:")) +
                QStringList{QStringLiteral("1) Альфа"), QStringLiteral("2) Бета"), QStringLiteral("3) Гамма"),
                            QString(), QString(), QString()});
        row("multiple choice",
            makeTask(ttMultipleChoice, q, abc + QStringList{QStringLiteral("Дельта")}, {1, 0, 1, 0}, 2), 2,
            head(QStringLiteral("верно"), QStringLiteral("Выберите несколько из 4 вариантов ответа:")) +
                QStringList{QStringLiteral("1) Альфа"), QStringLiteral("2) Бета"), QStringLiteral("3) Гамма"),
                            QStringLiteral("4) Дельта"), QString(),
                            QStringLiteral("Верные ответы (2 б.): 1; 3; "), QString()});
        row("ordering", makeTask(ttOrdering, q, abc, {2, 3, 1}, 3), 3,
            head(QStringLiteral("верно"),
                 QStringLiteral("Укажите порядок следования всех 3 вариантов ответа:")) +
                QStringList{QStringLiteral("__ Альфа"), QStringLiteral("__ Бета"), QStringLiteral("__ Гамма"),
                            QString(), QStringLiteral("Верные ответы (3 б.): "), QStringLiteral("\t2; "),
                            QStringLiteral("\t3; "), QStringLiteral("\t1; "), QString()});
        {
            auto matching =
                makeTask(ttMatching, q, {QStringLiteral("Лев"), QStringLiteral("Орёл")}, {3, 1}, 2);
            matching->MatchVariants[0] = QStringLiteral("птица");
            matching->MatchVariants[1] = QStringLiteral("рыба");
            matching->MatchVariants[2] = QStringLiteral("зверь");
            row("matching: second column first", std::move(matching), 0,
                head(QStringLiteral("ошибка"),
                     QStringLiteral("Укажите соответствие для всех 2 вариантов ответа:")) +
                    QStringList{QStringLiteral("1) птица"), QStringLiteral("2) рыба"),
                                QStringLiteral("3) зверь"), QString(), QStringLiteral("__ Лев"),
                                QStringLiteral("__ Орёл"), QString(),
                                QStringLiteral("Верные ответы (2 б.): "), QStringLiteral("\t3; "),
                                QStringLiteral("\t1; "), QString()});
        }
        row("true/false", makeTask(ttTrueFalse, q, abc, {1, 2, 0}, 1), 1,
            head(QStringLiteral("верно"),
                 QStringLiteral("Укажите истинность или ложность вариантов ответа:")) +
                QStringList{QStringLiteral("__ Альфа"), QStringLiteral("__ Бета"), QStringLiteral("__ Гамма"),
                            QString(), QStringLiteral("Верные ответы (1 б.): "), QStringLiteral("\tДа; "),
                            QStringLiteral("\tНет; "), QStringLiteral("\t; "), QString()});
        const QString line42 = QString(42, QLatin1Char('_'));
        {
            auto number = makeTask(ttNumber, q, {}, {}, 4);
            number->NumberValue = 2.5;
            row("number", std::move(number), 4,
                head(QStringLiteral("верно"), QStringLiteral("Запишите число:")) +
                    QStringList{line42, QString(), QStringLiteral("Верный ответ (4 б.): 2,5."), QString()});
        }
        {
            auto range = makeTask(ttNumber, q, {}, {}, 1);
            range->NumberIsRange = true;
            range->NumberMin = -1.5;
            range->NumberMax = 1000;
            row("number range", std::move(range), 0,
                head(QStringLiteral("ошибка"), QStringLiteral("Запишите число:")) +
                    QStringList{line42, QString(),
                                QStringLiteral("Верный ответ (1 б.) в диапазоне от -1,5 до 1000."),
                                QString()});
        }
        {
            auto text = makeTask(ttText, q, {}, {}, 1);
            text->TextAnswers = QStringLiteral("Москва\r\nмосква\r\nMoscow");
            row("text: the first accepted answer", std::move(text), 1,
                head(QStringLiteral("верно"), QStringLiteral("Запишите ответ:")) +
                    QStringList{line42, QString(), QStringLiteral("Верный ответ (1 б.): \"Москва\"."),
                                QString()});
        }
        row("image point without a picture", makeTask(ttImagePoint, q, {}, {}, 1), 1,
            head(QStringLiteral("верно"), QStringLiteral("Укажите место на изображении:")) +
                QStringList{QString()});
        row("right answer worth 0 points", makeTask(ttSingleChoice, q, abc, {1, 0, 0}, 0), 0,
            head(QStringLiteral("ошибка"), QStringLiteral("Выберите один из 3 вариантов ответа:")) +
                QStringList{QStringLiteral("1) Альфа"), QStringLiteral("2) Бета"), QStringLiteral("3) Гамма"),
                            QString(), QStringLiteral("Верный ответ (0 б.): 1;"), QString()});
    }

    void paragraphsPerType()
    {
        QFETCH(std::shared_ptr<TTask>, task);
        QFETCH(int, taskResult);
        QFETCH(QStringList, expected);
        Run run;
        auto copy = std::make_unique<TTask>(task->TaskType);
        *copy = *task;
        run.add(std::move(copy), taskResult);
        run.test.FileName = QStringLiteral("/home/u/тест.kvf");
        run.test.Title = QStringLiteral("Контрольная");
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QStringList all = paragraphs(doc);
        QCOMPARE(all.first(), QStringLiteral("Тест: /home/u/тест.kvf"));
        QCOMPARE(all.at(1), QStringLiteral("Контрольная"));
        QCOMPARE(all.last(), QStringLiteral("Конец"));
        QCOMPARE(taskParagraphs(doc), expected);
    }

    void styles()
    {
        Run run;
        run.add(makeTask(ttSingleChoice, QStringLiteral("Q"), {QStringLiteral("A")}, {1}, 1), 1);
        QTextDocument doc;
        QFont base(QStringLiteral("DejaVu Sans"));
        base.setPointSize(12);
        doc.setDefaultFont(base);
        BuildDetailReport(&doc, run.test, run.tasks, run.result);

        const QTextBlock file = doc.begin();
        QVERIFY(formatOf(file).fontItalic());
        QCOMPARE(formatOf(file).fontPointSize(), 10.0);
        QCOMPARE(formatOf(file).foreground().color(), QColor(128, 128, 128));

        const QTextBlock title = file.next();
        QCOMPARE(title.text(), QStringLiteral("Тест")); // the title is empty
        QCOMPARE(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(formatOf(title).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOf(title).fontPointSize(), 14.0);

        const QTextCharFormat head = formatOf(blockWithText(doc, QStringLiteral("Задание # 1 - верно!")));
        QCOMPARE(head.fontWeight(), int(QFont::Bold));
        QVERIFY(head.fontUnderline());
        QCOMPARE(head.foreground().color(), QColor(128, 0, 0));

        for (const QString& small :
             {QStringLiteral("Вопрос:"), QStringLiteral("Выберите один из 1 вариантов ответа:")}) {
            const QTextBlock block = blockWithText(doc, small);
            QVERIFY2(block.isValid(), qPrintable(small));
            QVERIFY(formatOf(block).fontItalic());
            QCOMPARE(formatOf(block).fontPointSize(), 10.0);
            QVERIFY(block.blockFormat().alignment() & Qt::AlignLeft);
        }
        const QTextCharFormat answer =
            formatOf(blockWithText(doc, QStringLiteral("Верный ответ (1 б.): 1;")));
        QCOMPARE(answer.foreground().color(), QColor(0, 128, 0));
        QVERIFY(!answer.fontItalic());

        const QTextBlock end = doc.lastBlock();
        QCOMPARE(end.text(), QStringLiteral("Конец"));
        QCOMPARE(end.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(!formatOf(end).foreground().color().isValid() ||
                !formatOf(end).hasProperty(QTextFormat::ForegroundBrush));
    }

    void richTextFragmentsKeepTheirFormat()
    {
        Run run;
        const QString rtf = QStringLiteral(
            "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0\\b \\'c6\\'e8\\'f0\\b0  "
            "\\'f2\\'e5\\'ea\\'f1\\'f2\\par}");
        run.add(makeTask(ttSingleChoice, rtf, {rtf}, {1}, 1), 1);
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QTextBlock question = blockWithText(doc, QStringLiteral("Жир текст"));
        QVERIFY(question.isValid());
        QCOMPARE(formatOf(question).fontWeight(), int(QFont::Bold));
        const QTextBlock variant = blockWithText(doc, QStringLiteral("1) Жир текст"));
        QVERIFY(variant.isValid());
        // "1) " in the report's own format, then the fragment's bold word.
        auto it = variant.begin();
        QCOMPARE(it.fragment().text(), QStringLiteral("1) "));
        QVERIFY(it.fragment().charFormat().fontWeight() != QFont::Bold);
        ++it;
        QCOMPARE(it.fragment().charFormat().fontWeight(), int(QFont::Bold));
    }

    void fragmentPicturesAreCarried()
    {
        QImage red(3, 2, QImage::Format_RGB32);
        red.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        red.save(&buffer, "PNG");
        const QString rtf = QStringLiteral("{\\rtf1\\ansi Q {\\pict\\pngblip\\picw3\\pich2 ") +
                            QString::fromLatin1(png.toHex()) + QStringLiteral("}\\par}");
        Run run;
        run.add(makeTask(ttSingleChoice, rtf, {rtf}, {1}, 1), 1);
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QList<QImage> images = documentImages(doc);
        QCOMPARE(images.size(), 2); // in the question and in the variant
        for (const QImage& image : images) {
            QCOMPARE(image.size(), QSize(3, 2));
            QCOMPARE(image.pixel(0, 0) & 0xFFFFFF, QRgb(0xFF0000));
        }
        QVERIFY(blockWithText(doc, QStringLiteral("1) Q ") + kObject).isValid());
    }

    void fragmentKeepsItsAlignment()
    {
        Run run;
        const QString centred = QStringLiteral("{\\rtf1\\ansi\\qc Centred\\par}");
        run.add(makeTask(ttSingleChoice, centred, {centred}, {1}, 1), 1);
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QTextBlock question = blockWithText(doc, QStringLiteral("Centred"));
        QVERIFY(question.isValid());
        QCOMPARE(question.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        // A variant continues the numbered line, which keeps the report's alignment.
        const QTextBlock variant = blockWithText(doc, QStringLiteral("1) Centred"));
        QVERIFY(variant.isValid());
        QVERIFY(!(variant.blockFormat().alignment() & Qt::AlignHCenter));
        QCOMPARE(blockWithText(doc, QStringLiteral("Выберите один из 1 вариантов ответа:"))
                         .blockFormat()
                         .alignment() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
    }

    void pictures()
    {
        Run run;
        writePng(run.test, QStringLiteral("pic.png"));
        auto choice = makeTask(ttSingleChoice, QStringLiteral("Q"), {QStringLiteral("A")}, {1}, 1);
        choice->ImageFile = QStringLiteral("pic.png");
        run.add(std::move(choice), 1);
        auto point = makeTask(ttImagePoint, QStringLiteral("P"), {}, {}, 3);
        point->ImageFile = QStringLiteral("PIC.png"); // letter case does not tell files apart
        point->AnswerRect = {5, 5, 20, 10};
        run.add(std::move(point), 0);
        QTextDocument doc;
        int failures = 0;
        BuildDetailReport(&doc, run.test, run.tasks, run.result,
                          [&](const QString&, const QString&) { ++failures; });
        QCOMPARE(failures, 0);
        const QStringList expected = {
            // the choice task with its picture
            QString(), QStringLiteral("Задание # 1 - верно!"), QStringLiteral("Вопрос:"), QStringLiteral("Q"),
            QStringLiteral("Изображение:"), kObject, QString(), QString(),
            QStringLiteral("Выберите один из 1 вариантов ответа:"), QStringLiteral("1) A"), QString(),
            QStringLiteral("Верный ответ (1 б.): 1;"), QString(),
            // the image-point task: no "Изображение:", the picture after the heading
            QString(), QStringLiteral("Задание # 2 - ошибка!"), QStringLiteral("Вопрос:"),
            QStringLiteral("P"), QString(), QStringLiteral("Укажите место на изображении:"), kObject,
            QString(), QString(), QStringLiteral("Верный ответ (3 б.):"), kObject, QString(), QString()};
        QCOMPARE(taskParagraphs(doc), expected);

        const QList<QImage> images = documentImages(doc);
        QCOMPARE(images.size(), 3);
        QCOMPARE(images[2].size(), QSize(40, 30));
        QCOMPARE(images[1].pixel(5, 5) & 0xFFFFFF, QRgb(0xFFFFFF)); // the plain copy
        QCOMPARE(images[2].pixel(5, 5) & 0xFFFFFF, QRgb(0xFF0000)); // the marked copy
    }

    void brokenPictureIsToldOnceAndTheReportGoesOn()
    {
        Run run;
        writeBroken(run.test, QStringLiteral("bad.png"));
        auto choice = makeTask(ttSingleChoice, QStringLiteral("Q"), {QStringLiteral("A")}, {1}, 1);
        choice->ImageFile = QStringLiteral("bad.png");
        run.add(std::move(choice), 1);
        auto point = makeTask(ttImagePoint, QStringLiteral("P"), {}, {}, 3);
        point->ImageFile = QStringLiteral("missing.bmp");
        run.add(std::move(point), 3);
        QTextDocument doc;
        QStringList failed;
        BuildDetailReport(&doc, run.test, run.tasks, run.result,
                          [&](const QString& path, const QString&) { failed << path; });
        QCOMPARE(failed, QStringList({picturePath(run.test, QStringLiteral("bad.png")),
                                      picturePath(run.test, QStringLiteral("missing.bmp"))}));
        const QStringList expected = {
            QString(), QStringLiteral("Задание # 1 - верно!"), QStringLiteral("Вопрос:"), QStringLiteral("Q"),
            QStringLiteral("Изображение:"), QString(), QStringLiteral("Выберите один из 1 вариантов ответа:"),
            QStringLiteral("1) A"), QString(), QStringLiteral("Верный ответ (1 б.): 1;"), QString(),
            // no picture, so no answer for the image-point task
            QString(), QStringLiteral("Задание # 2 - верно!"), QStringLiteral("Вопрос:"), QStringLiteral("P"),
            QString(), QStringLiteral("Укажите место на изображении:"), QString()};
        QCOMPARE(taskParagraphs(doc), expected);
        QCOMPARE(paragraphs(doc).last(), QStringLiteral("Конец"));
    }

    // A picture name leading out of the test's folder is a missing picture, even where a
    // picture of that name exists.
    void pictureOutsideTheTestIsMissing()
    {
        Run run;
        writePng(run.test, QStringLiteral("../outside.png"));
        const auto removeOutside =
            qScopeGuard([&] { QFile::remove(picturePath(run.test, QStringLiteral("../outside.png"))); });
        auto choice = makeTask(ttSingleChoice, QStringLiteral("Q"), {QStringLiteral("A")}, {1}, 1);
        choice->ImageFile = QStringLiteral("../outside.png");
        run.add(std::move(choice), 1);
        QTextDocument doc;
        QStringList failed;
        BuildDetailReport(&doc, run.test, run.tasks, run.result,
                          [&](const QString& path, const QString&) { failed << path; });
        QCOMPARE(failed, QStringList{picturePath(run.test, QStringLiteral("../outside.png"))});
        QVERIFY(documentImages(doc).isEmpty());
    }

    void markedAnswerRect()
    {
        QImage picture(40, 30, QImage::Format_Indexed8);
        picture.setColorCount(1);
        picture.setColor(0, qRgb(255, 255, 255));
        picture.fill(0);
        const QImage marked = MarkAnswerRect(picture, {5, 5, 20, 10});
        QCOMPARE(marked.size(), picture.size());
        auto at = [&](int x, int y) { return marked.pixel(x, y) & 0xFFFFFF; };
        // Outline from (5, 5) to (24, 14): the right and bottom edge (25, 15) excluded.
        for (const QPoint p : {QPoint(5, 5), QPoint(24, 5), QPoint(5, 14), QPoint(24, 14), QPoint(15, 5)})
            QCOMPARE(at(p.x(), p.y()), QRgb(0xFF0000));
        QCOMPARE(at(25, 5), QRgb(0xFFFFFF));
        QCOMPARE(at(5, 15), QRgb(0xFFFFFF));
        QCOMPARE(at(4, 4), QRgb(0xFFFFFF));
        // Inside: green hatch lines with the picture between them.
        int green = 0, white = 0;
        for (int y = 6; y < 14; ++y) {
            for (int x = 6; x < 24; ++x) {
                const QRgb c = at(x, y);
                green += c == 0x008000;
                white += c == 0xFFFFFF;
                QVERIFY(c == 0x008000 || c == 0xFFFFFF);
            }
        }
        QVERIFY(green > 10);
        QVERIFY(white > green);
        // Nothing drawn outside the rectangle.
        for (int x = 0; x < 40; ++x)
            QCOMPARE(at(x, 20), QRgb(0xFFFFFF));
    }

    void stoppedRunListsEveryTask()
    {
        Run run;
        for (int i = 0; i < 10; ++i)
            run.add(makeTask(ttNumber, QStringLiteral("N%1").arg(i), {}, {}, 1), i < 3 ? 1 : -1);
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QStringList all = paragraphs(doc);
        QCOMPARE(all.filter(QStringLiteral("Задание #")).size(), 10);
        QCOMPARE(all.filter(QStringLiteral("- ошибка!")).size(), 7);
        QCOMPARE(all.filter(QStringLiteral("- верно!")).size(), 3);
        QVERIFY(all.contains(QStringLiteral("Задание # 10 - ошибка!")));
    }

    void reportFollowsTaskOrder()
    {
        Run run;
        run.add(makeTask(ttNumber, QStringLiteral("первое"), {}, {}, 1), 1);
        run.add(makeTask(ttNumber, QStringLiteral("второе"), {}, {}, 1), 0);
        run.result.TaskOrder = {1, 0};
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QStringList all = paragraphs(doc);
        QVERIFY(all.indexOf(QStringLiteral("второе")) < all.indexOf(QStringLiteral("первое")));
        QVERIFY(all.contains(QStringLiteral("Задание # 1 - ошибка!")));
        QVERIFY(all.contains(QStringLiteral("Задание # 2 - верно!")));
    }

    void shuffledVariantsAgreeWithTheAnswer()
    {
        Run run;
        run.test.RandomVariantOrder = true;
        QStringList variants;
        for (int i = 0; i < 10; ++i)
            variants << QStringLiteral("v%1").arg(i);
        QList<int> values(10, 0);
        values[3] = 1;
        values[7] = 1;
        run.add(makeTask(ttMultipleChoice, QStringLiteral("Q"), variants, values, 2), 2);
        QTextDocument doc;
        BuildDetailReport(&doc, run.test, run.tasks, run.result);
        const QStringList all = paragraphs(doc);
        QStringList listed;
        for (int j = 1; j <= 10; ++j) {
            const QStringList line = all.filter(QRegularExpression(QStringLiteral("^%1\\) v\\d$").arg(j)));
            QCOMPARE(line.size(), 1);
            listed << line.first().section(QLatin1Char(' '), 1);
        }
        QStringList sorted = listed;
        sorted.sort();
        QCOMPARE(sorted, variants);
        const QString expected =
            QStringLiteral("Верные ответы (2 б.): %1; %2; ")
                .arg(std::min(listed.indexOf(QStringLiteral("v3")), listed.indexOf(QStringLiteral("v7"))) + 1)
                .arg(std::max(listed.indexOf(QStringLiteral("v3")), listed.indexOf(QStringLiteral("v7"))) +
                     1);
        QVERIFY2(all.contains(expected), qPrintable(expected));
    }

    void generalNumbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << 1000.0 << "1000";
        QTest::newRow("fraction") << 2.5 << "2,5";
        QTest::newRow("negative") << -0.125 << "-0,125";
        QTest::newRow("15 digits") << 0.1 + 0.2 << "0,3";
        QTest::newRow("large") << 123456789012.0 << "123456789012";
    }

    void generalNumbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(GeneralNumberText(value), text);
    }
};

KVIZOR_TEST_MAIN(TestDetailReport)
#include "tst_detail_report.moc"
