// What platform/ leaves open for a driver that runs the windows without a person and a sound
// server: the test library (platform/testing/) sets these; the program never does, so each is an
// empty slot or an unused switch in it. Private to platform/.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/face/gdi.h"
#include "platform/face/winapi.h"

class CDialog;
class DialogWindow;

namespace platform_seams {

// Answers AfxMessageBox instead of showing a box: gets the text and the style, returns the
// button. Empty: real message boxes.
std::function<int(std::string_view text, UINT type)>& MessageBoxAnswerer();

// Called with every modal dialog a dialog opens (an About box) before its modal loop runs; it
// may read the dialog and end it. Empty: the dialog runs its own loop.
std::function<void(CDialog&)>& ModalDialogObserver();

// Called with each rectangle of a window's framebuffer as it is presented (device pixels, right
// and bottom exclusive). Empty: nothing is told.
std::function<void(DialogWindow&, const RECT&)>& PresentObserver();

// GetSystemMetrics reports this screen size from now on, and windows show at it instead of full
// screen; 0 x 0 returns to the real screen.
void SetScreenSize(int width, int height);

// A screen-sized picture PaintDesktop shows instead of the user's wallpaper (empty: the default
// background).
void SetDesktop(Surface desktop);
// The desktop is read by 'reader' (on the reading thread, on any platform) instead of from the
// user's settings: the screen-sized picture it returns is the wallpaper. Empty: the real reading.
void SetDesktopReader(std::function<Surface()> reader);

// One sndPlaySound call: the image, its flags, and whether it played.
struct SoundEvent {
    const void* image;
    UINT flags;
    bool played;
};
// Told of every sndPlaySound call. Empty: nothing is told.
std::function<void(const SoundEvent&)>& SoundObserver();
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
