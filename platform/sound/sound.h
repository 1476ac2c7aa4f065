// The program's sound output (sound.cpp): in-memory WAVE images played on the audio device, which
// is opened in the background and again after it was lost.
#pragma once

#include <cstddef>
#include <functional>

namespace platform_detail {

// Plays an in-memory RIFF WAVE image now, clearing what plays; with 'noStop' the sound is dropped
// instead while another one still plays. A null image stops whatever plays. True when the sound
// plays (without an audio device too: nothing is heard, and that is not an error).
bool PlaySound(const void* image, bool noStop);
// Starts loading the sound libraries in the background; the first sound then finds them ready.
void PrepareSound();

}  // namespace platform_detail

// For a driver that runs the program without a sound server (the test library).
namespace platform_seams {

// Judges sounds' playing time by this clock (seconds) from now on; empty: the steady clock.
void SetSoundClock(std::function<double()> clock);
// Seconds the image plays, from its header; 0 for a null or broken image.
double SoundSeconds(const void* image);
// Whether an audio device is open now (starting the worker that opens it if need be).
bool SoundDeviceOpen();
// Makes the open audio device count as gone, as when the sound server stops; it is opened again.
void LoseSoundDevice();
// Bytes queued on the open audio device, not yet played.
std::size_t QueuedSoundBytes();

}  // namespace platform_seams
