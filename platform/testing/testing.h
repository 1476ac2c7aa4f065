// Hooks for tests and benchmarks that drive the real windows without a person in front of them.
// Defined in the test library pomarel_testing (platform/testing/), which only the test, robustness
// and benchmark executables link: the program carries none of them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/face/gdi.h"
#include "platform/face/winapi.h"

class CDialog;

namespace testing_hooks {

// Starts the toolkit on the offscreen platform (once per process) and sound on SDL's dummy driver
// unless the environment names others.
void StartToolkit(int screenWidth = 1024, int screenHeight = 768);
// Ends the toolkit before the process exits.
void StopToolkit();
// Screen size reported by GetSystemMetrics from now on; 0 x 0 returns to the real screen.
void SetScreenSize(int width, int height);
// Runs pending events for at least 'ms' milliseconds (0: only what is pending now).
void PumpEvents(int ms = 0);

// Answers message boxes instead of showing them; the hook gets the text and the style.
// An empty function restores real message boxes.
void SetMessageBoxHook(std::function<int(std::string_view text, UINT type)> hook);

// Called with every modal dialog a dialog opens (an About box), once it shows; the hook may
// read it and end it. Without a hook the dialog runs its own modal loop.
void SetModalDialogHook(std::function<void(CDialog&)> hook);
// Text of a dialog's index-th control in template order, and the dialog's title.
std::string ControlTextOf(CDialog& dlg, int index);
std::string WindowTitle(CDialog& dlg);

struct SoundEvent {
    const void* image;
    UINT flags;
    bool played;
};
void SetSoundObserver(std::function<void(const SoundEvent&)> observer);
// Seconds on a clock of the test's own; an empty function returns to the steady clock.
void SetSoundClock(std::function<double()> clock);
// Seconds the image plays, from its header; 0 for a null or broken image.
double SoundSeconds(const void* image);
// Whether an audio device is open now (it is opened in the background, from the first sound on).
bool SoundDeviceOpen();
// Makes the open audio device count as gone, as when the sound server stops; it is opened again.
void LoseSoundDevice();
// Bytes queued on the open audio device, not yet played.
std::size_t QueuedSoundBytes();

// Key press and release through the dialog's window, as a keyboard gives it: 'vk' a virtual-key
// code, 'text' the characters it types (empty for F-keys and the like).
void PressKey(CDialog& dlg, int vk, std::u32string_view text = {}, bool shift = false, bool alt = false);
void RightClick(CDialog& dlg, int x, int y);
// One tick of a timer, as if its period had elapsed.
void FireTimer(CDialog& dlg, UINT_PTR id);
bool IsTimerRunning(CDialog& dlg, UINT_PTR id);
int TimerInterval(CDialog& dlg, UINT_PTR id);
// Sends WM_PAINT for the whole client area now.
void PaintNow(CDialog& dlg);
// The desktop picture PaintDesktop shows.
void SetDesktop(const Surface& desktop);
// The desktop is read by 'reader', on its own thread, as the user's wallpaper is: a reader that
// takes its time shows what the window does meanwhile. Empty: back to the real reading.
void SetDesktopReader(std::function<Surface()> reader);
// Rectangles presented since the last call, or since StartToolkit (right and bottom exclusive).
std::vector<RECT> TakePresented(CDialog& dlg);
// The window as the screen shows it, controls included, one pixel per screen pixel.
Surface PresentedPicture(CDialog& dlg);
// Geometry of a control in the dialog's client pixels, visible or not.
RECT ControlRect(CDialog& dlg, int id);
bool ControlChecked(CDialog& dlg, int id);
std::string FocusedControlText(CDialog& dlg);
int FocusedControlId(CDialog& dlg);
// The items of the window's system menu, in order ("-" for a separator).
std::vector<std::string> SystemMenuItems(CDialog& dlg);

}  // namespace testing_hooks
