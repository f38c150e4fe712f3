#include "ScreenFixture.h"

#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/NumberKeyFilter.h"
#include "ui/RichTextView.h"
#include "ui/VariantGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTextEdit>

using namespace kvizor;

namespace {

// Chooses a list entry with the mouse: open the list, click the entry.
void chooseEntry(QComboBox* combo, int index)
{
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* view = combo->view();
    QTRY_VERIFY(view->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 20);
    const QRect r = view->visualRect(view->model()->index(index, 0));
    const QPoint at(view->viewport()->width() / 2, r.center().y());
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
}

QStringList entries(QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list.append(combo->itemText(i));
    return list;
}

QColor baseOf(QWidget* widget)
{
    return widget->palette().color(QPalette::Active, QPalette::Base);
}

QColor fromTColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TestSetup oneTask(std::function<std::unique_ptr<TTask>()> make)
{
    return [make](TTest&, TTaskList& tasks) { tasks.push_back(make()); };
}

} // namespace

class TestTaskScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answerEachType_data();
    void answerEachType();
    void singleChoiceRows();
    void matchingRowsAndColumns();
    void tenVariantsUseAllRows();
    void listsFillTheirColumn_data();
    void listsFillTheirColumn();
    void neutralLookAfterRun();
    void orderingDuplicates();
    void feedbackColoursAndMarks();
    void imageFeedbackAndMarker();
    void pictureMessages_data();
    void pictureMessages();
    void pictureNameInAnyCase_data();
    void pictureNameInAnyCase();
    void questionPictureShrinks();
    void numberFieldFilter_data();
    void numberFieldFilter();
};

void TestTaskScreen::answerEachType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("instruction");
    QTest::addColumn<QString>("answer");
    QTest::newRow("single choice") << int(ttSingleChoice)
                                   << QStringLiteral("Выберите один из 3 вариантов ответа:")
                                   << QStringLiteral("2");
    QTest::newRow("multiple choice") << int(ttMultipleChoice)
                                     << QStringLiteral("Выберите несколько из 4 вариантов ответа:")
                                     << QStringLiteral("1;3;");
    QTest::newRow("ordering") << int(ttOrdering)
                              << QStringLiteral("Укажите порядок следования всех 3 вариантов ответа:")
                              << QStringLiteral("1-2;2-3;3-1;");
    QTest::newRow("matching") << int(ttMatching)
                              << QStringLiteral("Укажите соответствие для всех 3 вариантов ответа:")
                              << QStringLiteral("1-2;2-4;3-1;");
    QTest::newRow("true or false") << int(ttTrueFalse)
                                   << QStringLiteral(
                                          "Укажите истинность или ложность для 2 вариантов ответа:")
                                   << QStringLiteral("1-Да;2-Нет;");
    QTest::newRow("number") << int(ttNumber) << QStringLiteral("Введите число:") << QStringLiteral("2,5");
    QTest::newRow("text") << int(ttText) << QStringLiteral("Введите ответ:") << QStringLiteral("moscow");
    QTest::newRow("place on image") << int(ttImagePoint) << QStringLiteral("Укажите место на изображении:")
                                    << QStringLiteral("x=30; y=40");
}

void TestTaskScreen::answerEachType()
{
    QFETCH(int, type);
    QFETCH(QString, instruction);
    QFETCH(QString, answer);

    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("plan.png"), pngPicture(200, 150), {}});
    ScreenWindow w(oneTask([type] {
                       std::unique_ptr<TTask> task;
                       switch (type) {
                       case ttSingleChoice:
                           return makeTask(type, {0, 1, 0});
                       case ttMultipleChoice:
                           return makeTask(type, {1, 0, 1, 0});
                       case ttOrdering:
                           return makeTask(type, {2, 3, 1});
                       case ttMatching:
                           return makeTask(type, {2, 4, 1}, 4);
                       case ttTrueFalse:
                           return makeTask(type, {1, 2});
                       case ttNumber:
                           task = makeTask(type, {});
                           task->NumberValue = 2.5;
                           return task;
                       case ttText:
                           task = makeTask(type, {});
                           task->TextAnswers = QStringLiteral("Москва\r\nMoscow");
                           return task;
                       default:
                           task = makeTask(type, {});
                           task->ImageFile = QStringLiteral("plan.png");
                           task->AnswerRect = {10, 20, 100, 50};
                           return task;
                       }
                   }),
                   files);
    TStudentMainForm& form = w.form();
    w.begin();
    QCOMPARE(form.RunState(), rsTesting);
    QCOMPARE(form.VariantLabel->text(), instruction);
    QCOMPARE(form.QuestionLabel->text(), QStringLiteral("Вопрос # 1 из 1:"));
    QCOMPARE(form.PanelVariant->isVisible(), type <= ttTrueFalse);
    QCOMPARE(form.PanelInputNum->isVisible(), type == ttNumber);
    QCOMPARE(form.PanelInputText->isVisible(), type == ttText);
    QCOMPARE(form.PanelImgRect->isVisible(), type == ttImagePoint);
    QVERIFY(!form.ACheckAskTask->isEnabled());

    switch (type) {
    case ttSingleChoice:
        QTest::mouseClick(w.find<QRadioButton>(QStringLiteral("VariantRadioButton1")), Qt::LeftButton);
        break;
    case ttMultipleChoice:
        QTest::mouseClick(w.find<QCheckBox>(QStringLiteral("VariantCheckBox0")), Qt::LeftButton);
        QTest::mouseClick(w.find<QCheckBox>(QStringLiteral("VariantCheckBox2")), Qt::LeftButton);
        break;
    case ttOrdering:
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox0")), 1);
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox1")), 2);
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox2")), 0);
        break;
    case ttMatching:
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox0")), 1);
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox1")), 3);
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox2")), 0);
        break;
    case ttTrueFalse:
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox0")), 1);
        chooseEntry(w.find<QComboBox>(QStringLiteral("VariantComboBox1")), 2);
        break;
    case ttNumber:
        QCOMPARE(QApplication::focusWidget(), form.EditInputNum);
        typeText(form.EditInputNum, QStringLiteral("2.5"));
        break;
    case ttText:
        QCOMPARE(QApplication::focusWidget(), form.EditInputText);
        typeText(form.EditInputText, QStringLiteral("moscow"));
        break;
    default:
        QTest::mouseClick(w.find<TImageArea>(QStringLiteral("ScrollBox"))->image(), Qt::LeftButton, {},
                          QPoint(30, 40));
        QVERIFY(w.find(QStringLiteral("ShapePoint"))->isVisible());
        QCOMPARE(w.find(QStringLiteral("ShapePoint"))->geometry(), QRect(25, 35, 11, 11));
        break;
    }
    QVERIFY(form.ACheckAskTask->isEnabled());
    w.clickCheck();

    QCOMPARE(form.RunState(), rsTestLoaded);
    QVERIFY(w.outputs.result.has_value());
    QCOMPARE(w.outputs.result->TaskAnswers.value(0), answer);
    QCOMPARE(w.outputs.result->RightCount, 1);
}

void TestTaskScreen::singleChoiceRows()
{
    ScreenWindow w(oneTask([] { return makeTask(ttSingleChoice, {1, 0, 0}); }));
    w.begin();
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    QCOMPARE(grid->rowCount(), 5);
    // The designed widths, or more where the font's numbers need it.
    const TVariantGrid::Widths widths = grid->columnWidths();
    QVERIFY(widths[0] >= 20);
    QVERIFY(widths[1] >= 40);
    QCOMPARE(widths[2], 0);
    QCOMPARE(widths[3], 0);
    QCOMPARE(widths[4], grid->width() - widths[0] - widths[1]);
    QCOMPARE(widths[5], 0);
    QCOMPARE(widths[6], 0);
    for (int k = 0; k < 10; ++k) {
        QRadioButton* radio = grid->radio(k);
        QCOMPARE(radio->isVisible(), k < 5);
        QCOMPARE(radio->isEnabled(), k < 3);
        QCOMPARE(radio->text(), QString::number(k + 1));
        QCOMPARE(grid->variantText(k)->isVisible(), k < 5);
        QCOMPARE(grid->variantText(k)->toPlainText(),
                 k < 3 ? QStringLiteral("Вариант %1").arg(k + 1) : QString());
        QVERIFY(!grid->check(k)->isVisible());
        QVERIFY(!grid->list(k)->isVisible());
        QVERIFY(!grid->matchText(k)->isVisible());
    }
    // Five equal shares of the height.
    const int rowHeight = grid->height() / 5;
    QVERIFY(qAbs(grid->variantText(4)->y() - 4 * grid->height() / 5) <= 2);
    QVERIFY(qAbs(grid->variantText(0)->height() - rowHeight) <= 3);
}

void TestTaskScreen::matchingRowsAndColumns()
{
    ScreenWindow w(oneTask([] { return makeTask(ttMatching, {1, 2, 3, 4}, 7); }));
    w.begin();
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    QCOMPARE(grid->rowCount(), 7);
    const TVariantGrid::Widths widths = grid->columnWidths();
    QCOMPARE(widths[3], 40); // "1" … "7" fit the designed width
    QVERIFY(widths[0] >= 20 && widths[5] >= 20);
    const int fixed = widths[0] + widths[3] + widths[5];
    QCOMPARE(widths[6], (grid->width() - fixed - 10) / 2);
    QCOMPARE(widths[4], grid->width() - fixed - widths[6]);
    const QStringList seven{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                            QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                            QStringLiteral("7")};
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(entries(grid->list(k)), seven);
        QCOMPARE(grid->list(k)->currentIndex(), -1);
        QVERIFY(grid->list(k)->isEnabled());
    }
    QVERIFY(grid->list(4)->isVisible());
    QVERIFY(!grid->list(4)->isEnabled());
    QVERIFY(!grid->list(5)->isVisible());
    // Right-hand items in file order with their numbers beside them.
    for (int j = 0; j < 7; ++j) {
        QCOMPARE(grid->matchText(j)->toPlainText(), QStringLiteral("Пара %1").arg(j + 1));
        QVERIFY(grid->matchText(j)->isVisible());
        const QString name = j < 5 ? QStringLiteral("VariantLabel2_%1").arg(j)
                                   : QStringLiteral("VariantLabel2Fixed_%1").arg(j);
        auto* number = w.find<QLabel>(name);
        QCOMPARE(number->text(), QString::number(j + 1));
        QVERIFY(number->isVisible());
    }
    QVERIFY(!grid->matchText(7)->isVisible());
    // Column 6 follows the width of the grid.
    w.form().resize(w.form().width() + 100, w.form().height());
    QTRY_COMPARE(grid->columnWidths()[6], (grid->width() - fixed - 10) / 2);
}

void TestTaskScreen::tenVariantsUseAllRows()
{
    ScreenWindow w(oneTask([] { return makeTask(ttSingleChoice, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}); }));
    w.begin();
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    QCOMPARE(grid->rowCount(), 10);
    for (int k = 0; k < 10; ++k) {
        QVERIFY(grid->radio(k)->isVisible());
        QVERIFY(grid->radio(k)->isEnabled());
    }
    QVERIFY(qAbs(grid->variantText(9)->y() - 9 * grid->height() / 10) <= 2);
    QVERIFY(qAbs(grid->variantText(0)->height() - grid->height() / 10) <= 3);
}

void TestTaskScreen::listsFillTheirColumn_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("variants");
    QTest::addColumn<int>("pairs");
    QTest::newRow("matching, 3 pairs") << int(ttMatching) << 3 << 3;
    QTest::newRow("matching, 2 of 10") << int(ttMatching) << 2 << 10;
    QTest::newRow("ordering, 4") << int(ttOrdering) << 4 << 0;
    QTest::newRow("ordering, 10") << int(ttOrdering) << 10 << 0;
    QTest::newRow("true or false, 3") << int(ttTrueFalse) << 3 << 0;
}

// Every list the grid shows, the empty ones of rows beyond the variants included, has the
// list column's place and width, also on a task after one with other lists.
void TestTaskScreen::listsFillTheirColumn()
{
    QFETCH(int, type);
    QFETCH(int, variants);
    QFETCH(int, pairs);
    ScreenWindow w([&](TTest&, TTaskList& tasks) {
        tasks.push_back(makeTask(ttMatching, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 10));
        tasks.push_back(makeTask(type, QList<int>(variants, 1), pairs));
    });
    w.begin();
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    const auto verifyLists = [grid](int filled) {
        // A list that sizes itself to its entries does so a moment after they change.
        QTest::qWait(100);
        const TVariantGrid::Widths widths = grid->columnWidths();
        const int left = widths[0] + widths[1] + widths[2];
        int shown = 0;
        for (int k = 0; k < TVariantGrid::SlotCount; ++k) {
            QComboBox* list = grid->list(k);
            if (!list->isVisible())
                continue;
            ++shown;
            QCOMPARE(list->x(), left);
            QCOMPARE(list->width(), widths[3]);
            QCOMPARE(list->isEnabled(), k < filled);
        }
        QVERIFY(shown >= std::max(filled, 5));
    };
    verifyLists(10);
    w.key(QLatin1Char('1'));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 2:"));
    verifyLists(variants);
}

void TestTaskScreen::neutralLookAfterRun()
{
    ScreenWindow w(oneTask([] { return makeTask(ttMatching, {1, 2}, 2); }));
    w.begin();
    QTest::mouseClick(w.form().ButtonCheckAskTask, Qt::LeftButton); // disabled: nothing
    QCOMPARE(w.form().RunState(), rsTesting);
    w.key(QLatin1Char('1'));
    w.clickCheck();
    QCOMPARE(w.form().RunState(), rsTestLoaded);
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(grid->columnWidths()[1], 40);
    QCOMPARE(grid->columnWidths()[6], 0);
    QVERIFY(!w.form().PanelVariant->isEnabled());
    QVERIFY(w.form().PanelVariant->isVisible());
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Информация"));
    QCOMPARE(w.form().VariantLabel->text(), QStringLiteral("Выберите один из 5 вариантов ответа:"));
    for (int k = 0; k < 10; ++k) {
        QVERIFY(grid->variantText(k)->toPlainText().isEmpty());
        QVERIFY(grid->numberLabel(k)->text().isEmpty());
    }
    QVERIFY(!w.form().aIDoNotKnow->isVisible());
    QVERIFY(!w.form().PanelPromptTask->isVisible());
    QVERIFY(!w.form().PanelGoToTask->isVisible());
}

void TestTaskScreen::orderingDuplicates()
{
    ScreenWindow w(oneTask([] { return makeTask(ttOrdering, {1, 2, 3}); }));
    w.begin();
    auto* grid = qobject_cast<TVariantGrid*>(w.form().GridPanel);
    chooseEntry(grid->list(0), 0);
    QVERIFY(w.form().ACheckAskTask->isEnabled()); // incomplete but checkable
    chooseEntry(grid->list(1), 0);
    QCOMPARE(grid->numberLabel(0)->text(), QStringLiteral("?"));
    QCOMPARE(grid->numberLabel(1)->text(), QStringLiteral("?"));
    QCOMPARE(grid->numberLabel(2)->text(), QString());
    QVERIFY(!w.form().ACheckAskTask->isEnabled());
    QVERIFY(!w.form().ButtonCheckAskTask->isEnabled());
    chooseEntry(grid->list(1), 2);
    QCOMPARE(grid->numberLabel(0)->text(), QString());
    QCOMPARE(grid->numberLabel(1)->text(), QString());
    QVERIFY(w.form().ACheckAskTask->isEnabled());
}

void TestTaskScreen::feedbackColoursAndMarks()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.EducationMode = true;
        tasks.push_back(makeTask(ttSingleChoice, {1, 0, 0}));
        tasks.push_back(makeTask(ttMatching, {2, 1}, 2));
    });
    TStudentMainForm& form = w.form();
    auto* grid = qobject_cast<TVariantGrid*>(form.GridPanel);
    w.begin();
    const QColor base = baseOf(grid->variantText(0));
    const QColor listBase = grid->list(0)->palette().color(QPalette::Button);
    QTest::mouseClick(grid->radio(2), Qt::LeftButton);

    int boxes = 0;
    w.prompts.onMessage = [&](const QString& text) {
        ++boxes;
        QCOMPARE(text, QStringLiteral("Неправильно...\r\n"));
        QCOMPARE(grid->numberLabel(0)->text(), QStringLiteral("+"));
        QCOMPARE(grid->numberLabel(1)->text(), QStringLiteral("-"));
        QCOMPARE(grid->numberLabel(2)->text(), QStringLiteral("-"));
        QCOMPARE(baseOf(grid->variantText(0)), fromTColor(form.Config.ColorCorrect));
        QCOMPARE(baseOf(grid->variantText(1)), base);
        QCOMPARE(baseOf(grid->variantText(2)), fromTColor(form.Config.ColorError));
    };
    w.clickCheck();
    QCOMPARE(boxes, 1);
    // The next task starts with the base colours.
    QCOMPARE(baseOf(grid->variantText(0)), base);
    QCOMPARE(baseOf(grid->variantText(2)), base);

    // Matching: each left text takes its partner's colour; the lists show right or wrong.
    w.prompts.onMessage = [&](const QString&) {
        ++boxes;
        QCOMPARE(grid->numberLabel(0)->text(), QStringLiteral("2"));
        QCOMPARE(grid->numberLabel(1)->text(), QStringLiteral("1"));
        QCOMPARE(baseOf(grid->variantText(0)), fromTColor(form.Config.ColorCollation[1]));
        QCOMPARE(baseOf(grid->matchText(0)), fromTColor(form.Config.ColorCollation[0]));
        QCOMPARE(grid->list(0)->palette().color(QPalette::Button), fromTColor(form.Config.ColorCorrect));
        QCOMPARE(grid->list(1)->palette().color(QPalette::Button), fromTColor(form.Config.ColorError));
    };
    chooseEntry(grid->list(0), 1);
    w.clickCheck();
    QCOMPARE(boxes, 2);
    QCOMPARE(baseOf(grid->variantText(0)), base);
    QCOMPARE(baseOf(grid->matchText(0)), base);
    QCOMPARE(grid->list(0)->palette().color(QPalette::Button), listBase);
}

void TestTaskScreen::imageFeedbackAndMarker()
{
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("big.png"), pngPicture(1500, 1200), {}});
    ScreenWindow w(
        [](TTest& test, TTaskList& tasks) {
            test.EducationMode = true;
            auto task = makeTask(ttImagePoint, {});
            task->ImageFile = QStringLiteral("big.png");
            task->AnswerRect = {1000, 900, 50, 40};
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    auto* area = w.find<TImageArea>(QStringLiteral("ScrollBox"));
    // Larger than the area: scroll bars, starting at the top-left corner.
    QVERIFY(area->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
    QCOMPARE(area->verticalScrollBar()->value(), 0);
    QVERIFY(!area->marker()->isVisible());

    // The marker follows the picture when the area scrolls.
    area->horizontalScrollBar()->setValue(300);
    QTest::mouseClick(area->image(), Qt::LeftButton, {}, QPoint(350, 20));
    QCOMPARE(area->markerCentre(), QPoint(350, 20));
    const QPoint onScreen = area->marker()->mapTo(area->viewport(), QPoint(0, 0));
    area->horizontalScrollBar()->setValue(100);
    QCOMPARE(area->marker()->mapTo(area->viewport(), QPoint(0, 0)), onScreen + QPoint(200, 0));

    // A right click does not move it.
    QTest::mouseClick(area->image(), Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(area->markerCentre(), QPoint(350, 20));

    bool shown = false;
    w.prompts.onMessage = [&](const QString&) {
        shown = area->rectShape()->isVisible();
        QCOMPARE(area->rectShape()->geometry(), QRect(1000, 900, 50, 40));
    };
    w.clickCheck();
    QVERIFY(shown);
    QVERIFY(!area->rectShape()->isVisible());
    QCOMPARE(w.outputs.result->TaskAnswers.value(0), QStringLiteral("x=350; y=20"));
}

void TestTaskScreen::pictureMessages_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::newRow("question: missing") << int(ttSingleChoice) << QStringLiteral("missing.png")
                                       << QStringLiteral("Файл: %1missing.png с изображением отсутствует!");
    QTest::newRow("question: broken") << int(ttSingleChoice) << QStringLiteral("broken.png")
                                      << QStringLiteral("Ошибка загрузки изображения!");
    QTest::newRow("answer image: missing")
        << int(ttImagePoint) << QStringLiteral("missing.gif")
        << QStringLiteral("Файл: %1missing.gif с изображением отсутствует!");
    QTest::newRow("answer image: broken") << int(ttImagePoint) << QStringLiteral("broken.png")
                                          << QStringLiteral("Ошибка загрузки изображения!");
    // A real picture lies beside the test's folder: names leading there are missing pictures.
    QTest::newRow("question: parent folder")
        << int(ttSingleChoice) << QStringLiteral("../outside.png")
        << QStringLiteral("Файл: %1../outside.png с изображением отсутствует!");
    QTest::newRow("answer image: absolute path") << int(ttImagePoint) << QStringLiteral("<outside>")
                                                 << QStringLiteral("Файл: %1%2 с изображением отсутствует!");
}

void TestTaskScreen::pictureMessages()
{
    QFETCH(int, type);
    QFETCH(QString, file);
    QFETCH(QString, message);
    const QString outside = QDir(QDir::tempPath()).filePath(QStringLiteral("outside.png"));
    QFile picture(outside);
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write(pngPicture(20, 20));
    picture.close();
    const auto removeOutside = qScopeGuard([&] { QFile::remove(outside); });
    if (file == QLatin1String("<outside>"))
        file = outside;
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("broken.png"), QByteArrayLiteral("\x89PNG not really"), {}});
    ScreenWindow w(
        [type, file](TTest&, TTaskList& tasks) {
            auto task = makeTask(type, {1, 0});
            task->ImageFile = file;
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    const QString folder = w.form().Test()->TempFolder;
    if (message.contains(QLatin1String("%2")))
        message = message.arg(folder, file);
    else if (message.contains(QLatin1String("%1")))
        message = message.arg(folder);
    int shown = 0;
    for (const auto& m : w.prompts.messages)
        shown += m.text == message ? 1 : 0;
    QCOMPARE(shown, 1);
    QVERIFY(!w.form().QuestionImage->isVisible());
    QVERIFY(!w.find(QStringLiteral("ScrollBox"))->isVisible());
    QCOMPARE(w.form().RunState(), rsTesting);
}

// Tests were made where letter case does not tell files apart.
void TestTaskScreen::pictureNameInAnyCase_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("question picture") << int(ttSingleChoice);
    QTest::newRow("answer image") << int(ttImagePoint);
}

void TestTaskScreen::pictureNameInAnyCase()
{
    QFETCH(int, type);
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("Схема.PNG"), pngPicture(30, 20), {}});
    ScreenWindow w(
        [type](TTest&, TTaskList& tasks) {
            auto task = makeTask(type, {1, 0});
            task->ImageFile = QStringLiteral("схема.png");
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    QVERIFY(w.prompts.messages.isEmpty());
    QWidget* shown = type == ttImagePoint ? w.find(QStringLiteral("ScrollBox")) : w.form().QuestionImage;
    QVERIFY(shown->isVisible());
}

void TestTaskScreen::questionPictureShrinks()
{
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("wide.png"), pngPicture(400, 200), {}});
    ScreenWindow w(
        [](TTest&, TTaskList& tasks) {
            auto task = makeTask(ttSingleChoice, {1, 0});
            task->ImageFile = QStringLiteral("wide.png");
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    QLabel* image = w.form().QuestionImage;
    QVERIFY(image->isVisible());
    QCOMPARE(image->size(), QSize(160, 160));
    QCOMPARE(image->pixmap().size(), QSize(160, 80));
    QCOMPARE(image->toolTip(), QStringLiteral("Для увеличения изображения щелкните по нему..."));
    QVERIFY(!w.find(QStringLiteral("ScrollBox"))->isVisible());
}

void TestTaskScreen::numberFieldFilter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::newRow("point becomes the separator") << QStringLiteral("2.5") << QStringLiteral("2,5") << 0;
    QTest::newRow("comma kept") << QStringLiteral("2,5") << QStringLiteral("2,5") << 0;
    QTest::newRow("one separator only") << QStringLiteral("1,2.3") << QStringLiteral("1,23") << 1;
    QTest::newRow("minus at the start") << QStringLiteral("-7") << QStringLiteral("-7") << 0;
    QTest::newRow("minus not after digits") << QStringLiteral("7-") << QStringLiteral("7") << 1;
    QTest::newRow("one minus") << QStringLiteral("--1") << QStringLiteral("-1") << 1;
    QTest::newRow("letters refused") << QStringLiteral("1a2 e") << QStringLiteral("12") << 3;
}

void TestTaskScreen::numberFieldFilter()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(int, beeps);
    ScreenWindow w(oneTask([] { return makeTask(ttNumber, {}); }));
    w.begin();
    auto* filter = w.form().EditInputNum->findChild<TNumberKeyFilter*>();
    QVERIFY(filter != nullptr);
    int beeped = 0;
    filter->setBeep([&beeped] { ++beeped; });
    typeText(w.form().EditInputNum, typed);
    QCOMPARE(w.form().EditInputNum->text(), text);
    QCOMPARE(beeped, beeps);
    // Backspace still works.
    QTest::keyClick(w.form().EditInputNum, Qt::Key_Backspace);
    QCOMPARE(w.form().EditInputNum->text(), text.chopped(1));
}

#include "tst_taskscreen.moc"

int runTaskScreenTests(int argc, char** argv)
{
    TestTaskScreen t;
    return QTest::qExec(&t, argc, argv);
}
