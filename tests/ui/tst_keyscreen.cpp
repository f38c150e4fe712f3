// The run by keyboard alone: the picture of a place-on-image task, the go-to list, the
// order of Tab, and the zoom keys beside typed answers.
#include "ScreenFixture.h"

#include "ui/ImageArea.h"
#include "ui/MainWindowView.h"
#include "ui/VariantGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

using namespace kvizor;

namespace {

// A key of the place-on-image keyboard, written as in the table: "R" right, "L" left,
// "U" up, "D" down; a following "+" holds Shift.
void pressArrows(QWidget* target, const QString& keys)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        Qt::Key key = Qt::Key_Right;
        switch (keys.at(i).unicode()) {
        case u'L':
            key = Qt::Key_Left;
            break;
        case u'U':
            key = Qt::Key_Up;
            break;
        case u'D':
            key = Qt::Key_Down;
            break;
        default:
            break;
        }
        const bool shift = i + 1 < keys.size() && keys.at(i + 1) == QLatin1Char('+');
        if (shift)
            ++i;
        QTest::keyClick(target, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
    }
}

void pressEnter()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// A task of the type with three variants (three right-hand items for matching), a hint
// and, for the image-point task, a picture.
std::unique_ptr<TTask> taskOfType(int type)
{
    std::unique_ptr<TTask> task =
        makeTask(type, type > ttTrueFalse ? QList<int>{} : QList<int>{1, 2, 1}, type == ttMatching ? 3 : 0);
    if (type == ttImagePoint)
        task->ImageFile = QStringLiteral("map.png");
    task->Hint = QStringLiteral("Подсказка");
    return task;
}

std::vector<TWriterFile> mapPicture()
{
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("map.png"), pngPicture(100, 80), {}});
    return files;
}

// The go-to entry chosen with the mouse: open the list, click the entry.
void clickGoToEntry(QComboBox* list, int row)
{
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 20);
    const QPoint at(view->viewport()->width() / 2,
                    view->visualRect(view->model()->index(row, 0)).center().y());
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
}

// What a line edit does with Ctrl+U and Ctrl+D under X11 key bindings (the offscreen
// platform has none): it claims both keys before shortcuts and deletes on them.
class X11LineBindings : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::ControlModifier || (key->key() != Qt::Key_U && key->key() != Qt::Key_D))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (key->key() == Qt::Key_U)
            edit->clear();
        else
            edit->del();
        return true;
    }
};

} // namespace

class TestKeyScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureByArrows_data();
    void pictureByArrows();
    void pictureReachedByTab();
    void goToListByKeys();
    void goToLeavesFocusOnTask_data();
    void goToLeavesFocusOnTask();
    void closedGoToListDoesNotJump();
    void tabFollowsTheRows();
    void tabReachesEveryAnswer_data();
    void tabReachesEveryAnswer();
    void zoomKeepsTypedAnswer_data();
    void zoomKeepsTypedAnswer();
};

void TestKeyScreen::pictureByArrows_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QPoint>("point");
    QTest::newRow("first press: the centre, whatever the arrow")
        << QSize(300, 200) << "L" << QPoint(150, 100);
    QTest::newRow("one pixel a press") << QSize(300, 200) << "RRRDU U" << QPoint(152, 99);
    QTest::newRow("ten with Shift") << QSize(300, 200) << "DR+R+D+L" << QPoint(169, 110);
    QTest::newRow("held at the left edge") << QSize(30, 20) << "LL+L+L+" << QPoint(0, 10);
    QTest::newRow("held at the bottom edge") << QSize(30, 20) << "DD+D+D" << QPoint(15, 19);
    QTest::newRow("large picture scrolls along")
        << QSize(2000, 1500) << "RR+R+R+R+R+R+R+R+R+R+R+R+R+R+R+R+" << QPoint(1160, 750);
}

void TestKeyScreen::pictureByArrows()
{
    QFETCH(QSize, picture);
    QFETCH(QString, keys);
    QFETCH(QPoint, point);
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("map.png"), pngPicture(picture.width(), picture.height()), {}});
    ScreenWindow w(
        [](TTest&, TTaskList& tasks) {
            auto task = makeTask(ttImagePoint, {});
            task->ImageFile = QStringLiteral("map.png");
            task->AnswerRect = {0, 0, 5000, 5000};
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    TImageArea* area = w.form().runView().imageArea();
    // The picture has the focus when its task comes.
    QCOMPARE(QApplication::focusWidget(), area);
    QVERIFY(!w.form().ACheckAskTask->isEnabled());
    pressArrows(area, QString(keys).remove(QLatin1Char(' ')));
    QVERIFY(area->markerShown());
    QCOMPARE(area->markerCentre(), point);
    // The marker stays in sight, and a placed marker is an answer.
    const QPoint inView = area->image()->mapTo(area->viewport(), point);
    QVERIFY2(area->viewport()->rect().contains(inView),
             qPrintable(QStringLiteral("%1,%2").arg(inView.x()).arg(inView.y())));
    QVERIFY(w.form().ACheckAskTask->isEnabled());
    pressEnter();
    QCOMPARE(w.form().RunState(), rsTestLoaded);
    QCOMPARE(w.outputs.result->TaskAnswers.constFirst(),
             QStringLiteral("x=%1; y=%2").arg(point.x()).arg(point.y()));
}

void TestKeyScreen::pictureReachedByTab()
{
    std::vector<TWriterFile> files;
    files.push_back({QStringLiteral("map.png"), pngPicture(100, 80), {}});
    ScreenWindow w(
        [](TTest&, TTaskList& tasks) {
            auto task = makeTask(ttImagePoint, {});
            task->ImageFile = QStringLiteral("map.png");
            tasks.push_back(std::move(task));
        },
        files);
    w.begin();
    TImageArea* area = w.form().runView().imageArea();
    w.form().QuestionText->setFocus();
    for (int i = 0; i < 5 && QApplication::focusWidget() != area; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), area);
    // The band around the picture shows the focus, and only while it is there.
    const auto band = [area] {
        const QImage shot = area->grab().toImage();
        const QPoint inBand(area->frameWidth(), area->height() / 2);
        return shot.pixelColor(inBand * shot.devicePixelRatio());
    };
    const QColor highlight = area->palette().color(QPalette::Highlight);
    QCOMPARE(band(), highlight);
    QTest::keyClick(area, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != area);
    QVERIFY(band() != highlight);
}

void TestKeyScreen::goToListByKeys()
{
    ScreenWindow w(skippingSingles(4));
    w.begin();
    QComboBox* list = w.form().ComboBoxEx1;
    QAbstractItemView* popup = list->view();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QTRY_VERIFY(popup->isVisible());
    // The arrows start from the task on screen.
    QCOMPARE(popup->currentIndex().row(), 0);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 3 из 4:"));
    QCOMPARE(list->currentIndex(), -1);

    // Escape closes the list and nothing changes.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Escape);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 3 из 4:"));
}

void TestKeyScreen::goToLeavesFocusOnTask_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("byMouse");
    for (const bool mouse : {false, true}) {
        const char* via = mouse ? "mouse" : "keys";
        QTest::addRow("single choice, %s", via)
            << int(ttSingleChoice) << QStringLiteral("QuestionText") << mouse;
        QTest::addRow("matching, %s", via) << int(ttMatching) << QStringLiteral("QuestionText") << mouse;
        QTest::addRow("number, %s", via) << int(ttNumber) << QStringLiteral("EditInputNum") << mouse;
        QTest::addRow("text, %s", via) << int(ttText) << QStringLiteral("EditInputText") << mouse;
        QTest::addRow("place on image, %s", via) << int(ttImagePoint) << QStringLiteral("ScrollBox") << mouse;
    }
}

// A task chosen in the go-to list takes the focus from the list, as a task shown by Enter
// does: an arrow then moves the marker of an image-point task at once.
void TestKeyScreen::goToLeavesFocusOnTask()
{
    QFETCH(int, type);
    QFETCH(QString, target);
    QFETCH(bool, byMouse);
    ScreenWindow w(
        [type](TTest& test, TTaskList& tasks) {
            test.AllowSkipping = true;
            // A task without a picture first, so the picture area has been emptied.
            tasks.push_back(makeTask(ttText, {}));
            tasks.push_back(taskOfType(type));
        },
        mapPicture());
    w.begin();
    QComboBox* list = w.form().ComboBoxEx1;
    if (byMouse) {
        clickGoToEntry(list, 1);
    } else {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QTRY_VERIFY(list->view()->isVisible());
        QTest::keyClick(list->view(), Qt::Key_Down);
        QTest::keyClick(list->view(), Qt::Key_Return);
        QTRY_VERIFY(!list->view()->isVisible());
    }
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 2:"));
    QCOMPARE(QApplication::focusWidget()->objectName(), target);
    if (type == ttImagePoint) {
        TImageArea* area = w.form().runView().imageArea();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QVERIFY(area->markerShown());
        QCOMPARE(area->markerCentre(), QPoint(50, 40));
    }
}

void TestKeyScreen::closedGoToListDoesNotJump()
{
    ScreenWindow w(skippingSingles(3));
    w.begin();
    QComboBox* list = w.form().ComboBoxEx1;
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    // Opened, not jumped.
    QTRY_VERIFY(list->view()->isVisible());
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 1 из 3:"));
    QTest::keyClick(list->view(), Qt::Key_Escape);
    QTRY_VERIFY(!list->view()->isVisible());

    // Without skipping there is no list to open.
    ScreenWindow plain([](TTest&, TTaskList& tasks) { tasks.push_back(makeTask(ttSingleChoice, {1, 0})); });
    plain.begin();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QVERIFY(!plain.form().ComboBoxEx1->view()->isVisible());
}

void TestKeyScreen::tabFollowsTheRows()
{
    // Shown after a single-choice task, so the controls of both were made in mixed order.
    ScreenWindow w([](TTest&, TTaskList& tasks) {
        tasks.push_back(makeTask(ttSingleChoice, {1, 0}));
        tasks.push_back(makeTask(ttMultipleChoice, {1, 0, 1}));
    });
    w.begin();
    w.key(QLatin1Char('1'));
    pressEnter();
    QCOMPARE(QApplication::focusWidget(), w.form().QuestionText);
    QStringList stops;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(stops, (QStringList{QStringLiteral("VariantCheckBox0"), QStringLiteral("VariantRE_1_0"),
                                 QStringLiteral("VariantCheckBox1"), QStringLiteral("VariantRE_1_1"),
                                 QStringLiteral("VariantCheckBox2"), QStringLiteral("VariantRE_1_2")}));
}

void TestKeyScreen::tabReachesEveryAnswer_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("stops");
    const QString rows[] = {QStringLiteral("VariantRE_1_%1"), QStringLiteral("VariantRE_2_%1")};
    const auto slots = [&rows](const QString& control, bool right) {
        QStringList names;
        for (int k = 0; k < 3; ++k) {
            names << control.arg(k) << rows[0].arg(k);
            if (right)
                names << rows[1].arg(k);
        }
        return names;
    };
    const QStringList head{QStringLiteral("QuestionText"), QStringLiteral("ButtonShowPromptTask")};
    // "Дальше (проверить)" is disabled until an answer is given, so Tab passes it.
    const QStringList tail{QStringLiteral("ButtonSkippingTask"), QStringLiteral("ComboBoxEx1")};
    // The radio buttons are one stop, as a group is; the arrows move within it.
    const QStringList radios{QStringLiteral("VariantRadioButton0"), rows[0].arg(0), rows[0].arg(1),
                             rows[0].arg(2)};
    QTest::newRow("single choice") << int(ttSingleChoice) << head + radios + tail;
    QTest::newRow("multiple choice") << int(ttMultipleChoice)
                                     << head + slots(QStringLiteral("VariantCheckBox%1"), false) + tail;
    QTest::newRow("ordering") << int(ttOrdering)
                              << head + slots(QStringLiteral("VariantComboBox%1"), false) + tail;
    QTest::newRow("matching") << int(ttMatching)
                              << head + slots(QStringLiteral("VariantComboBox%1"), true) + tail;
    QTest::newRow("true or false") << int(ttTrueFalse)
                                   << head + slots(QStringLiteral("VariantComboBox%1"), false) + tail;
    QTest::newRow("number") << int(ttNumber) << head + QStringList{QStringLiteral("EditInputNum")} + tail;
    QTest::newRow("text") << int(ttText) << head + QStringList{QStringLiteral("EditInputText")} + tail;
    QTest::newRow("place on image") << int(ttImagePoint)
                                    << head + QStringList{QStringLiteral("ScrollBox")} + tail;
}

// Tab goes round the task area in reading order: the question, its hint, every answer
// control row by row, then the buttons under the task and the go-to list.
void TestKeyScreen::tabReachesEveryAnswer()
{
    QFETCH(int, type);
    QFETCH(QStringList, stops);
    ScreenWindow w(
        [type](TTest& test, TTaskList& tasks) {
            test.AllowSkipping = true;
            // Another task first, so the controls were made for another layout.
            tasks.push_back(makeTask(type == ttMatching ? ttSingleChoice : ttMatching, {1, 2}, 2));
            tasks.push_back(taskOfType(type));
        },
        mapPicture());
    w.begin();
    w.key(QLatin1Char('1'));
    pressEnter();
    QCOMPARE(w.form().QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 2:"));
    w.form().QuestionText->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == w.form().QuestionText)
            break;
        seen.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(seen, stops);
    if (type == ttSingleChoice) {
        QWidget* first = w.find(QStringLiteral("VariantRadioButton0"));
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Down);
        auto* second = w.find<QRadioButton>(QStringLiteral("VariantRadioButton1"));
        QCOMPARE(QApplication::focusWidget(), second);
        QTest::keyClick(second, Qt::Key_Space);
        QVERIFY(second->isChecked());
        QVERIFY(w.form().ACheckAskTask->isEnabled());
    }
}

void TestKeyScreen::zoomKeepsTypedAnswer_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("number") << int(ttNumber);
    QTest::newRow("text") << int(ttText);
}

void TestKeyScreen::zoomKeepsTypedAnswer()
{
    QFETCH(int, type);
    ScreenWindow w([type](TTest&, TTaskList& tasks) { tasks.push_back(makeTask(type, {})); });
    w.begin();
    QLineEdit* field = type == ttNumber ? w.form().EditInputNum : w.form().EditInputText;
    X11LineBindings bindings;
    field->installEventFilter(&bindings);
    QCOMPARE(QApplication::focusWidget(), field);
    typeText(field, QStringLiteral("125"));
    field->setCursorPosition(1);

    QTest::keyClick(field, Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(w.form().ZoomPercent, 110);
    QTest::keyClick(field, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(w.form().ZoomPercent, 90);
    QCOMPARE(field->text(), QStringLiteral("125"));
    QCOMPARE(field->cursorPosition(), 1);
    // The field's other keys still work.
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(field->text(), QStringLiteral("15"));
}

int runKeyScreenTests(int argc, char** argv)
{
    TestKeyScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyscreen.moc"
