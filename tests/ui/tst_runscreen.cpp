#include "ScreenFixture.h"

#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/RunKeyboard.h"
#include "ui/StatusPanels.h"
#include "ui/VariantGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QTextDocument>
#include <QTimer>

#include "common/Cp1251.h"
#include "results/ProtectedResultFile.h"
#include "ui/RichTextAccess.h"

#include "FakeTestServer.h"

using namespace kvizor;

namespace {

// What slot `slot` of the grid shows: a list's text, or "1"/"0" for a button.
QString slotState(TVariantGrid* grid, int type, int slot)
{
    if (type == ttSingleChoice)
        return grid->radio(slot)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (type == ttMultipleChoice)
        return grid->check(slot)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return grid->list(slot)->currentText();
}

bool isRed(QLabel* label)
{
    return label->palette().color(QPalette::WindowText) == QColor(0xFF, 0x00, 0x00);
}

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestRunScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitKeys_data();
    void digitKeys();
    void equalsStartsCalculator();
    void enterInPenaltyMode();
    void enterWithNothingOffered();
    void enterOnFocusedButton();
    void statusPanelsDuringRun();
    void hintButton();
    void goToList();
    void wholeRunByKeyboard();
    void wholeRunWithRealOutputs();
    void getTestFromServer_data();
    void getTestFromServer();
};

void TestRunScreen::digitKeys_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("states"); // the slot after each key

    QTest::newRow("ordering: 2 three times")
        << int(ttOrdering) << QList<int>{1, 2, 3, 4} << QStringLiteral("222") << 1
        << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    QTest::newRow("true or false cycles")
        << int(ttTrueFalse) << QList<int>{1, 2} << QStringLiteral("1111") << 0
        << QStringList{QString(), QStringLiteral("Да"), QStringLiteral("Нет"), QString()};
    QTest::newRow("matching wraps") << int(ttMatching) << QList<int>{1, 2} << QStringLiteral("111") << 0
                                    << QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                   QStringLiteral("1")};
    QTest::newRow("single: 3 checks slot 3") << int(ttSingleChoice) << QList<int>{1, 0, 0}
                                             << QStringLiteral("3") << 2 << QStringList{QStringLiteral("1")};
    QTest::newRow("single: 0 with ten variants")
        << int(ttSingleChoice) << QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0} << QStringLiteral("0") << 9
        << QStringList{QStringLiteral("1")};
    QTest::newRow("single: 0 with four variants")
        << int(ttSingleChoice) << QList<int>{1, 0, 0, 0} << QStringLiteral("0") << 9
        << QStringList{QStringLiteral("0")};
    QTest::newRow("single: beyond the variants")
        << int(ttSingleChoice) << QList<int>{1, 0, 0} << QStringLiteral("5") << 4
        << QStringList{QStringLiteral("0")};
    QTest::newRow("multiple toggles") << int(ttMultipleChoice) << QList<int>{1, 0, 1} << QStringLiteral("22")
                                      << 1 << QStringList{QStringLiteral("1"), QStringLiteral("0")};
}

void TestRunScreen::digitKeys()
{
    QFETCH(int, type);
    QFETCH(QList<int>, values);
    QFETCH(QString, keys);
    QFETCH(int, slot);
    QFETCH(QStringList, states);

    ScreenWindow w([type, values](TTest&, TTaskList& tasks) {
        tasks.push_back(makeTask(type, values, type == ttMatching ? 2 : 0));
    });
    w.begin();
    TVariantGrid* grid = w.form().runView().grid();
    const bool used = slot < values.size();
    for (int i = 0; i < keys.size(); ++i) {
        w.key(keys.at(i));
        QCOMPARE(slotState(grid, type, slot), states.at(i));
    }
    // A used digit answers, so "Дальше (проверить)" is enabled and takes the focus.
    QCOMPARE(w.form().ACheckAskTask->isEnabled(), used);
    if (used)
        QCOMPARE(QApplication::focusWidget(), w.form().ButtonCheckAskTask);
    if (!used && type == ttSingleChoice) {
        for (int k = 0; k < 10; ++k)
            QVERIFY(!grid->radio(k)->isChecked());
    }
}

void TestRunScreen::equalsStartsCalculator()
{
    ScreenWindow w([](TTest&, TTaskList& tasks) { tasks.push_back(makeTask(ttText, {})); });
    w.begin();
    int starts = 0;
    bool works = true;
    w.form().runKeyboard().setCalculator([&] {
        ++starts;
        return works;
    });
    QCOMPARE(QApplication::focusWidget(), w.form().EditInputText);
    w.key(QLatin1Char('='));
    QCOMPARE(starts, 1);
    QCOMPARE(w.form().EditInputText->text(), QStringLiteral("="));
    QVERIFY(w.prompts.messages.isEmpty());

    works = false;
    w.key(QLatin1Char('='));
    QCOMPARE(starts, 2);
    QCOMPARE(w.form().EditInputText->text(), QStringLiteral("=="));
    QCOMPARE(w.prompts.messages.size(), 1);
    QCOMPARE(w.prompts.messages.constFirst().text,
             QStringLiteral("Ошибка запуска стандартного калькулятора"));
}

void TestRunScreen::enterInPenaltyMode()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.PenaltyMode = true;
        for (int i = 0; i < 2; ++i) {
            auto task = makeTask(ttNumber, {});
            task->NumberValue = 5;
            tasks.push_back(std::move(task));
        }
    });
    w.begin();
    QVERIFY(w.form().ButtonIDoNotKnow->isVisible());
    QCOMPARE(QApplication::focusWidget(), w.form().EditInputNum);
    // Nothing typed: Enter is "Я не знаю...".
    QTest::keyClick(w.form().EditInputNum, Qt::Key_Return);
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 2:"));
    // After a digit: "Дальше (проверить)".
    w.form().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w.form()));
    QCOMPARE(QApplication::focusWidget(), w.form().EditInputNum);
    w.key(QLatin1Char('5'));
    QTest::keyClick(w.form().EditInputNum, Qt::Key_Return);
    QCOMPARE(w.form().RunState(), rsTestLoaded);
    QCOMPARE(w.outputs.result->SkipCount, 1);
    QCOMPARE(w.outputs.result->RightCount, 1);
    QCOMPARE(w.outputs.result->TaskAnswers, (QStringList{QString(), QStringLiteral("5")}));
}

void TestRunScreen::enterWithNothingOffered()
{
    ScreenWindow w([](TTest&, TTaskList& tasks) { tasks.push_back(makeTask(ttNumber, {})); });
    w.begin();
    QVERIFY(!w.form().ButtonIDoNotKnow->isVisible());
    QVERIFY(!w.form().ButtonSkippingTask->isVisible());
    QTest::keyClick(w.form().EditInputNum, Qt::Key_Return);
    QCOMPARE(w.form().RunState(), rsTesting);
}

void TestRunScreen::enterOnFocusedButton()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.PenaltyMode = true;
        test.AllowSkipping = true;
        tasks.push_back(makeTask(ttSingleChoice, {1, 0}));
        tasks.push_back(makeTask(ttSingleChoice, {1, 0}));
    });
    w.begin();
    w.form().ButtonSkippingTask->setFocus();
    QTest::keyClick(w.form().ButtonSkippingTask, Qt::Key_Return);
    // Skipped, not answered: the second task is on screen and nothing was evaluated.
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 2:"));
    QCOMPARE(w.form().runController().RunResult()->SkipCount, 0);
    QCOMPARE(w.form().runController().RunResult()->TaskStates, (QList<int>{0, 0}));
}

void TestRunScreen::statusPanelsDuringRun()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.TestTimeLimit = 100;
        test.EducationMode = true;
        auto task = makeTask(ttSingleChoice, {1, 0});
        task->TimeLimit = 12;
        task->Weight = 2;
        tasks.push_back(std::move(task));
    });
    w.begin();
    TStatusPanels* panels = w.form().statusPanels();
    QCOMPARE(panels->panelText(0), QStringLiteral("Тест идет"));
    QCOMPARE(panels->panelText(1), QStringLiteral("1/1"));
    QCOMPARE(panels->panelText(3), QStringLiteral("00:00:00"));
    QCOMPARE(panels->panelText(5), QStringLiteral("00:00:12"));
    QCOMPARE(panels->panelText(6), QStringLiteral("О"));
    QCOMPARE(panels->panelText(9), QStringLiteral("Цена 2 балла"));
    QCOMPARE(panels->panelText(10), QStringLiteral("Иванов Иван 10 А"));
    QVERIFY(!isRed(panels->panel(5)));

    TRunController& run = w.form().runController();
    run.TimerTaskTimer();
    run.TimerTaskTimer();
    QCOMPARE(panels->panelText(5), QStringLiteral("00:00:10"));
    QVERIFY(!isRed(panels->panel(5)));
    run.TimerTaskTimer();
    QCOMPARE(panels->panelText(5), QStringLiteral("00:00:09"));
    QVERIFY(isRed(panels->panel(5)));

    run.TimerTestTimer();
    QCOMPARE(panels->panelText(2), QStringLiteral("00:00:01"));
    QCOMPARE(panels->panelText(4), QStringLiteral("00:01:39"));
    QVERIFY(!isRed(panels->panel(4)));
    // The idle update leaves the clocks' panels alone during a run.
    w.idle();
    QCOMPARE(panels->panelText(2), QStringLiteral("00:00:01"));
    QVERIFY(isRed(panels->panel(5)));
}

void TestRunScreen::hintButton()
{
    ScreenWindow w([](TTest&, TTaskList& tasks) {
        auto task = makeTask(ttSingleChoice, {1, 0});
        task->Hint = QStringLiteral("Подумайте ещё");
        task->HintPenalty = 2;
        tasks.push_back(std::move(task));
        tasks.push_back(makeTask(ttSingleChoice, {1, 0}));
    });
    w.begin();
    QPushButton* button = w.form().ButtonShowPromptTask;
    QVERIFY(button->isVisible());
    QCOMPARE(button->text(), QStringLiteral("Показать подсказку? Штраф 2 балла."));
    w.prompts.yesNoAnswers = {true};
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(w.prompts.questions,
             QStringList{QStringLiteral("Kvizor|Показать подсказку?\r\nШтраф 2 балла.")});
    QCOMPARE(w.prompts.viewers.size(), 1);
    QCOMPARE(w.prompts.viewers.constFirst().caption, QStringLiteral("Подсказка к заданию..."));
    // Shown again without a question.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(w.prompts.questions.size(), 1);
    QCOMPARE(w.prompts.viewers.size(), 2);

    w.key(QLatin1Char('1'));
    w.clickCheck();
    QVERIFY(!w.form().PanelPromptTask->isVisible());
    QVERIFY(!button->isVisible());
}

void TestRunScreen::goToList()
{
    ScreenWindow w(skippingSingles(3));
    w.begin();
    QComboBox* list = w.form().ComboBoxEx1;
    QVERIFY(w.form().PanelGoToTask->isVisible());
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QStringLiteral("1) Задание типа 1"));
    QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(iconImage(list->itemIcon(0)),
             GoToImagePixmap(giShown).toImage().convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(iconImage(list->itemIcon(1)),
             GoToImagePixmap(giNeverShown).toImage().convertToFormat(QImage::Format_ARGB32));

    // Answer the first: it is marked answered and the second comes.
    w.key(QLatin1Char('1'));
    w.clickCheck();
    QCOMPARE(iconImage(list->itemIcon(0)),
             GoToImagePixmap(giAnswered).toImage().convertToFormat(QImage::Format_ARGB32));
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 3:"));

    // Jump to the third with the mouse; the list keeps no selection.
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 20);
    const QRect r = view->visualRect(view->model()->index(2, 0));
    QTest::mouseMove(view->viewport(), r.center());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 3 из 3:"));
    QCOMPARE(list->currentIndex(), -1);
    // The progress bar does not move on a jump.
    QCOMPARE(w.form().ProgressBarCountAskTask->value(), 2);
}

void TestRunScreen::wholeRunByKeyboard()
{
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("map.png"), pngPicture(300, 200), {}});
    ScreenWindow w(
        [](TTest& test, TTaskList& tasks) {
            test.Title = QStringLiteral("Все типы заданий");
            tasks.push_back(makeTask(ttSingleChoice, {0, 1, 0}));
            tasks.push_back(makeTask(ttMultipleChoice, {1, 0, 1}));
            tasks.push_back(makeTask(ttOrdering, {2, 3, 1}));
            tasks.push_back(makeTask(ttMatching, {2, 1}, 2));
            tasks.push_back(makeTask(ttTrueFalse, {1, 2}));
            auto number = makeTask(ttNumber, {});
            number->NumberIsRange = true;
            number->NumberMin = 2;
            number->NumberMax = 3;
            tasks.push_back(std::move(number));
            auto text = makeTask(ttText, {});
            text->TextAnswers = QStringLiteral("Москва");
            tasks.push_back(std::move(text));
            auto point = makeTask(ttImagePoint, {});
            point->ImageFile = QStringLiteral("map.png");
            point->AnswerRect = {100, 50, 40, 30};
            tasks.push_back(std::move(point));
            for (auto& task : tasks)
                task->Weight = 2;
        },
        files);
    w.begin();
    auto keys = [&w](const QString& typed) {
        for (const QChar ch : typed)
            w.key(ch);
    };
    auto enter = [&w] {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &w.form(), Qt::Key_Return);
    };
    auto expectTask = [&w](int number) {
        QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # %1 из 8:").arg(number));
    };

    // The keys of tasks 1 to 7; the eighth is a click on the picture.
    const QStringList typed = {QStringLiteral("2"),     QStringLiteral("13"),    QStringLiteral("112223"),
                               QStringLiteral("112"),   QStringLiteral("11222"), QStringLiteral("2,75"),
                               QStringLiteral("Москва")};
    for (int i = 0; i < typed.size(); ++i) {
        expectTask(i + 1);
        keys(typed.at(i));
        enter();
    }
    expectTask(8);
    QTest::mouseClick(w.form().runView().imageArea()->image(), Qt::LeftButton, {}, QPoint(140, 80));
    enter();

    QCOMPARE(w.form().RunState(), rsTestLoaded);
    QVERIFY(w.outputs.result.has_value());
    const TResultTest& r = *w.outputs.result;
    QCOMPARE(r.TaskAnswers,
             (QStringList{QStringLiteral("2"), QStringLiteral("1;3;"), QStringLiteral("1-2;2-3;3-1;"),
                          QStringLiteral("1-2;2-1;"), QStringLiteral("1-Да;2-Нет;"), QStringLiteral("2,75"),
                          QStringLiteral("Москва"), QStringLiteral("x=140; y=80")}));
    QCOMPARE(r.RightCount, 8);
    QCOMPARE(r.Points, 16.0);
    QCOMPARE(r.EndReason, std::uint8_t(erFinished));
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Информация"));
}

// A whole run through the window's own outputs: the summary in the question area, the
// log record, then the result window and then the detailed report.
void TestRunScreen::wholeRunWithRealOutputs()
{
    ScreenWindow w(
        [](TTest& test, TTaskList& tasks) {
            test.Title = QStringLiteral("Итоги");
            tasks.push_back(makeTask(ttSingleChoice, {0, 1, 0}));
            tasks.push_back(makeTask(ttMultipleChoice, {1, 0, 1}));
            auto number = makeTask(ttNumber, {});
            number->NumberMin = 2;
            number->NumberMax = 2;
            tasks.push_back(std::move(number));
        },
        {}, true);
    w.form().Config.IsSaveResult = true;
    w.form().Config.IsShowDetailReportModeNormal = true;
    w.form().Config.IsShowDetailReportModeEducation = true;
    w.form().Config.IsSaveProtectionResult = true;
    w.form().Config.DirForResult.clear();
    w.form().Config.ProtectionResultFileName = QStringLiteral("run.kvpr");

    // Modal windows in their order: the result window through the prompts, the report as
    // a real modal viewer closed by a timer.
    QStringList shown;
    w.prompts.onDialog = [&shown](QDialog& dialog) {
        shown.append(dialog.objectName());
        return int(QDialog::Accepted);
    };
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&shown] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shown.append(modal->windowTitle());
            modal->close();
        }
    });
    closer.start(50);

    w.begin();
    auto keys = [&w](const QString& typed) {
        for (const QChar ch : typed)
            w.key(ch);
    };
    auto enter = [&w] {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : &w.form(), Qt::Key_Return);
    };
    keys(QStringLiteral("2"));
    enter();
    keys(QStringLiteral("1"));
    enter();
    keys(QStringLiteral("5"));
    enter();
    QCOMPARE(w.form().RunState(), rsTestLoaded);

    const QString summary = richtext_access::document(w.form().QuestionText)->toPlainText();
    QVERIFY2(summary.startsWith(QStringLiteral("Тест \"Итоги\" закончен")), qPrintable(summary));
    QCOMPARE(shown.value(0), QStringLiteral("ShowResultForm"));
    QCOMPARE(shown.value(1), QStringLiteral("Отчет по прохождению теста"));

    QFile log(w.form().resultLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray bytes = log.readAll();
    QVERIFY(bytes.contains("\r\n"));
    QVERIFY(bytes.count("\r\n") >= 25);
    QVERIFY(bytes.contains(kvizor::cp1251::encode(QStringLiteral("Иванов Иван"))));

    const QList<TResultTest> records =
        LoadProtectedResults(QDir(w.folder()).filePath(QStringLiteral("run.kvpr")));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.constFirst().UserName, QStringLiteral("Иванов Иван"));
    QCOMPARE(records.constFirst().TestTitle, QStringLiteral("Итоги"));
    QCOMPARE(records.constFirst().TaskAnswers.size(), 3);
}

void TestRunScreen::getTestFromServer_data()
{
    QTest::addColumn<QString>("reply"); // "test", "refuse" or "down"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");
    QTest::newRow("test received") << QStringLiteral("test") << QString() << QString();
    QTest::newRow("refused") << QStringLiteral("refuse") << QStringLiteral("Отказано в получении теста")
                             << QStringLiteral("KvizorStudent");
    QTest::newRow("no server") << QStringLiteral("down") << QStringLiteral("Нет связи с сервером!")
                               << QStringLiteral("Ошибка!");
}

// "Получить по сети": the received test is opened from memory and stays out of the
// recent files; a refusal and a failure are reported through the prompts.
void TestRunScreen::getTestFromServer()
{
    QFETCH(QString, reply);
    QFETCH(QString, message);
    QFETCH(QString, caption);
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.Title = QStringLiteral("С сервера");
        tasks.push_back(makeTask(ttSingleChoice, {0, 1, 0}));
    });
    QFile file(QDir(w.folder()).filePath(QStringLiteral("screen.kvf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    w.form().closeTest();
    QCOMPARE(w.form().RunState(), rsNoTest);
    const QStringList recentBefore = w.form().PreviousFiles().entries();

    testing::FakeTestServer server;
    QVERIFY(server.start());
    if (reply == QLatin1String("test"))
        server.setReply(testing::FakeTestServer::testReply("net.kvf", bytes));
    else if (reply == QLatin1String("refuse"))
        server.setReply("NO\r\n");
    else
        server.setRefusing(true);

    w.form().Config.IsSendResult = false;
    w.idle();
    QVERIFY(!w.form().AGetTest->isEnabled());
    w.form().Config.IsSendResult = true;
    w.form().Config.RemoteHost = QStringLiteral("127.0.0.1");
    w.form().Config.RemotePort = server.port();
    w.idle();
    QVERIFY(w.form().AGetTest->isEnabled());
    w.prompts.messages.clear();
    w.form().AGetTest->trigger();
    QVERIFY(QTest::qWaitFor([&] { return !w.form().exchangeUnderWay(); }, 10000));

    if (message.isEmpty()) {
        QCOMPARE(w.form().RunState(), rsTestLoaded);
        QCOMPARE(w.form().Test()->Title, QStringLiteral("С сервера"));
        QVERIFY(w.prompts.messages.isEmpty());
        QCOMPARE(w.form().PreviousFiles().entries(), recentBefore);
        w.idle();
        QVERIFY(!w.form().AGetTest->isEnabled());
    } else {
        QCOMPARE(w.form().RunState(), rsNoTest);
        QCOMPARE(w.prompts.messages.size(), 1);
        QCOMPARE(w.prompts.messages.constFirst().text, message);
        QCOMPARE(w.prompts.messages.constFirst().caption, caption);
    }
}

#include "tst_runscreen.moc"

int runRunScreenTests(int argc, char** argv)
{
    TestRunScreen t;
    return QTest::qExec(&t, argc, argv);
}
