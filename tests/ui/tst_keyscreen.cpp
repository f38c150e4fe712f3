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
    void closedGoToListDoesNotJump();
    void tabFollowsTheRows();
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
