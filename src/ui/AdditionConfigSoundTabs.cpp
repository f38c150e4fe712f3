#include "ui/AdditionConfigTabs.h"

#include "platform/SoundPlayer.h"
#include "ui/AdditionConfigPrompts.h"
#include "ui/Prompts.h"
#include "ui/SettingsPassword.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace kvizor {

namespace {

void reportStoreFailure(Prompts& prompts)
{
    prompts.showMessage(QStringLiteral("Не удалось записать пароль в хранилище настроек пользователя."),
                        QStringLiteral("Ошибка!"), MessageIcon::Error);
}

} // namespace

TSoundTab::TSoundTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(context, "tsSound", "bbSound", QStringLiteral("Звук"),
                         QStringLiteral("После окончания теста может воспроизводится звук. Вы можете указать "
                                        "воспроизводить звук по умолчанию или выбрать звуковой файл сами."),
                         StandardTabPicture(QStyle::SP_MediaVolume), false)
{
    QGroupBox* group = addGroup(QStringLiteral("Звук:"));
    auto* grid = new QGridLayout(group);
    cbUseSound =
        makeCheckBox("cbUseSound", QStringLiteral("Воспроизводить звук по окончанию тестирования"), group);
    cbUserSoundFile =
        makeCheckBox("cbUserSoundFile", QStringLiteral("Указать свой звуковой файл (*.wav)"), group);
    txtUserSoundFile = makeEdit("txtUserSoundFile", group);
    bbSelectUserSoundFile = makeButton("bbSelectUserSoundFile", QStringLiteral("Выбрать"), group);
    txtUserSoundDir = makeEdit("txtUserSoundDir", group);
    bbSelectUserSoundDir = makeButton("bbSelectUserSoundDir", QStringLiteral("Выбрать"), group);
    bbSoundProba = makeButton("bbSoundProba", QStringLiteral("Проба"), group);

    grid->addWidget(cbUseSound, 0, 0, 1, 3);
    grid->addWidget(cbUserSoundFile, 1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Имя файла:"), group), 2, 0);
    grid->addWidget(txtUserSoundFile, 2, 1);
    grid->addWidget(bbSelectUserSoundFile, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Папка:"), group), 3, 0);
    grid->addWidget(txtUserSoundDir, 3, 1);
    grid->addWidget(bbSelectUserSoundDir, 3, 2);
    grid->addWidget(addText(QStringLiteral("Если пусто, то файл берется из папки с программой."), group), 4,
                    1);
    grid->addWidget(bbSoundProba, 5, 0, 1, 3, Qt::AlignLeft);

    connect(cbUseSound, &QCheckBox::clicked, this, &TSoundTab::cbUseSoundClick);
    connect(cbUserSoundFile, &QCheckBox::clicked, this, &TSoundTab::cbUserSoundFileClick);
    connect(bbSelectUserSoundFile, &QPushButton::clicked, this, &TSoundTab::bbSelectUserSoundFileClick);
    connect(bbSelectUserSoundDir, &QPushButton::clicked, this, &TSoundTab::bbSelectUserSoundDirClick);
    connect(bbSoundProba, &QPushButton::clicked, this, &TSoundTab::bbSoundProbaClick);
}

void TSoundTab::setFileControlsEnabled(bool enabled)
{
    txtUserSoundFile->setEnabled(enabled);
    bbSelectUserSoundFile->setEnabled(enabled);
    txtUserSoundDir->setEnabled(enabled);
    bbSelectUserSoundDir->setEnabled(enabled);
}

void TSoundTab::load()
{
    txtUserSoundFile->setText(Config.SoundFileName);
    txtUserSoundDir->setText(Config.SoundFileDir);
    // The boxes show the stored state, so an edit that was not applied does not survive
    // a return to the page.
    cbUseSound->setChecked(Config.IsUseSound);
    cbUserSoundFile->setChecked(!Config.IsUseDefaultSound);
    cbUserSoundFile->setEnabled(Config.IsUseSound);
    setFileControlsEnabled(Config.IsUseSound && !Config.IsUseDefaultSound);
    bbSoundProba->setEnabled(Config.IsUseSound);
}

void TSoundTab::cbUseSoundClick()
{
    const bool on = cbUseSound->isChecked();
    cbUserSoundFile->setEnabled(on);
    setFileControlsEnabled(on && cbUserSoundFile->isChecked());
    bbSoundProba->setEnabled(on);
    setChanged();
}

void TSoundTab::cbUserSoundFileClick()
{
    setFileControlsEnabled(cbUserSoundFile->isChecked());
    setChanged();
}

void TSoundTab::bbSelectUserSoundFileClick()
{
    const QString path = m_context.choosers.chooseSoundFile(m_context.owner);
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    txtUserSoundFile->setText(file.fileName());
    txtUserSoundDir->setText(folder);
}

void TSoundTab::bbSelectUserSoundDirClick()
{
    QString path;
    if (m_context.BrowseForFolder(path))
        txtUserSoundDir->setText(path);
}

void TSoundTab::bbSoundProbaClick()
{
    EndTestSoundOptions options;
    options.IsUseSound = true;
    options.IsUseDefaultSound = !cbUserSoundFile->isChecked();
    options.SoundFileDir = txtUserSoundDir->text().trimmed();
    options.SoundFileName = txtUserSoundFile->text().trimmed();
    platform::PlayEndTestSound(options, m_context.programFolder, m_context.soundPlayer());
}

void TSoundTab::apply()
{
    if (cbUseSound->isChecked()) {
        Config.IsUseSound = true;
        if (cbUserSoundFile->isChecked()) {
            Config.IsUseDefaultSound = false;
            Config.SoundFileName = txtUserSoundFile->text().trimmed();
            Config.SoundFileDir = txtUserSoundDir->text().trimmed();
            return;
        }
    } else {
        Config.IsUseSound = false;
    }
    Config.IsUseDefaultSound = true;
    Config.SoundFileName.clear();
    Config.SoundFileDir.clear();
}

TPasswordTab::TPasswordTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "tbPassword", "bbPassword", QStringLiteral("Пароль"),
          QStringLiteral("Вы можете ограничить доступ к окну дополнительных настроек задав пароль. "
                         "Внимание! Не забудьте записать пароль."),
          StandardTabPicture(QStyle::SP_MessageBoxWarning), false)
{
    cbUsePassword =
        makeCheckBox("cbUsePassword", QStringLiteral("Использовать пароль для доступа к настройкам"), this);
    content()->addWidget(cbUsePassword);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Пароль:"), this));
    txtPassword = makeEdit("txtPassword", this);
    row->addWidget(txtPassword, 1);
    content()->addLayout(row);
    connect(cbUsePassword, &QCheckBox::toggled, txtPassword, &QWidget::setEnabled);
}

void TPasswordTab::load()
{
    const QString password = settingspassword::Read();
    cbUsePassword->setChecked(!password.isEmpty());
    txtPassword->setText(password);
    txtPassword->setEnabled(!password.isEmpty());
}

void TPasswordTab::apply()
{
    bool stored = true;
    if (cbUsePassword->isChecked())
        stored = settingspassword::Write(txtPassword->text().trimmed());
    else if (!txtPassword->text().isEmpty())
        stored = settingspassword::Remove();
    else
        stored = settingspassword::Write(QString());
    if (!stored)
        reportStoreFailure(m_context.prompts);
}

} // namespace kvizor
