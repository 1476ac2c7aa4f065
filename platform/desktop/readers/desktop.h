// The desktop PaintDesktop shows: the user's wallpaper as the desktop draws it, found through the
// running desktop's settings, other desktops' settings and the X root picture; never a picture of
// the windows that are open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/face/gdi.h"
#include "platform/desktop/readers/wallpaper_gio.h"

// What the wallpaper lookup needs to know of the session and the screens.
struct DesktopSetting {
    std::string currentDesktop;           // XDG_CURRENT_DESKTOP
    std::string configHome;               // XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> configDirs;  // XDG_CONFIG_DIRS, else /etc/xdg
    bool x11 = false;                     // the X server's root picture may be read
    std::string monitor;                  // the primary screen's output name ("HDMI-1")
    WallpaperRect screen;                 // the primary screen, device pixels, root coordinates
    WallpaperRect area;                   // all screens together
};
DesktopSetting CurrentDesktopSetting();

// A wallpaper ready to draw: the kept part of the picture (the only copy) and where it goes.
struct LoadedWallpaper {
    bool found = false;  // false: no source gave one, the built-in background shows
    WallpaperSource source = WallpaperSource::RootPicture;
    std::string path;  // the picture file; empty for the root picture and colour-only desktops
    Surface picture;   // place.clip-sized
    WallpaperPlacement place;
    std::uint32_t color = 0xff000000u;
};

// The first source, in the session's order, whose picture can be read and decoded within the
// decoder's bounds (or that asks for a plain colour); not found when none does.
LoadedWallpaper LoadWallpaper(const DesktopSetting& setting);

// The wallpaper in target's pixels [left, right) x [top, bottom).
void DrawWallpaper(const LoadedWallpaper& wallpaper, Surface& target, int left, int top, int right, int bottom);

namespace platform_detail {
// The built-in background (no wallpaper found) in target's pixels [left, right) x [top, bottom),
// for a screen of GetSystemMetrics' size; what lies outside target is left out.
void DrawDefaultDesktop(Surface& target, int left, int top, int right, int bottom);
}  // namespace platform_detail
