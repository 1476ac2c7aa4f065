// What the face leaves open for a driver that runs the windows without a person: the test library
// (platform/testing/) sets these; the program never does, so each is an empty slot or an unused
// switch in it. The desktop and sound wings have seams of their own, in their headers.
#pragma once

#include <functional>
#include <string_view>

#include "platform/surface/wintypes.h"

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
// The size set above; false (and the arguments left alone) when none is.
bool ScreenSizeSet(int& width, int& height);

// One sndPlaySound call: the image, its flags, and whether it played.
struct SoundEvent {
    const void* image;
    UINT flags;
    bool played;
};
// Told of every sndPlaySound call. Empty: nothing is told.
std::function<void(const SoundEvent&)>& SoundObserver();

}  // namespace platform_seams
