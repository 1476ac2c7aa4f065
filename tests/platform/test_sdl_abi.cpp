// The SDL interface the program declares itself (platform/sound/sdl_abi.h) against SDL's own headers:
// a size, offset or value that differs would have the loaded library read or write the wrong bytes.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "platform/sound/sdl_abi.h"

#if __has_include(<SDL.h>)
#include <SDL.h>

#define SAME_LAYOUT(ours, theirs, field)                                                                               \
    static_assert(offsetof(ours, field) == offsetof(theirs, field), #theirs "." #field " lies elsewhere")

static_assert(sizeof(sdl::AudioSpec) == sizeof(SDL_AudioSpec), "SDL_AudioSpec's size differs");
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, freq);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, format);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, channels);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, samples);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, size);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, callback);
SAME_LAYOUT(sdl::AudioSpec, SDL_AudioSpec, userdata);
static_assert(sizeof(sdl::AudioCVT) == sizeof(SDL_AudioCVT), "SDL_AudioCVT's size differs");
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, needed);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, rate_incr);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, buf);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, len);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, len_cvt);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, len_mult);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, len_ratio);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, filters);
SAME_LAYOUT(sdl::AudioCVT, SDL_AudioCVT, filter_index);
static_assert(sdl::kInitAudio == SDL_INIT_AUDIO);
static_assert(sdl::kAudioS16Sys == AUDIO_S16SYS);
static_assert(sdl::kAudioStopped == SDL_AUDIO_STOPPED);

// The functions' types, where they name no structure of SDL's (those are held above): decltype
// takes no address, so nothing of SDL is linked.
static_assert(std::is_same_v<sdl::InitSubSystemFn, decltype(&SDL_InitSubSystem)>);
static_assert(std::is_same_v<sdl::QuitSubSystemFn, decltype(&SDL_QuitSubSystem)>);
static_assert(std::is_same_v<sdl::PauseAudioDeviceFn, decltype(&SDL_PauseAudioDevice)>);
static_assert(std::is_same_v<sdl::CloseAudioDeviceFn, decltype(&SDL_CloseAudioDevice)>);
static_assert(std::is_same_v<sdl::ClearQueuedAudioFn, decltype(&SDL_ClearQueuedAudio)>);
static_assert(std::is_same_v<sdl::QueueAudioFn, decltype(&SDL_QueueAudio)>);
static_assert(std::is_same_v<sdl::GetQueuedAudioSizeFn, decltype(&SDL_GetQueuedAudioSize)>);
static_assert(std::is_same_v<sdl::FreeWAVFn, decltype(&SDL_FreeWAV)>);
static_assert(sizeof(SDL_bool) == sizeof(int) && sizeof(SDL_AudioStatus) == sizeof(int),
              "SDL_SetHint and SDL_GetAudioDeviceStatus return an int's size");

TEST(SdlInterface, TheHintIsSdlsOwn)
{
    EXPECT_STREQ(sdl::kHintNoSignalHandlers, SDL_HINT_NO_SIGNAL_HANDLERS);
}
#else
TEST(SdlInterface, TheHintIsSdlsOwn)
{
    GTEST_SKIP() << "SDL's headers are not installed (tools/setup-deps run test installs libsdl2-dev)";
}
#endif
