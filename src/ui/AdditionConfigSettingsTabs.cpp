#include "ui/AdditionConfigTabs.h"

#include "ui/AdditionConfigPrompts.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kvizor {

namespace {

const QString DefaultResultFileName = QStringLiteral("KvizorStudent_Result.txt");
const QString DefaultProtectionResultFileName = QStringLiteral("KvizorStudent_ProtectionResult.kvpr");

// Digits and Backspace may be typed into the port; control keys (Enter, Tab, Delete and
// shortcuts) keep their usual meaning.
bool isRefusedPortCharacter(const QKeyEvent& key)
{
    if (key.key() == Qt::Key_Backspace || key.text().isEmpty())
        return false;
    for (const QChar c : key.text()) {
        if (c.category() != QChar::Other_Control && (c < QLatin1Char('0') || c > QLatin1Char('9')))
            return true;
    }
    return false;
}

QString nameOrDefault(const QString& text, const QString& defaultName)
{
    return text.trimmed().isEmpty() ? defaultName : text;
}

} // namespace

TNetConfigTab::TNetConfigTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "TabSheetNetConfig", "bbSetNetConfig", QStringLiteral("Сеть"),
          QStringLiteral("Результаты прохождения теста могут быть отправлены учителю на сервер.  "
                         "Так же с сервера могут быть загружены тесты. Сервер - это компьютер "
                         "учителя. Для приема результатов на сервере необходимо запустить модуль "
                         "журнала Kvizor. Для раздачи тестов необходимо указать нужный файл в "
                         "Журнале Kvizor..."),
          StandardTabPicture(QStyle::SP_DriveNetIcon), true)
{
    auto* form = new QFormLayout;
    Edit_RemoteHost = makeEdit("Edit_RemoteHost", this);
    Edit_RemotePort = makeEdit("Edit_RemotePort", this);
    Edit_RemotePort->installEventFilter(this);
    form->addRow(QStringLiteral("IP или имя сервера:"), Edit_RemoteHost);
    form->addRow(QStringLiteral("Порт на сервере:"), Edit_RemotePort);
    content()->addLayout(form);

    CheckBox_SendResult =
        makeCheckBox("CheckBox_SendResult",
                     QStringLiteral("Отправлять результаты на сервер учителю, получать тесты"), this);
    cbAutoGetTestFromStart = makeCheckBox(
        "cbAutoGetTestFromStart", QStringLiteral("Пытаться загрузить тест с сервера при старте"), this);
    content()->addWidget(CheckBox_SendResult);
    content()->addWidget(cbAutoGetTestFromStart);

    // Present for the layout's sake; the connection check is not offered.
    auto* serverNote = new QLabel(QStringLiteral("Необходимо чтобы был запущен сервер"), this);
    serverNote->setObjectName(QStringLiteral("LabelServerNote"));
    serverNote->hide();
    QPushButton* check = makeButton("bbCheckConnection", QStringLiteral("Проверить связь с сервером"), this);
    check->hide();
    content()->addWidget(serverNote);
    content()->addWidget(check);

    const auto followSendResult = [this] {
        cbAutoGetTestFromStart->setEnabled(CheckBox_SendResult->isChecked());
    };
    connect(Edit_RemoteHost, &QLineEdit::textChanged, this, followSendResult);
    connect(Edit_RemotePort, &QLineEdit::textChanged, this, followSendResult);
    connect(CheckBox_SendResult, &QCheckBox::toggled, this, followSendResult);
}

bool TNetConfigTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit_RemotePort && event->type() == QEvent::KeyPress &&
        isRefusedPortCharacter(*static_cast<QKeyEvent*>(event))) {
        m_context.choosers.beep();
        return true;
    }
    return TAdditionConfigTab::eventFilter(watched, event);
}

void TNetConfigTab::load()
{
    Edit_RemoteHost->setText(Config.RemoteHost);
    Edit_RemotePort->setText(QString::number(Config.RemotePort));
    CheckBox_SendResult->setChecked(Config.IsSendResult);
    cbAutoGetTestFromStart->setChecked(Config.IsAutoGetTestFromStart);
    cbAutoGetTestFromStart->setEnabled(Config.IsSendResult);
}

void TNetConfigTab::apply()
{
    Config.RemoteHost = Edit_RemoteHost->text();
    bool ok = false;
    const int port = Edit_RemotePort->text().toInt(&ok, 10);
    Config.RemotePort = ok ? port : 0;
    Config.IsSendResult = CheckBox_SendResult->isChecked();
    // A disabled box passes its state too.
    Config.IsAutoGetTestFromStart = cbAutoGetTestFromStart->isChecked();
}

TFolderTab::TFolderTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "TabSheetFolder", "bbSaveFolder", QStringLiteral("Папки"),
          QStringLiteral("Вы можете самостоятельно выбрать папки с которыми работает программма. "
                         "Для сохранения значений по умолчанию оставьте эти поля пустыми."),
          StandardTabPicture(QStyle::SP_DirIcon), true)
{
    QGroupBox* group = addGroup(QStringLiteral("Выбор папок:"));
    new QVBoxLayout(group);
    Edit_InitialDirOpenTest = makeEdit("Edit_InitialDirOpenTest", group);
    Edit_DirForResult = makeEdit("Edit_DirForResult", group);
    addFolderRow(group, QStringLiteral("Папка для выбора теста по умолчанию:"), Edit_InitialDirOpenTest,
                 "bbBrowseInitialDirOpenTest", "bbClearInitialDirOpenTest");
    addFolderRow(group, QStringLiteral("Папка для сохранения результатов тестирования:"), Edit_DirForResult,
                 "bbBrowseDirForResult", "bbClearDirForResult");
}

void TFolderTab::addFolderRow(QWidget* group, const QString& label, QLineEdit* edit, const char* browseName,
                              const char* clearName)
{
    auto* layout = static_cast<QVBoxLayout*>(group->layout());
    layout->addWidget(new QLabel(label, group));
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    QPushButton* browse = makeButton(browseName, QStringLiteral("Обзор"), group);
    QPushButton* clear = makeButton(clearName, QStringLiteral("Очистить"), group);
    row->addWidget(browse);
    row->addWidget(clear);
    layout->addLayout(row);
    connect(browse, &QPushButton::clicked, this, [this, edit] {
        QString path;
        if (m_context.BrowseForFolder(path))
            edit->setText(path);
    });
    connect(clear, &QPushButton::clicked, this, [edit] {
        if (!edit->text().isEmpty())
            edit->clear();
    });
}

void TFolderTab::load()
{
    Edit_InitialDirOpenTest->setText(Config.InitialDirOpenTest);
    Edit_DirForResult->setText(Config.DirForResult);
}

void TFolderTab::apply()
{
    Config.InitialDirOpenTest = Edit_InitialDirOpenTest->text().trimmed();
    Config.DirForResult = Edit_DirForResult->text().trimmed();
}

TSaveResultTab::TSaveResultTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "tsSaveResult", "bbSaveResult", QStringLiteral("Сохр. рез."),
          QStringLiteral("Вы можете указать программе сохранять результаты в файл для дальнейшего "
                         "просмотра и использования. Так же для удобного сбора и анализа "
                         "результатов по сети рекомендуется использовать модуль Журнала."),
          StandardTabPicture(QStyle::SP_DialogSaveButton), false)
{
    const auto addFile = [this](QCheckBox*& box, const char* boxName, const QString& caption,
                                QLineEdit*& edit, const char* editName, const QString& note) {
        box = makeCheckBox(boxName, caption, this);
        content()->addWidget(box);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Имя файла:"), this));
        edit = makeEdit(editName, this);
        row->addWidget(edit, 1);
        content()->addLayout(row);
        content()->addWidget(addText(note, this));
    };
    addFile(cbIsSaveResult, "cbIsSaveResult", QStringLiteral("Сохранять результаты в текстовый файл"),
            txtIsSaveResult, "txtIsSaveResult",
            QStringLiteral("Открыть файл можно в обычном блокноте или любом другом текстовом редакторе. "
                           "Результаты выводятся в удобном для просмотра виде."));
    addFile(
        cbIsSaveProtectionResult, "cbIsSaveProtectionResult",
        QStringLiteral("Сохранять защищенные результаты в файл"), txtIsSaveProtectionResult,
        "txtIsSaveProtectionResult",
        QStringLiteral("Для просмотра сохраненных защищенных результатов импортируйте этот файл в Журнал. "
                       "Изменить результаты в этом файле пользователю невозможно."));
}

void TSaveResultTab::load()
{
    cbIsSaveResult->setChecked(Config.IsSaveResult);
    txtIsSaveResult->setText(Config.ResultFileName);
    cbIsSaveProtectionResult->setChecked(Config.IsSaveProtectionResult);
    txtIsSaveProtectionResult->setText(Config.ProtectionResultFileName);
}

void TSaveResultTab::apply()
{
    Config.IsSaveResult = cbIsSaveResult->isChecked();
    Config.ResultFileName = nameOrDefault(txtIsSaveResult->text(), DefaultResultFileName);
    Config.IsSaveProtectionResult = cbIsSaveProtectionResult->isChecked();
    Config.ProtectionResultFileName =
        nameOrDefault(txtIsSaveProtectionResult->text(), DefaultProtectionResultFileName);
}

TShowResultTab::TShowResultTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "tsShowResult", "bbShowResult", QStringLiteral("Вывод рез."),
          QStringLiteral("Обычно результаты тестирования сразу же выводятся пользователю. Но Вы "
                         "можете запретить их вывод. В этом случае будет выведено сообщение типа: "
                         "«результаты можно узнать у руководителя».  Так же вы можете разрешить "
                         "или запретить вывод детальной информации об ошибках в заданиях."),
          StandardTabPicture(QStyle::SP_FileDialogInfoView), false)
{
    cbIsShowUserResult = makeCheckBox(
        "cbIsShowUserResult", QStringLiteral("Выводить результаты тестируемому после окончания теста"), this);
    cbIsShowDetailReportModeEducation =
        makeCheckBox("cbIsShowDetailReportModeEducation",
                     QStringLiteral("Показывать отчет по заданиям в обучающем режиме"), this);
    cbIsShowDetailReportModeNormal =
        makeCheckBox("cbIsShowDetailReportModeNormal",
                     QStringLiteral("Показывать отчет по заданиям в не ообучающем режиме"), this);
    content()->addWidget(cbIsShowUserResult);
    content()->addWidget(cbIsShowDetailReportModeEducation);
    content()->addWidget(cbIsShowDetailReportModeNormal);
}

void TShowResultTab::load()
{
    cbIsShowUserResult->setChecked(Config.IsShowUserResult);
    cbIsShowDetailReportModeEducation->setChecked(Config.IsShowDetailReportModeEducation);
    cbIsShowDetailReportModeNormal->setChecked(Config.IsShowDetailReportModeNormal);
}

void TShowResultTab::apply()
{
    Config.IsShowUserResult = cbIsShowUserResult->isChecked();
    Config.IsShowDetailReportModeEducation = cbIsShowDetailReportModeEducation->isChecked();
    Config.IsShowDetailReportModeNormal = cbIsShowDetailReportModeNormal->isChecked();
}

TDefaultUserNameTab::TDefaultUserNameTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "tsDefaultUserName", "bbDefaultUserName", QStringLiteral("Имя"),
          QStringLiteral("Вы можете указать какое имя и группу (класс) выводить пользователю в "
                         "окне начала теста. Можно указать значение по умолчанию, шаблон для "
                         "проверки и образец ввода."),
          StandardTabPicture(QStyle::SP_FileDialogDetailedView), false)
{
    const auto addFields = [this](const QString& title, QLineEdit*& byDefault, const char* defaultName,
                                  QLineEdit*& expression, const char* expressionName, QLineEdit*& example,
                                  const char* exampleName) {
        QGroupBox* group = addGroup(title);
        auto* form = new QFormLayout(group);
        byDefault = makeEdit(defaultName, group);
        expression = makeEdit(expressionName, group);
        example = makeEdit(exampleName, group);
        form->addRow(QStringLiteral("По умолчанию:"), byDefault);
        form->addRow(QStringLiteral("Шаблон:"), expression);
        form->addRow(QStringLiteral("Образец:"), example);
    };
    addFields(QStringLiteral("Имя пользователя:"), txtDefaultUserName, "txtDefaultUserName",
              txtUserNameExpression, "txtUserNameExpression", txtUserNameExample, "txtUserNameExample");
    addFields(QStringLiteral("Дополнительное поле:"), txtDefaultUserGroup, "txtDefaultUserGroup",
              txtUserGroupExpression, "txtUserGroupExpression", txtUserGroupExample, "txtUserGroupExample");
}

void TDefaultUserNameTab::load()
{
    txtDefaultUserName->setText(Config.DefaultUserName);
    txtUserNameExpression->setText(Config.UserNameExpression);
    txtUserNameExample->setText(Config.UserNameExample);
    txtDefaultUserGroup->setText(Config.DefaultUserGroup);
    txtUserGroupExpression->setText(Config.UserGroupExpression);
    txtUserGroupExample->setText(Config.UserGroupExample);
}

void TDefaultUserNameTab::apply()
{
    Config.DefaultUserName = txtDefaultUserName->text();
    Config.UserNameExpression = txtUserNameExpression->text();
    Config.UserNameExample = txtUserNameExample->text();
    Config.DefaultUserGroup = txtDefaultUserGroup->text();
    Config.UserGroupExpression = txtUserGroupExpression->text();
    Config.UserGroupExample = txtUserGroupExample->text();
}

} // namespace kvizor
