#include "KeyInput.h"
#include "ScriptedPrompts.h"

#include "ui/BalloonTip.h"
#include "ui/InputUserNameForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kvizor;

namespace {

const QString NameExpression = QStringLiteral("^[А-Я]{1}[а-я]{1,} [А-Я]{1}[а-я]{1,}$");
const QString GroupExpression = QStringLiteral("^[1-9]{1}[0-1]{0,1} [А-Яа-я]{1}$");

void useDefaultTemplates(TInputUserNameForm& form)
{
    form.UserNameExpression = NameExpression;
    form.UserGroupExpression = GroupExpression;
    form.UserNameExample = QStringLiteral("Иванов Иван");
    form.UserGroupExample = QStringLiteral("10 А");
}

// Replaces a field's text as the examinee does: a click (the first one empties it), the
// old text selected away and the new one typed.
void typeInto(QLineEdit* field, const QString& text)
{
    QTest::mouseClick(field, Qt::LeftButton);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    typeText(field, text);
}

} // namespace

class TestIdentification : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entries_data();
    void entries();
    void greeting_data();
    void greeting();
    void firstClickEmptiesOnce();
    void typingBeforeClickKeepsText();
    void invalidTemplateKeepsDialogOpen();
    void tipHidesAfterFiveSeconds();
    void closingIsCancel();
};

void TestIdentification::entries_data()
{
    QTest::addColumn<bool>("defaultTemplates");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("group");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("tipField"); // object name of the field the tip points at
    QTest::addColumn<QString>("tidyName");

    const QString none;
    QTest::newRow("tidied name accepted")
        << true << QStringLiteral("  Иванов   Иван ") << QStringLiteral("10 А") << true << none
        << QStringLiteral("Иванов Иван");
    QTest::newRow("lower case refused")
        << true << QStringLiteral("иванов иван") << QStringLiteral("10 А") << false
        << QStringLiteral("UserName") << QStringLiteral("иванов иван");
    QTest::newRow("third word refused")
        << true << QStringLiteral("Иванов Иван Иванович") << QStringLiteral("10 А") << false
        << QStringLiteral("UserName") << QStringLiteral("Иванов Иван Иванович");
    QTest::newRow("Latin letters refused")
        << true << QStringLiteral("Ivanov Ivan") << QStringLiteral("10 А") << false
        << QStringLiteral("UserName") << QStringLiteral("Ivanov Ivan");
    QTest::newRow("surname with Ё accepted") << true << QStringLiteral("Ёлкин Иван") << QStringLiteral("10 А")
                                             << true << none << QStringLiteral("Ёлкин Иван");
    QTest::newRow("group Класс refused")
        << true << QStringLiteral("Иванов Иван") << QStringLiteral("Класс") << false
        << QStringLiteral("UserGroup") << QStringLiteral("Иванов Иван");
    QTest::newRow("group 11 б accepted") << true << QStringLiteral("Иванов Иван") << QStringLiteral("11 б")
                                         << true << none << QStringLiteral("Иванов Иван");
    QTest::newRow("group 12 А refused")
        << true << QStringLiteral("Иванов Иван") << QStringLiteral("12 А") << false
        << QStringLiteral("UserGroup") << QStringLiteral("Иванов Иван");
    QTest::newRow("group 10А refused")
        << true << QStringLiteral("Иванов Иван") << QStringLiteral("10А") << false
        << QStringLiteral("UserGroup") << QStringLiteral("Иванов Иван");
    QTest::newRow("group tidied") << true << QStringLiteral("Иванов Иван") << QStringLiteral(" 10   А ")
                                  << true << none << QStringLiteral("Иванов Иван");
    QTest::newRow("both wrong: the name's tip")
        << true << QStringLiteral("иванов") << QStringLiteral("Класс") << false << QStringLiteral("UserName")
        << QStringLiteral("иванов");
    QTest::newRow("no templates: anything")
        << false << QStringLiteral("john") << QStringLiteral("?") << true << none << QStringLiteral("john");
    QTest::newRow("no templates: empty name") << false << QString() << QString() << true << none << QString();
}

void TestIdentification::entries()
{
    QFETCH(bool, defaultTemplates);
    QFETCH(QString, name);
    QFETCH(QString, group);
    QFETCH(bool, accepted);
    QFETCH(QString, tipField);
    QFETCH(QString, tidyName);

    ScriptedPrompts prompts;
    TInputUserNameForm form(nullptr, &prompts);
    if (defaultTemplates)
        useDefaultTemplates(form);
    form.UserName->setText(QStringLiteral("Фамилия Имя"));
    form.UserGroup->setText(QStringLiteral("Класс"));
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    typeInto(form.UserName, name);
    typeInto(form.UserGroup, group);
    QTest::mouseClick(form.OKButton, Qt::LeftButton);

    QCOMPARE(form.isVisible(), !accepted);
    QCOMPARE(form.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(form.UserName->text(), tidyName);
    QVERIFY(prompts.messages.isEmpty());
    if (tipField.isEmpty()) {
        QVERIFY(!form.JvBalloonHint->isShown());
        return;
    }
    QVERIFY(form.JvBalloonHint->isShown());
    QCOMPARE(form.JvBalloonHint->anchor()->objectName(), tipField);
    QCOMPARE(form.JvBalloonHint->title(), QStringLiteral("Ошибка ввода!"));
    const QString example =
        tipField == QLatin1String("UserName") ? QStringLiteral("Иванов Иван") : QStringLiteral("10 А");
    QCOMPARE(form.JvBalloonHint->text(),
             QStringLiteral("Не соответствует шаблону!\n\rОбразец: \"%1\".").arg(example));
    form.reject();
}

void TestIdentification::greeting_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("00:00") << QTime(0, 0) << QStringLiteral("Доброй ночи! Как Вас Зовут?");
    QTest::newRow("05:59") << QTime(5, 59) << QStringLiteral("Доброй ночи! Как Вас Зовут?");
    QTest::newRow("06:00") << QTime(6, 0) << QStringLiteral("Доброе утро! Как Вас Зовут?");
    QTest::newRow("11:59") << QTime(11, 59) << QStringLiteral("Доброе утро! Как Вас Зовут?");
    QTest::newRow("12:00") << QTime(12, 0) << QStringLiteral("Добрый день! Как Вас Зовут?");
    QTest::newRow("17:59") << QTime(17, 59) << QStringLiteral("Добрый день! Как Вас Зовут?");
    QTest::newRow("18:00") << QTime(18, 0) << QStringLiteral("Добрый вечер! Как Вас Зовут?");
    QTest::newRow("23:59") << QTime(23, 59) << QStringLiteral("Добрый вечер! Как Вас Зовут?");
}

void TestIdentification::greeting()
{
    QFETCH(QTime, time);
    QFETCH(QString, text);
    TInputUserNameForm form;
    form.setClock([time] { return time; });
    form.open();
    QCOMPARE(form.HelloLabel->text(), text);
    form.reject();
}

void TestIdentification::firstClickEmptiesOnce()
{
    TInputUserNameForm form;
    form.UserName->setText(QStringLiteral("Фамилия Имя"));
    form.UserGroup->setText(QStringLiteral("Класс"));
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.UserName, Qt::LeftButton);
    QCOMPARE(form.UserName->text(), QString());
    QCOMPARE(form.UserGroup->text(), QStringLiteral("Класс"));
    typeText(form.UserName, QStringLiteral("Ив"));
    QTest::mouseClick(form.UserName, Qt::LeftButton);
    QCOMPARE(form.UserName->text(), QStringLiteral("Ив"));
    QTest::mouseClick(form.UserGroup, Qt::LeftButton);
    QCOMPARE(form.UserGroup->text(), QString());
    form.reject();

    // The flags start anew with each showing.
    form.UserName->setText(QStringLiteral("Петров Петр"));
    form.open();
    QTest::mouseClick(form.UserName, Qt::LeftButton);
    QCOMPARE(form.UserName->text(), QString());
    form.reject();
}

void TestIdentification::typingBeforeClickKeepsText()
{
    TInputUserNameForm form;
    form.UserName->setText(QStringLiteral("Петров"));
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.UserName->setFocus();
    form.UserName->end(false);
    typeText(form.UserName, QStringLiteral(" Петр"));
    QTest::mouseClick(form.UserName, Qt::LeftButton);
    QCOMPARE(form.UserName->text(), QStringLiteral("Петров Петр"));
    form.reject();
}

void TestIdentification::invalidTemplateKeepsDialogOpen()
{
    ScriptedPrompts prompts;
    TInputUserNameForm form(nullptr, &prompts);
    form.UserNameExpression = QStringLiteral("^([А-Я]");
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    typeInto(form.UserName, QStringLiteral("Иванов Иван"));
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QVERIFY(form.isVisible());
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages.constFirst().caption, QStringLiteral("Ошибка!"));
    QCOMPARE(prompts.messages.constFirst().icon, MessageIcon::Error);
    QVERIFY(prompts.messages.constFirst().text.contains(QStringLiteral("^([А-Я]")));
    QVERIFY(!form.JvBalloonHint->isShown());
    // Closing it now is a cancel.
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestIdentification::tipHidesAfterFiveSeconds()
{
    TInputUserNameForm form;
    useDefaultTemplates(form);
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    typeInto(form.UserName, QStringLiteral("x"));
    QTest::mouseClick(form.OKButton, Qt::LeftButton);
    QVERIFY(form.JvBalloonHint->isShown());
    QTest::qWait(4000);
    QVERIFY(form.JvBalloonHint->isShown());
    QTRY_VERIFY_WITH_TIMEOUT(!form.JvBalloonHint->isShown(), 3000);
    form.reject();
}

void TestIdentification::closingIsCancel()
{
    TInputUserNameForm form;
    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    typeInto(form.UserName, QStringLiteral("Иванов Иван"));
    form.close();
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

#include "tst_identification.moc"

int runIdentificationTests(int argc, char** argv)
{
    TestIdentification t;
    return QTest::qExec(&t, argc, argv);
}
