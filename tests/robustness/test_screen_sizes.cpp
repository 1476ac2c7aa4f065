// The practice window on screens from far too small for the tree to very large: it opens, paints,
// starts and takes a hundred right keys, every one of them ending (the apple search has to stop
// somewhere), with the apple on the screen wherever the screen has room for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scene/ShapeOutlines.h"
#include "tests/robustness/Robustness.h"

namespace {

using namespace robustness;

class ScreenSizes : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ScreenSizes, StartsPaintsAndTakesAHundredRightKeys)
{
    const auto [w, h] = GetParam();
    const std::string name = std::to_string(w) + " x " + std::to_string(h);
    Watchdog dog(std::chrono::seconds(240), "the practice window at " + name);
    PracticeWindow win(w, h);
    PracticeDialog& d = win.dlg();
    ASSERT_EQ(win.screen().Width(), w);
    ASSERT_EQ(win.screen().Height(), h);
    EXPECT_NE(d.GetScene().TreeShift(), 0) << name << ": apple placement divides by it";
    testing_hooks::PaintNow(d);
    win.Key(VK_F2);
    ASSERT_EQ(d.GetExercise().Practising(), 1) << name;
    // Apples hang above the trunk markers' row, which moves with the tree's size.
    const Scene& scene = d.GetScene();
    const int rowsEnd = scene.TreePoints()[static_cast<std::size_t>(scene.ShadeFirst())].y;
    int onScreen = 0;
    for (int i = 0; i < 100; ++i) {
        const std::string at = name + ", right key " + std::to_string(i);
        dog.Step(at);
        if (i % 25 == 10) {
            // A wrong key, the hand prompt and the key blinking at this size, then a paint.
            win.Type(static_cast<unsigned char>(win.Wrong()));
            for (int t = 0; t < 3; ++t) {
                testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
                testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
            }
            testing_hooks::PaintNow(d);
        }
        const int rightBefore = d.GetExercise().TotalRight();
        win.Type(static_cast<unsigned char>(win.Target()));
        ASSERT_EQ(d.GetExercise().TotalRight(), rightBefore + 1) << at;
        const RECT box = AppleBox(d.GetScene().ApplePos());
        ASSERT_GE(box.top, 0) << at;
        ASSERT_LE(box.bottom, rowsEnd) << at;
        // Where the screen is about as wide as the tree or wider, the apple is wholly on it.
        if (w >= 640) {
            ASSERT_GE(box.left, 0) << at;
            ASSERT_LE(box.right, w) << at;
        }
        // At most one apple; a whole one, and nothing else, where its box is on the screen.
        const int total = YellowPixels(win.screen(), RECT{0, 0, w, rowsEnd});
        ASSERT_LE(total, kAppleMostPixels) << at << ": more yellow than one apple";
        if (box.left >= 0 && box.right <= w && box.bottom <= h) {
            ++onScreen;
            ASSERT_EQ(AppleProblem(win.screen(), box), "") << at;
            ASSERT_EQ(YellowPixels(win.screen(), box), total) << at << ": yellow outside the apple's box";
        }
    }

    // Apples shown within one second all stand where the same drawn position put them, so the
    // search is also run from drawn positions spread over the whole range the placement draws
    // from: rand() % shift + (height - shift) / 2 across, every row above the markers' down.
    std::mt19937 rng(static_cast<unsigned>(w * 7919 + h));
    const int s = d.GetScene().TreeShift();
    int free = 0;
    for (int k = 0; k < 400; ++k) {
        const int drawnX = static_cast<int>(rng() % 0x7fffffffu) % s + (h - s) / 2;
        const int drawnY = static_cast<int>(rng() % static_cast<unsigned>(std::max(1, rowsEnd - kAppleBoxH + 1)));
        const std::string at = name + ", drawn at " + std::to_string(drawnX) + "," + std::to_string(drawnY);
        dog.Step(at);
        const int x = SearchAppleX(drawnX, drawnY, w, kAppleBoxW,
                                   [&d](int px, int py) { return d.GetScene().IsAppleSpotFree(px, py) != 0; });
        free += d.GetScene().IsAppleSpotFree(x, drawnY);
        if (w >= 640) {
            ASSERT_GE(x, 0) << at;
            ASSERT_LE(x + kAppleBoxW, w) << at;
            ASSERT_EQ(d.GetScene().IsAppleSpotFree(x, drawnY), 1) << at;
        }
    }
    std::printf("%s: tree shift %d, %d of 100 apples wholly on the screen, %d of 400 searches found a free spot\n",
                name.c_str(), d.GetScene().TreeShift(), onScreen, free);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenSizes,
                         ::testing::Values(std::pair{320, 240}, std::pair{640, 480}, std::pair{698, 600},
                                           std::pair{699, 600}, std::pair{700, 600}, std::pair{701, 600},
                                           std::pair{702, 600}, std::pair{3840, 2160}, std::pair{7680, 4320}),
                         [](const auto& p) {
                             return std::to_string(p.param.first) + "x" + std::to_string(p.param.second);
                         });

}  // namespace
