// Timer ticks and the hand prompt.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "scene/HandPrompt.h"
#include "scene/Scene.h"
#include "tests/support/DialogFixture.h"

namespace {

const RECT& TargetRect(PracticeWindow& win)
{
    const KeyCell k = win.dlg().GetExercise().TargetKey();
    return win.dlg().GetScene().KeyRect(k.row, k.col);
}

// A desktop of thin coloured stripes, unlike any key cap.
Surface StripedDesktop()
{
    Surface s(1024, 768);
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            s.Row(y)[x] = ToScreenPixel(RGB((x * 7) % 256, (y * 5) % 256, ((x + y) * 3) % 256));
        }
    }
    return s;
}

// The desktop the windows paint while it lives.
struct DesktopShown {
    explicit DesktopShown(const Surface& s) { testing_hooks::SetDesktop(s); }
    ~DesktopShown() { testing_hooks::SetDesktop(Surface()); }
    DesktopShown(const DesktopShown&) = delete;
    DesktopShown& operator=(const DesktopShown&) = delete;
};

}  // namespace

TEST(Blinking, TheKeyHidesAtTheFirstTickAfterAWrongKeyTheHandShowsAndTheRightKeyEndsBoth)
{
    const Surface desktop = StripedDesktop();
    const DesktopShown shown(desktop);
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_KEY_BLINK), 200);
    const RECT k = TargetRect(win);
    const PixelBuffer background = PixelsOf(desktop, {k.left, k.top, k.right + 1, k.bottom + 1});
    EXPECT_TRUE(win.KeyShows(k, d.GetScene().KeyScratch()));
    testing_hooks::TakePresented(d);
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    EXPECT_TRUE(win.KeyShows(k, background));
    // Only the key's rectangle is presented.
    for (const RECT& r : testing_hooks::TakePresented(d)) {
        EXPECT_GE(r.left, k.left);
        EXPECT_GE(r.top, k.top);
        EXPECT_LE(r.right, k.right + 1);
        EXPECT_LE(r.bottom, k.bottom + 1);
    }
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    EXPECT_TRUE(win.KeyShows(k, d.GetScene().KeyScratch()));

    // The hand over the target's finger: from the first tick after a wrong key, every other tick.
    const int bRight = d.GetExercise().TargetHandIsRight();
    win.Type(static_cast<unsigned char>(win.Wrong()));
    win.Type(static_cast<unsigned char>(win.Wrong()));
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_HAND_BLINK), 300);
    for (const bool hidden : {true, false, true}) {
        EXPECT_EQ(win.HandHidden(bRight), hidden);
        testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
    }
    ASSERT_FALSE(win.HandHidden(bRight));

    // A right key while the key is hidden puts its cap back before the next target, and takes
    // the hand away.
    testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
    const PixelBuffer cap = d.GetScene().KeyScratch();
    win.Type(static_cast<unsigned char>(win.Target()));
    if (TargetRect(win) != k) {
        EXPECT_TRUE(win.KeyShows(k, cap));
    }
    EXPECT_TRUE(win.HandHidden(bRight));
    EXPECT_FALSE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK));
    EXPECT_EQ(d.GetExercise().HandPhase(), 0);
}

TEST(KeyBlink, ShiftForACapitalAndAltGrForAThirdLevelBlinkWithTheKeyAndArePutBack)
{
    // US: a capital of set 2; French: a target typed with AltGr in set 4.
    struct Case {
        const char* layout;
        int setKey;
        KeyLevel level;
    };
    for (const Case c : {Case{"us", VK_F4, KeyLevel::Shift}, Case{"fr", VK_F6, KeyLevel::AltGr}}) {
        setenv("XKB_DEFAULT_LAYOUT", c.layout, 1);
        const Surface desktop = StripedDesktop();
        const DesktopShown shown(desktop);
        PracticeWindow win;
        PracticeDialog& d = win.dlg();
        win.Key(c.setKey);
        for (int i = 0; i < 400 && d.GetExercise().TargetTable()[d.GetExercise().TargetNumber()].level != c.level;
             ++i) {
            win.Key(VK_F2);
        }
        unsetenv("XKB_DEFAULT_LAYOUT");
        const KeyCell m = d.GetExercise().ModifierKey();
        ASSERT_NE(m, kNoKey) << c.layout;
        const RECT& rc = d.GetScene().KeyRect(m.row, m.col);
        const PixelBuffer cap = win.KeyPixels(rc);
        testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
        EXPECT_TRUE(win.KeyShows(rc, PixelsOf(desktop, {rc.left, rc.top, rc.right + 1, rc.bottom + 1})))
            << c.layout << ": hidden with the key";
        EXPECT_FALSE(win.KeyShows(rc, cap)) << c.layout;
        // A right key while both are hidden puts the modifier's cap back.
        win.Type(d.GetExercise().Target());
        if (d.GetExercise().ModifierKey() != m) {
            EXPECT_TRUE(win.KeyShows(rc, cap)) << c.layout << ": the modifier's cap is back";
        }
    }
}

TEST(VoiceRepeat, AKeyWithoutAVoicePlaysNothingWhileAnEarlierRepeatRuns)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F6);
    // A spoken target starts the repeats; then skip to the bracket key, which has no voice.
    while (d.GetSounds().Voice(d.GetExercise().TargetNumber()) == nullptr) {
        win.Key(VK_F2);
    }
    for (int i = 0; i < 2 * kTargetCount && d.GetExercise().Target() != '['; ++i) {
        win.Key(VK_F2);
    }
    ASSERT_EQ(d.GetExercise().Target(), '[');
    ASSERT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT));
    win.sounds.clear();
    const std::size_t before = win.sounds.size();
    win.LetSoundsEnd();
    testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
    EXPECT_EQ(win.sounds.size(), before);
}

TEST(Ambient, TheSixthIdleTickPlaysAGardenSoundAndAKeyKeepsItSilent)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Fire(TIMER_AMBIENT, 5);
    EXPECT_TRUE(win.sounds.empty());
    EXPECT_EQ(d.GetExercise().IdleSeconds(), 5);
    testing_hooks::FireTimer(d, TIMER_AMBIENT);
    ASSERT_EQ(win.sounds.size(), 1u);
    EXPECT_EQ(win.sounds[0].flags, SND_ASYNC | SND_MEMORY);
    int ambient = 0;
    while (ambient < 5 && d.GetSounds().Ambient(ambient) != win.sounds[0].image)
        ++ambient;
    EXPECT_LT(ambient, 5) << "a garden sound";
    EXPECT_EQ(d.GetExercise().IdleSeconds(), 0);
    // Any key, even one that types nothing, starts the idle time again.
    win.Fire(TIMER_AMBIENT, 5);
    win.Key(VK_SHIFT);
    win.Fire(TIMER_AMBIENT, 5);
    EXPECT_EQ(win.sounds.size(), 1u);
}

TEST(HandPrompt, FingerAndHandOfTheKeys)
{
    struct Case {
        int row, col, hand, finger;
    };
    const Case cases[] = {
        {2, 3, 1, 1},   // d: left middle
        {1, 10, 0, 3},  // p: right little
        {0, 4, 1, 0},   // 4: left index
        {0, 5, 1, 0},   // 5
        {0, 6, 0, 0},   // 6: right index
        {0, 7, 0, 0},   // 7
        {2, 8, 0, 1},   // k: right middle
        {2, 9, 0, 2},   // l: right ring
        {1, 2, 1, 2},   // w: left ring
        {0, 0, 1, 3},   // `: left little
        {3, 1, 1, 3},   // z
        {4, 0, 1, 3},   // bottom row, left Ctrl
        {4, 3, 1, 0},   // space bar
        {4, 4, 0, 1},   // right Alt
        {4, 6, 0, 3},   // right Ctrl
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HandOfKey(c.row, c.col), c.hand) << c.row << "," << c.col;
        EXPECT_EQ(FingerNumber(c.row, c.col), c.finger) << c.row << "," << c.col;
    }
    EXPECT_EQ(FingerMark(0, 1), (POINT{30, 12}));
    EXPECT_EQ(FingerMark(1, 3), (POINT{63, 37}));
}

TEST(HandPrompt, EveryFingerOfBothHandsShowsItsRingAndHidesExactly)
{
    // The scene alone, on a screen of its own: no window is needed to draw it.
    Scene scene;
    scene.Build(1024, 768);
    Surface screen(1024, 768, 0xff336699u);
    CDC dc(&screen);
    const Exercise rules;
    scene.PaintKeysAndTree(dc, rules.PlainChars(), rules.ShiftChars());
    const POINT marks[2][4] = {{{47, 15}, {30, 12}, {19, 23}, {11, 37}}, {{29, 15}, {45, 12}, {57, 23}, {63, 37}}};
    for (int bRight = 0; bRight < 2; ++bRight) {
        for (int finger = 0; finger < 4; ++finger) {
            const POINT mark = marks[bRight][finger];
            const RECT& k = scene.KeyRect(0, bRight != 0 ? 11 : 2);
            const int x0 = k.left;
            const int y0 = k.top - scene.HandHeight();
            const PixelBuffer& saved = scene.HandBackground(bRight);
            CBitmap hand;
            ASSERT_TRUE(hand.LoadBitmap(IDB_LEFT_HAND + static_cast<UINT>(bRight)));
            scene.DrawHandPrompt(&dc, bRight, 1, finger);
            std::size_t i = 0;
            int ring = 0;
            for (int y = 0; y < 83; ++y) {
                for (int x = 0; x < 75; ++x, ++i) {
                    const COLORREF pic = FromScreenPixel(hand.Pixels().Row(y)[x]);
                    const COLORREF shown = dc.GetPixel(x0 + x, y0 + y);
                    const int dx = x - mark.x, dy = y - mark.y;
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
            EXPECT_GT(ring, 8) << "hand " << bRight << " finger " << finger;
            scene.DrawHandPrompt(&dc, bRight, 0, finger);
            ASSERT_EQ(PixelsOf(screen, {x0, y0, x0 + 75, k.top}), saved);
        }
    }
}

namespace {

// Every pixel of the board, outside the keys named: what the caps and their legends show.
std::vector<COLORREF> BoardOutside(PracticeWindow& win, const std::vector<KeyCell>& skip)
{
    const KeyRects& keys = win.dlg().GetScene().KeyRectangles();
    RECT board{keys[0][0].left, keys[0][0].top, keys[0][0].right, keys[0][0].bottom};
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeysInRow[r]; ++c) {
            board.left = std::min(board.left, keys[r][c].left);
            board.top = std::min(board.top, keys[r][c].top);
            board.right = std::max(board.right, keys[r][c].right);
            board.bottom = std::max(board.bottom, keys[r][c].bottom);
        }
    }
    std::vector<COLORREF> out;
    for (int y = board.top; y <= board.bottom; ++y) {
        for (int x = board.left; x <= board.right; ++x) {
            bool skipped = false;
            for (const KeyCell k : skip) {
                if (k == kNoKey) {
                    continue;
                }
                const RECT& rc = keys[k.row][k.col];
                skipped = skipped || (x >= rc.left && x <= rc.right && y >= rc.top && y <= rc.bottom);
            }
            out.push_back(skipped ? 0 : win.Pixel(x, y));
        }
    }
    return out;
}

}  // namespace

TEST(LayoutSwitch, AtStartEveryCapShowsWhatAFreshStartWithTheNewLayoutShows)
{
    // The old target sits on a key whose letter moves between the layouts (fr A/Q, Z/W, M; de Y),
    // where an old cap put back would show the old layout's legends.
    const std::u32string moving = U"aqzwym";
    for (const auto& [from, to] : {std::pair{"fr", "de"}, std::pair{"de", "fr"}}) {
        setenv("XKB_DEFAULT_LAYOUT", to, 1);
        PracticeWindow fresh;
        fresh.Key(VK_F2);
        setenv("XKB_DEFAULT_LAYOUT", from, 1);
        PracticeWindow win;
        PracticeDialog& d = win.dlg();
        win.Key(VK_F2);
        for (int i = 0; i < 400 && moving.find(d.GetExercise().Target()) == std::u32string::npos; ++i) {
            win.Key(VK_F2);
        }
        ASSERT_NE(moving.find(d.GetExercise().Target()), std::u32string::npos);
        const KeyCell old = d.GetExercise().TargetKey();
        setenv("XKB_DEFAULT_LAYOUT", to, 1);
        win.Key(VK_F2);
        unsetenv("XKB_DEFAULT_LAYOUT");
        // The targets' keys blink.
        const std::vector<KeyCell> skip{d.GetExercise().TargetKey(), d.GetExercise().ModifierKey(),
                                        fresh.dlg().GetExercise().TargetKey(), fresh.dlg().GetExercise().ModifierKey()};
        EXPECT_EQ(BoardOutside(win, skip), BoardOutside(fresh, skip))
            << from << " to " << to << ", old key row " << old.row << " col " << old.col;
    }
}
