#include "scene/SoundBank.h"

#include "platform/face/winapi.h"
#include "practice/KeyLayout.h"

namespace {

// The locked image of a wave resource, or null when there is none of that name.
const void* FindWave(const std::string& name)
{
    if (HRSRC found = FindResource(name, "wave")) {
        return LockResource(LoadResource(found));
    }
    return nullptr;
}

}  // namespace

void SoundBank::Load()
{
    for (int n = 0; n < kTargetCount; ++n) {
        const std::string name = TargetSoundName(n);
        m_voice[n] = name.empty() ? nullptr : FindWave(name);
    }
    for (int i = 0; i < 5; ++i) {
        m_ambientWave[i] = FindWave("CAR" + std::to_string(i));
    }
    m_errorWave = FindWave("ZERROR");
    m_okWave = FindWave("ZOK");
}

bool SoundBank::Play(const void* image, UINT flags)
{
    if (image == nullptr) {
        return false;
    }
    sndPlaySound(image, flags);
    return true;
}
