// The part of SDL 2's binary interface the sound layer calls, declared here: SDL is loaded when the
// program starts (sound.cpp), so building needs none of its development files, which would
// bring some forty packages to a machine that only builds and runs the program. SDL 2 keeps this
// interface stable; tests/platform/test_loaded_abi.cpp holds every size, offset and value below
// against SDL's own headers.
#pragma once

#include <bit>
#include <cstdint>

namespace sdl {

using AudioFormat = std::uint16_t;
using AudioDeviceID = std::uint32_t;
using AudioCallback = void (*)(void* userdata, std::uint8_t* stream, int len);
struct RWops;  // opaque
struct AudioCVT;
using AudioFilter = void (*)(AudioCVT* cvt, AudioFormat format);

constexpr std::uint32_t kInitAudio = 0x00000010u;  // SDL_INIT_AUDIO
// AUDIO_S16SYS: signed 16-bit samples in the machine's byte order (AUDIO_S16LSB or AUDIO_S16MSB).
constexpr AudioFormat kAudioS16Sys = std::endian::native == std::endian::little ? 0x8010 : 0x9010;
constexpr int kAudioStopped = 0;                                    // SDL_AUDIO_STOPPED
constexpr char kHintNoSignalHandlers[] = "SDL_NO_SIGNAL_HANDLERS";  // SDL_HINT_NO_SIGNAL_HANDLERS
constexpr int kAudioCvtMaxFilters = 9;                              // SDL_AUDIOCVT_MAX_FILTERS

struct AudioSpec {
    int freq;
    AudioFormat format;
    std::uint8_t channels;
    std::uint8_t silence;
    std::uint16_t samples;
    std::uint16_t padding;
    std::uint32_t size;
    AudioCallback callback;
    void* userdata;
};

// Packed with GCC and Clang, as SDL declares it.
struct __attribute__((packed)) AudioCVT {
    int needed;
    AudioFormat src_format;
    AudioFormat dst_format;
    double rate_incr;
    std::uint8_t* buf;
    int len;
    int len_cvt;
    int len_mult;
    double len_ratio;
    AudioFilter filters[kAudioCvtMaxFilters + 1];
    int filter_index;
};

// The functions, by their SDL names; int stands for SDL_bool and SDL_AudioStatus.
using SetHintFn = int (*)(const char* name, const char* value);
using InitSubSystemFn = int (*)(std::uint32_t flags);
using QuitSubSystemFn = void (*)(std::uint32_t flags);
using OpenAudioDeviceFn = AudioDeviceID (*)(const char* device, int iscapture, const AudioSpec* desired,
                                            AudioSpec* obtained, int allowed_changes);
using PauseAudioDeviceFn = void (*)(AudioDeviceID dev, int pause_on);
using CloseAudioDeviceFn = void (*)(AudioDeviceID dev);
using GetAudioDeviceStatusFn = int (*)(AudioDeviceID dev);
using ClearQueuedAudioFn = void (*)(AudioDeviceID dev);
using QueueAudioFn = int (*)(AudioDeviceID dev, const void* data, std::uint32_t len);
using GetQueuedAudioSizeFn = std::uint32_t (*)(AudioDeviceID dev);
using RWFromConstMemFn = RWops* (*)(const void* mem, int size);
using LoadWAV_RWFn = AudioSpec* (*)(RWops* src, int freesrc, AudioSpec* format, std::uint8_t** audio_buf,
                                    std::uint32_t* audio_len);
using FreeWAVFn = void (*)(std::uint8_t* audio_buf);
using BuildAudioCVTFn = int (*)(AudioCVT* cvt, AudioFormat src_format, std::uint8_t src_channels, int src_rate,
                                AudioFormat dst_format, std::uint8_t dst_channels, int dst_rate);
using ConvertAudioFn = int (*)(AudioCVT* cvt);

}  // namespace sdl
