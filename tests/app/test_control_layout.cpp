// Where the practice window's controls go, as a pure function of the screen size and the controls'
// sizes: on every screen from 800 x 600 up, at desktop scales 1 to 2 and with the captions of every
// language, no control covers a key, a hand prompt or another control, or leaves the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/ControlLayout.h"
#include "practice/KeyboardModel.h"

namespace {

// Unscaled sizes: the template's buttons (res/dialog/102.json), and each check box with its
// caption on one line (12-pixel condensed sans, Chinese and Japanese 13 pixels; never narrower
// than the template's box).
constexpr int kBw = 120, kBh = 21, kSetH = 20;
struct Captions {
    const char* lang;
    int w[4];
};
constexpr Captions kCaptions[] = {
    {"en", {236, 188, 248, 310}}, {"zh", {236, 188, 248, 310}}, {"ja", {322, 309, 286, 342}},
    {"fr", {291, 251, 211, 542}}, {"de", {302, 334, 367, 489}}, {"es", {262, 292, 412, 474}},
};
// The hand prompts' pictures, standing on key (0, 2) and key (0, 11), in screen pixels at any scale.
constexpr int kHandW = 75, kHandH = 83;

// Both rectangles exclude their right and bottom edges.
bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string Show(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

int Scaled(int px, double scale)
{
    return static_cast<int>(std::lround(px * scale));
}

struct Case {
    int w, h;
    double scale;
    const Captions* captions;
    ControlLayout l;
    int setW[4];
};

Case Lay(int w, int h, double scale, const Captions& c)
{
    Case k{w, h, scale, &c, {}, {}};
    int setH[4] = {};
    for (int i = 0; i < 4; ++i) {
        k.setW[i] = Scaled(c.w[i], scale);
        setH[i] = Scaled(kSetH, scale);
    }
    k.l = ComputeControlLayout(w, h, Scaled(kBw, scale), Scaled(kBh, scale), k.setW, setH);
    return k;
}

}  // namespace

TEST(ControlLayout, FollowsTheLayoutTable)
{
    // With the check boxes' sizes the table was written for. 1024 x 768: g = (1024 - 120) / 6 = 150;
    // s = (1024 - 790) / 5 = 46; t = 768 - 60 - 8 = 700.
    constexpr int kTableSetW[4] = {170, 170, 205, 245};
    constexpr int kTableSetH[4] = {kSetH, kSetH, kSetH, kSetH};
    const ControlLayout l = ComputeControlLayout(1024, 768, kBw, kBh, kTableSetW, kTableSetH);
    EXPECT_EQ(l.start, (RECT{150, 721, 270, 747}));
    EXPECT_EQ(l.help, (RECT{420, 721, 540, 747}));
    EXPECT_EQ(l.exit, (RECT{690, 721, 810, 747}));
    EXPECT_EQ(l.report, (RECT{2, 747, 1022, 768}));
    EXPECT_EQ(l.set[0], (RECT{46, 700, 216, 720}));
    EXPECT_EQ(l.set[1], (RECT{262, 700, 432, 720}));
    EXPECT_EQ(l.set[2], (RECT{478, 700, 683, 720}));
    EXPECT_EQ(l.set[3], (RECT{729, 700, 974, 720}));
    // The report box is as tall as the Start button, not as itself.
    const ControlLayout big = ComputeControlLayout(1920, 1080, 100, 30, kTableSetW, kTableSetH);
    EXPECT_EQ(big.report, (RECT{2, 1050, 1918, 1080}));
    EXPECT_EQ(big.start.bottom - big.start.top, 35);
}

TEST(ControlLayout, NoControlCoversAKeyOrAnotherOnAnyScreenScaleOrLanguage)
{
    const int screens[][2] = {{800, 600},  {1024, 600}, {1024, 768},  {1280, 720},  {1280, 800},
                              {1366, 768}, {1440, 900}, {1920, 1080}, {2560, 1440}, {3840, 2160}};
    for (const auto& sc : screens) {
        KeyRects keys{};
        ComputeKeyRects(ComputeKeyScale(sc[0], sc[1]), sc[1], keys);
        std::vector<RECT> scene;
        for (int r = 0; r < kKeyRows; ++r) {
            for (int c = 0; c < kKeysInRow[r]; ++c) {
                // Key rectangles include both edges; a pixel's margin for controls rounded outward.
                scene.push_back({keys[r][c].left, keys[r][c].top - 1, keys[r][c].right + 1, keys[r][c].bottom + 2});
            }
        }
        for (const int col : {2, 11}) {
            const RECT& k = keys[0][col];
            scene.push_back({k.left, k.top - kHandH, k.left + kHandW, k.top});
        }
        for (const double scale : {1.0, 1.25, 1.5, 2.0}) {
            for (const Captions& cap : kCaptions) {
                const Case k = Lay(sc[0], sc[1], scale, cap);
                SCOPED_TRACE(std::to_string(sc[0]) + "x" + std::to_string(sc[1]) + " at " + std::to_string(scale) +
                             " in " + cap.lang);
                const ControlLayout& l = k.l;
                const RECT controls[] = {l.start, l.help, l.exit, l.report, l.set[0], l.set[1], l.set[2], l.set[3]};
                for (int i = 0; i < 8; ++i) {
                    const RECT& c = controls[i];
                    EXPECT_TRUE(c.left >= 0 && c.top >= 0 && c.right <= sc[0] && c.bottom <= sc[1])
                        << "control " << i << " " << Show(c) << " leaves the screen";
                    for (const RECT& s : scene) {
                        EXPECT_FALSE(Overlap(c, s)) << "control " << i << " " << Show(c) << " covers " << Show(s);
                    }
                    for (int j = 0; j < i; ++j) {
                        EXPECT_FALSE(Overlap(c, controls[j])) << "control " << i << " covers control " << j;
                    }
                }
                // A caption is whole: on one line in a box as wide as it needs, or wrapped in a box
                // taller by a line's pitch for every further line it can need.
                for (int i = 0; i < 4; ++i) {
                    const int w = l.set[i].right - l.set[i].left;
                    const int h = l.set[i].bottom - l.set[i].top;
                    const int setH = Scaled(kSetH, scale);
                    if (w < k.setW[i]) {
                        const int lines = static_cast<int>(std::ceil(1.2 * (k.setW[i] - setH) / (w - setH)));
                        EXPECT_GE(h, setH + (lines - 1) * (7 * setH / 10))
                            << "check box " << i << " " << Show(l.set[i]);
                    } else {
                        EXPECT_GE(h, setH);
                    }
                }
                // The buttons keep their size and their order.
                EXPECT_EQ(l.start.right - l.start.left, Scaled(kBw, scale));
                EXPECT_LT(l.start.right, l.help.left);
                EXPECT_LT(l.help.right, l.exit.left);
                EXPECT_EQ(l.report.bottom, sc[1]);
            }
        }
    }
}

TEST(ControlLayout, WhereTheWindowsOwnPlacesHaveRoomTheyAreKept)
{
    // Check boxes in one row between keyboard and buttons, spread evenly, with the window's own
    // top (H - 3 h - 8) where that is clear, else just above the buttons; else above the hand
    // prompts, under the apples' letters (row 372), else as low above them as the screen allows.
    enum Where { Own, AboveButtons, AboveHands, LowAsPossible };
    struct Want {
        int w, h;
        double scale;
        int caption;  // index into kCaptions
        Where where;
        int rows;
        bool buttonsBelowKeys;
    };
    const Want wants[] = {
        {1024, 768, 1.0, 0, Own, 1, true},
        {1024, 768, 1.0, 1, Own, 1, true},
        {1366, 768, 1.0, 0, Own, 1, true},
        {1920, 1080, 1.0, 4, Own, 1, true},
        {1920, 1080, 1.25, 0, Own, 1, true},
        {1024, 768, 1.0, 4, AboveHands, 2, true},
        {1920, 1080, 1.5, 4, AboveHands, 2, true},
        {800, 600, 1.0, 0, LowAsPossible, 2, true},
        {1920, 1080, 2.0, 0, AboveHands, 2, true},
        {1920, 1080, 2.0, 4, AboveHands, 2, true},
        {1024, 768, 2.0, 4, LowAsPossible, 4, false},
        {1280, 800, 2.0, 0, LowAsPossible, 2, false},
    };
    for (const Want& want : wants) {
        const Case k = Lay(want.w, want.h, want.scale, kCaptions[want.caption]);
        SCOPED_TRACE(std::to_string(want.w) + "x" + std::to_string(want.h) + " at " + std::to_string(want.scale) +
                     " in " + kCaptions[want.caption].lang);
        const ControlLayout& l = k.l;
        KeyRects keys{};
        ComputeKeyRects(ComputeKeyScale(want.w, want.h), want.h, keys);
        const int setH = Scaled(kSetH, want.scale);
        int rows = 1;
        for (int i = 1; i < 4; ++i) {
            rows += l.set[i].top > l.set[i - 1].top ? 1 : 0;
        }
        EXPECT_EQ(rows, want.rows);
        EXPECT_EQ(l.start.top > keys[4][0].bottom, want.buttonsBelowKeys);
        const int handsTop = keys[0][0].top - kHandH;
        // The lowest control above the keyboard ends a pixel above the hand prompts.
        int upperBottom = want.buttonsBelowKeys ? 0 : l.start.bottom;
        for (const RECT& box : l.set) {
            upperBottom = std::max(upperBottom, static_cast<int>(box.bottom));
        }
        switch (want.where) {
        case Own: EXPECT_EQ(l.set[0].top, want.h - 3 * setH - 8); break;
        case AboveButtons: EXPECT_EQ(l.set[0].bottom, l.start.top - 2); break;
        case AboveHands:
            EXPECT_GE(l.set[0].top, 372);
            EXPECT_EQ(upperBottom, handsTop - 1);
            break;
        case LowAsPossible:
            EXPECT_LT(l.set[0].top, 372);
            EXPECT_EQ(upperBottom, handsTop - 1);
            break;
        }
        if (rows == 1) {
            // Spread evenly: equal gaps, less than five pixels left over at the right.
            const int gap = l.set[0].left;
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(l.set[i].right - l.set[i].left, k.setW[i]) << "one line each";
                if (i > 0) {
                    EXPECT_EQ(l.set[i].left - l.set[i - 1].right, gap) << "gap before check box " << i;
                }
            }
            EXPECT_LT(want.w - l.set[3].right - gap, 5);
        }
    }
}
