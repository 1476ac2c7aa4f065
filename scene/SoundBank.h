// The program's sounds, loaded once from the embedded resources and played by name: the spoken
// name of each key, right and wrong, and the five ambient sounds.
#pragma once

#include <array>
#include <string>

#include "platform/surface/wintypes.h"
#include "practice/KeyboardModel.h"

class SoundBank {
public:
    // Finds every sound: the spoken name of each target (its character's: "Za" for a and A,
    // "Z1"; the symbols have none), "ZOK", "ZERROR" and "CAR0" to "CAR4". A sound that is missing
    // stays silent.
    void Load();

    // Sound images; null for a sound that is missing. 'n' is a target number 0..71.
    const void* Voice(int n) const { return n >= 0 && n < kTargetCount ? m_voice[n] : nullptr; }
    const void* Right() const { return m_okWave; }
    const void* Wrong() const { return m_errorWave; }
    const void* Ambient(int i) const { return m_ambientWave[i]; }

    // Plays an image with the sndPlaySound flags; a missing sound plays nothing. Returns
    // whether there was a sound to play.
    static bool Play(const void* image, UINT flags);

private:
    const void* m_voice[kTargetCount] = {};
    const void* m_errorWave = nullptr;
    const void* m_okWave = nullptr;
    const void* m_ambientWave[5] = {};
};
