// What a screen reader finds in the window during a run, read through Qt's accessibility
// interfaces: names, descriptions, roles and texts of every task type, the status panels
// and the remaining times on F2.
#include "ScreenFixture.h"

#include "results/ResultTest.h"
#include "ui/Accessibility.h"
#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/RunKeyboard.h"
#include "ui/StatusPanels.h"
#include "ui/VariantGrid.h"

#include <private/qguiapplication_p.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QRadioButton>

#include <algorithm>

using namespace kvizor;

namespace {

QAccessibleInterface* reader(QWidget* widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString nameOf(QWidget* widget)
{
    return reader(widget)->text(QAccessible::Name);
}

const QString RichMoscow = QStringLiteral("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Times New "
                                          "Roman;}}\\f0 {\\b \\'cc\\'ee\\'f1}\\'ea\\'e2\\'e0}");

std::unique_ptr<TTask> taskOf(int type)
{
    auto task = std::make_unique<TTask>(type);
    task->Question = QStringLiteral("Столица Франции?");
    const QStringList variants{RichMoscow, QStringLiteral("Париж"), QStringLiteral("Рим")};
    if (type <= ttTrueFalse) {
        for (int k = 0; k < variants.size(); ++k) {
            task->Variants[static_cast<std::size_t>(k)] = variants.at(k);
            task->VariantValues[static_cast<std::size_t>(k)] = k + 1;
        }
    }
    if (type == ttMatching) {
        task->MatchVariants[0] = QStringLiteral("Россия");
        task->MatchVariants[1] = QStringLiteral("Франция");
        task->MatchVariants[2] = QStringLiteral("Италия");
    }
    if (type == ttImagePoint)
        task->ImageFile = QStringLiteral("map.png");
    return task;
}

// Accessibility events, as a screen reader would get them, while it is alive. Qt sends none
// unless a reader listens, which is switched on here as Qt's own tests do.
class EventLog
{
public:
    EventLog()
    {
        s_log = this;
        QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
            s_log->events.append({event->object(), event->type()});
        });
        platform()->setActive(true);
    }
    ~EventLog()
    {
        platform()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
        s_log = nullptr;
    }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    int count(const QObject* object) const
    {
        return int(std::count_if(events.begin(), events.end(),
                                 [object](const auto& event) { return event.first == object; }));
    }

    QList<std::pair<const QObject*, QAccessible::Event>> events;

private:
    static QPlatformAccessibility* platform()
    {
        return QGuiApplicationPrivate::platformIntegration()->accessibility();
    }
    static inline EventLog* s_log = nullptr;
};

} // namespace

class TestAccessScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachTypeNamed_data();
    void eachTypeNamed();
    void statusPanelsSpoken();
    void clocksDoNotFlood();
    void timesOnF2();
    void remainingTimesText_data();
    void remainingTimesText();
    void goToItemsSayTheirState();
};

void TestAccessScreen::eachTypeNamed_data()
{
    QTest::addColumn<int>("type");
    // The answer control of slot 2 (or the field), its role and its name.
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    const QString second = QStringLiteral("Вариант 2: Париж");
    QTest::newRow("single choice") << int(ttSingleChoice) << "VariantRadioButton1"
                                   << int(QAccessible::RadioButton) << second
                                   << "Выберите один из 3 вариантов ответа";
    QTest::newRow("multiple choice") << int(ttMultipleChoice) << "VariantCheckBox1"
                                     << int(QAccessible::CheckBox) << second
                                     << "Выберите несколько из 3 вариантов ответа";
    QTest::newRow("ordering") << int(ttOrdering) << "VariantComboBox1" << int(QAccessible::ComboBox) << second
                              << "Место варианта по порядку, от 1 до 3";
    QTest::newRow("matching") << int(ttMatching) << "VariantComboBox1" << int(QAccessible::ComboBox) << second
                              << "Номер пары из правого столбца, от 1 до 3";
    QTest::newRow("true or false") << int(ttTrueFalse) << "VariantComboBox1" << int(QAccessible::ComboBox)
                                   << second << "Верно ли: Да или Нет";
    QTest::newRow("number") << int(ttNumber) << "EditInputNum" << int(QAccessible::EditableText)
                            << "Ответ: число"
                            << "Введите число";
    QTest::newRow("text") << int(ttText) << "EditInputText" << int(QAccessible::EditableText)
                          << "Ответ: текст"
                          << "Введите ответ";
    QTest::newRow("place on image") << int(ttImagePoint) << "ScrollBox" << -1
                                    << "Изображение для ответа, отметки нет"
                                    << "";
}

void TestAccessScreen::eachTypeNamed()
{
    QFETCH(int, type);
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, description);
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("map.png"), pngPicture(100, 80), {}});
    ScreenWindow w([type](TTest&, TTaskList& tasks) { tasks.push_back(taskOf(type)); }, files);
    w.begin();

    // The question is text a reader can reach and read.
    QAccessibleInterface* question = reader(w.form().QuestionText);
    QCOMPARE(question->text(QAccessible::Name), QStringLiteral("Вопрос 1 из 1"));
    QVERIFY(question->state().readOnly);
    QVERIFY(question->state().focusable);
    QVERIFY(question->textInterface() != nullptr);
    const int length = question->textInterface()->characterCount();
    QCOMPARE(question->textInterface()->text(0, length).trimmed(), QStringLiteral("Столица Франции?"));

    auto* widget = w.find(control);
    QVERIFY(widget != nullptr);
    QAccessibleInterface* answer = reader(widget);
    if (role >= 0)
        QCOMPARE(int(answer->role()), role);
    QCOMPARE(answer->text(QAccessible::Name), name);
    if (!description.isEmpty())
        QCOMPARE(answer->text(QAccessible::Description), description);

    if (type <= ttTrueFalse) {
        // The rich variant is read as its plain text; slots beyond the variants by number.
        QString first = QStringLiteral("VariantComboBox0");
        if (type == ttSingleChoice)
            first = QStringLiteral("VariantRadioButton0");
        else if (type == ttMultipleChoice)
            first = QStringLiteral("VariantCheckBox0");
        QCOMPARE(nameOf(w.find(first)), QStringLiteral("Вариант 1: Москва"));
        QCOMPARE(nameOf(w.find(QString(first).replace(QLatin1Char('0'), QLatin1Char('3')))),
                 QStringLiteral("Вариант 4"));
        QCOMPARE(nameOf(w.find(QStringLiteral("VariantRE_1_1"))), QStringLiteral("Текст варианта 2"));
    }
    if (type == ttMatching) {
        // The list names both sides: its entries name the right-hand items.
        auto* list = w.find<QComboBox>(QStringLiteral("VariantComboBox0"));
        QCOMPARE(list->itemData(1, Qt::AccessibleTextRole).toString(), QStringLiteral("2: Франция"));
        list->setCurrentIndex(1);
        QCOMPARE(reader(list)->text(QAccessible::Value), QStringLiteral("2"));
        QCOMPARE(reader(list)->text(QAccessible::Name), QStringLiteral("Вариант 1: Москва"));
    }
    if (type == ttImagePoint) {
        QTest::keyClick(widget, Qt::Key_Down);
        QCOMPARE(answer->text(QAccessible::Name), QStringLiteral("Изображение для ответа, отметка: 50, 40"));
        QVERIFY(answer->text(QAccessible::Description).contains(QStringLiteral("стрелки")));
    }
}

void TestAccessScreen::statusPanelsSpoken()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.TestTimeLimit = 889;
        test.PenaltyMode = true;
        tasks.push_back(taskOf(ttSingleChoice));
        tasks.back()->TimeLimit = 12;
        tasks.push_back(taskOf(ttNumber));
    });
    w.begin();
    w.form().runController().TimerTestTimer();
    TStatusPanels* panels = w.form().statusPanels();
    // The panels show what they always showed; a listener hears what it means.
    QCOMPARE(panels->panelText(1), QStringLiteral("1/2"));
    QCOMPARE(panels->panelText(4), QStringLiteral("00:14:48"));
    const QStringList spoken = [panels] {
        QStringList names;
        for (int k = 0; k < TStatusPanels::PanelCount; ++k)
            names.append(nameOf(panels->panel(k)));
        return names;
    }();
    QCOMPARE(spoken.at(0), QStringLiteral("Тест идет"));
    QCOMPARE(spoken.at(1), QStringLiteral("Задание 1 из 2"));
    QCOMPARE(spoken.at(2), QStringLiteral("Прошло времени на тест: 00:00:01"));
    QCOMPARE(spoken.at(4), QStringLiteral("Осталось времени на тест: 00:14:48"));
    QCOMPARE(spoken.at(5), QStringLiteral("Осталось времени на задание: 00:00:12"));
    QCOMPARE(spoken.at(7), QStringLiteral("Режим штрафов"));
    QCOMPARE(spoken.at(10), QStringLiteral("Тестируемый: Иванов Иван 10 А"));
    // Read when asked: the name follows the clock without being told.
    w.form().runController().TimerTestTimer();
    QCOMPARE(nameOf(panels->panel(4)), QStringLiteral("Осталось времени на тест: 00:14:47"));
}

void TestAccessScreen::clocksDoNotFlood()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.TestTimeLimit = 889;
        test.PenaltyMode = true;
        for (int i = 0; i < 2; ++i) {
            tasks.push_back(taskOf(ttNumber));
            tasks.back()->TimeLimit = 60;
        }
    });
    w.begin();
    TStatusPanels* panels = w.form().statusPanels();
    EventLog log;
    for (int tick = 0; tick < 5; ++tick) {
        w.form().runController().TimerTestTimer();
        w.form().runController().TimerTaskTimer();
    }
    QCOMPARE(panels->panelText(4), QStringLiteral("00:14:44"));
    for (int k = 2; k <= 5; ++k)
        QCOMPARE(log.count(panels->panel(k)), 0);
    // The panels that change with the task do tell it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(panels->panelText(1), QStringLiteral("2/2"));
    QVERIFY(log.count(panels->panel(1)) > 0);
    // F2's notice is heard as it appears.
    const qsizetype before = log.events.size();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    TSpokenLabel* notice = w.form().runKeyboard().notice();
    const auto shown =
        std::find(log.events.begin() + before, log.events.end(),
                  std::pair<const QObject*, QAccessible::Event>{notice, QAccessible::ObjectShow});
    QVERIFY(shown != log.events.end());
}

void TestAccessScreen::timesOnF2()
{
    ScreenWindow w([](TTest& test, TTaskList& tasks) {
        test.TestTimeLimit = 889;
        tasks.push_back(taskOf(ttNumber));
        tasks.back()->TimeLimit = 30;
    });
    w.begin();
    w.form().runController().TimerTestTimer();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    TSpokenLabel* notice = w.form().runKeyboard().notice();
    QVERIFY(notice != nullptr);
    QVERIFY(notice->isVisible());
    QAccessibleInterface* heard = reader(notice);
    QCOMPARE(heard->role(), QAccessible::Notification);
    QCOMPARE(heard->text(QAccessible::Name),
             QStringLiteral("Осталось времени на тест: 00:14:48. Осталось времени на задание: 00:00:30."));
    // The typed answer keeps the focus and F2 types nothing.
    QCOMPARE(QApplication::focusWidget(), w.form().EditInputNum);
    QVERIFY(w.form().EditInputNum->text().isEmpty());
    // A second press shows it anew with the times of that moment.
    w.form().runController().TimerTestTimer();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    QVERIFY(heard->text(QAccessible::Name).startsWith(QStringLiteral("Осталось времени на тест: 00:14:47.")));
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), TRunKeyboard::NoticeMilliseconds + 2000);
}

void TestAccessScreen::remainingTimesText_data()
{
    QTest::addColumn<int>("testLimit");
    QTest::addColumn<int>("taskLimit");
    QTest::addColumn<QString>("text");
    QTest::newRow("both limited")
        << 900 << 60 << "Осталось времени на тест: 00:13:20. Осталось времени на задание: 00:00:15.";
    QTest::newRow("no limits") << 0 << 0
                               << "Время на тест не ограничено, прошло 00:01:40. Время на задание не "
                                  "ограничено, прошло 00:00:45.";
    QTest::newRow("task limit only") << 0 << 50
                                     << "Время на тест не ограничено, прошло 00:01:40. Осталось времени на "
                                        "задание: 00:00:05.";
}

void TestAccessScreen::remainingTimesText()
{
    QFETCH(int, testLimit);
    QFETCH(int, taskLimit);
    QFETCH(QString, text);
    TTest test;
    test.TestTimeLimit = testLimit;
    TTask task(ttNumber);
    task.TimeLimit = taskLimit;
    TResultTest result;
    result.ElapsedSeconds = 100;
    result.TaskSeconds = {10, 45};
    QCOMPARE(RemainingTimesText(test, task, result, 1), text);
}

void TestAccessScreen::goToItemsSayTheirState()
{
    ScreenWindow w(skippingSingles(3));
    w.begin();
    QComboBox* list = w.form().ComboBoxEx1;
    w.key(QLatin1Char('1'));
    w.clickCheck();
    auto spoken = [list](int i) { return list->itemData(i, Qt::AccessibleTextRole).toString(); };
    QCOMPARE(spoken(0), QStringLiteral("1) Задание типа 1 — отвечено"));
    QCOMPARE(spoken(1), QStringLiteral("2) Задание типа 1 — показано, без ответа"));
    QCOMPARE(spoken(2), QStringLiteral("3) Задание типа 1 — не показано"));
    QCOMPARE(nameOf(list), QStringLiteral("Перейти к заданию"));
}

int runAccessScreenTests(int argc, char** argv)
{
    TestAccessScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accessscreen.moc"
