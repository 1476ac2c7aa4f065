// System facts and services of the face (system.cpp): the screen's size, the language, sound,
// the desktop behind the window, files. Sound and the desktop are the face's side of those wings,
// which know nothing of it.
#pragma once

#include <functional>
#include <string_view>

#include "platform/surface/wintypes.h"

// SM_CXSCREEN, SM_CYSCREEN: the program's screen in device pixels; SM_CXICON, SM_CYICON: 32.
int GetSystemMetrics(int index);

// Starts reading the background ahead, once, on another thread, for the screen's size now (call
// it again after the screen changed size): the picture in the file 'picture' when it names one
// that decodes, else the desktop's wallpaper. A PaintDesktop takes the wallpaper, waiting at most
// 300 ms for what is left: past that it paints the built-in background, and the wallpaper follows
// when it is ready. Without it, the first PaintDesktop starts the reading itself.
void PrepareBackground(std::string_view picture = {});
// Called (on the toolkit's thread) when a wallpaper that a paint could not wait for is ready: the
// window asks for a full paint there.
void SetDesktopReadyHandler(std::function<void()> handler);

// The system's language as a Windows language identifier, from the POSIX locale
// (LC_ALL, else LC_MESSAGES, else LANG).
LANGID GetSystemDefaultLangID();
// The mapping behind it: "fr_CA.UTF-8" -> 0x0C0C; "C", "POSIX", "" and unknown languages -> 0x0409.
LANGID LangIdOfLocale(std::string_view locale);

// Plays an in-memory RIFF WAVE image (the pointer LockResource gave, or any whole WAVE file in
// memory). SND_NOSTOP drops the sound while another one still plays and returns FALSE.
// A null image stops whatever plays. No audio device is not an error: nothing is heard.
BOOL sndPlaySound(const void* image, UINT flags);

// Files relative to the current directory.
class CFileFind {
public:
    // TRUE when the name exists (file or folder), as a file search finds it.
    BOOL FindFile(std::string_view name);
};

// The platform's check that the networking layer is usable.
BOOL AfxSocketInit();
void AfxEnableControlContainer();
