// The practice window's glue: what a key, Start or a set choice draws and plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "scene/Drawing.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/Outlines.h"

TEST(Passes, TheFirstStartAsksTheWholeFirstPass)
{
    PracticeWindow win;
    const int head = win.dlg().GetExercise().Order()[0];
    win.Key(VK_F2);
    EXPECT_EQ(win.dlg().GetExercise().Order()[0], head);
    EXPECT_EQ(win.dlg().GetExercise().OrderLeft(), 26);
    // A second Start skips the shown target.
    win.Key(VK_F2);
    EXPECT_EQ(win.dlg().GetExercise().OrderLeft(), 25);
    // Choosing the set already chosen keeps it marked, reshuffles and restarts.
    CButton set1;
    set1.Bind(&win.dlg(), IDC_SET1);
    set1.Click();
    EXPECT_TRUE(testing_hooks::ControlChecked(win.dlg(), IDC_SET1));
    EXPECT_EQ(win.dlg().GetExercise().SetSize(), 26);
    EXPECT_EQ(win.dlg().GetExercise().OrderLeft(), 25);
    CButton set3;
    set3.Bind(&win.dlg(), IDC_SET3);
    set3.Click();
    EXPECT_TRUE(testing_hooks::ControlChecked(win.dlg(), IDC_SET3));
    EXPECT_FALSE(testing_hooks::ControlChecked(win.dlg(), IDC_SET1));
    EXPECT_EQ(win.dlg().GetExercise().SetSize(), 62);
}

TEST(Apple, IsASolidYellowAppleWithARedCharacterInTheCrown)
{
    for (const int set : {0, 3}) {
        PracticeWindow win(1024, 768);
        win.Key(VK_F3 + set);
        PracticeDialog& d = win.dlg();
        for (int step = 0; step < 8; ++step) {
            const POINT a = d.GetScene().ApplePos();
            for (const POINT& p : d.GetScene().ApplePoints()) {
                // Yellow, or the red character drawn over it.
                const COLORREF c = win.Pixel(a.x + p.x, a.y + p.y);
                ASSERT_EQ(GetRValue(c), 255);
                ASSERT_EQ(GetBValue(c), 0);
                for (const POINT& t : d.GetScene().TreePoints()) {
                    ASSERT_FALSE(t.x == a.x + p.x && t.y == a.y + p.y);
                }
            }
            const std::vector<POINT> inside = FourConnectedFill(d.GetScene().ApplePoints(), {0, 0}, 54, 71, {14, 25});
            ASSERT_EQ(inside.size(), 2060u);
            int ink = 0;
            for (const POINT& p : inside) {
                const COLORREF c = win.Pixel(a.x + p.x, a.y + p.y);
                // Yellow, or the red character blended over it.
                ASSERT_EQ(GetRValue(c), 255);
                ASSERT_EQ(GetBValue(c), 0);
                ink += GetGValue(c) < 128 ? 1 : 0;
            }
            EXPECT_GT(ink, 20);
            EXPECT_LT(a.y + 70, 388);
            EXPECT_GE(a.y, 0);
            win.Type(static_cast<unsigned char>(win.Target()));
        }
    }
}

TEST(Apple, TheLettersOnlySetShowsTheCapitalWhileTheTargetStaysLowerCase)
{
    PracticeWindow win(1024, 768);
    win.Key(VK_F2);
    PracticeDialog& d = win.dlg();
    ASSERT_TRUE(d.GetExercise().Target() >= 'a' && d.GetExercise().Target() <= 'z');
    // Draw the same apple with each case on the saved background and see which the screen shows.
    auto render = [&](char shown) {
        Surface s(54, 71);
        CDC dc(&s);
        for (std::size_t i = 0; i < 54 * 71; ++i) {
            dc.SetPixel(static_cast<int>(i % 54), static_cast<int>(i / 54), d.GetScene().AppleBackground()[i]);
        }
        for (const POINT& p : d.GetScene().ApplePoints()) {
            dc.SetPixel(p.x, p.y, RGB(255, 255, 0));
        }
        CBrush yellow;
        yellow.CreateSolidBrush(RGB(255, 255, 0));
        dc.SelectObject(&yellow);
        dc.FloodFill(14, 25, RGB(255, 255, 0));
        // The character's ink centred on the apple's body, at (26, 40) of its box.
        CFont font;
        font.CreateFont(AppleGlyphHeight(static_cast<char32_t>(shown)), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0,
                        0, 0, 0, kAppleFace);
        dc.SelectObject(&font);
        dc.SetTextColor(RGB(255, 0, 0));
        dc.SetBkMode(TRANSPARENT);
        const std::string text(1, shown);
        const POINT at = CentredTextOrigin(POINT{26, 40}, dc.GetTextInkBox(text));
        dc.TextOut(at.x, at.y, text);
        return s;
    };
    const POINT a = d.GetScene().ApplePos();
    auto matches = [&](const Surface& s) {
        return PixelsOf(s, {0, 0, 54, 71}) == win.Pixels({a.x, a.y, a.x + 54, a.y + 71});
    };
    EXPECT_TRUE(matches(render(static_cast<char>(d.GetExercise().Target() - 32))));
    EXPECT_FALSE(matches(render(d.GetExercise().Target())));
}

TEST(Apple, TheOldAppleAndKeyAreRestoredPixelForPixel)
{
    PracticeWindow win(1024, 768);
    PracticeDialog& d = win.dlg();
    const std::vector<std::uint32_t> before(win.screen().Data(), win.screen().Data() + 1024 * 768);
    win.Key(VK_F2);
    for (int i = 0; i < 5; ++i) {
        win.Type(static_cast<unsigned char>(win.Target()));
    }
    const RECT key = d.GetScene().KeyRectangles()[d.GetExercise().TargetKey().row][d.GetExercise().TargetKey().col];
    const POINT a = d.GetScene().ApplePos();
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const bool inKey = x >= key.left && x <= key.right && y >= key.top && y <= key.bottom;
            const bool inApple = x >= a.x && x <= a.x + 53 && y >= a.y && y <= a.y + 70;
            if (!inKey && !inApple) {
                ASSERT_EQ(win.screen().Row(y)[x], before[static_cast<std::size_t>(y * 1024 + x)]) << x << "," << y;
            }
        }
    }
}

TEST(Keystrokes, TheReportAfterASequenceAndTheRunTimeStartsWithTheRun)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Fire(TIMER_CLOCK, 12);  // two minutes before Start
    win.Key(VK_F2);
    EXPECT_EQ(d.GetExercise().Ticks(), 0);
    EXPECT_EQ(d.GetExercise().TotalTicks(), 12);
    win.Fire(TIMER_CLOCK, 3);  // half a minute of this run
    win.Type(static_cast<unsigned char>(win.Wrong()));
    win.Type(static_cast<unsigned char>(win.Target()));
    win.Type(static_cast<unsigned char>(win.Target()));
    // 3 keys in 15 ticks (2.5 minutes) overall; 3 keys in 3 ticks (0.5 minutes) this run.
    EXPECT_EQ(d.ReportText(), "Test report:total:3.tests:3.total correct:2.correct:2.total time:15.time:3."
                              "total average speed:001.2.current speed:006.0.");
    EXPECT_EQ(d.GetDlgItemText(IDC_REPORT), d.ReportText());
}

TEST(Keystrokes, TheReportBoxShowsEveryTextItIsGivenInTurn)
{
    // The read-only box replaces only what changed: texts that grow, shrink, share a start or an
    // end, change inside a surrogate pair, or span lines must all read back whole.
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    const char* const texts[] = {"Test report:total:3.tests:3.",
                                 "Test report:total:13.tests:3.",
                                 "Test report:total:13.tests:3.",
                                 "Test report:total:4.tests:3.",
                                 "",
                                 "\xF0\x9F\x8D\x8E apple",
                                 "\xF0\x9F\x8D\x8F apple",
                                 "\xE6\xB5\x8B\xE8\xAF\x95\xE6\x8A\xA5\xE5\x91\x8A:3.",
                                 "two\nlines",
                                 "one line again"};
    for (const char* text : texts) {
        d.SetDlgItemText(IDC_REPORT, text);
        EXPECT_EQ(d.GetDlgItemText(IDC_REPORT), text);
    }
}

TEST(Keystrokes, SoundsAreChosenWithTheRightFlags)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const void* voice = d.GetSounds().Voice(d.GetExercise().TargetNumber());
    ASSERT_EQ(win.sounds.size(), 1u);
    EXPECT_EQ(win.sounds[0].image, voice);
    EXPECT_EQ(win.sounds[0].flags, SND_ASYNC | SND_MEMORY);
    EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT));
    // A wrong key while the name still plays: ZERROR is asked for with NOSTOP and dropped.
    win.Type(static_cast<unsigned char>(win.Wrong()));
    ASSERT_EQ(win.sounds.size(), 2u);
    EXPECT_EQ(win.sounds[1].image, d.GetSounds().Wrong());
    EXPECT_EQ(win.sounds[1].flags, SND_ASYNC | SND_MEMORY | SND_NOSTOP);
    EXPECT_FALSE(win.sounds[1].played);
    win.LetSoundsEnd();
    win.Type(static_cast<unsigned char>(win.Wrong()));
    EXPECT_TRUE(win.sounds[2].played);
    // The right key: ZOK (dropped, ZERROR still plays), then the next name cuts in.
    win.Type(static_cast<unsigned char>(win.Target()));
    ASSERT_EQ(win.sounds.size(), 5u);
    EXPECT_EQ(win.sounds[3].image, d.GetSounds().Right());
    EXPECT_EQ(win.sounds[3].flags, SND_ASYNC | SND_MEMORY | SND_NOSTOP);
    EXPECT_FALSE(win.sounds[3].played);
    EXPECT_EQ(win.sounds[4].flags, SND_ASYNC | SND_MEMORY);
    EXPECT_TRUE(win.sounds[4].played);
    EXPECT_EQ(win.sounds[4].image, d.GetSounds().Voice(d.GetExercise().TargetNumber()));
}

TEST(Apple, EveryCharacterStaysInsideTheAppleBoxSoNothingIsLeftBehind)
{
    // The box is put back when the apple goes; ink outside it would stay on the screen.
    const std::string chars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789`-=\\[];',./~!@#$%^&*()_+{}|:\"<>?";
    for (const char ch : chars) {
        Surface s(200, 200, ToScreenPixel(RGB(255, 255, 0)));
        CDC dc(&s);
        CFont font;
        font.CreateFont(30, 24, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "system");
        dc.SelectObject(&font);
        dc.SetTextColor(RGB(255, 0, 0));
        dc.SetBkMode(TRANSPARENT);
        // The apple box spans (50..103, 50..120); the character goes 12 right and 25 below its corner.
        dc.TextOut(50 + 12, 50 + 25, std::string(1, ch));
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                const bool inBox = x >= 50 && x <= 103 && y >= 50 && y <= 120;
                if (!inBox) {
                    ASSERT_EQ(dc.GetPixel(x, y), RGB(255, 255, 0)) << "'" << ch << "' at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Repaint, TheAppleTheBlinkingKeyAndTheHandComeBackAsTheyWere)
{
    // Each state a closed box or a restore may find: an apple, the key in its dark phase, the hand on show.
    for (const int state : {0, 1, 2}) {
        for (const POINT size : {POINT{1024, 768}, POINT{1920, 1080}}) {
            PracticeWindow win(size.x, size.y);
            PracticeDialog& d = win.dlg();
            win.Key(VK_F2);
            if (state >= 1) {
                testing_hooks::FireTimer(d, TIMER_KEY_BLINK);  // the key hides
            }
            if (state == 2) {
                win.Type(static_cast<unsigned char>(win.Wrong()));
                testing_hooks::FireTimer(d, TIMER_HAND_BLINK);  // the hand shows
            }
            const std::vector<COLORREF> before = win.Pixels({0, 0, size.x, size.y});
            testing_hooks::PaintNow(d);
            EXPECT_TRUE(win.Pixels({0, 0, size.x, size.y}) == before)
                << "state " << state << " at " << size.x << "x" << size.y;
            // Blinking goes on from there: the hand hides at its next tick.
            if (state == 2) {
                testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
                EXPECT_TRUE(win.HandHidden(d.GetExercise().TargetHandIsRight()));
            }
        }
    }
}

TEST(HandPrompt, StartAndASetChoiceTakeTheOldTargetsHandAway)
{
    for (const int route : {0, 1, 2}) {  // F2, F4, a click on the third set's check box
        PracticeWindow win;
        PracticeDialog& d = win.dlg();
        win.Key(VK_F2);
        const int bRight = d.GetExercise().TargetHandIsRight();
        win.Type(static_cast<unsigned char>(win.Wrong()));
        testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
        ASSERT_FALSE(win.HandHidden(bRight));
        if (route == 0) {
            win.Key(VK_F2);
        } else if (route == 1) {
            win.Key(VK_F4);
        } else {
            CButton set3;
            set3.Bind(&d, IDC_SET3);
            set3.Click();
        }
        EXPECT_TRUE(win.HandHidden(bRight)) << "route " << route;
        EXPECT_FALSE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK)) << "route " << route;
        EXPECT_EQ(d.GetExercise().WrongKeys(), 0) << "route " << route;
        // One wrong key for the new target starts its own prompt from the beginning.
        win.Type(static_cast<unsigned char>(win.Wrong()));
        EXPECT_EQ(d.GetExercise().WrongKeys(), 1);
        EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK));
    }
}
