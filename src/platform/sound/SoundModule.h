#pragma once

// The entry of the sound module: it makes the platform's player, which the caller owns.

namespace kvizor {
class SoundPlayer;
}

extern "C" {
using KvizorCreateSoundPlayer = kvizor::SoundPlayer*();
}

namespace kvizor {
inline constexpr char CreateSoundPlayerSymbol[] = "kvizor_create_sound_player";
}
