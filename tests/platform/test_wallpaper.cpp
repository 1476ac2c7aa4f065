// The user's wallpaper: where each desktop keeps it, how it covers the screen, and what happens
// when a source's picture cannot be had.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/desktop/readers/desktop.h"
#include "platform/desktop/readers/wallpaper_gio.h"
#include "platform/face/winapi.h"
#include "tests/desktop/XfceFiles.h"
#include "tests/support/Pictures.h"

namespace {

namespace fs = std::filesystem;
using S = WallpaperSource;

TEST(WallpaperPlacement, DrawingFollowsThePlacementPixelForPixel)
{
    // A 5 x 3 picture drawn in every mode on a 23 x 17 screen; every pixel of the placed copy differs.
    const WallpaperRect screen{0, 0, 23, 17};
    for (FillMode mode : {FillMode::Centered, FillMode::Tiled, FillMode::TiledVertically, FillMode::TiledHorizontally,
                          FillMode::Scaled}) {
        LoadedWallpaper w;
        w.found = true;
        w.color = 0xff123456u;
        w.place = PlaceWallpaper(mode, 5, 3, screen, WallpaperRect{-7, -4, 23, 17});
        const WallpaperRect& c = w.place.clip;
        w.picture = Surface(c.width, c.height);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                w.picture.Row(y)[x] = 0xff000000u | static_cast<std::uint32_t>((c.y + y) * 64 + c.x + x + 1);
            }
        }
        Surface target(23, 17, 0xffffffffu);
        DrawWallpaper(w, target, 2, 1, 21, 16);
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 23; ++x) {
                int px = 0;
                int py = 0;
                std::uint32_t want = 0xffffffffu;  // outside the painted area nothing changes
                if (x >= 2 && x < 21 && y >= 1 && y < 16) {
                    want = WallpaperPixelAt(w.place, x, y, px, py) ? w.picture.Row(py)[px] : w.color;
                }
                ASSERT_EQ(target.Row(y)[x], want) << static_cast<int>(mode) << " at " << x << "," << y;
            }
        }
    }
    // Tiled from (-7, -4): screen pixel (0, 0) shows picture pixel (7 mod 5, 4 mod 3).
    const WallpaperPlacement tiled = PlaceWallpaper(FillMode::Tiled, 5, 3, screen, WallpaperRect{-7, -4, 23, 17});
    int px = 0;
    int py = 0;
    ASSERT_TRUE(WallpaperPixelAt(tiled, 0, 0, px, py));
    EXPECT_EQ(px, 2);
    EXPECT_EQ(py, 1);
}

TEST(BuiltInBackground, DrawnInPiecesItIsTheWholeOneAndItsColoursAreTheGlowsAndFade)
{
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(w, 8);
    ASSERT_GT(h, 8);
    Surface whole(w, h, 0u);
    platform_detail::DrawDefaultDesktop(whole, 0, 0, w, h, w, h);
    // Pieces that start and end on odd rows and columns, as a restored key or apple does.
    Surface pieces(w, h, 0u);
    const int xs[] = {0, 3, w / 3 + 1, w / 2, w - 5, w};
    const int ys[] = {0, 1, h / 4, h / 2 + 1, h - 1, h};
    for (int j = 0; j + 1 < 6; ++j) {
        for (int i = 0; i + 1 < 6; ++i) {
            platform_detail::DrawDefaultDesktop(pieces, xs[i], ys[j], xs[i + 1], ys[j + 1], w, h);
        }
    }
    // A request reaching past the screen draws what lies on it and nothing else.
    Surface edges(w, h, 0u);
    platform_detail::DrawDefaultDesktop(edges, -4, -3, w + 9, h + 2, w, h);
    for (int y = 0; y < h; ++y) {
        ASSERT_TRUE(std::equal(whole.Row(y), whole.Row(y) + w, pieces.Row(y))) << "row " << y;
        ASSERT_TRUE(std::equal(whole.Row(y), whole.Row(y) + w, edges.Row(y))) << "row " << y;
    }
    // Two by two, brightest at the glow's centre (mid-width, a quarter down), darker downwards.
    const auto at = [&](int x, int y) { return FromScreenPixel(whole.Row(y)[x]); };
    const int cx = (w / 4) * 2;
    const int cy = (h / 8) * 2;
    EXPECT_EQ(at(cx, cy), at(cx + 1, cy + 1));
    EXPECT_GT(GetBValue(at(cx, cy)), GetBValue(at(0, cy)));
    EXPECT_GT(GetBValue(at(0, 0)), GetBValue(at(0, h - 1)));
    // The corners lie beyond the glow: their colour is the fade's alone.
    const double t = static_cast<double>(2 * ((h - 1) / 2)) / (h - 1);
    EXPECT_EQ(at(0, h - 1),
              RGB(static_cast<int>(38 - 14 * t), static_cast<int>(74 - 30 * t), static_cast<int>(128 - 50 * t)));
}

class WallpaperSources : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Other desktops' settings count only where the user set them; the memory backend has none.
        setenv("GSETTINGS_BACKEND", "memory", 1);
        dir = fs::current_path();
        fs::create_directories(dir / "config" / "xfce4" / "xfconf" / "xfce-perchannel-xml");
        Write(Bmp(40, 30, RGB(0, 200, 0)), "green.bmp");
        Write(Bmp(40, 30, RGB(0, 0, 200)), "blue.bmp");
        std::ofstream("corrupt.jpg") << "\xFF\xD8\xFF\xE0 not a picture at all";
        // 30000 x 30000 pixels claimed in 62 bytes: more than the decoder may allocate.
        Write(Bmp(2, 1, RGB(1, 2, 3), 30000, 30000), "huge.bmp");
        // A wallpaper package: the smallest of its pictures that covers the screen is the one.
        fs::create_directories("pkg/contents/images");
        Write(Bmp(40, 30, RGB(200, 0, 0)), "pkg/contents/images/40x30.bmp");
        Write(Bmp(80, 60, RGB(0, 200, 0)), "pkg/contents/images/80x60.bmp");
        ::mkfifo("pipe.jpg", 0600);  // reading it would wait for ever
        setting.configHome = (dir / "config").string();
        setting.screen = {0, 0, 64, 48};
        setting.area = setting.screen;
    }
    void Configure(const std::string& xfce, const std::string& kde)
    {
        const fs::path xml = dir / "config" / "xfce4" / "xfconf" / "xfce-perchannel-xml" / "xfce4-desktop.xml";
        const fs::path rc = dir / "config" / "plasma-org.kde.plasma.desktop-appletsrc";
        fs::remove(xml);
        fs::remove(rc);
        if (!xfce.empty()) {
            std::ofstream(xml) << XfceChannel(XfceMonitor("0", "workspace0",
                                                          "<property name=\"image-style\" type=\"int\" value=\"3\"/>"
                                                          "<property name=\"last-image\" type=\"string\" value=\"" +
                                                              (dir / xfce).string() + "\"/>"));
        }
        if (!kde.empty()) {
            std::ofstream(rc)
                << "[Containments][1]\nlastScreen=0\nplugin=org.kde.plasma.folder\n"
                   "wallpaperplugin=org.kde.image\n\n[Containments][1][Wallpaper][org.kde.image][General]\n"
                   "FillMode=0\nImage=file://" +
                       (dir / kde).string() + "\n";
        }
    }

    ScratchDirectory scratch;  // the working folder while the test runs
    fs::path dir;
    DesktopSetting setting;
};

TEST_F(WallpaperSources, ABadPictureHandsOverToTheNextSource)
{
    const struct {
        const char* session;
        const char* xfce;  // file names in the test folder; "" for no configuration
        const char* kde;
        std::optional<S> source;
        std::uint32_t pixel;
    } cases[] = {
        {"XFCE", "green.bmp", "blue.bmp", S::Xfce, 0xff00c800u},
        {"KDE", "green.bmp", "blue.bmp", S::Kde, 0xff0000c8u},
        {"XFCE", "corrupt.jpg", "blue.bmp", S::Kde, 0xff0000c8u},
        {"XFCE", "missing.jpg", "blue.bmp", S::Kde, 0xff0000c8u},
        {"XFCE", "pipe.jpg", "blue.bmp", S::Kde, 0xff0000c8u},
        {"XFCE", "", "blue.bmp", S::Kde, 0xff0000c8u},
        {"KDE", "green.bmp", "huge.bmp", S::Xfce, 0xff00c800u},
        {"KDE", "green.bmp", ".", S::Xfce, 0xff00c800u},  // a folder that is no wallpaper package
        {"KDE", "", "pkg", S::Kde, 0xff00c800u},
        {"XFCE", "huge.bmp", "corrupt.jpg", std::nullopt, 0},
        {"", "", "", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        Configure(c.xfce, c.kde);
        setting.currentDesktop = c.session;
        const LoadedWallpaper w = LoadWallpaper(setting);
        ASSERT_EQ(w.found, c.source.has_value()) << c.session << " " << c.xfce << " " << c.kde;
        if (!w.found) {
            continue;
        }
        EXPECT_EQ(w.source, *c.source) << c.xfce << " " << c.kde;
        // Stretched: the one kept copy is exactly the screen, in the picture's colour.
        ASSERT_EQ(w.picture.Width(), 64);
        ASSERT_EQ(w.picture.Height(), 48);
        EXPECT_EQ(w.picture.Row(20)[30], c.pixel);
        Surface screen(64, 48);
        DrawWallpaper(w, screen, 0, 0, 64, 48);
        EXPECT_EQ(screen.Row(47)[63], c.pixel);
    }
}

TEST_F(WallpaperSources, XfceWithoutAPictureIsItsColourAlone)
{
    std::ofstream(dir / "config" / "xfce4" / "xfconf" / "xfce-perchannel-xml" / "xfce4-desktop.xml")
        << XfceChannel(XfceMonitor("0", "workspace0",
                                   R"(<property name="image-style" type="int" value="0"/>
                                      <property name="rgba1" type="array"><value type="double" value="0"/>
                                      <value type="double" value="0"/><value type="double" value="1"/></property>)"));
    setting.currentDesktop = "XFCE";
    const LoadedWallpaper w = LoadWallpaper(setting);
    ASSERT_TRUE(w.found);
    EXPECT_EQ(w.source, S::Xfce);
    EXPECT_EQ(w.picture.Width(), 0);
    Surface screen(64, 48);
    DrawWallpaper(w, screen, 0, 0, 64, 48);
    EXPECT_EQ(screen.Row(30)[10], 0xff0000ffu);
}

}  // namespace
