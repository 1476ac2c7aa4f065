// Desktop setting files as large and oddly shaped as a user can have or be given: the wallpaper
// they name is still found, and the memory the parser takes, counted at the allocator, stays a
// small multiple of the file whatever its shape (a parser that builds a path per nesting level or
// copies per group grows with the square of the file). Timing is for bench/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/desktop/wallpaper.h"
#include "tests/desktop/CountingHeap.h"

namespace {

constexpr std::size_t kFileLimit = 4 << 20;  // what the program reads of a setting file at most

// 'head', then 'unit(i)' for i = 0, 1, ... while the text stays within the limit, then 'tail'.
std::string Fill(const std::string& head, const std::function<std::string(std::size_t)>& unit, const std::string& tail)
{
    std::string text = head;
    std::size_t i = 0;
    for (std::string next = unit(0); text.size() + next.size() + tail.size() <= kFileLimit; next = unit(++i)) {
        text += next;
    }
    return text + tail;
}

TEST(LargeSettingFiles, FoundWithinBoundedMemory)
{
    const std::string xfceHead = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-desktop" version="1.0"><property name="backdrop" type="empty"><property name="screen0" type="empty">)";
    const std::string xfceMonitor =
        R"(<property name="monitorHDMI-1" type="empty"><property name="workspace0" type="empty">
<property name="last-image" type="string" value="/pics/a&amp;b.jpg"/><property name="image-style" type="int" value="3"/>
</property></property>)";
    const std::string xfceTail = "</property></property></channel>\n";
    const WallpaperChoice xfceWant{"/pics/a&b.jpg", FillMode::Stretched, 0xff000000u};

    struct Case {
        const char* what;
        std::string text;
        std::function<std::optional<WallpaperChoice>(std::string_view)> parse;
        std::optional<WallpaperChoice> want;
        std::size_t least;  // units the file must hold to be the shape it claims
    };
    Case cases[] = {
        // Plasma: a containment group per line, then the desktop of the first screen.
        {"appletsrc of many groups",
         Fill(
             "", [](std::size_t i) { return "[Containments][" + std::to_string(i + 100) + "]\n"; },
             "[Containments][1]\nlastScreen=0\nplugin=org.kde.plasma.folder\n"
             "[Containments][1][Wallpaper][org.kde.image][General]\nImage=file:///pics/k.png\nFillMode=1\n"),
         [](std::string_view t) { return KdeWallpaper(t); }, WallpaperChoice{"/pics/k.png", FillMode::Scaled}, 150'000},
        // Plasma: every group a containment with a picture, so that each is kept.
        {"appletsrc of many pictures",
         Fill(
             "",
             [](std::size_t i) {
                 return "[Containments][" + std::to_string(i + 2) +
                        "][Wallpaper][org.kde.image][General]\nImage=/pics/" + std::to_string(i) + ".jpg\n";
             },
             ""),
         [](std::string_view t) { return KdeWallpaper(t); }, WallpaperChoice{"/pics/0.jpg", FillMode::Zoom}, 60'000},
        // Xfce: monitors without a picture, then the one with it.
        {"xfce4-desktop of many monitors",
         Fill(
             xfceHead, [](std::size_t i) { return "<property name=\"monitor" + std::to_string(i) + "x\"/>\n"; },
             xfceMonitor + xfceTail),
         [](std::string_view t) { return XfceWallpaper(t, "eDP-1"); }, xfceWant, 80'000},
        // Xfce: properties nested as deep as the file allows, all closed again before the backdrop.
        {"xfce4-desktop nested deep",
         [&] {
             const std::string open = "<property name=\"p\">";
             const std::string close = "</property>";
             const std::size_t depth = (kFileLimit - 1024) / (open.size() + close.size());
             std::string text = "<channel name=\"xfce4-desktop\">";
             for (std::size_t i = 0; i < depth; ++i) {
                 text += open;
             }
             for (std::size_t i = 0; i < depth; ++i) {
                 text += close;
             }
             return text + xfceHead.substr(xfceHead.find("<property")) + xfceMonitor + xfceTail;
         }(),
         [](std::string_view t) { return XfceWallpaper(t, "HDMI-1"); }, xfceWant, 200'000},
    };
    for (const Case& c : cases) {
        ASSERT_LE(c.text.size(), kFileLimit + 4096) << c.what;
        ASSERT_GE(c.text.size(), kFileLimit / 2) << c.what;
        ASSERT_GE(std::count(c.text.begin(), c.text.end(), '\n') + std::count(c.text.begin(), c.text.end(), '<'),
                  static_cast<std::ptrdiff_t>(c.least))
            << c.what;
        g_heap.Reset();
        const std::size_t before = g_heap.live;
        const auto got = c.parse(c.text);
        const std::size_t peak = g_heap.peak - before;
        const std::size_t total = g_heap.total;
        EXPECT_EQ(got, c.want) << c.what;
        EXPECT_LE(peak, 4 * c.text.size()) << c.what;  // under 17 MB
        // Memory handed out again and again (a copy per level or per group) shows here.
        EXPECT_LE(total, 8 * c.text.size()) << c.what;
    }
}

}  // namespace
