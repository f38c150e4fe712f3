#pragma once

#include "config/Config.h"

#include <QDialog>
#include <QList>

#include <memory>

class QTabWidget;

namespace kvizor {

class AdditionConfigPrompts;
class DesktopIntegration;
class Prompts;
class SoundPlayer;
class TAdditionConfigTab;
class TAssociationTab;
class TColorsTab;
class TDefaultUserNameTab;
class TFolderTab;
class TLnkTab;
class TNetConfigTab;
class TPasswordTab;
class TSaveResultTab;
class TShowResultTab;
class TSoundTab;
struct TAdditionConfigContext;

// The additional settings dialog: ten pages, each applied on its own by its "Применить".
// Pages change the settings record in memory, except the association, the shortcuts and
// the settings password, which act at once. Made anew for every opening, so each opening
// starts on the first page.
class TStudentAdditionConfigForm : public QDialog
{
    Q_OBJECT

public:
    struct Options
    {
        // Folder of a sound file given without a folder; empty means the program folder.
        QString programFolder;
        // Each left empty is made by the dialog for the running program.
        AdditionConfigPrompts* choosers = nullptr;
        DesktopIntegration* desktop = nullptr;
        SoundPlayer* soundPlayer = nullptr;
    };

    // config is the main window's settings record; prompts its message boxes, password
    // prompt and modal loop.
    TStudentAdditionConfigForm(TConfig& config, Prompts& prompts, QWidget* owner, const Options& options);
    TStudentAdditionConfigForm(TConfig& config, Prompts& prompts, QWidget* owner)
        : TStudentAdditionConfigForm(config, prompts, owner, Options{})
    {
    }
    ~TStudentAdditionConfigForm() override;

    // Asks the settings password when one is set and runs the dialog modally when it is
    // right; a wrong one is refused with "Не верный пароль...".
    void OpenWithPasswordCheck();

    QTabWidget* PageControl() const { return m_pages; }
    const QList<TAdditionConfigTab*>& tabs() const { return m_tabs; }
    TAdditionConfigTab* currentTab() const;

    TAssociationTab* tsAssociation = nullptr;
    TLnkTab* tsLnk = nullptr;
    TNetConfigTab* TabSheetNetConfig = nullptr;
    TFolderTab* TabSheetFolder = nullptr;
    TSaveResultTab* tsSaveResult = nullptr;
    TShowResultTab* tsShowResult = nullptr;
    TColorsTab* TabSheetColors = nullptr;
    TDefaultUserNameTab* tsDefaultUserName = nullptr;
    TSoundTab* tsSound = nullptr;
    TPasswordTab* tbPassword = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onPageChanged(int index);
    SoundPlayer& soundPlayer();

    std::unique_ptr<AdditionConfigPrompts> m_ownChoosers;
    std::unique_ptr<DesktopIntegration> m_ownDesktop;
    SoundPlayer* m_soundPlayer = nullptr;
    std::unique_ptr<TAdditionConfigContext> m_context;
    QTabWidget* m_pages = nullptr;
    QList<TAdditionConfigTab*> m_tabs;
    bool m_shown = false;
};

} // namespace kvizor
