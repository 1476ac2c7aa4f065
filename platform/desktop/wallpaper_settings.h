// Where each desktop keeps its wallpaper (wallpaper_settings.cpp): the session's order of sources,
// file URIs and colours, GSettings values, Plasma's applet configuration and wallpaper packages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/placement.h"

// One desktop's wallpaper setting.
struct WallpaperChoice {
    std::string path;  // a local file or a wallpaper package folder; empty with FillMode::None
    FillMode mode = FillMode::Stretched;
    std::uint32_t color = 0xff000000u;  // 0xffRRGGBB, shown where the picture does not cover
    friend bool operator==(const WallpaperChoice&, const WallpaperChoice&) = default;
};

enum class WallpaperSource {
    Gnome,        // GSettings org.gnome.desktop.background
    Cinnamon,     // GSettings org.cinnamon.desktop.background
    Mate,         // GSettings org.mate.background
    Kde,          // ~/.config/plasma-org.kde.plasma.desktop-appletsrc
    Xfce,         // the xfce4-desktop xfconf channel
    RootPicture,  // the X root window's picture (_XROOTPMAP_ID, ESETROOT_PMAP_ID)
};

struct SourceStep {
    WallpaperSource source;
    // The running desktop's own source: its defaults count. Other desktops' settings count only
    // where the user set them, so a schema's default does not hide the picture feh put on the root.
    bool session;
    friend bool operator==(const SourceStep&, const SourceStep&) = default;
};

// Where to look, in order, for a session whose XDG_CURRENT_DESKTOP is given (a colon-separated
// list such as "ubuntu:GNOME"): the session's own source first, then every other one.
std::vector<SourceStep> WallpaperSourceOrder(std::string_view currentDesktop);

// "file:///a%20b.jpg" or an absolute path -> "/a b.jpg"; other schemes and relative names: none.
std::optional<std::string> PathOfFileUri(std::string_view uri);
// "#rrggbb", "#rgb" (GSettings) or "r,g,b" (KDE) -> 0xffRRGGBB.
std::optional<std::uint32_t> ParseColor(std::string_view text);

// GSettings values of a GNOME-like background, as read.
struct GnomeBackground {
    std::string uri;           // picture-uri (picture-filename for MATE: a path)
    std::string uriDark;       // picture-uri-dark; empty where the schema has none
    bool preferDark = false;   // org.gnome.desktop.interface color-scheme is 'prefer-dark'
    std::string options;       // picture-options
    std::string primaryColor;  // primary-color
};
std::optional<FillMode> FillModeOfGnomeOption(std::string_view option);
// None when the picture is not a local file (the next source is tried).
std::optional<WallpaperChoice> GnomeWallpaper(const GnomeBackground& settings);

// Plasma's FillMode numbers and the desktop containment's wallpaper in the applet configuration.
std::optional<FillMode> FillModeOfKde(int fillMode);
std::optional<WallpaperChoice> KdeWallpaper(std::string_view appletsrc);

// A wallpaper package holds one picture per size, named WIDTHxHEIGHT.ext: the smallest one that
// covers the screen, else the largest. Empty when no name has that form.
std::string PickPackageImage(const std::vector<std::string>& names, int screenWidth, int screenHeight);
