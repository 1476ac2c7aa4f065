// The desktop's wallpaper as the rest of platform/ reads it: the rules (platform/desktop/) and
// the GSettings reader, which needs GLib.
#pragma once

#include <optional>

#include "platform/desktop/wallpaper.h"

// A GNOME-like desktop's background settings through GSettings (wallpaper_gio.cpp). None when the
// desktop's schema is not installed, or, with 'userSetOnly', when the user never set the picture
// or its options (the schema's defaults then say nothing about this user's desktop).
std::optional<GnomeBackground> ReadGSettingsBackground(WallpaperSource source, bool userSetOnly);
