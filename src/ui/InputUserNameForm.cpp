#include "ui/InputUserNameForm.h"

#include "run/NameTemplate.h"
#include "ui/BalloonTip.h"
#include "ui/DesignedSize.h"
#include "ui/FontStandIns.h"
#include "ui/Prompts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

namespace kvizor {

namespace {

constexpr int BalloonMilliseconds = 5000;
const QSize DesignedSize(311, 121);

} // namespace

TInputUserNameForm::TInputUserNameForm(QWidget* parent, Prompts* prompts)
    : QDialog(parent), m_prompts(prompts), m_clock([] { return QTime::currentTime(); })
{
    setObjectName(QStringLiteral("InputUserNameForm"));
    setWindowTitle(QStringLiteral("Начнем тест?!"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(TahomaFamily(), 8));

    HelloLabel = new QLabel(QStringLiteral("Как Вас зовут?"), this);
    HelloLabel->setObjectName(QStringLiteral("HelloLabel"));
    HelloLabel->setAlignment(Qt::AlignCenter);
    QFont helloFont(TahomaFamily(), 10);
    helloFont.setBold(true);
    HelloLabel->setFont(helloFont);
    QPalette hello = HelloLabel->palette();
    hello.setColor(QPalette::WindowText, hello.color(QPalette::Link));
    HelloLabel->setPalette(hello);

    const QFont fieldFont(TahomaFamily(), 10);
    UserName = new QLineEdit(this);
    UserName->setObjectName(QStringLiteral("UserName"));
    UserName->setFont(fieldFont);
    UserName->setFixedWidth(225);
    UserName->setAccessibleName(QStringLiteral("Фамилия и имя"));
    UserGroup = new QLineEdit(this);
    UserGroup->setObjectName(QStringLiteral("UserGroup"));
    UserGroup->setFont(fieldFont);
    UserGroup->setFixedWidth(65);
    UserGroup->setAccessibleName(QStringLiteral("Класс или группа"));

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);

    JvBalloonHint = new TBalloonTip(this);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(HelloLabel, 0, 0, 1, 2);
    grid->addWidget(UserName, 1, 0);
    grid->addWidget(UserGroup, 1, 1);
    grid->addWidget(OKButton, 2, 0, 1, 2);
    FixToDesignedSize(this, DesignedSize);

    UserName->installEventFilter(this);
    UserGroup->installEventFilter(this);
    connect(UserName, &QLineEdit::textChanged, this, [this] { m_userNameTouched = true; });
    connect(UserGroup, &QLineEdit::textChanged, this, [this] { m_userGroupTouched = true; });
    connect(OKButton, &QPushButton::clicked, this, &TInputUserNameForm::OKButtonClick);
}

IdentificationResult TInputUserNameForm::Identify(const IdentificationRequest& request,
                                                  const std::function<int(QDialog&)>& exec)
{
    UserName->setText(request.UserName);
    UserGroup->setText(request.UserGroup);
    UserNameExpression = request.UserNameExpression;
    UserGroupExpression = request.UserGroupExpression;
    UserNameExample = request.UserNameExample;
    UserGroupExample = request.UserGroupExample;
    IdentificationResult result;
    result.Accepted = exec(*this) == QDialog::Accepted;
    result.UserName = UserName->text();
    result.UserGroup = UserGroup->text();
    return result;
}

QString TInputUserNameForm::Greeting(int hour)
{
    if (hour < 6)
        return QStringLiteral("Доброй ночи!");
    if (hour < 12)
        return QStringLiteral("Доброе утро!");
    if (hour < 18)
        return QStringLiteral("Добрый день!");
    return QStringLiteral("Добрый вечер!");
}

QString TInputUserNameForm::TemplateMismatchText(const QString& example)
{
    return QStringLiteral("Не соответствует шаблону!\n\rОбразец: \"%1\".").arg(example);
}

void TInputUserNameForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        FormShow();
        if (parentWidget() != nullptr) {
            const QWidget* owner = parentWidget()->window();
            move(owner->geometry().center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void TInputUserNameForm::hideEvent(QHideEvent* event)
{
    JvBalloonHint->hideTip();
    QDialog::hideEvent(event);
}

void TInputUserNameForm::FormShow()
{
    HelloLabel->setText(Greeting(m_clock().hour()) + QStringLiteral(" Как Вас Зовут?"));
    // The greeting decides the width the dialog needs.
    FixToDesignedSize(this, DesignedSize);
    m_userNameTouched = false;
    m_userGroupTouched = false;
    UserName->setFocus();
}

bool TInputUserNameForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == UserName)
            fieldClick(UserName, m_userNameTouched);
        else if (watched == UserGroup)
            fieldClick(UserGroup, m_userGroupTouched);
    }
    return QDialog::eventFilter(watched, event);
}

void TInputUserNameForm::fieldClick(QLineEdit* field, bool& flag)
{
    if (flag)
        return;
    field->clear();
    flag = true;
}

bool TInputUserNameForm::checkEntry(const QString& expression, QLineEdit* field, const QString& example)
{
    const NameTemplate pattern(expression);
    if (!pattern.isValid()) {
        if (m_prompts != nullptr)
            m_prompts->showMessage(pattern.errorText(), QStringLiteral("Ошибка!"), MessageIcon::Error);
        else
            QMessageBox::critical(this, QStringLiteral("Ошибка!"), pattern.errorText());
        return false;
    }
    if (pattern.matches(field->text()))
        return true;
    JvBalloonHint->showTip(field, QStringLiteral("Ошибка ввода!"), TemplateMismatchText(example),
                           BalloonMilliseconds);
    return false;
}

void TInputUserNameForm::OKButtonClick()
{
    JvBalloonHint->hideTip();
    for (QLineEdit* field : {UserName, UserGroup}) {
        const QString tidy = NormalizeSpaces(field->text());
        if (field->text() != tidy)
            field->setText(tidy);
    }
    // One tip at a time, the name's first.
    if (!checkEntry(UserNameExpression, UserName, UserNameExample))
        return;
    if (!checkEntry(UserGroupExpression, UserGroup, UserGroupExample))
        return;
    accept();
}

} // namespace kvizor
