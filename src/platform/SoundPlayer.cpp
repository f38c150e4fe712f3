#include "SoundPlayer.h"

#include "common/Module.h"
#include "sound/SoundModule.h"

#include <QDir>
#include <QFileInfo>

namespace kvizor {

namespace {

class SilentSoundPlayer : public SoundPlayer
{
public:
    bool play(const QUrl&) override { return false; }
    int activeSounds() const override { return 0; }
};

} // namespace

std::unique_ptr<SoundPlayer> SoundPlayer::create()
{
    if (auto* create = ModuleFunction<KvizorCreateSoundPlayer>(SoundModule, CreateSoundPlayerSymbol))
        return std::unique_ptr<SoundPlayer>(create());
    return std::make_unique<SilentSoundPlayer>();
}

QUrl SoundChoice::url() const
{
    switch (source) {
    case SoundSource::BuiltIn:
        return QUrl(QLatin1String("qrc") + platform::BuiltInEndTestSound);
    case SoundSource::File:
        return QUrl::fromLocalFile(filePath);
    case SoundSource::None:
        break;
    }
    return {};
}

namespace platform {

SoundChoice ChooseEndTestSound(const EndTestSoundOptions& options, const QString& programFolder)
{
    SoundChoice choice;
    if (!options.IsUseSound)
        return choice;
    if (options.IsUseDefaultSound) {
        choice.source = SoundSource::BuiltIn;
        return choice;
    }
    QString folder = options.SoundFileDir.isEmpty() ? programFolder : options.SoundFileDir;
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QDir::separator()))
        folder += QLatin1Char('/');
    choice.filePath = folder + options.SoundFileName;
    if (QFileInfo(choice.filePath).isFile())
        choice.source = SoundSource::File;
    return choice;
}

bool PlayEndTestSound(const EndTestSoundOptions& options, const QString& programFolder, SoundPlayer& player)
{
    const SoundChoice choice = ChooseEndTestSound(options, programFolder);
    return choice.source != SoundSource::None && player.play(choice.url());
}

} // namespace platform

} // namespace kvizor
