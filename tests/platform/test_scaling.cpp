// Scaled desktops: device and logical pixels, and the practice window at 100 %, 150 % and 200 %.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>

#include "app/PracticeDialog.h"
#include "platform/face/scaling.h"
#include "platform/testing/testing.h"

using platform_detail::CoverInDevice;
using platform_detail::CoverInLogical;
using platform_detail::PlaceInDevice;
using platform_detail::PlaceInLogical;

namespace {

struct ScaleCase {
    double ratio;
    RECT from;
    RECT to;
};

}  // namespace

TEST(Scaling, RectanglesCoverEveryPixelTheyTouch)
{
    const ScaleCase toDevice[] = {
        {1.0, {3, 4, 50, 60}, {3, 4, 50, 60}},
        {2.0, {3, 4, 50, 60}, {6, 8, 100, 120}},
        {1.5, {0, 0, 1280, 720}, {0, 0, 1920, 1080}},
        {1.5, {1, 1, 2, 2}, {1, 1, 3, 3}},             // half pixels count whole
        {1.25, {0, 0, 1093, 615}, {0, 0, 1367, 769}},  // 1366 x 768 at 125 %: no pixel left out
        {1.1, {10, 10, 20, 20}, {11, 11, 22, 22}},     // inexact in binary, exact in intent
        {0.0, {3, 4, 5, 6}, {3, 4, 5, 6}},             // a ratio the toolkit never gives counts as 1
    };
    for (const ScaleCase& c : toDevice) {
        EXPECT_EQ(CoverInDevice(c.from, c.ratio), c.to) << c.ratio;
    }
    const ScaleCase toLogical[] = {
        {2.0, {6, 8, 100, 120}, {3, 4, 50, 60}},
        {2.0, {7, 9, 99, 119}, {3, 4, 50, 60}},
        {1.5, {0, 0, 1920, 1080}, {0, 0, 1280, 720}},
        {1.5, {1, 1, 3, 3}, {0, 0, 2, 2}},
        {1.25, {1365, 767, 1366, 768}, {1092, 613, 1093, 615}},
    };
    for (const ScaleCase& c : toLogical) {
        EXPECT_EQ(CoverInLogical(c.from, c.ratio), c.to) << c.ratio;
    }
    // A device rectangle taken to logical pixels and back is never smaller than it was.
    for (const double ratio : {1.25, 1.5, 1.75, 2.0, 3.0}) {
        for (const RECT d : {RECT{1, 1, 2, 2}, RECT{7, 3, 8, 100}, RECT{1365, 767, 1366, 768}}) {
            const RECT back = CoverInDevice(CoverInLogical(d, ratio), ratio);
            EXPECT_TRUE(back.left <= d.left && back.top <= d.top && back.right >= d.right && back.bottom >= d.bottom)
                << ratio << ": " << d.left << "," << d.top;
        }
    }
}

TEST(Scaling, ControlsPlacedInDevicePixelsComeBackWithinHalfAPixel)
{
    // Side by side at device 100..220 and 220..340: in logical pixels they still share an edge.
    for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const RECT a = PlaceInLogical({100, 700, 220, 731}, ratio);
        const RECT b = PlaceInLogical({220, 700, 340, 731}, ratio);
        EXPECT_EQ(a.right, b.left);
        const RECT back = PlaceInDevice(a, ratio);
        EXPECT_LE(std::abs(back.left - 100), ratio / 2 + 0.5);
        EXPECT_LE(std::abs(back.right - 220), ratio / 2 + 0.5);
    }
    EXPECT_EQ(PlaceInLogical({0, 0, 1920, 1080}, 1.5), (RECT{0, 0, 1280, 720}));
    EXPECT_EQ(PlaceInDevice({0, 0, 960, 540}, 2.0), (RECT{0, 0, 1920, 1080}));
}

// ---------------------------------------------------------------------------------------------
// The practice window on a scaled screen. The toolkit's scale is fixed for a process, so each
// scale runs in a process of its own: this binary again, with only the child test selected.

namespace {

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;

struct Desktop {
    const char* name;
    const char* env;  // how the desktop asks for its scale
    int dpi;          // the screen's logical dots per inch
    double scale;
};

void PrintTo(const Desktop& d, std::ostream* os)
{
    *os << d.name;
}

std::string SelfPath()
{
    char buf[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

class ScaledWindow : public ::testing::TestWithParam<Desktop> {};

TEST_P(ScaledWindow, CoversTheScreenSharplyWithScaledControls)
{
    const Desktop& d = GetParam();
    const std::string self = SelfPath();
    ASSERT_FALSE(self.empty()) << "cannot find this test binary to run the scaled window in";
    const std::string dir = ::testing::TempDir();
    const std::string config = dir + "pomarel-scaled-" + d.name + ".json";
    std::ofstream(config) << "{\"screens\":[{\"name\":\"s\",\"x\":0,\"y\":0,\"width\":" << kScreenW
                          << ",\"height\":" << kScreenH << ",\"logicalDpi\":" << d.dpi << "}]}";
    const std::string log = dir + "pomarel-scaled-" + d.name + ".log";
    const std::string cmd =
        std::string("env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_ENABLE_HIGHDPI_SCALING ") + d.env +
        " QT_QPA_PLATFORM=offscreen:configfile=" + config + " POMAREL_SCALE_CHILD=" + std::to_string(d.scale) + " '" +
        self + "' --gtest_filter=ScaledWindowChild.* > '" + log + "' 2>&1";
    const int status = std::system(cmd.c_str());
    std::ifstream in(log);
    const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    std::remove(config.c_str());
    std::remove(log.c_str());
}

INSTANTIATE_TEST_SUITE_P(Desktops, ScaledWindow,
                         ::testing::Values(Desktop{"unscaled", "", 96, 1.0},
                                           Desktop{"factor150", "QT_SCALE_FACTOR=1.5", 96, 1.5},
                                           Desktop{"factor200", "QT_SCALE_FACTOR=2", 96, 2.0},
                                           Desktop{"screen200", "QT_SCREEN_SCALE_FACTORS=2", 96, 2.0},
                                           Desktop{"dpi192", "QT_ENABLE_HIGHDPI_SCALING=1", 192, 2.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScaledWindowChild, CoversTheScreen)
{
    const char* expected = std::getenv("POMAREL_SCALE_CHILD");
    if (expected == nullptr) {
        GTEST_SKIP() << "runs in a process of its own, started by ScaledWindow";
    }
    const double scale = std::atof(expected);
    int notices = 0;
    testing_hooks::SetMessageBoxHook([&](std::string_view, UINT) {
        ++notices;
        return IDOK;
    });

    // The program measures, lays out and draws in device pixels: the screen's own.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenW);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenH);
    PracticeDialog dlg;
    dlg.Create();
    testing_hooks::PaintNow(dlg);
    RECT client{};
    dlg.GetClientRect(&client);
    EXPECT_EQ(client, (RECT{0, 0, kScreenW, kScreenH}));
    EXPECT_EQ(dlg.ScreenSurface().Width(), kScreenW);
    EXPECT_EQ(dlg.ScreenSurface().Height(), kScreenH);

    // Every control on the screen, and scaled as the desktop asks (the Start button is about 21
    // logical pixels tall).
    int controlsTop = kScreenH;
    for (const int id :
         {IDOK, IDC_HELP_BUTTON, IDCANCEL, IDC_REPORT, IDC_SET1, IDC_SET1 + 1, IDC_SET1 + 2, IDC_SET1 + 3}) {
        const RECT rc = testing_hooks::ControlRect(dlg, id);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= kScreenW && rc.bottom <= kScreenH && rc.right > rc.left)
            << "control " << id << " at " << rc.left << "," << rc.top << " - " << rc.right << "," << rc.bottom;
        controlsTop = std::min<int>(controlsTop, rc.top);
    }
    const RECT start = testing_hooks::ControlRect(dlg, IDOK);
    EXPECT_NEAR(start.bottom - start.top, 21 * scale + 5, 2.0);  // bh + 5 device pixels

    // What the screen shows is the framebuffer, pixel for pixel, wherever no control stands:
    // nothing was stretched or smoothed on the way.
    const Surface shown = testing_hooks::PresentedPicture(dlg);
    ASSERT_EQ(shown.Width(), kScreenW);
    ASSERT_EQ(shown.Height(), kScreenH);
    int differ = 0;
    for (int y = 0; y < controlsTop; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            differ += (shown.Row(y)[x] & 0xFFFFFFu) != (dlg.ScreenSurface().Row(y)[x] & 0xFFFFFFu);
        }
    }
    EXPECT_EQ(differ, 0) << "pixels above the controls differ from the framebuffer";

    // A right click in device pixels reaches the window at that spot, not off the screen.
    testing_hooks::RightClick(dlg, kScreenW / 2, 10);
    EXPECT_EQ(notices, 1);
    testing_hooks::SetMessageBoxHook({});
}
