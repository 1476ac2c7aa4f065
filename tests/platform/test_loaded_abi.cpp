// The interfaces of the libraries loaded at run time, which the program declares itself
// (platform/sound/sdl_abi.h, desktop/readers/gio_abi.h, face/fontconfig_abi.h), against the
// libraries' own headers: a size, offset, value or type that differs would have the loaded library
// read or write the wrong bytes.
#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

#include "platform/desktop/readers/gio_abi.h"
#include "platform/face/fontconfig_abi.h"
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

// GIO's and fontconfig's calls name only opaque types, which the declarations share with the
// libraries' headers: their types are compared whole, at compile time.
#if __has_include(<gio/gio.h>) && __has_include(<fontconfig/fontconfig.h>)
#include <fontconfig/fontconfig.h>
#include <gio/gio.h>

static_assert(std::is_same_v<fontconfig::InitFn, decltype(&FcInit)>);
static_assert(std::is_same_v<gio::SchemaSourceGetDefaultFn, decltype(&g_settings_schema_source_get_default)>);
static_assert(std::is_same_v<gio::SchemaSourceLookupFn, decltype(&g_settings_schema_source_lookup)>);
static_assert(std::is_same_v<gio::SchemaUnrefFn, decltype(&g_settings_schema_unref)>);
static_assert(std::is_same_v<gio::SchemaHasKeyFn, decltype(&g_settings_schema_has_key)>);
static_assert(std::is_same_v<gio::SchemaGetKeyFn, decltype(&g_settings_schema_get_key)>);
static_assert(std::is_same_v<gio::SchemaKeyGetValueTypeFn, decltype(&g_settings_schema_key_get_value_type)>);
static_assert(std::is_same_v<gio::SchemaKeyUnrefFn, decltype(&g_settings_schema_key_unref)>);
static_assert(std::is_same_v<gio::SettingsNewFullFn, decltype(&g_settings_new_full)>);
static_assert(std::is_same_v<gio::SettingsGetStringFn, decltype(&g_settings_get_string)>);
static_assert(std::is_same_v<gio::SettingsGetUserValueFn, decltype(&g_settings_get_user_value)>);
static_assert(std::is_same_v<gio::VariantTypeEqualFn, decltype(&g_variant_type_equal)>);
static_assert(std::is_same_v<gio::VariantUnrefFn, decltype(&g_variant_unref)>);
static_assert(std::is_same_v<gio::ObjectUnrefFn, decltype(&g_object_unref)>);
static_assert(std::is_same_v<gio::FreeFn, decltype(&g_free)>);

TEST(GioInterface, TheStringTypeIsGLibs)
{
    EXPECT_STREQ(reinterpret_cast<const char*>(gio::StringType()),
                 reinterpret_cast<const char*>(G_VARIANT_TYPE_STRING));
}
#else
TEST(GioInterface, TheStringTypeIsGLibs)
{
    GTEST_SKIP() << "GLib's or fontconfig's headers are not installed (tools/setup-deps run test installs them)";
}
#endif
