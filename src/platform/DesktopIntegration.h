#pragma once

#include <QLatin1String>
#include <QString>

#include <functional>
#include <memory>

namespace kvizor {

// Outcome of an action on the desktop. message is the text to show on success (empty when
// the action shows nothing); errorText says what went wrong.
struct IntegrationResult
{
    bool ok = false;
    QString message;
    QString errorText;
};

// Ties the program to the user's desktop: test files open with it, and shortcuts start it.
// Every action works on the running program's own path, so a moved program is associated anew.
class DesktopIntegration
{
public:
    // The association as the user sees it.
    static constexpr QLatin1String Extension{".kvf"};
    static constexpr QLatin1String ClassName{"Kvizor3"};
    static QString Description() { return QStringLiteral("Kvizor3 Компьютерные тесты"); }

    // Success texts of the two shortcuts.
    static QString DesktopShortcutCreatedText() { return QStringLiteral("Ярлык на Рабочем столе создан."); }
    static QString MenuShortcutCreatedText() { return QStringLiteral("Ярлык в меню \"ПУСК\" создан."); }

    virtual ~DesktopIntegration();

    // False on a desktop without file associations or shortcut files; the settings dialog
    // then says the action is not available.
    virtual bool isAvailable() const = 0;

    // Makes test files open with the running program. Files written before a failure stay.
    virtual IntegrationResult RegisterAssociation() = 0;
    // True only when the association exists exactly as RegisterAssociation would write it
    // for the running program.
    virtual bool IsAssociationRegistered() const = 0;
    virtual IntegrationResult removeAssociation() = 0;

    // Shortcuts to the running program; an existing one of the same name is replaced.
    virtual IntegrationResult createDesktopShortcut() = 0;
    virtual IntegrationResult createMenuShortcut() = 0;

    // Telling the desktop about a change may go on after an action has returned; a failure
    // then reaches this handler (on the main thread) while this object lives.
    virtual void setLateFailureHandler(std::function<void(const QString& errorText)> handler);

    // The implementation of this platform for the running program.
    static std::unique_ptr<DesktopIntegration> create();
};

} // namespace kvizor
