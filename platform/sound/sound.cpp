// The program's sound on an SDL audio device: mono, 11025 Hz, signed 16-bit. A sound clears the
// queue and plays at once; one played with 'noStop' is dropped while the previous one still plays.
// "Still plays" is judged by the clock against the length of what was queued, so it holds with any
// driver, and with none. A worker thread opens the device, notices when it goes away (the sound
// server stopped) and opens it again once there is one; the program meanwhile plays silently.
// SDL and the sound libraries behind it are loaded when first needed, or in the background once
// the first window is on the screen (PrepareSound), so the start does not wait for them; without
// SDL the program is silent.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include <QtGlobal>

#include "platform/sound/sdl_abi.h"
#include "platform/sound/sound.h"
#include "platform/sound/sound_output.h"

namespace {

// The SDL functions the sound layer calls, looked up in the library loaded at run time.
struct SdlCalls {
    sdl::SetHintFn SetHint;
    sdl::InitSubSystemFn InitSubSystem;
    sdl::QuitSubSystemFn QuitSubSystem;
    sdl::OpenAudioDeviceFn OpenAudioDevice;
    sdl::PauseAudioDeviceFn PauseAudioDevice;
    sdl::CloseAudioDeviceFn CloseAudioDevice;
    sdl::GetAudioDeviceStatusFn GetAudioDeviceStatus;
    sdl::ClearQueuedAudioFn ClearQueuedAudio;
    sdl::QueueAudioFn QueueAudio;
    sdl::GetQueuedAudioSizeFn GetQueuedAudioSize;
    sdl::RWFromConstMemFn RWFromConstMem;
    sdl::LoadWAV_RWFn LoadWAV_RW;
    sdl::FreeWAVFn FreeWAV;
    sdl::BuildAudioCVTFn BuildAudioCVT;
    sdl::ConvertAudioFn ConvertAudio;
};

// ALSA's library reports each failed opening on stderr itself, eight lines an attempt without a
// card ("Unknown PCM default", ...), and the worker tries again every second or two; the program
// says once that sound is lost instead (SoundNotice). The handler is set in the library SDL's ALSA
// driver uses, loaded here first; the library then stays loaded, keeping the handler. No library,
// nothing to silence.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa()
{
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        return;
    }
    using SetHandler = int (*)(AlsaErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler"))) {
        set(QuietAlsa);
    }
}

void AnnounceSound(SoundNotice notice)
{
    if (notice == SoundNotice::Lost) {
        qWarning("pomarel: no sound device: playing silently until there is one");
    } else {
        qWarning("pomarel: sound is back");
    }
}

// Null when the library or one of its functions is missing. The library stays loaded.
const SdlCalls* LoadSdl()
{
    SilenceAlsa();
    void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        qWarning("pomarel: no sound: %s", dlerror());
        return nullptr;
    }
    bool complete = true;
    const auto find = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
        complete = complete && fn != nullptr;
    };
    static SdlCalls calls{};
    find(calls.SetHint, "SDL_SetHint");
    find(calls.InitSubSystem, "SDL_InitSubSystem");
    find(calls.QuitSubSystem, "SDL_QuitSubSystem");
    find(calls.OpenAudioDevice, "SDL_OpenAudioDevice");
    find(calls.PauseAudioDevice, "SDL_PauseAudioDevice");
    find(calls.CloseAudioDevice, "SDL_CloseAudioDevice");
    find(calls.GetAudioDeviceStatus, "SDL_GetAudioDeviceStatus");
    find(calls.ClearQueuedAudio, "SDL_ClearQueuedAudio");
    find(calls.QueueAudio, "SDL_QueueAudio");
    find(calls.GetQueuedAudioSize, "SDL_GetQueuedAudioSize");
    find(calls.RWFromConstMem, "SDL_RWFromConstMem");
    find(calls.LoadWAV_RW, "SDL_LoadWAV_RW");
    find(calls.FreeWAV, "SDL_FreeWAV");
    find(calls.BuildAudioCVT, "SDL_BuildAudioCVT");
    find(calls.ConvertAudio, "SDL_ConvertAudio");
    if (!complete) {
        qWarning("pomarel: no sound: the SDL library lacks a function");
        return nullptr;
    }
    return &calls;
}

// The loading, started once by whoever comes first; later callers wait for it to end. Never
// freed: the sound worker may still ask for it while the program's statics are destroyed at exit
// (the worker is stopped by a static made later or earlier than these, whichever came first).
std::shared_future<const SdlCalls*>& SdlLoading(std::launch how)
{
    static auto* const mutex = new std::mutex;
    static auto* const loading = new std::shared_future<const SdlCalls*>;
    const std::lock_guard lock(*mutex);
    if (!loading->valid()) {
        *loading = std::async(how, LoadSdl).share();
    }
    return *loading;
}

const SdlCalls* Sdl()
{
    return SdlLoading(std::launch::deferred).get();
}

constexpr int kRate = 11025;
constexpr int kBufferSamples = 512;
// One device buffer still plays after the queue runs dry.
constexpr double kTailSeconds = static_cast<double>(kBufferSamples) / kRate;

double SteadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The default output through SDL's audio subsystem, which is started for each opening and shut down
// with each closing: a driver keeps its connection to the sound server from its start, so only a
// fresh start sees a server that came back.
class SdlAudioDevice final : public AudioDevice {
public:
    bool Open() override
    {
        const SdlCalls* sdl = Sdl();
        if (sdl == nullptr) {
            return false;
        }
        sdl->SetHint(sdl::kHintNoSignalHandlers, "1");  // else SDL swallows SIGINT and SIGTERM
        if (sdl->InitSubSystem(sdl::kInitAudio) != 0) {
            return false;
        }
        sdl::AudioSpec want{};
        want.freq = kRate;
        want.format = sdl::kAudioS16Sys;
        want.channels = 1;
        want.samples = kBufferSamples;
        const sdl::AudioDeviceID id = sdl->OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (id == 0) {
            sdl->QuitSubSystem(sdl::kInitAudio);
            return false;
        }
        sdl->PauseAudioDevice(id, 0);
        m_sdl = sdl;
        m_id = id;
        return true;
    }
    void Close() override
    {
        if (m_sdl != nullptr) {
            m_sdl.load()->CloseAudioDevice(m_id.exchange(0));
            m_sdl.load()->QuitSubSystem(sdl::kInitAudio);
        }
        m_lose = false;
    }
    bool Gone() override
    {
        return m_lose || m_sdl == nullptr || m_sdl.load()->GetAudioDeviceStatus(m_id) == sdl::kAudioStopped;
    }
    void Replace(const std::uint8_t* data, std::size_t size) override
    {
        if (const SdlCalls* sdl = m_sdl) {
            sdl->ClearQueuedAudio(m_id);
            sdl->QueueAudio(m_id, data, static_cast<std::uint32_t>(size));
        }
    }
    void Clear() override
    {
        if (const SdlCalls* sdl = m_sdl) {
            sdl->ClearQueuedAudio(m_id);
        }
    }

    std::size_t Queued() const
    {
        const SdlCalls* sdl = m_sdl;
        return sdl != nullptr ? sdl->GetQueuedAudioSize(m_id) : 0;
    }
    // Makes the open device count as gone, as when its server stops (platform_seams::LoseSoundDevice).
    void Lose() { m_lose = true; }

private:
    std::atomic<sdl::AudioDeviceID> m_id = 0;
    std::atomic<const SdlCalls*> m_sdl = nullptr;  // set by the first opening
    std::atomic<bool> m_lose = false;
};

struct SoundState {
    SdlAudioDevice device;
    SoundOutput output{device, SteadySeconds, AnnounceSound};
    std::map<const void*, std::vector<std::uint8_t>> converted;  // per image: samples in device format

    // The worker that keeps a device open.
    std::mutex workerMutex;
    std::condition_variable workerWake;
    std::thread worker;
    bool stop = false;
    bool done = false;
};

void WorkerLoop(SoundState& s)
{
    std::unique_lock lock(s.workerMutex);
    while (!s.stop) {
        lock.unlock();
        const double wait = s.output.Step(SteadySeconds());
        lock.lock();
        s.workerWake.wait_for(lock, std::chrono::duration<double>(wait), [&] { return s.stop; });
    }
    s.done = true;
    s.workerWake.notify_all();
}

// Ends the worker when the program exits. An opening that hangs (a server that accepts and never
// answers) is not waited for beyond a second: the worker is then left to the end of the process,
// with the state it uses, which is never freed for that reason.
struct WorkerStopper {
    SoundState* state;
    ~WorkerStopper()
    {
        std::unique_lock lock(state->workerMutex);
        if (!state->worker.joinable()) {
            return;
        }
        state->stop = true;
        state->workerWake.notify_all();
        const bool ended = state->workerWake.wait_for(lock, std::chrono::seconds(1), [&] { return state->done; });
        lock.unlock();
        if (ended) {
            state->worker.join();
        } else {
            state->worker.detach();
        }
    }
};

SoundState& Sound()
{
    static SoundState* const state = new SoundState;
    static const WorkerStopper stopper{state};
    return *state;
}

// Starts the worker once; its first step opens the device at once.
void StartOutput()
{
    SoundState& s = Sound();
    const std::lock_guard lock(s.workerMutex);
    if (!s.worker.joinable() && !s.done) {
        s.worker = std::thread(WorkerLoop, std::ref(s));
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

const std::vector<std::uint8_t>* Converted(const void* image)
{
    SoundState& s = Sound();
    auto it = s.converted.find(image);
    if (it != s.converted.end()) {
        return &it->second;
    }
    std::vector<std::uint8_t> out;
    const std::size_t size = ImageSize(image);
    const SdlCalls* sdl = size > 0 ? Sdl() : nullptr;
    if (sdl != nullptr) {
        sdl::AudioSpec format{};
        std::uint8_t* buf = nullptr;
        std::uint32_t len = 0;
        sdl::RWops* rw = sdl->RWFromConstMem(image, static_cast<int>(size));
        if (rw != nullptr && sdl->LoadWAV_RW(rw, 1, &format, &buf, &len) != nullptr) {
            sdl::AudioCVT cvt{};
            const int built =
                sdl->BuildAudioCVT(&cvt, format.format, format.channels, format.freq, sdl::kAudioS16Sys, 1, kRate);
            if (built >= 0) {
                std::vector<std::uint8_t> work(static_cast<std::size_t>(len) *
                                               static_cast<std::size_t>(std::max(1, cvt.len_mult)));
                std::memcpy(work.data(), buf, len);
                cvt.buf = work.data();
                cvt.len = static_cast<int>(len);
                if (built == 0 || sdl->ConvertAudio(&cvt) == 0) {
                    work.resize(built == 0 ? len : static_cast<std::size_t>(cvt.len_cvt));
                    out = std::move(work);
                }
            }
            sdl->FreeWAV(buf);
        }
    }
    return &s.converted.emplace(image, std::move(out)).first->second;
}

}  // namespace

bool platform_detail::PlaySound(const void* image, bool noStop)
{
    StartOutput();
    SoundState& s = Sound();
    if (image == nullptr) {
        s.output.Stop();
        return false;
    }
    const std::vector<std::uint8_t>* samples = Converted(image);
    if (samples == nullptr || samples->empty()) {
        return false;
    }
    const double seconds = static_cast<double>(samples->size()) / (2.0 * kRate) + kTailSeconds;
    return s.output.Play(*samples, seconds, noStop);
}

void platform_detail::PrepareSound()
{
    SdlLoading(std::launch::async);
}

namespace platform_seams {

void SetSoundClock(std::function<double()> clock)
{
    Sound().output.SetClock(clock ? std::move(clock) : std::function<double()>(SteadySeconds));
}

double SoundSeconds(const void* image)
{
    const std::vector<std::uint8_t>* samples = Converted(image);
    return samples != nullptr ? static_cast<double>(samples->size()) / (2.0 * kRate) : 0.0;
}

bool SoundDeviceOpen()
{
    StartOutput();
    return Sound().output.IsOpen();
}

void LoseSoundDevice()
{
    Sound().device.Lose();
}

std::size_t QueuedSoundBytes()
{
    return Sound().device.Queued();
}

}  // namespace platform_seams
