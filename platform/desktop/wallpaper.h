// The desktop wing's rules: where each desktop keeps its wallpaper (the session's order of sources,
// GSettings values, Plasma's applet configuration, the xfconf channel, GNOME's background
// descriptions, wallpaper packages) and how the picture covers the screen. Plain C++ over text and
// sizes: no toolkit, no file or server access, so it builds into its own library and is tested and
// fuzzed alone. Every parser here takes time proportional to its input and memory bounded by a
// small multiple of it, whatever the shape of the text (nesting, repetition, missing ends).
// platform/desktop/readers/ reads the settings, files and the X root picture and draws the result.
#pragma once

#include "platform/desktop/placement.h"
#include "platform/desktop/wallpaper_settings.h"
#include "platform/desktop/xml_settings.h"
