// The practice window as it opens: where it and its controls are, focus, the system menu,
// and where keys go.
#include <gtest/gtest.h>

#include <set>

#include "tests/support/DialogFixture.h"

namespace {

// Where the controls stand with the template's sizes (right and bottom exclusive): buttons and
// report box along the bottom by the layout table; the check boxes in one row above the buttons,
// or at 800 x 600, where the keyboard leaves no room below it, in two rows above the hand prompts.
struct PlacedControls {
    int w, h;
    RECT start, help, exit, report, set[4];
};
constexpr PlacedControls kPlaced[] = {
    {1024,
     768,
     {150, 721, 270, 747},
     {420, 721, 540, 747},
     {690, 721, 810, 747},
     {2, 747, 1022, 768},
     {{8, 700, 244, 720}, {252, 700, 440, 720}, {448, 700, 696, 720}, {704, 700, 1014, 720}}},
    {800,
     600,
     {113, 553, 233, 579},
     {346, 553, 466, 579},
     {579, 553, 699, 579},
     {2, 579, 798, 600},
     {{80, 260, 316, 280}, {408, 260, 596, 280}, {80, 286, 328, 306}, {408, 286, 718, 306}}},
    {1920,
     1080,
     {300, 1033, 420, 1059},
     {720, 1033, 840, 1059},
     {1140, 1033, 1260, 1059},
     {2, 1059, 1918, 1080},
     {{187, 1012, 423, 1032}, {610, 1012, 798, 1032}, {985, 1012, 1233, 1032}, {1420, 1012, 1730, 1032}}},
    {1080,
     1920,
     {160, 1873, 280, 1899},
     {440, 1873, 560, 1899},
     {720, 1873, 840, 1899},
     {2, 1899, 1078, 1920},
     {{19, 1852, 255, 1872}, {274, 1852, 462, 1872}, {481, 1852, 729, 1872}, {748, 1852, 1058, 1872}}},
};

void ExpectControlsPlaced(PracticeDialog& d, const PlacedControls& want)
{
    const std::string at = std::to_string(want.w) + "x" + std::to_string(want.h);
    EXPECT_EQ(testing_hooks::ControlRect(d, IDOK), want.start) << at;
    EXPECT_EQ(testing_hooks::ControlRect(d, IDC_HELP_BUTTON), want.help) << at;
    EXPECT_EQ(testing_hooks::ControlRect(d, IDCANCEL), want.exit) << at;
    EXPECT_EQ(testing_hooks::ControlRect(d, IDC_REPORT), want.report) << at;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(testing_hooks::ControlRect(d, IDC_SET1 + i), want.set[i]) << at << " check box " << i;
    }
}

}  // namespace

TEST(WindowLayout, CoversTheScreenWithEveryControlInItsRectangle)
{
    for (const PlacedControls& want : kPlaced) {
        PracticeWindow win(want.w, want.h);
        RECT rc{};
        win.dlg().GetClientRect(&rc);
        EXPECT_EQ(rc, (RECT{0, 0, want.w, want.h}));
        EXPECT_EQ(win.screen().Width(), want.w);
        EXPECT_EQ(win.screen().Height(), want.h);
        ExpectControlsPlaced(win.dlg(), want);
    }
}

TEST(PracticeWindowStart, OpensWithFocusOnStartTheFirstSetMarkedAndTheAboutEntry)
{
    PracticeWindow win;
    EXPECT_EQ(testing_hooks::FocusedControlId(win.dlg()), IDOK);
    EXPECT_TRUE(testing_hooks::ControlChecked(win.dlg(), IDC_SET1));
    for (int id : {IDC_SET2, IDC_SET3, IDC_SET4}) {
        EXPECT_FALSE(testing_hooks::ControlChecked(win.dlg(), id));
    }
    const std::vector<std::string> menu = testing_hooks::SystemMenuItems(win.dlg());
    ASSERT_GE(menu.size(), 2u);
    EXPECT_EQ(menu[menu.size() - 2], "-");
    EXPECT_EQ(menu.back(), "About Pomarel(&A)...");
    EXPECT_TRUE(testing_hooks::IsTimerRunning(win.dlg(), TIMER_CLOCK));
    EXPECT_EQ(testing_hooks::TimerInterval(win.dlg(), TIMER_AMBIENT), 1000);
    EXPECT_FALSE(testing_hooks::IsTimerRunning(win.dlg(), TIMER_KEY_BLINK));
    // Every named sound was found: one voice for each letter (both cases) and digit, none for symbols.
    std::set<const void*> voices;
    for (int n = 0; n < kTargetCount; ++n) {
        const void* v = win.dlg().GetSounds().Voice(n);
        EXPECT_EQ(v != nullptr, n < 61) << "target " << n;
        voices.insert(v);
    }
    EXPECT_EQ(voices.size(), 36u);  // 35 voices and the null of the symbols
    EXPECT_NE(win.dlg().GetSounds().Right(), nullptr);
    EXPECT_NE(win.dlg().GetSounds().Wrong(), nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(win.dlg().GetSounds().Ambient(i), nullptr);
    }
}

TEST(KeyRouting, EnterPressesTheFocusedOrDefaultButtonAndNoButtonHidesKeysFromTheProgram)
{
    PracticeWindow win;
    // Enter with a check box focused presses the default button, Start.
    CWnd set2;
    set2.Bind(&win.dlg(), IDC_SET2);
    set2.SetFocus();
    win.Key(VK_RETURN);
    EXPECT_EQ(win.dlg().GetExercise().Practising(), 1);
    EXPECT_EQ(win.dlg().GetExercise().SetSize(), 26);

    // A focused button does not hide function keys or characters from the program.
    CWnd help;
    help.Bind(&win.dlg(), IDC_HELP_BUTTON);
    help.SetFocus();
    ASSERT_EQ(testing_hooks::FocusedControlId(win.dlg()), IDC_HELP_BUTTON);
    win.Key(VK_F4);
    EXPECT_EQ(win.dlg().GetExercise().SetChosen(1), 1);
    win.Type(static_cast<unsigned char>(win.Target()));
    EXPECT_EQ(win.dlg().GetExercise().TotalRight(), 1);

    // Enter with Help focused presses Help; F1 shows the same text.
    win.Key(VK_RETURN);
    win.Key(VK_F1);
    ASSERT_EQ(win.boxes.size(), 2u);
    EXPECT_EQ(win.boxes[0], win.boxes[1]);
    EXPECT_EQ(win.boxes[0].rfind("Multimedia version", 0), 0u);

    // Typed Esc, Enter and Tab are the dialog's keys, not characters to judge.
    const int typed = win.dlg().GetExercise().TotalKeys();
    win.Key(VK_TAB);
    EXPECT_EQ(win.dlg().GetExercise().TotalKeys(), typed);
}

TEST(ScreenChange, TheWindowIsLaidOutAndPaintedAnewAndTheExerciseGoesOn)
{
    PracticeWindow win(1920, 1080);
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    win.Type(static_cast<unsigned char>(win.Target()));
    win.Type(static_cast<unsigned char>(win.Wrong()));
    // A projector's 800 x 600, then a portrait screen: as the screen tells the window.
    for (const POINT size : {POINT{800, 600}, POINT{1080, 1920}}) {
        const int right = d.GetExercise().TotalRight();
        const int keys = d.GetExercise().TotalKeys();
        const char target = win.Target();
        const std::string report = d.ReportText();
        const std::string at = std::to_string(size.x) + "x" + std::to_string(size.y);
        testing_hooks::SetScreenSize(size.x, size.y);
        d.OnDisplayChange(32, size.x, size.y);
        ASSERT_EQ(win.screen().Width(), size.x) << at;
        ASSERT_EQ(win.screen().Height(), size.y) << at;
        for (const PlacedControls& want : kPlaced) {
            if (want.w == size.x && want.h == size.y) {
                ExpectControlsPlaced(d, want);
            }
        }
        // The keys of the new keyboard show their caps: no black left from the old screen.
        const Scene& scene = d.GetScene();
        for (int r = 0; r < kKeyRows; ++r) {
            const RECT& k = scene.KeyRect(r, 0);
            EXPECT_NE(win.Pixel(k.left + (k.right - k.left) / 5, k.top + (k.bottom - k.top) * 3 / 5), RGB(0, 0, 0))
                << at << " row " << r;
        }
        // The exercise goes on with the same target, counters and report; the apple hangs in the
        // new crown, drawn there.
        EXPECT_EQ(win.Target(), target) << at;
        EXPECT_EQ(d.GetExercise().TotalRight(), right) << at;
        EXPECT_EQ(d.GetExercise().TotalKeys(), keys) << at;
        EXPECT_EQ(d.ReportText(), report) << at;
        const POINT a = scene.ApplePos();
        EXPECT_TRUE(scene.IsAppleInCrown(a.x, a.y)) << at;
        EXPECT_EQ(win.Pixel(a.x + 14, a.y + 40), RGB(255, 255, 0)) << at << ": the apple is drawn";
        EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_KEY_BLINK)) << at;
        EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK)) << at;
        // Blinking and the next right key work on the new screen.
        testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
        testing_hooks::FireTimer(d, TIMER_KEY_BLINK);
        win.Type(static_cast<unsigned char>(win.Target()));
        EXPECT_EQ(d.GetExercise().TotalRight(), right + 1) << at;
        const POINT next = scene.ApplePos();
        EXPECT_TRUE(scene.IsAppleInCrown(next.x, next.y)) << at;
        win.Type(static_cast<unsigned char>(win.Wrong()));
    }
    testing_hooks::SetScreenSize(1024, 768);
}
