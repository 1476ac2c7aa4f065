// Where each desktop keeps its wallpaper and how the picture covers the screen: the rules alone,
// without a toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/wallpaper.h"
#include "tests/desktop/XfceFiles.h"

namespace {

using S = WallpaperSource;

TEST(WallpaperLookup, SessionSourceComesFirstAndEverySourceOnce)
{
    const struct {
        const char* desktop;
        std::optional<S> own;
    } cases[] = {
        {"GNOME", S::Gnome},
        {"ubuntu:GNOME", S::Gnome},
        {"Budgie:GNOME", S::Gnome},
        {"Unity", S::Gnome},
        {"X-Cinnamon", S::Cinnamon},
        {"MATE", S::Mate},
        {"KDE", S::Kde},
        {"kde", S::Kde},
        {"XFCE", S::Xfce},
        {"", std::nullopt},
        {"i3", std::nullopt},
        {"LXQt", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::vector<SourceStep> order = WallpaperSourceOrder(c.desktop);
        ASSERT_EQ(order.size(), 6u) << c.desktop;
        for (S s : {S::Gnome, S::Cinnamon, S::Mate, S::Kde, S::Xfce, S::RootPicture}) {
            EXPECT_EQ(std::count_if(order.begin(), order.end(), [&](const SourceStep& st) { return st.source == s; }),
                      1)
                << c.desktop;
        }
        // Only the session's own source counts its defaults; without one the root picture leads.
        EXPECT_EQ(order[0], (SourceStep{c.own.value_or(S::RootPicture), c.own.has_value()})) << c.desktop;
        EXPECT_TRUE(std::none_of(order.begin() + 1, order.end(), [](const SourceStep& st) { return st.session; }));
    }
}

TEST(WallpaperLookup, FileUrisAndColours)
{
    const struct {
        std::string_view uri;
        std::optional<std::string> path;
    } uris[] = {
        {"file:///usr/share/backgrounds/a.jpg", "/usr/share/backgrounds/a.jpg"},
        {"file:///home/u/My%20Pictures/b%C3%A9.png", "/home/u/My Pictures/b\xC3\xA9.png"},
        {"FILE:///A.JPG", "/A.JPG"},
        {"file://localhost/x.png", "/x.png"},
        {"/plain/path 100%.png", "/plain/path 100%.png"},
        {"file://server/x.png", std::nullopt},
        {"http://example.org/y.jpg", std::nullopt},
        {"resource:///org/gnome/x.jpg", std::nullopt},
        {"relative.jpg", std::nullopt},
        {"file:///bad%zz.jpg", std::nullopt},
        {"file:///cut%2", std::nullopt},
        {"file:///nul%00.jpg", std::nullopt},
        {std::string_view("/nul\0.jpg", 9), std::nullopt},  // would open "/nul"
        {std::string_view("file:///a\0b", 11), std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : uris) {
        EXPECT_EQ(PathOfFileUri(c.uri), c.path) << c.uri;
    }
    const struct {
        const char* text;
        std::optional<std::uint32_t> color;
    } colours[] = {
        {"#023c88", 0xff023c88u},  {"#FFF", 0xffffffffu},      {"#ffff80000000", 0xffff8000u},
        {"30,60,90", 0xff1e3c5au}, {" 0,0,255 ", 0xff0000ffu}, {"256,0,0", std::nullopt},
        {"1,2", std::nullopt},     {"#12345", std::nullopt},   {"red", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(ParseColor(c.text), c.color) << c.text;
    }
}

TEST(WallpaperLookup, GnomeSettings)
{
    const auto Choice = [](std::string path, FillMode mode, std::uint32_t color) {
        return std::optional<WallpaperChoice>(WallpaperChoice{std::move(path), mode, color});
    };
    const struct {
        GnomeBackground settings;
        std::optional<WallpaperChoice> want;
    } cases[] = {
        {{"file:///w/day.jpg", "file:///w/night.jpg", false, "zoom", "#102030"},
         Choice("/w/day.jpg", FillMode::Zoom, 0xff102030)},
        {{"file:///w/day.jpg", "file:///w/night.jpg", true, "scaled", ""},
         Choice("/w/night.jpg", FillMode::Scaled, 0xff000000)},
        {{"file:///w/day.jpg", "", true, "wallpaper", ""}, Choice("/w/day.jpg", FillMode::Tiled, 0xff000000)},
        {{"file:///w/day.jpg", "", false, "spanned", ""}, Choice("/w/day.jpg", FillMode::Spanned, 0xff000000)},
        {{"file:///w/day.jpg", "", false, "nonsense", ""}, Choice("/w/day.jpg", FillMode::Zoom, 0xff000000)},
        {{"file:///w/day.jpg", "", false, "none", "#336699"}, Choice("", FillMode::None, 0xff336699)},
        {{"", "", false, "zoom", "#336699"}, Choice("", FillMode::None, 0xff336699)},
        {{"/usr/share/mate/a.png", "", false, "stretched", ""},
         Choice("/usr/share/mate/a.png", FillMode::Stretched, 0xff000000)},
        {{"http://x/y.jpg", "", false, "zoom", ""}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GnomeWallpaper(c.settings), c.want) << c.settings.uri << " " << c.settings.options;
    }
}

TEST(WallpaperLookup, GnomeBackgroundDescription)
{
    const std::string sizes = R"(<background>
  <static>
    <duration>8640000.0</duration>
    <file>
      <size width="1920" height="1080">/w/theme/1920x1080.svg</size>
      <size width="1920" height="1200">/w/theme/1920x1200.svg</size>
      <size width="3840" height="2160">/w/theme/3840x2160.svg</size>
    </file>
  </static>
</background>)";
    const std::string timed = R"(<background>
  <starttime><year>2011</year><hour>7</hour></starttime>
  <!-- This animation will start at 7 AM. -->
  <transition type="overlay"><duration>3600.0</duration>
    <from>/w/timed/morning.jpg</from><to>/w/timed/day.jpg</to></transition>
  <static><duration>1800.0</duration><file>/w/timed/day&amp;night.jpg</file></static>
</background>)";
    const struct {
        std::string xml;
        int w, h;
        const char* want;
    } cases[] = {
        {sizes, 1920, 1080, "/w/theme/1920x1080.svg"},
        {sizes, 1920, 1200, "/w/theme/1920x1200.svg"},
        {sizes, 2560, 1440, "/w/theme/3840x2160.svg"},
        {sizes, 7680, 4320, "/w/theme/3840x2160.svg"},
        {timed, 1920, 1080, "/w/timed/day&night.jpg"},
        {"<background><transition><from>/w/a.png</from></transition></background>", 800, 600, "/w/a.png"},
        {"<background><static><file>", 800, 600, ""},
        {"not xml at all", 800, 600, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GnomeSlideshowPicture(c.xml, c.w, c.h), c.want) << c.xml.substr(0, 40) << " " << c.w << "x" << c.h;
    }
}

TEST(WallpaperLookup, PlasmaDesktopContainment)
{
    // A panel, a desktop of the second screen listed first, and the first screen's desktop.
    const std::string head = R"([ActionPlugins][0]
RightButton;NoModifier=org.kde.contextmenu

[Containments][2]
activityId=
formfactor=2
lastScreen=0
plugin=org.kde.panel
wallpaperplugin=org.kde.image

[Containments][7]
activityId=5a1b
lastScreen=1
plugin=org.kde.plasma.folder
wallpaperplugin=org.kde.image

[Containments][7][Wallpaper][org.kde.image][General]
Image=file:///w/second.png

[Containments][1]
activityId=5a1b
lastScreen=0
plugin=org.kde.plasma.folder
wallpaperplugin=)";
    const struct {
        std::string plugin;
        std::string general;
        std::optional<WallpaperChoice> want;
    } cases[] = {
        {"org.kde.image", "Image=file:///w/first.jpg\nFillMode=1\nColor=0,0,255",
         WallpaperChoice{"/w/first.jpg", FillMode::Scaled, 0xff0000ff}},
        {"org.kde.image", "Image=/w/first.jpg", WallpaperChoice{"/w/first.jpg", FillMode::Zoom, 0xff000000}},
        {"org.kde.image", "FillMode=6\nImage=file:///w/first.jpg",
         WallpaperChoice{"/w/first.jpg", FillMode::Centered, 0xff000000}},
        {"org.kde.image", "Image=file:///w/first.jpg\nFillMode=42",
         WallpaperChoice{"/w/first.jpg", FillMode::Zoom, 0xff000000}},
        // No picture of its own on the first screen: the other screen's.
        {"org.kde.image", "FillMode=1", WallpaperChoice{"/w/second.png", FillMode::Zoom, 0xff000000}},
        {"org.kde.color", "Image=file:///w/first.jpg", WallpaperChoice{"/w/second.png", FillMode::Zoom, 0xff000000}},
    };
    for (const auto& c : cases) {
        const std::string text = head + c.plugin + "\n\n[Containments][1][Wallpaper][org.kde.image][General]\n" +
                                 c.general + "\n\n[ScreenMapping]\nitemsOnDisabledScreens=\n";
        EXPECT_EQ(KdeWallpaper(text), c.want) << c.plugin << " / " << c.general;
    }
    EXPECT_EQ(KdeWallpaper(""), std::nullopt);
    EXPECT_EQ(KdeWallpaper("[Containments][3]\nplugin=org.kde.plasma.folder\n"), std::nullopt);
    // The KDE number of each mode, from 0 on; others are none.
    const FillMode modes[] = {FillMode::Stretched, FillMode::Scaled,          FillMode::Zoom,
                              FillMode::Tiled,     FillMode::TiledVertically, FillMode::TiledHorizontally,
                              FillMode::Centered};
    for (int n = -1; n <= 7; ++n) {
        EXPECT_EQ(FillModeOfKde(n), n >= 0 && n < 7 ? std::optional(modes[n]) : std::nullopt) << n;
    }
}

TEST(WallpaperLookup, XfceChannel)
{
    const std::string image = R"(<property name="color-style" type="int" value="0"/>
        <!-- <property name="last-image" type="string" value="/commented/out.png"/> -->
        <property name="image-style" type="int" value="4"/>
        <property name="last-image" type="string" value="/w/a&amp;b.jpg"/>
        <property name="rgba1" type="array">
          <value type="double" value="1.000000"/><value type="double" value="0.5"/>
          <value type="double" value="0"/><value type="double" value="1"/>
        </property>)";
    const auto Image = [](const char* path, int style) {
        return std::string("<property name=\"image-style\" type=\"int\" value=\"") + std::to_string(style) +
               "\"/><property name=\"last-image\" type=\"string\" value=\"" + path + "\"/>";
    };
    const struct {
        std::string xml;
        const char* monitor;
        std::optional<WallpaperChoice> want;
    } cases[] = {
        {XfceChannel(XfceMonitor("Virtual-1", "workspace0", image)), "Virtual-1",
         WallpaperChoice{"/w/a&b.jpg", FillMode::Scaled, 0xffff8000}},
        // The named monitor first; monitor0 where it has none; else the first one listed.
        {XfceChannel(XfceMonitor("HDMI-1", "workspace0", Image("/w/hdmi.png", 3)) +
                     XfceMonitor("eDP-1", "workspace0", Image("/w/edp.png", 5))),
         "eDP-1", WallpaperChoice{"/w/edp.png", FillMode::Zoom, 0xff000000}},
        {XfceChannel(XfceMonitor("HDMI-1", "workspace0", Image("/w/hdmi.png", 3)) +
                     XfceMonitor("0", "workspace0", Image("/w/zero.png", 1))),
         "DP-2", WallpaperChoice{"/w/zero.png", FillMode::Centered, 0xff000000}},
        {XfceChannel(XfceMonitor("HDMI-1", "workspace0", Image("/w/hdmi.png", 2))), "DP-2",
         WallpaperChoice{"/w/hdmi.png", FillMode::Tiled, 0xff000000}},
        // The single workspace's setting, not workspace 0's.
        {XfceChannel(XfceMonitor("0", "workspace0", Image("/w/ws0.png", 3)) +
                         XfceMonitor("0", "workspace2", Image("/w/ws2.png", 6)),
                     R"(<property name="single-workspace-mode" type="bool" value="true"/>
                        <property name="single-workspace-number" type="int" value="2"/>)"),
         "", WallpaperChoice{"/w/ws2.png", FillMode::Spanned, 0xff000000}},
        // Xfce before 4.12 kept the picture per monitor.
        {XfceChannel(R"(<property name="monitor0" type="empty">
            <property name="image-path" type="string" value="/w/old.jpg"/>
            <property name="image-style" type="int" value="3"/></property>)"),
         "", WallpaperChoice{"/w/old.jpg", FillMode::Stretched, 0xff000000}},
        {XfceChannel(XfceMonitor("0", "workspace0", Image("/w/none.png", 0))), "",
         WallpaperChoice{"", FillMode::None, 0xff000000}},
        {XfceChannel(""), "", std::nullopt},
        {"<channel", "", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XfceWallpaper(c.xml, c.monitor), c.want) << c.xml;
    }
}

TEST(WallpaperLookup, PackagePictureForTheScreen)
{
    const std::vector<std::string> names{
        "1280x1024.png", "1920x1080.jpg", "3840x2160.png", "screenshot.png",
        "2560x1600.png", "x.png",         "0x0.png",       "38555555555555555x4160.png"};  // its area overflows
    const struct {
        int w, h;
        const char* want;
    } cases[] = {{1920, 1080, "1920x1080.jpg"},
                 {1920, 1200, "2560x1600.png"},
                 {1024, 768, "1280x1024.png"},
                 {5120, 2880, "3840x2160.png"},
                 {3840, 2160, "3840x2160.png"}};
    for (const auto& c : cases) {
        EXPECT_EQ(PickPackageImage(names, c.w, c.h), c.want) << c.w << "x" << c.h;
    }
    EXPECT_EQ(PickPackageImage({"metadata.json", "screenshot.png"}, 1920, 1080), "");
}

TEST(WallpaperPlacement, EveryFillMode)
{
    const WallpaperRect hd{0, 0, 1920, 1080};
    const WallpaperRect right{1920, 0, 1920, 1080};  // the right one of two screens side by side
    const WallpaperRect both{0, 0, 3840, 1080};
    using P = WallpaperPlacement;
    const struct {
        const char* what;
        FillMode mode;
        int w, h;
        WallpaperRect screen, area;
        P want;
    } cases[] = {
        {"stretched", FillMode::Stretched, 800, 600, hd, hd,
         P{1920, 1080, {0, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"zoom 4:3", FillMode::Zoom, 800, 600, hd, hd, P{1920, 1440, {0, 180, 1920, 1080}, 0, 0, false, false, true}},
        {"zoom panorama", FillMode::Zoom, 3840, 1080, hd, hd,
         P{3840, 1080, {960, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"zoom small", FillMode::Zoom, 16, 9, hd, hd, P{1920, 1080, {0, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"scaled 4:3", FillMode::Scaled, 800, 600, hd, hd,
         P{1440, 1080, {0, 0, 1440, 1080}, 240, 0, false, false, false}},
        {"scaled panorama", FillMode::Scaled, 3840, 1080, hd, hd,
         P{1920, 540, {0, 0, 1920, 540}, 0, 270, false, false, false}},
        {"centered small", FillMode::Centered, 100, 50, hd, hd,
         P{100, 50, {0, 0, 100, 50}, 910, 515, false, false, false}},
        {"centered large", FillMode::Centered, 4000, 3000, hd, hd,
         P{4000, 3000, {1040, 960, 1920, 1080}, 0, 0, false, false, true}},
        {"tiled", FillMode::Tiled, 100, 50, hd, hd, P{100, 50, {0, 0, 100, 50}, 0, 0, true, true, true}},
        {"tiled, one copy", FillMode::Tiled, 3000, 2000, hd, hd,
         P{3000, 2000, {0, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"tiled down", FillMode::TiledVertically, 100, 50, hd, hd,
         P{1920, 50, {0, 0, 1920, 50}, 0, 0, false, true, true}},
        {"tiled across", FillMode::TiledHorizontally, 100, 50, hd, hd,
         P{100, 1080, {0, 0, 100, 1080}, 0, 0, true, false, true}},
        {"spanned, right screen", FillMode::Spanned, 3840, 1080, right, both,
         P{3840, 1080, {1920, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"root picture, right screen", FillMode::Tiled, 3840, 1080, right, both,
         P{3840, 1080, {1920, 0, 1920, 1080}, 0, 0, false, false, true}},
        {"small root picture, offset", FillMode::Tiled, 64, 64, WallpaperRect{100, 0, 640, 480},
         WallpaperRect{0, 0, 64, 64}, P{64, 64, {0, 0, 64, 64}, -36, 0, true, true, true}},
        {"none", FillMode::None, 800, 600, hd, hd, P{}},
        {"no picture", FillMode::Zoom, 0, 600, hd, hd, P{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlaceWallpaper(c.mode, c.w, c.h, c.screen, c.area), c.want) << c.what;
    }
}

}  // namespace
