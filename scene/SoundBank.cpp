#include "scene/SoundBank.h"

#include "platform/winapi.h"

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

void SoundBank::Load(const std::array<std::string, kKeyCells>& keySoundNames)
{
    for (int i = 0; i < kKeyCells; ++i) {
        const std::string& name = keySoundNames[static_cast<std::size_t>(i)];
        m_keyWave[i] = name.empty() ? nullptr : FindWave(name);
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
