// A GNOME-like desktop's background settings read through GSettings (wallpaper_gio.cpp), which
// needs GLib; what the values mean is the rules' (platform/desktop/wallpaper.h).
#pragma once

#include <optional>

#include "platform/desktop/wallpaper.h"

// A GNOME-like desktop's background settings through GSettings (wallpaper_gio.cpp). None when the
// desktop's schema is not installed, or, with 'userSetOnly', when the user never set the picture
// or its options (the schema's defaults then say nothing about this user's desktop).
std::optional<GnomeBackground> ReadGSettingsBackground(WallpaperSource source, bool userSetOnly);
