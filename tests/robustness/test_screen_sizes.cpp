// The practice window on screens from far too small for the tree to very large: it opens, paints,
// starts and takes a hundred right keys, every one of them ending (the apple search has to stop
// somewhere), with the apple on the screen wherever the screen has room for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "scene/ShapeOutlines.h"
#include "tests/support/DialogFixture.h"

namespace {

constexpr std::uint32_t kYellow = ToScreenPixel(RGB(255, 255, 0));
constexpr int kAppleBoxW = 54;
constexpr int kAppleBoxH = 71;
// Apple boxes end above row 388, the trunk markers' level.
constexpr int kAppleRowsEnd = 388;
// Yellow pixels of a whole apple (2060 inside, 193 on the outline) less its character.
constexpr int kAppleMostPixels = 2060 + 193;
constexpr int kAppleFewestPixels = 1500;

// Ends the process with a message when a step takes far too long: a hang must fail, not wait
// for the test driver's time-out.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, std::string what) : m_what(std::move(what))
    {
        m_thread = std::thread([this, limit] {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                std::fprintf(stderr, "hang: %s did not end within %lld s (at step %d)\n", m_what.c_str(),
                             static_cast<long long>(limit.count()), m_step.load());
                std::abort();
            }
        });
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    void Step(int n) { m_step = n; }

private:
    std::string m_what;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<int> m_step{-1};
    std::thread m_thread;
};

struct Yellow {
    int regions = 0;       // 4-connected regions of pure yellow
    int largest = 0;       // pixels of the largest
    int total = 0;         // all yellow pixels
    RECT largestBounds{};  // right and bottom exclusive
};

Yellow FindYellow(Surface& s, int rowsEnd)
{
    const int w = s.Width();
    const int h = std::min(s.Height(), rowsEnd);
    Yellow out;
    std::vector<unsigned char> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(std::max(h, 0)), 0);
    std::vector<std::pair<int, int>> stack;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t at =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
            if (s.Row(y)[x] != kYellow || seen[at] != 0) {
                continue;
            }
            seen[at] = 1;
            stack.assign(1, {x, y});
            int size = 0;
            RECT b{x, y, x + 1, y + 1};
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                ++size;
                b = {std::min<int>(b.left, px), std::min<int>(b.top, py), std::max<int>(b.right, px + 1),
                     std::max<int>(b.bottom, py + 1)};
                const std::pair<int, int> next[4] = {{px - 1, py}, {px + 1, py}, {px, py - 1}, {px, py + 1}};
                for (const auto& [nx, ny] : next) {
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) {
                        continue;
                    }
                    const std::size_t n =
                        static_cast<std::size_t>(ny) * static_cast<std::size_t>(w) + static_cast<std::size_t>(nx);
                    if (seen[n] == 0 && s.Row(ny)[nx] == kYellow) {
                        seen[n] = 1;
                        stack.emplace_back(nx, ny);
                    }
                }
            }
            ++out.regions;
            out.total += size;
            if (size > out.largest) {
                out.largest = size;
                out.largestBounds = b;
            }
        }
    }
    return out;
}

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
    // Apple placement divides by the tree's shift.
    EXPECT_NE(d.m_treeShift, 0) << name;
    testing_hooks::PaintNow(d);
    win.Key(VK_F2);
    ASSERT_EQ(d.m_bPractising, 1) << name;

    int onScreen = 0;
    for (int i = 0; i < 100; ++i) {
        dog.Step(i);
        if (i % 25 == 10) {
            // A wrong key, the hand prompt and the key blinking at this size, then a paint.
            win.Type(static_cast<unsigned char>(win.Wrong()));
            for (int t = 0; t < 3; ++t) {
                testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
                testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
            }
            testing_hooks::PaintNow(d);
        }
        const int rightBefore = d.m_nTotalRight;
        win.Type(static_cast<unsigned char>(win.Target()));
        ASSERT_EQ(d.m_nTotalRight, rightBefore + 1) << name << ", right key " << i;

        const POINT a = d.m_applePos;
        ASSERT_GE(a.y, 0) << name;
        ASSERT_LE(a.y + kAppleBoxH, kAppleRowsEnd) << name;
        // Where the screen is about as wide as the tree or wider, the apple is wholly on it.
        if (w >= 640) {
            ASSERT_GE(a.x, 0) << name << ", right key " << i;
            ASSERT_LE(a.x + kAppleBoxW, w) << name << ", right key " << i;
        }
        // At most one apple; a whole one where its box is on the screen.
        const Yellow y = FindYellow(win.screen(), kAppleRowsEnd);
        ASSERT_LE(y.total, kAppleMostPixels) << name << ": more yellow than one apple, right key " << i;
        const bool boxOnScreen = a.x >= 0 && a.x + kAppleBoxW <= w && a.y + kAppleBoxH <= h;
        if (boxOnScreen) {
            ++onScreen;
            ASSERT_GE(y.largest, kAppleFewestPixels) << name << ": no whole apple, right key " << i;
            EXPECT_GE(y.largestBounds.left, a.x) << name;
            EXPECT_GE(y.largestBounds.top, a.y) << name;
            EXPECT_LE(y.largestBounds.right, a.x + kAppleBoxW) << name;
            EXPECT_LE(y.largestBounds.bottom, a.y + kAppleBoxH) << name;
        }
    }

    // Apples shown within one second all stand where the same drawn position put them, so the
    // search is also run from drawn positions spread over the whole range the placement draws
    // from: rand() % shift + (height - shift) / 2 across, 0..317 down.
    std::mt19937 rng(static_cast<unsigned>(w * 7919 + h));
    const int s = d.m_treeShift;
    int free = 0;
    for (int k = 0; k < 400; ++k) {
        dog.Step(1000 + k);
        const int drawnX = static_cast<int>(rng() % 0x7fffffffu) % s + (h - s) / 2;
        const int drawnY = static_cast<int>(rng() % 318u);
        const int x = SearchAppleX(drawnX, drawnY, w, kAppleBoxW,
                                   [&d](int px, int py) { return d.IsAppleSpotFree(px, py) != 0; });
        free += d.IsAppleSpotFree(x, drawnY);
        if (w >= 640) {
            ASSERT_GE(x, 0) << name << ", drawn at " << drawnX << "," << drawnY;
            ASSERT_LE(x + kAppleBoxW, w) << name << ", drawn at " << drawnX << "," << drawnY;
            ASSERT_EQ(d.IsAppleSpotFree(x, drawnY), 1) << name << ", drawn at " << drawnX << "," << drawnY;
        }
    }
    std::printf("%s: tree shift %d, %d of 100 apples wholly on the screen, %d of 400 searches found a free spot\n",
                name.c_str(), d.m_treeShift, onScreen, free);
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenSizes,
                         ::testing::Values(std::make_pair(320, 240), std::make_pair(640, 480), std::make_pair(698, 600),
                                           std::make_pair(699, 600), std::make_pair(700, 600), std::make_pair(701, 600),
                                           std::make_pair(702, 600), std::make_pair(3840, 2160),
                                           std::make_pair(7680, 4320)),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& p) {
                             return std::to_string(p.param.first) + "x" + std::to_string(p.param.second);
                         });

}  // namespace
