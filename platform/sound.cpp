// sndPlaySound on one SDL audio device: mono, 11025 Hz, signed 16-bit, opened once.
// Without SND_NOSTOP a sound clears the queue and plays at once; with it, it is dropped while
// the previous one still plays. "Still plays" is judged by the clock against the length of
// what was queued, so it holds with any driver, and with none.
#include <SDL.h>

#include <chrono>
#include <cstring>
#include <map>
#include <vector>

#include "platform/internal.h"
#include "platform/testing.h"

namespace {

constexpr int kRate = 11025;
// One device buffer still plays after the queue runs dry.
constexpr double kTailSeconds = 512.0 / kRate;

struct SoundState {
    bool tried = false;
    SDL_AudioDeviceID device = 0;
    double busyUntil = 0.0;
    std::map<const void*, std::vector<Uint8>> converted;  // per image: samples in device format
    std::function<void(const testing_hooks::SoundEvent&)> observer;
    std::function<double()> clock;
};

SoundState& State()
{
    static SoundState state;
    return state;
}

double Now()
{
    SoundState& s = State();
    if (s.clock) {
        return s.clock();
    }
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void OpenDevice()
{
    SoundState& s = State();
    if (s.tried) {
        return;
    }
    s.tried = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return;
    }
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    s.device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (s.device != 0) {
        SDL_PauseAudioDevice(s.device, 0);
    }
}

// Length of a whole RIFF WAVE image from its header; 0 when it is not one.
std::size_t ImageSize(const void* image)
{
    if (image == nullptr) {
        return 0;
    }
    const auto* p = static_cast<const unsigned char*>(image);
    if (std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) {
        return 0;
    }
    const std::uint32_t riff = p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24);
    // Sounds are short; a header claiming more than 64 MiB is broken.
    if (riff > (64u << 20)) {
        return 0;
    }
    return static_cast<std::size_t>(riff) + 8;
}

const std::vector<Uint8>* Converted(const void* image)
{
    SoundState& s = State();
    auto it = s.converted.find(image);
    if (it != s.converted.end()) {
        return &it->second;
    }
    std::vector<Uint8> out;
    const std::size_t size = ImageSize(image);
    if (size > 0) {
        SDL_AudioSpec format{};
        Uint8* buf = nullptr;
        Uint32 len = 0;
        SDL_RWops* rw = SDL_RWFromConstMem(image, static_cast<int>(size));
        if (rw != nullptr && SDL_LoadWAV_RW(rw, 1, &format, &buf, &len) != nullptr) {
            SDL_AudioCVT cvt{};
            const int built = SDL_BuildAudioCVT(&cvt, format.format, format.channels, format.freq,
                                                AUDIO_S16SYS, 1, kRate);
            if (built >= 0) {
                std::vector<Uint8> work(static_cast<std::size_t>(len) * static_cast<std::size_t>(std::max(1, cvt.len_mult)));
                std::memcpy(work.data(), buf, len);
                cvt.buf = work.data();
                cvt.len = static_cast<int>(len);
                if (built == 0 || SDL_ConvertAudio(&cvt) == 0) {
                    work.resize(built == 0 ? len : static_cast<std::size_t>(cvt.len_cvt));
                    out = std::move(work);
                }
            }
            SDL_FreeWAV(buf);
        }
    }
    return &s.converted.emplace(image, std::move(out)).first->second;
}

}  // namespace

BOOL sndPlaySound(const void* image, UINT flags)
{
    OpenDevice();
    SoundState& s = State();
    const double now = Now();
    auto report = [&](bool played) {
        if (s.observer) {
            s.observer({image, flags, played});
        }
    };
    if (image == nullptr) {
        if (s.device != 0) {
            SDL_ClearQueuedAudio(s.device);
        }
        s.busyUntil = 0.0;
        report(false);
        return TRUE;
    }
    if ((flags & SND_NOSTOP) != 0 && now < s.busyUntil) {
        report(false);
        return FALSE;
    }
    const std::vector<Uint8>* samples = Converted(image);
    if (samples == nullptr || samples->empty()) {
        report(false);
        return FALSE;
    }
    if (s.device != 0) {
        SDL_ClearQueuedAudio(s.device);
        SDL_QueueAudio(s.device, samples->data(), static_cast<Uint32>(samples->size()));
    }
    s.busyUntil = now + static_cast<double>(samples->size()) / (2.0 * kRate) + kTailSeconds;
    report(true);
    return TRUE;
}

namespace testing_hooks {

void SetSoundObserver(std::function<void(const SoundEvent&)> observer)
{
    State().observer = std::move(observer);
}

void SetSoundClock(std::function<double()> clock)
{
    State().clock = std::move(clock);
    State().busyUntil = 0.0;
}

double SoundSeconds(const void* image)
{
    OpenDevice();
    const std::vector<Uint8>* samples = Converted(image);
    return samples != nullptr ? static_cast<double>(samples->size()) / (2.0 * kRate) : 0.0;
}

}  // namespace testing_hooks
