// The desktop PaintDesktop shows: the user's wallpaper as the desktop draws it, found through the
// running desktop's settings, other desktops' settings and the X root picture; never a picture of
// the windows that are open.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/readers/wallpaper_gio.h"
#include "platform/surface/surface.h"

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
// The session as it is now, for a screen of width x height device pixels.
DesktopSetting CurrentDesktopSetting(int width, int height);

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

// The picture in the file at width x height, as the file is now: the one PrepareBackground read
// ahead when the file has not changed since, else decoded now (or read from the copy an earlier
// start kept, picture_cache.h) and kept for the next paint. Null when the file cannot be shown.
const Surface* BackgroundPictureOf(std::string_view path, int width, int height);
// How often a background picture has been decoded (or read from the cache instead).
int BackgroundPictureDecodes();

namespace platform_detail {
// The built-in background (no wallpaper found) in target's pixels [left, right) x [top, bottom),
// for a screen of width x height; what lies outside target is left out.
void DrawDefaultDesktop(Surface& target, int left, int top, int right, int bottom, int width, int height);

// The desktop PaintDesktop shows, for a screen of width x height, drawn into target's pixels
// [left, right) x [top, bottom): the user's wallpaper (read when first drawn), else the default
// background.
void DrawDesktop(Surface& target, int left, int top, int right, int bottom, int width, int height);
// Starts reading the background ahead, once, on another thread, for a screen of width x height
// (call it again after the screen changed size): the picture in the file 'picture' when it names
// one that decodes, else the desktop's wallpaper. The picture comes from the cache when an
// earlier start kept it for this file and size; a decoded one is kept there once the paint has
// it. A DrawDesktop takes the wallpaper, waiting at most 300 ms for what is left: past that it
// draws the built-in background, and the wallpaper follows when it is ready. Without it, the
// first DrawDesktop starts the reading itself.
void PrepareBackground(int width, int height, std::string_view picture = {});
// Called (on the toolkit's thread) when a wallpaper that a paint could not wait for is ready.
void SetDesktopReadyHandler(std::function<void()> handler);
}  // namespace platform_detail

// For a driver that runs the windows without the user's desktop (the test library).
namespace platform_seams {
// A screen-sized picture DrawDesktop shows instead of the user's wallpaper (empty: the default
// background).
void SetDesktop(Surface desktop);
// The desktop is read by 'reader' (on the reading thread, on any platform) instead of from the
// user's settings: the screen-sized picture it returns is the wallpaper. Empty: the real reading.
void SetDesktopReader(std::function<Surface()> reader);
}  // namespace platform_seams
