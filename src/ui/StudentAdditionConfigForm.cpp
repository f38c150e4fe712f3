#include "ui/StudentAdditionConfigForm.h"

#include "config/ProgramFolder.h"
#include "platform/DesktopIntegration.h"
#include "platform/SoundPlayer.h"
#include "ui/AdditionConfigPrompts.h"
#include "ui/AdditionConfigTabs.h"
#include "ui/DesignedSize.h"
#include "ui/Prompts.h"
#include "ui/SettingsPassword.h"

#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace kvizor {

namespace {

const QSize ClientSize(428, 397);
const QString SoundPlayerName = QStringLiteral("AdditionConfigSoundPlayer");

// Holds the dialog's sound player in the object tree of the window that keeps it.
class SoundPlayerKeeper : public QObject
{
public:
    explicit SoundPlayerKeeper(QObject* parent) : QObject(parent), player(SoundPlayer::create())
    {
        setObjectName(SoundPlayerName);
    }

    const std::unique_ptr<SoundPlayer> player;
};

} // namespace

TStudentAdditionConfigForm::TStudentAdditionConfigForm(TConfig& config, Prompts& prompts, QWidget* owner,
                                                       const Options& options)
    : QDialog(owner), m_soundPlayer(options.soundPlayer)
{
    setObjectName(QStringLiteral("StudentAdditionConfigForm"));
    setWindowTitle(QStringLiteral("Дополнительные настройки"));

    AdditionConfigPrompts* choosers = options.choosers;
    if (choosers == nullptr) {
        m_ownChoosers = std::make_unique<WidgetAdditionConfigPrompts>();
        choosers = m_ownChoosers.get();
    }
    DesktopIntegration* desktop = options.desktop;
    if (desktop == nullptr) {
        m_ownDesktop = DesktopIntegration::create();
        desktop = m_ownDesktop.get();
    }
    const QString programFolder = options.programFolder.isEmpty() ? ProgramFolder() : options.programFolder;
    m_context.reset(new TAdditionConfigContext{config, prompts, *choosers, *desktop,
                                               [this]() -> SoundPlayer& { return soundPlayer(); },
                                               programFolder, this});

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    // Every tab caption in sight: the dialog is made wide enough for all of them.
    m_pages->setUsesScrollButtons(false);
    tsAssociation = new TAssociationTab(*m_context);
    tsLnk = new TLnkTab(*m_context);
    TabSheetNetConfig = new TNetConfigTab(*m_context);
    TabSheetFolder = new TFolderTab(*m_context);
    tsSaveResult = new TSaveResultTab(*m_context);
    tsShowResult = new TShowResultTab(*m_context);
    TabSheetColors = new TColorsTab(*m_context);
    tsDefaultUserName = new TDefaultUserNameTab(*m_context);
    tsSound = new TSoundTab(*m_context);
    tbPassword = new TPasswordTab(*m_context);
    m_tabs = {tsAssociation, tsLnk,          TabSheetNetConfig, TabSheetFolder, tsSaveResult,
              tsShowResult,  TabSheetColors, tsDefaultUserName, tsSound,        tbPassword};
    for (TAdditionConfigTab* tab : std::as_const(m_tabs))
        m_pages->addTab(tab, tab->caption());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_pages);
    FixToDesignedSize(this, ClientSize);

    connect(m_pages, &QTabWidget::currentChanged, this, &TStudentAdditionConfigForm::onPageChanged);
    onPageChanged(m_pages->currentIndex());
}

TStudentAdditionConfigForm::~TStudentAdditionConfigForm() = default;

TAdditionConfigTab* TStudentAdditionConfigForm::currentTab() const
{
    return static_cast<TAdditionConfigTab*>(m_pages->currentWidget());
}

void TStudentAdditionConfigForm::OpenWithPasswordCheck()
{
    const QString password = settingspassword::Read();
    if (!password.isEmpty()) {
        const std::optional<QString> entered = m_context->prompts.askPassword();
        if (!entered)
            return;
        // Compared exactly: letter case counts and nothing is trimmed.
        if (*entered != password) {
            m_context->prompts.showMessage(QStringLiteral("Не верный пароль..."),
                                           QStringLiteral("KvizorStudent"), MessageIcon::None);
            return;
        }
    }
    m_context->prompts.execDialog(*this);
}

void TStudentAdditionConfigForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    if (TAdditionConfigTab* tab = currentTab())
        tab->showTab();
}

void TStudentAdditionConfigForm::onPageChanged(int)
{
    TAdditionConfigTab* tab = currentTab();
    if (tab == nullptr)
        return;
    // Enter presses "Применить" only on the pages that say so.
    for (TAdditionConfigTab* other : std::as_const(m_tabs))
        other->applyButton()->setDefault(other == tab && tab->enterApplies());
    if (m_shown)
        tab->showTab();
}

SoundPlayer& TStudentAdditionConfigForm::soundPlayer()
{
    if (m_soundPlayer != nullptr)
        return *m_soundPlayer;
    // Owned by the main window when there is one, so a sound goes on after the dialog closes
    // and later openings share the player.
    QObject* keeper = parent() != nullptr ? parent() : this;
    auto* held = dynamic_cast<SoundPlayerKeeper*>(
        keeper->findChild<QObject*>(SoundPlayerName, Qt::FindDirectChildrenOnly));
    if (held == nullptr)
        held = new SoundPlayerKeeper(keeper);
    m_soundPlayer = held->player.get();
    return *m_soundPlayer;
}

} // namespace kvizor
