#pragma once

#include "platform/SoundPlayer.h"

#include <QObject>

namespace kvizor {

// Plays through QSoundEffect, one effect per sound, each freed when it has finished or failed.
class QtSoundPlayer : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    explicit QtSoundPlayer(QObject* parent = nullptr);

    bool play(const QUrl& source) override;

    // Sounds started and not yet finished.
    int activeSounds() const { return m_active; }

private:
    int m_active = 0;
};

} // namespace kvizor
