#pragma once

#include "config/Config.h"

#include <QList>
#include <QString>

#include <optional>

class QWidget;

namespace kvizor {

// The choosers and the beep of the settings dialog, so tests answer them from a script.
// Messages and the password prompt go through the main window's Prompts.
class AdditionConfigPrompts
{
public:
    virtual ~AdditionConfigPrompts();

    // The folder chooser: a folder with a file-system path, or nothing when cancelled.
    virtual std::optional<QString> browseForFolder(QWidget* owner, const QString& title) = 0;
    // The colour chooser preset to a colour, with the given custom colours in its first
    // slots; the chosen colour, or nothing when cancelled.
    virtual std::optional<TColor> chooseColor(QWidget* owner, TColor preset,
                                              const QList<TColor>& customColors) = 0;
    // The open dialog for a sound file; an empty text when cancelled.
    virtual QString chooseSoundFile(QWidget* owner) = 0;
    // The system's default beep.
    virtual void beep() = 0;
};

// The real dialogs.
class WidgetAdditionConfigPrompts : public AdditionConfigPrompts
{
public:
    std::optional<QString> browseForFolder(QWidget* owner, const QString& title) override;
    std::optional<TColor> chooseColor(QWidget* owner, TColor preset,
                                      const QList<TColor>& customColors) override;
    QString chooseSoundFile(QWidget* owner) override;
    void beep() override;
};

} // namespace kvizor
