// The practice window's glue: what a key, Start or a set choice draws and plays.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "scene/Scene.h"
#include "tests/support/DialogFixture.h"
#include "tests/support/Outlines.h"

TEST(Apple, IsASolidYellowAppleWithARedCharacterInTheCrownAndTheOldOnesAndKeysArePutBack)
{
    for (const int set : {0, 3}) {
        PracticeWindow win(1024, 768);
        PracticeDialog& d = win.dlg();
        const std::vector<std::uint32_t> before(win.screen().Data(), win.screen().Data() + 1024 * 768);
        win.Key(VK_F3 + set);
        // The outline and what a four-connected fill reaches inside it.
        std::vector<POINT> apple = FourConnectedFill(d.GetScene().ApplePoints(), {0, 0}, 54, 71, {14, 25});
        apple.insert(apple.end(), std::begin(d.GetScene().ApplePoints()), std::end(d.GetScene().ApplePoints()));
        for (int step = 0; step < 8; ++step) {
            const POINT a = d.GetScene().ApplePos();
            int ink = 0;
            for (const POINT& p : apple) {
                // Yellow, or the red character blended over it.
                const COLORREF c = win.Pixel(a.x + p.x, a.y + p.y);
                ASSERT_EQ(GetRValue(c), 255);
                ASSERT_EQ(GetBValue(c), 0);
                ink += GetGValue(c) < 128 ? 1 : 0;
            }
            EXPECT_GT(ink, 20);
            EXPECT_LT(a.y + 70, 388);
            EXPECT_GE(a.y, 0);
            win.Type(static_cast<unsigned char>(win.Target()));
        }
        // Pixel for pixel the screen before the first apple, but for the key and apple on show.
        const RECT key = d.GetScene().KeyRect(d.GetExercise().TargetKey().row, d.GetExercise().TargetKey().col);
        const POINT a = d.GetScene().ApplePos();
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const bool inKey = x >= key.left && x <= key.right && y >= key.top && y <= key.bottom;
                const bool inApple = x >= a.x && x <= a.x + 53 && y >= a.y && y <= a.y + 70;
                if (!inKey && !inApple) {
                    ASSERT_EQ(win.screen().Row(y)[x], before[static_cast<std::size_t>(y * 1024 + x)])
                        << "set " << set + 1 << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Apple, TheLettersOnlySetShowsTheCapitalWhileTheTargetStaysLowerCase)
{
    PracticeWindow win(1024, 768);
    win.Key(VK_F2);
    PracticeDialog& d = win.dlg();
    ASSERT_TRUE(d.GetExercise().Target() >= 'a' && d.GetExercise().Target() <= 'z');
    // Put the saved background back on a copy of the screen and draw the apple there in each case.
    const POINT a = d.GetScene().ApplePos();
    auto matches = [&](char shown) {
        Surface copy(win.screen());
        Scene scene(d.GetScene());
        CDC dc(&copy);
        scene.RestoreApple(&dc);
        scene.RedrawApple(&dc, static_cast<char32_t>(shown));
        return PixelsOf(copy, {a.x, a.y, a.x + 54, a.y + 71}) == win.Pixels({a.x, a.y, a.x + 54, a.y + 71});
    };
    EXPECT_TRUE(matches(static_cast<char>(d.GetExercise().Target() - 32)));
    EXPECT_FALSE(matches(static_cast<char>(d.GetExercise().Target())));
}

TEST(Keystrokes, TheReportAfterASequenceInTheLanguageAndTheRunTimeStartsWithTheRun)
{
    // 3 keys in 15 ticks (2.5 minutes) overall; 3 keys in 3 ticks (0.5 minutes) this run.
    const std::pair<const char*, const char*> cases[] = {
        {"en_US.UTF-8", "Test report:total:3.tests:3.total correct:2.correct:2.total time:15.time:3."
                        "total average speed:001.2.current speed:006.0."},
        {"de_AT.UTF-8", "Prüfbericht:gesamt:3.tests:3.insgesamt richtig:2.korrigieren:2.gesamtzeit:15.zeit:3."
                        "alle speed:001.2.geschwindigkeit:006.0."},
    };
    for (const auto& [lang, report] : cases) {
        PracticeWindow win(1024, 768, lang);
        PracticeDialog& d = win.dlg();
        EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_CLOCK), 10000);
        win.Fire(TIMER_CLOCK, 12);  // two minutes before Start
        win.Key(VK_F2);
        win.Fire(TIMER_CLOCK, 3);  // half a minute of this run
        win.Fire(999);             // an unknown timer does nothing
        win.Type(static_cast<unsigned char>(win.Wrong()));
        win.Type(static_cast<unsigned char>(win.Target()));
        win.Type(static_cast<unsigned char>(win.Target()));
        EXPECT_EQ(d.GetDlgItemText(IDC_REPORT), report) << lang;
    }
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

TEST(Keystrokes, NamesRepeatsAndKeySoundsAreChosenWithTheRightFlags)
{
    constexpr UINT kNow = SND_ASYNC | SND_MEMORY, kNoStop = SND_ASYNC | SND_MEMORY | SND_NOSTOP;
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    const void* voice = d.GetSounds().Voice(d.GetExercise().TargetNumber());
    ASSERT_EQ(win.sounds.size(), 1u);
    EXPECT_EQ(win.sounds[0].image, voice);
    EXPECT_EQ(win.sounds[0].flags, kNow);
    EXPECT_EQ(testing_hooks::TimerInterval(d, TIMER_VOICE_REPEAT), 1500);
    // The name's repeat and a wrong key while the name still plays: asked for with NOSTOP and dropped.
    win.Fire(TIMER_VOICE_REPEAT);
    win.Type(static_cast<unsigned char>(win.Wrong()));
    ASSERT_EQ(win.sounds.size(), 3u);
    EXPECT_EQ(win.sounds[1].image, voice);
    EXPECT_EQ(win.sounds[2].image, d.GetSounds().Wrong());
    for (const std::size_t i : {1u, 2u}) {
        EXPECT_EQ(win.sounds[i].flags, kNoStop) << i;
        EXPECT_FALSE(win.sounds[i].played) << i;
    }
    win.LetSoundsEnd();
    win.Fire(TIMER_VOICE_REPEAT);
    EXPECT_TRUE(win.sounds[3].played);
    win.LetSoundsEnd();
    win.Type(static_cast<unsigned char>(win.Wrong()));
    EXPECT_TRUE(win.sounds[4].played);
    // The right key: ZOK (dropped, ZERROR still plays), then the next name cuts in and repeats.
    win.Type(static_cast<unsigned char>(win.Target()));
    ASSERT_EQ(win.sounds.size(), 7u);
    EXPECT_EQ(win.sounds[5].image, d.GetSounds().Right());
    EXPECT_EQ(win.sounds[5].flags, kNoStop);
    EXPECT_FALSE(win.sounds[5].played);
    EXPECT_EQ(win.sounds[6].flags, kNow);
    EXPECT_TRUE(win.sounds[6].played);
    EXPECT_EQ(win.sounds[6].image, d.GetSounds().Voice(d.GetExercise().TargetNumber()));
    EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_VOICE_REPEAT));
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

TEST(HandPrompt, StartAndASetChoiceTakeTheOldTargetsHandAwayAndMarkTheSet)
{
    // Each way to start anew, the check box marked after it, and the pass it leaves: a restart
    // moves past the target on show.
    struct Route {
        int key;  // a function key, or 0 for a click on 'box'
        int box;
        int size, left;
    };
    const Route routes[] = {
        {VK_F2, IDC_SET1, 26, 25},
        {VK_F4, IDC_SET2, 52, 51},
        {0, IDC_SET3, 62, 61},
        {0, IDC_SET1, 26, 25},  // the set already chosen: still marked, and reshuffled
    };
    for (const Route& route : routes) {
        PracticeWindow win;
        PracticeDialog& d = win.dlg();
        const std::string at = "key " + std::to_string(route.key) + " box " + std::to_string(route.box);
        const int head = d.GetExercise().Order()[0];
        win.Key(VK_F2);
        // The first Start shows the head of a whole pass.
        EXPECT_EQ(d.GetExercise().Order()[0], head);
        EXPECT_EQ(d.GetExercise().OrderLeft(), 26);
        const int bRight = d.GetExercise().TargetHandIsRight();
        win.Type(static_cast<unsigned char>(win.Wrong()));
        testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
        ASSERT_FALSE(win.HandHidden(bRight));
        if (route.key != 0) {
            win.Key(route.key);
        } else {
            CButton box;
            box.Bind(&d, route.box);
            box.Click();
        }
        EXPECT_TRUE(win.HandHidden(bRight)) << at;
        EXPECT_FALSE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK)) << at;
        EXPECT_EQ(d.GetExercise().WrongKeys(), 0) << at;
        for (const int id : {IDC_SET1, IDC_SET2, IDC_SET3, IDC_SET4}) {
            EXPECT_EQ(testing_hooks::ControlChecked(d, id), id == route.box) << at << " check box " << id;
        }
        EXPECT_EQ(d.GetExercise().SetSize(), route.size) << at;
        EXPECT_EQ(d.GetExercise().OrderLeft(), route.left) << at;
        // One wrong key for the new target starts its own prompt from the beginning.
        win.Type(static_cast<unsigned char>(win.Wrong()));
        EXPECT_EQ(d.GetExercise().WrongKeys(), 1) << at;
        EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK)) << at;
    }
}
