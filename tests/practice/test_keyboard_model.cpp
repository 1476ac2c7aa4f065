#include <gtest/gtest.h>

#include <string>

#include "practice/KeyboardModel.h"
#include "tests/support/UsKeyboard.h"

namespace {

struct Rects {
    KeyRects rc{};
};
Rects RectsFor(int w, int h)
{
    Rects r;
    ComputeKeyRects(ComputeKeyScale(w, h), h, r.rc);
    return r;
}

}  // namespace

TEST(KeyboardModel, KeyRectanglesMatchTheStatedFiguresOnThreeScreens)
{
    struct Case {
        int w, h, row, col;
        RECT expected;
    };
    const Case cases[] = {
        {1024, 768, 0, 0, {0, 502, 65, 538}},      {1024, 768, 0, 13, {882, 502, 1017, 538}},
        {1024, 768, 1, 13, {917, 542, 1017, 578}}, {1024, 768, 3, 11, {845, 622, 1016, 658}},
        {1024, 768, 4, 3, {299, 662, 713, 698}},   {1024, 768, 0, 1, {67, 502, 132, 538}},
        {1024, 768, 1, 1, {103, 542, 168, 578}},   {800, 600, 0, 0, {0, 390, 51, 418}},
        {800, 600, 4, 3, {233, 515, 557, 543}},    {1920, 1080, 0, 0, {0, 710, 122, 761}},
        {1920, 1080, 4, 3, {561, 936, 1339, 987}},
    };
    for (const Case& c : cases) {
        const Rects r = RectsFor(c.w, c.h);
        const auto& rc = r.rc;
        EXPECT_EQ(rc[c.row][c.col], c.expected) << c.w << "x" << c.h << " key " << c.row << "," << c.col;
    }
}

TEST(KeyboardModel, KeysOfARowFollowEachOtherAndCellsBeyondTheRowAreEmpty)
{
    const Rects r = RectsFor(1024, 768);
    const auto& rc = r.rc;
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 1; c < kKeysInRow[r]; ++c) {
            EXPECT_GT(rc[r][c].left, rc[r][c - 1].left) << r << "," << c;
            EXPECT_EQ(rc[r][c].top, rc[r][0].top);
        }
        for (int c = kKeysInRow[r]; c < kKeyCols; ++c) {
            EXPECT_EQ(rc[r][c], RECT{}) << r << "," << c;
        }
    }
}

TEST(KeyboardModel, TheIsoBoardHasTheExtraKeyAndATallReturnAndNoKeysOverlap)
{
    KeyRects ansi{};
    KeyRects iso{};
    const KeyScale scale = ComputeKeyScale(1024, 768);
    ComputeKeyRects(scale, 768, ansi);
    ComputeKeyRects(scale, 768, iso, BoardShape::Iso);
    // Rows 0 and 4 and the right Shift stay where they were.
    for (const KeyCell k : {KeyCell{0, 0}, KeyCell{0, 13}, KeyCell{4, 3}, KeyCell{3, 11}}) {
        EXPECT_EQ(iso[k.row][k.col], ansi[k.row][k.col]) << k.row << "," << k.col;
    }
    const RECT& extra = iso[3][12];
    EXPECT_LT(iso[3][0].right, extra.left) << "the extra key stands right of the left Shift";
    EXPECT_LT(extra.right, iso[3][1].left) << "and left of Z";
    EXPECT_EQ(extra.top, iso[3][1].top);
    // Return spans rows 1 and 2; the backslash key moved down beside it, after the last key of row 2.
    EXPECT_EQ(iso[2][12].top, ansi[1][0].top);
    EXPECT_EQ(iso[2][12].bottom, ansi[2][0].bottom);
    EXPECT_EQ(iso[1][13].top, ansi[2][0].top);
    EXPECT_GT(iso[1][13].left, iso[2][11].right);
    EXPECT_LT(iso[1][13].right, iso[2][12].left);
    EXPECT_GT(iso[2][12].left, iso[1][12].right);
    // No two keys share a pixel.
    for (int a = 0; a < kKeyCells; ++a) {
        for (int b = a + 1; b < kKeyCells; ++b) {
            const RECT& p = iso[a / kKeyCols][a % kKeyCols];
            const RECT& q = iso[b / kKeyCols][b % kKeyCols];
            const bool empty = p == RECT{} || q == RECT{};
            const bool apart = p.right < q.left || q.right < p.left || p.bottom < q.top || q.bottom < p.top;
            EXPECT_TRUE(empty || apart) << "cells " << a << " and " << b;
        }
    }
}

TEST(KeyboardModel, HandOfKey)
{
    struct Case {
        int row, col, hand;
    };
    const Case cases[] = {{0, 5, 1}, {3, 5, 1}, {0, 6, 0}, {1, 6, 0},  {2, 6, 0},  {3, 6, 0}, {4, 0, 1}, {4, 3, 1},
                          {4, 4, 0}, {4, 6, 0}, {0, 0, 1}, {1, 13, 0}, {-1, 9, 1}, {5, 9, 1}, {3, 12, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(HandOfKey(c.row, c.col), c.hand) << c.row << "," << c.col;
    }
}

TEST(KeyboardModel, EveryTargetAsksForItsCharacter)
{
    const UsKeyboard m;
    const std::string expected = "abcdefghijklmnopqrstuvwxyz"
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                 "123456789"
                                 "`-=\\[];',./";
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kTargetCount));
    for (int n = 0; n < kTargetCount; ++n) {
        EXPECT_EQ(TargetCharacter(m.targets, m.plain, m.shifted, n), expected[static_cast<std::size_t>(n)]) << n;
    }
}

TEST(KeyboardModel, SoundsBelongToLetterAndDigitKeysOnly)
{
    const UsKeyboard m;
    int named = 0;
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyCols; ++c) {
            const std::string& name = m.names[static_cast<std::size_t>(r * kKeyCols + c)];
            const char ch = m.plain[r][c];
            const bool voiced = (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
            EXPECT_EQ(!name.empty(), voiced) << r << "," << c;
            if (voiced) {
                EXPECT_EQ(name, std::string("Z") + ch);
                ++named;
            }
        }
    }
    EXPECT_EQ(named, 36);
    // ")" is the 0 key's shifted character: it shares the key's sound.
    EXPECT_EQ(m.shifted[0][10], ')');
    EXPECT_EQ(m.names[10], "Z0");
}

TEST(KeyboardModel, SpecialKeysHoldTheirControlBytes)
{
    const UsKeyboard m;
    EXPECT_EQ(m.plain[0][13], 9);
    EXPECT_EQ(m.plain[1][0], 7);
    EXPECT_EQ(m.plain[2][0], 0);
    EXPECT_EQ(m.plain[2][12], ' ');
    EXPECT_EQ(m.plain[3][0], ' ');
    EXPECT_EQ(m.plain[3][11], ' ');
    EXPECT_EQ(std::string(m.shifted[0], 13), "~!@#$%^&*()_+");
    EXPECT_EQ(m.shifted[2][11], '"');
    EXPECT_EQ(m.shifted[1][13], '|');
}
