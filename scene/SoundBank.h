// The program's sounds, loaded once from the embedded resources and played by name: the spoken
// name of each key, right and wrong, and the five ambient sounds.
#pragma once

#include <array>
#include <string>

#include "platform/wintypes.h"
#include "practice/KeyboardModel.h"

class SoundBank {
public:
    // Finds every sound: key names by the cells' sound names ("Za", "Z1", or empty for none),
    // "ZOK", "ZERROR" and "CAR0" to "CAR4". A sound that is missing stays silent.
    void Load(const std::array<std::string, kKeyCells>& keySoundNames);

    // Sound images; null for a sound that is missing.
    const void* KeyVoice(KeyCell key) const { return m_keyWave[key.row * kKeyCols + key.col]; }
    const void* Right() const { return m_okWave; }
    const void* Wrong() const { return m_errorWave; }
    const void* Ambient(int i) const { return m_ambientWave[i]; }

    // Plays an image with the sndPlaySound flags; a missing sound plays nothing. Returns
    // whether there was a sound to play.
    static bool Play(const void* image, UINT flags);

private:
    const void* m_keyWave[kKeyCells] = {};
    const void* m_errorWave = nullptr;
    const void* m_okWave = nullptr;
    const void* m_ambientWave[5] = {};
};
