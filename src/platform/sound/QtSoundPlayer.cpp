#include "QtSoundPlayer.h"

#include "SoundModule.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>

#include <memory>

namespace kvizor {

namespace {
constexpr int StartTimeoutMs = 10000;
}

QtSoundPlayer::QtSoundPlayer(QObject* parent) : QObject(parent) {}

bool QtSoundPlayer::play(const QUrl& source)
{
    const QString path =
        source.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + source.path() : source.toLocalFile();
    if (path.isEmpty() || !QFile::exists(path))
        return false;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull())
        return false;

    auto* effect = new QSoundEffect(output, this);
    ++m_active;
    // Several signals may report the end; the sound is counted off and freed once.
    auto finished = std::make_shared<bool>(false);
    auto finish = [this, effect, finished] {
        if (*finished)
            return;
        *finished = true;
        --m_active;
        effect->deleteLater();
    };
    connect(effect, &QSoundEffect::statusChanged, this, [effect, finish] {
        if (effect->status() == QSoundEffect::Error)
            finish();
    });
    connect(effect, &QSoundEffect::playingChanged, this, [effect, finish, started = false]() mutable {
        if (effect->isPlaying())
            started = true;
        else if (started)
            finish();
    });
    // A sound that neither starts nor fails (a device that never answers) is not kept forever.
    QTimer::singleShot(StartTimeoutMs, effect, [effect, finish] {
        if (!effect->isPlaying())
            finish();
    });
    effect->setSource(source);
    effect->play();
    return true;
}

} // namespace kvizor

extern "C" Q_DECL_EXPORT kvizor::SoundPlayer* kvizor_create_sound_player()
{
    return new kvizor::QtSoundPlayer;
}
