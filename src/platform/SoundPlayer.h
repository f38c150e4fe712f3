#pragma once

#include <QLatin1String>
#include <QString>
#include <QUrl>

#include <memory>

namespace kvizor {

// Plays short sounds without waiting for them. Failures are silent: no audio device, a
// missing or unplayable file just mean no sound.
class SoundPlayer
{
public:
    // Defined here, not in a source file, because the player of this platform lives in a
    // module of its own (common/Module.h) that must not need the program's symbols.
    virtual ~SoundPlayer() = default;

    // Starts playing and returns at once; a new sound may start while another still plays.
    // False when nothing could be started (no audio output, no such file).
    virtual bool play(const QUrl& source) = 0;

    // Sounds started and not yet finished.
    virtual int activeSounds() const = 0;

    // The implementation of this platform, loaded on first use; it owns the sounds while
    // they play. Without its module the player stays silent.
    static std::unique_ptr<SoundPlayer> create();
};

// The settings that decide the end-of-test sound, named as in the settings record.
struct EndTestSoundOptions
{
    bool IsUseSound = false;
    bool IsUseDefaultSound = true;
    QString SoundFileDir;  // empty: the program's folder
    QString SoundFileName; // used as stored
};

enum class SoundSource
{
    None,
    BuiltIn,
    File
};

struct SoundChoice
{
    SoundSource source = SoundSource::None;
    // The user's file that was looked for, also when it is missing.
    QString filePath;

    QUrl url() const;
};

namespace platform {

// The program's own end-of-test sound, embedded as a resource.
inline constexpr QLatin1String BuiltInEndTestSound{":/sounds/endtest.wav"};

// Which sound ends a test: none when sounds are off or the user's file is missing.
SoundChoice ChooseEndTestSound(const EndTestSoundOptions& options, const QString& programFolder);

// Starts the end-of-test sound and returns at once. Returns whether a sound was started.
bool PlayEndTestSound(const EndTestSoundOptions& options, const QString& programFolder, SoundPlayer& player);

} // namespace platform

} // namespace kvizor
