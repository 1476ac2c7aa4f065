// The desktop wing's rules: where each desktop keeps its wallpaper (the session's order of sources,
// GSettings values, Plasma's applet configuration, the xfconf channel, GNOME's background
// descriptions, wallpaper packages) and how the picture covers the screen. Plain C++ over text and
// sizes: no toolkit, no file or server access, so it builds into its own library and is tested and
// fuzzed alone. Every parser here takes time proportional to its input and memory bounded by a
// small multiple of it, whatever the shape of the text (nesting, repetition, missing ends).
// platform/desktop/readers/ reads the settings, files and the X root picture and draws the result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a picture covers the screen, as desktops offer it.
enum class FillMode {
    None,               // no picture: the colour alone
    Stretched,          // to the screen's size, aspect ratio lost
    Zoom,               // aspect kept, covers the screen, the overflow cut off evenly
    Scaled,             // aspect kept, fits inside the screen, the colour around it
    Centered,           // own size, centred (cut off when larger than the screen)
    Tiled,              // own size, repeated from the top-left corner
    TiledVertically,    // stretched to the screen's width, repeated downwards
    TiledHorizontally,  // stretched to the screen's height, repeated to the right
    Spanned,            // zoomed over all screens together
};

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

// A GNOME background description (an XML file named by picture-uri, as distributions ship their
// default): the picture it shows first; of one offered in several sizes, the one that suits the
// screen (as PickPackageImage). Empty when the text names none.
std::string GnomeSlideshowPicture(std::string_view xml, int screenWidth, int screenHeight);

// Plasma's FillMode numbers and the desktop containment's wallpaper in the applet configuration.
std::optional<FillMode> FillModeOfKde(int fillMode);
std::optional<WallpaperChoice> KdeWallpaper(std::string_view appletsrc);

// Xfce's image-style numbers and the xfce4-desktop channel (its XML file) for the monitor named
// 'monitor' (the output's name, e.g. "HDMI-1"); other monitors' settings where that one has none.
std::optional<FillMode> FillModeOfXfce(int imageStyle);
std::optional<WallpaperChoice> XfceWallpaper(std::string_view channelXml, std::string_view monitor);

// A wallpaper package holds one picture per size, named WIDTHxHEIGHT.ext: the smallest one that
// covers the screen, else the largest. Empty when no name has that form.
std::string PickPackageImage(const std::vector<std::string>& names, int screenWidth, int screenHeight);

struct WallpaperRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WallpaperRect&, const WallpaperRect&) = default;
};

// Where a picture goes on the screen. The picture is scaled to width x height; only 'clip' of it
// (in scaled pixels) is kept, and its top-left corner lands on screen pixel (left, top), repeated
// every clip.width / clip.height pixels in the directions that repeat.
struct WallpaperPlacement {
    int width = 0;
    int height = 0;
    WallpaperRect clip;
    int left = 0;
    int top = 0;
    bool repeatX = false;
    bool repeatY = false;
    bool coversScreen = false;  // no pixel of the screen is left to the colour
    friend bool operator==(const WallpaperPlacement&, const WallpaperPlacement&) = default;
};

// The placement of a pictureWidth x pictureHeight picture on 'screen'; 'area' is what the picture
// is laid over (the screen itself, or all screens for Spanned and the X root picture), in the same
// coordinates as 'screen'. An empty clip when nothing shows.
WallpaperPlacement PlaceWallpaper(FillMode mode, int pictureWidth, int pictureHeight, WallpaperRect screen,
                                  WallpaperRect area);

// For screen pixel (x, y): the pixel of the kept clip that shows there, or false where the colour shows.
bool WallpaperPixelAt(const WallpaperPlacement& place, int x, int y, int& clipX, int& clipY);
