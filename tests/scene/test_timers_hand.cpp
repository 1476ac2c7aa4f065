// Timer ticks and the hand prompt.
#include <gtest/gtest.h>

#include "scene/HandPrompt.h"
#include "tests/support/DialogFixture.h"

namespace {

bool KeyShows(PracticeWindow& win, const PixelBuffer& expected)
{
    const PracticeDialog& d = win.dlg();
    const RECT& k = d.m_rcKey[d.m_nTargetRow][d.m_nTargetCol];
    std::size_t i = 0;
    for (int y = k.top; y <= k.bottom; ++y) {
        for (int x = k.left; x <= k.right; ++x) {
            if (win.Pixel(x, y) != expected[i++]) {
                return false;
            }
        }
    }
    return true;
}

// Puts a target on the screen: the key of target number n.
void ShowTarget(PracticeWindow& win, int n)
{
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    d.m_nTargetRow = d.m_targetKey[n].row;
    d.m_nTargetCol = d.m_targetKey[n].col;
}

}  // namespace

TEST(KeyBlink, HidesAtTheFirstTickAndReturnsAtTheSecond)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_KEY_BLINK), 200);
    const PixelBuffer& background = d.m_pKeyPixels[d.m_nTargetRow][d.m_nTargetCol];
    EXPECT_TRUE(KeyShows(win, d.m_pKeyScratch));
    testing_hooks::TakePresented(d);
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    EXPECT_TRUE(KeyShows(win, background));
    // Only the key's rectangle is presented.
    const RECT& k = d.m_rcKey[d.m_nTargetRow][d.m_nTargetCol];
    for (const RECT& r : testing_hooks::TakePresented(d)) {
        EXPECT_GE(r.left, k.left);
        EXPECT_GE(r.top, k.top);
        EXPECT_LE(r.right, k.right + 1);
        EXPECT_LE(r.bottom, k.bottom + 1);
    }
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    EXPECT_TRUE(KeyShows(win, d.m_pKeyScratch));
    // A right key while the key is hidden puts its cap back before the next target.
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    const RECT old = k;
    const PixelBuffer cap = d.m_pKeyScratch;
    win.Type(static_cast<unsigned char>(win.Target()));
    if (d.m_rcKey[d.m_nTargetRow][d.m_nTargetCol] != old) {
        std::size_t i = 0;
        for (int y = old.top; y <= old.bottom; ++y) {
            for (int x = old.left; x <= old.right; ++x) {
                ASSERT_EQ(win.Pixel(x, y), cap[i++]);
            }
        }
    }
}

TEST(VoiceRepeat, RepeatsWithNoStopAndIsDroppedWhileASoundPlays)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const void* voice = d.m_keyWave[d.m_nTargetRow * kKeyCols + d.m_nTargetCol];
    ASSERT_NE(voice, nullptr);
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_VOICE_REPEAT), 1500);
    testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
    ASSERT_EQ(win.sounds.size(), 2u);
    EXPECT_EQ(win.sounds[1].image, voice);
    EXPECT_EQ(win.sounds[1].flags, 0x15u);
    EXPECT_FALSE(win.sounds[1].played);  // the name from the start still plays
    win.LetSoundsEnd();
    testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
    EXPECT_TRUE(win.sounds[2].played);
    // The right key stops the repeats until the next name starts them again.
    d.m_keyWave[0] = nullptr;
    win.Type(static_cast<unsigned char>(win.Target()));
    EXPECT_EQ(testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT),
              d.m_keyWave[d.m_nTargetRow * kKeyCols + d.m_nTargetCol] != nullptr);
}

TEST(VoiceRepeat, AKeyWithoutAVoicePlaysNothingWhileAnEarlierRepeatRuns)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    ASSERT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT));
    // The bracket key has no voice.
    d.m_nTargetRow = 1;
    d.m_nTargetCol = 11;
    const std::size_t before = win.sounds.size();
    win.LetSoundsEnd();
    testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
    EXPECT_EQ(win.sounds.size(), before);
}

TEST(Ambient, TheSixthIdleTickPlaysAGardenSoundAndAKeyKeepsItSilent)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    for (int i = 0; i < 5; ++i) {
        testing_hooks::FireTimer(d, TIMER_AMBIENT);
    }
    EXPECT_TRUE(win.sounds.empty());
    EXPECT_EQ(d.m_nIdleSeconds, 5);
    testing_hooks::FireTimer(d, TIMER_AMBIENT);
    ASSERT_EQ(win.sounds.size(), 1u);
    EXPECT_EQ(win.sounds[0].flags, SND_ASYNC | SND_MEMORY);
    EXPECT_NE(std::find(std::begin(d.m_ambientWave), std::end(d.m_ambientWave), win.sounds[0].image),
              std::end(d.m_ambientWave));
    EXPECT_EQ(d.m_nIdleSeconds, 0);
    // A key every few seconds: never six idle ticks in a row.
    for (int i = 0; i < 30; ++i) {
        testing_hooks::FireTimer(d, TIMER_AMBIENT);
        if (i % 4 == 3) {
            win.Key(VK_SHIFT);
        }
    }
    EXPECT_EQ(win.sounds.size(), 1u);
}

TEST(Clock, BothCountersRiseByOnePerTick)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_CLOCK), 10000);
    testing_hooks::FireTimer(d, TIMER_CLOCK);
    testing_hooks::FireTimer(d, TIMER_CLOCK);
    EXPECT_EQ(d.m_nTotalTicks, 2);
    EXPECT_EQ(d.m_nTicks, 2);
    testing_hooks::FireTimer(d, 999);  // an unknown id does nothing
    EXPECT_EQ(d.m_nTotalTicks, 2);
}

TEST(HandPrompt, FingerAndHandOfTheKeys)
{
    struct Case {
        int row, col, hand, finger;
    };
    const Case cases[] = {
        {2, 3, 1, 1},  // d: left middle
        {1, 10, 0, 3}, // p: right little
        {0, 4, 1, 0},  // 4: left index
        {0, 5, 1, 0},  // 5
        {0, 6, 0, 0},  // 6: right index
        {0, 7, 0, 0},  // 7
        {2, 8, 0, 1},  // k: right middle
        {2, 9, 0, 2},  // l: right ring
        {1, 2, 1, 2},  // w: left ring
        {0, 0, 1, 3},  // `: left little
        {3, 1, 1, 3},  // z
        {4, 0, 1, 3},  // bottom row, left Ctrl
        {4, 3, 1, 0},  // space bar
        {4, 4, 0, 1},  // right Alt
        {4, 6, 0, 3},  // right Ctrl
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HandOfKey(c.row, c.col), c.hand) << c.row << "," << c.col;
        EXPECT_EQ(FingerNumber(c.row, c.col), c.finger) << c.row << "," << c.col;
    }
    EXPECT_EQ(FingerMark(0, 1), (POINT{30, 12}));
    EXPECT_EQ(FingerMark(1, 3), (POINT{63, 37}));
}

TEST(HandPrompt, ShowsTheHandAboveItsKeyWithTheRingAndHidesExactly)
{
    struct Case {
        int target;  // target number
        int bRight;
        POINT mark;
    };
    const Case cases[] = {{3, 0, {30, 12}}, {15, 1, {63, 37}}, {55, 0, {47, 15}}, {57, 1, {29, 15}}};
    for (const Case& c : cases) {
        PracticeWindow win;
        PracticeDialog& d = win.dlg();
        ShowTarget(win, c.target);
        const RECT& k = d.m_rcKey[0][c.bRight != 0 ? 11 : 2];
        const int x0 = k.left;
        const int y0 = k.top - d.m_handHeight;
        const PixelBuffer& saved = c.bRight != 0 ? d.m_rightHandBackground : d.m_leftHandBackground;
        CBitmap hand;
        ASSERT_TRUE(hand.LoadBitmap(IDB_LEFT_HAND + c.bRight));
        CDC* dc = d.GetDC();
        d.DrawHandPrompt(c.bRight, 1, dc);
        std::size_t i = 0;
        int ring = 0;
        for (int y = 0; y < 83; ++y) {
            for (int x = 0; x < 75; ++x, ++i) {
                const COLORREF pic = FromScreenPixel(hand.Pixels().Row(y)[x]);
                const COLORREF shown = win.Pixel(x0 + x, y0 + y);
                const int dx = x - c.mark.x, dy = y - c.mark.y;
                const int d2 = dx * dx + dy * dy;
                if (d2 <= 49 && dy >= 0) {
                    ring += shown != pic && shown != saved[i] ? 1 : 0;
                    continue;  // the ring's lower half
                }
                if (d2 <= 49) {
                    continue;
                }
                // Black shows the first paint's screen; the rest of the picture stays as drawn.
                ASSERT_EQ(shown, pic == 0 ? saved[i] : pic) << x << "," << y;
            }
        }
        EXPECT_GT(ring, 8) << "target " << c.target;
        d.DrawHandPrompt(c.bRight, 0, dc);
        i = 0;
        for (int y = y0; y < k.top; ++y) {
            for (int x = x0; x < x0 + 75; ++x) {
                ASSERT_EQ(win.Pixel(x, y), saved[i++]);
            }
        }
        d.ReleaseDC(dc);
    }
}

TEST(HandPrompt, BlinksAfterAWrongKeyAndGoesWithTheRightOne)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const int bRight = HandOfKey(d.m_nTargetRow, d.m_nTargetCol) == 1 ? 0 : 1;
    const RECT& k = d.m_rcKey[0][bRight != 0 ? 11 : 2];
    const PixelBuffer& saved = bRight != 0 ? d.m_rightHandBackground : d.m_leftHandBackground;
    auto areaIsSaved = [&] {
        std::size_t i = 0;
        for (int y = k.top - 83; y < k.top; ++y) {
            for (int x = k.left; x < k.left + 75; ++x) {
                if (win.Pixel(x, y) != saved[i++]) {
                    return false;
                }
            }
        }
        return true;
    };
    win.Type(static_cast<unsigned char>(win.Wrong()));
    win.Type(static_cast<unsigned char>(win.Wrong()));
    EXPECT_EQ(d.m_nWrongKeys, 2);
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_HAND_BLINK), 300);
    EXPECT_TRUE(areaIsSaved());
    testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
    EXPECT_FALSE(areaIsSaved());
    testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
    EXPECT_TRUE(areaIsSaved());
    testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
    EXPECT_FALSE(areaIsSaved());
    win.Type(static_cast<unsigned char>(win.Target()));
    EXPECT_TRUE(areaIsSaved());
    EXPECT_FALSE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK));
    EXPECT_EQ(d.m_nWrongKeys, 0);
    EXPECT_EQ(d.m_nHandPhase, 0);
}
