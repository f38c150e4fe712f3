#pragma once

#include "platform/SoundPlayer.h"
#include "ui/AdditionConfigPrompts.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <optional>

// The choosers of the settings dialog answered from a script; every request is recorded.
class ScriptedChoosers : public kvizor::AdditionConfigPrompts
{
public:
    struct ColorRequest
    {
        kvizor::TColor preset;
        QList<kvizor::TColor> customColors;
    };

    QList<std::optional<QString>> folders; // taken from the front; cancelled when empty
    QStringList folderTitles;
    QList<std::optional<kvizor::TColor>> colors; // taken from the front; cancelled when empty
    QList<ColorRequest> colorRequests;
    QStringList soundFiles; // taken from the front; cancelled when empty
    int beeps = 0;

    std::optional<QString> browseForFolder(QWidget*, const QString& title) override
    {
        folderTitles.append(title);
        return folders.isEmpty() ? std::nullopt : folders.takeFirst();
    }
    std::optional<kvizor::TColor> chooseColor(QWidget*, kvizor::TColor preset,
                                              const QList<kvizor::TColor>& customColors) override
    {
        colorRequests.append({preset, customColors});
        return colors.isEmpty() ? std::nullopt : colors.takeFirst();
    }
    QString chooseSoundFile(QWidget*) override
    {
        return soundFiles.isEmpty() ? QString() : soundFiles.takeFirst();
    }
    void beep() override { ++beeps; }
};

// Records what would have been played.
class RecordingSoundPlayer : public kvizor::SoundPlayer
{
public:
    QList<QUrl> played;

    bool play(const QUrl& source) override
    {
        played.append(source);
        return true;
    }
    int activeSounds() const override { return 0; }
};
