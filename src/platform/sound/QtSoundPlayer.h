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

    int activeSounds() const override { return m_active; }

private:
    int m_active = 0;
};

} // namespace kvizor
