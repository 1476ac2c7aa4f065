// Whether the program has a display to open its window on, judged from the environment before the
// toolkit starts (the toolkit aborts with a core dump when it finds none), and the one line that
// tells the user why there is none. No toolkit here.
#pragma once

#include <string>

// The line to print when the window cannot open, empty when it may: 'platform' is
// QT_QPA_PLATFORM, 'display' DISPLAY and 'wayland' WAYLAND_DISPLAY (null: unset). A platform
// that needs no display (offscreen, vnc, ...) is the user's choice and always may.
std::string MissingDisplay(const char* platform, const char* display, const char* wayland);

// The line to print when the toolkit could not reach the display the environment names.
std::string UnreachableDisplay(const char* display, const char* wayland);
