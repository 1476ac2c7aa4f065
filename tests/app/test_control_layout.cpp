// Where the practice window's controls go, as a pure function of the screen size: on every screen
// from 800 x 600 up the check boxes cover no key, hand prompt, button, report box or each other.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ControlLayout.h"
#include "practice/KeyboardModel.h"

namespace {

// The template's sizes (res/dialog/102.json): buttons, and check boxes with their longest caption
// on one line.
constexpr int kBw = 120, kBh = 21;
constexpr int kSetW[4] = {336, 348, 426, 556};
constexpr int kSetH[4] = {18, 18, 18, 18};
// The hand prompts' pictures, standing on key (0, 2) and key (0, 11).
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

// Where the check boxes' row ends up.
enum class Row { BelowKeys, AboveHands, Top };

struct Screen {
    int w, h;
    Row row;
};

}  // namespace

TEST(ControlLayout, CheckBoxesCoverNothingOnAnyScreen)
{
    const Screen screens[] = {
        {800, 600, Row::Top},         {1024, 600, Row::Top},        {1024, 768, Row::AboveHands},
        {1280, 720, Row::Top},        {1366, 768, Row::AboveHands}, {1920, 1080, Row::BelowKeys},
        {2560, 1440, Row::BelowKeys}, {3840, 2160, Row::BelowKeys},
    };
    for (const Screen& sc : screens) {
        SCOPED_TRACE(std::to_string(sc.w) + "x" + std::to_string(sc.h));
        const ControlLayout l = ComputeControlLayout(sc.w, sc.h, kBw, kBh, kSetW, kSetH);
        KeyRects keys{};
        ComputeKeyRects(ComputeKeyScale(sc.w, sc.h), sc.h, keys);
        std::vector<RECT> taken{l.start, l.help, l.exit, l.report};
        for (int r = 0; r < kKeyRows; ++r) {
            for (int c = 0; c < kKeysInRow[r]; ++c) {
                // Key rectangles include both edges.
                taken.push_back({keys[r][c].left, keys[r][c].top, keys[r][c].right + 1, keys[r][c].bottom + 1});
            }
        }
        for (const int col : {2, 11}) {
            const RECT& k = keys[0][col];
            taken.push_back({k.left, k.top - kHandH, k.left + kHandW, k.top});
        }
        for (int i = 0; i < 4; ++i) {
            const RECT& box = l.set[i];
            EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= sc.w && box.bottom <= sc.h)
                << "check box " << i << " " << Show(box) << " leaves the screen";
            EXPECT_GE(box.bottom - box.top, kSetH[i]) << "check box " << i << " is shorter than one line";
            for (const RECT& other : taken) {
                EXPECT_FALSE(Overlap(box, other)) << "check box " << i << " " << Show(box) << " covers " << Show(other);
            }
            taken.push_back(box);
        }
        // One row, in order, evenly spaced: the gaps differ by less than the 5 pixels left over.
        const int gap = l.set[0].left;
        for (int i = 1; i < 4; ++i) {
            EXPECT_EQ(l.set[i].top, l.set[0].top);
            EXPECT_EQ(l.set[i].left - l.set[i - 1].right, gap) << "gap before check box " << i;
        }
        EXPECT_LT(sc.w - l.set[3].right - gap, 5);
        const int keysBottom = keys[4][3].bottom;
        const int handsTop = keys[0][0].top - kHandH;
        switch (sc.row) {
        case Row::BelowKeys: EXPECT_GT(l.set[0].top, keysBottom); break;
        case Row::AboveHands:
            EXPECT_LE(l.set[0].bottom, handsTop);
            // Under the lowest row an apple's letter can reach.
            EXPECT_GE(l.set[0].top, 372);
            break;
        case Row::Top: EXPECT_LT(l.set[0].top, 10); break;
        }
    }
}

TEST(ControlLayout, CheckBoxesNarrowAndWrapOnlyWhereOneLineDoesNotFit)
{
    // Wide enough for every caption on one line: the template's sizes; else narrower boxes, each
    // taller by whole caption lines, three at most.
    const int widths[] = {800, 1024, 1280, 1366, 1700, 1920, 3840};
    for (const int w : widths) {
        SCOPED_TRACE(w);
        const ControlLayout l = ComputeControlLayout(w, 1440, kBw, kBh, kSetW, kSetH);
        const bool oneLine = kSetW[0] + kSetW[1] + kSetW[2] + kSetW[3] + 30 <= w;
        for (int i = 0; i < 4; ++i) {
            const int bw = l.set[i].right - l.set[i].left;
            const int bh = l.set[i].bottom - l.set[i].top;
            EXPECT_EQ(bw == kSetW[i], oneLine);
            EXPECT_EQ(bh == kSetH[i], oneLine);
            EXPECT_EQ((bh - kSetH[i]) % kCaptionLinePitch, 0);
            EXPECT_LE(bh, kSetH[i] + 2 * kCaptionLinePitch);
        }
    }
}
