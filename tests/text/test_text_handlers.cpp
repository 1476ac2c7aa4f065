// Captions, exit, About and the right-click notice as the practice window shows them.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/DialogFixture.h"

TEST(Captions, FollowTheSystemLanguageAfterEveryPaintAndTheStockTextsFollowThem)
{
    struct Case {
        const char* lang;
        const char* start;
        const char* help;
        const char* set4;
        const char* exitPrompt;
        const char* minimize;  // the system menu's first item, a stock text
    };
    const Case cases[] = {
        {"de_DE.UTF-8", "Start", "help",
         "Numerische Tasten, Tasten-Symbole sind Buchstaben-Tasten Groß-und Kleinschreibung.",
         "Wollen Sie wirklich zu schließen?", "M&inimieren"},
        {"ja_JP.UTF-8", "開始", "助け", "数字キー.記号キー.文字キーは.大文字と小文字が区別さ",
         "あなたが本当に閉じますか?", "最小化(&N)"},
        {"zh_CN.UTF-8", "开始", "帮助", "数字键,符号键,字母键区分大小写", "你真的要关闭吗?", "最小化(&N)"},
        // French readers get French, from any French-speaking country.
        {"fr_CA.UTF-8", "Commencer", "Aider",
         "Les touches numériques, touches de symboles, touches alphabétiques sont sensibles à la casse.",
         "Voulez-vous vraiment fermer?", "Réd&uire"},
        {"es_AR.UTF-8", "Comenzar", "Ayuda",
         "Las teclas numéricas, teclas de símbolos, teclas de letras mayúsculas y minúsculas.",
         "¿Realmente desea cerrar?", "Mi&nimizar"},
        // English captions, so English stock buttons under the English question.
        {"zh_HK.UTF-8", "Start", "Help", "Key figures, symbol key, the letter key case-sensitive.",
         "Do you really want to close?", "Mi&nimize"},
        {"xx_YY.UTF-8", "Start", "Help", "Key figures, symbol key, the letter key case-sensitive.",
         "Do you really want to close?", "Mi&nimize"},
    };
    for (const Case& c : cases) {
        PracticeWindow win(1024, 768, c.lang);
        EXPECT_EQ(win.dlg().GetDlgItemText(IDOK), c.start) << c.lang;
        EXPECT_EQ(win.dlg().GetDlgItemText(IDC_HELP_BUTTON), c.help) << c.lang;
        EXPECT_EQ(win.dlg().GetDlgItemText(IDC_SET4), c.set4) << c.lang;
        EXPECT_EQ(win.dlg().ExitPrompt(), c.exitPrompt) << c.lang;
        EXPECT_EQ(testing_hooks::SystemMenuItems(win.dlg()).at(0), c.minimize) << c.lang;
        // The language is read on every use: a change shows at the next paint.
        setenv("LANG", "en_GB.UTF-8", 1);
        testing_hooks::PaintNow(win.dlg());
        EXPECT_EQ(win.dlg().GetDlgItemText(IDCANCEL), "Exit") << c.lang;
        EXPECT_EQ(testing_hooks::SystemMenuItems(win.dlg()).at(0), "Mi&nimize") << c.lang;
    }
}

TEST(Captions, TheRedoCaptionLastsUntilTheNextPaintWhichMinimisedDrawsOnlyTheIcon)
{
    PracticeWindow win(1024, 768, "es_MX.UTF-8");
    EXPECT_EQ(win.dlg().GetDlgItemText(IDOK), "Comenzar");
    win.Key(VK_F2);
    EXPECT_EQ(win.dlg().GetDlgItemText(IDOK), "Rehacer");
    win.Type(static_cast<unsigned char>(win.Target()));
    EXPECT_EQ(win.dlg().GetDlgItemText(IDOK), "Rehacer");
    // Minimised where the platform plugin can: the paint still refreshes the captions.
    const std::vector<COLORREF> before = win.Pixels({0, 0, win.screen().Width(), win.screen().Height()});
    win.dlg().ShowWindow(SW_MINIMIZE);
    testing_hooks::PumpEvents(20);
    testing_hooks::PaintNow(win.dlg());
    EXPECT_EQ(win.dlg().GetDlgItemText(IDOK), "Comenzar");
    if (win.dlg().IsIconic()) {
        EXPECT_TRUE(win.Pixels({0, 0, win.screen().Width(), win.screen().Height()}) == before);
    }
}

TEST(Exit, NoLeavesEverythingAsItWasAndYesEndsTheDialog)
{
    PracticeWindow win;
    win.Key(VK_F2);
    win.Type(static_cast<unsigned char>(win.Wrong()));
    PracticeDialog& d = win.dlg();
    const int order0 = d.GetExercise().Order()[0];
    const int left = d.GetExercise().OrderLeft();
    const char target = d.GetExercise().Target();
    const int keys = d.GetExercise().TotalKeys();
    const POINT apple = d.GetScene().ApplePos();
    win.answer = IDNO;
    testing_hooks::PressKey(d, VK_ESCAPE);
    CButton exitButton;
    exitButton.Bind(&d, IDCANCEL);
    exitButton.Click();
    ASSERT_EQ(win.boxes.size(), 2u);
    EXPECT_EQ(win.boxes[0], "Do you really want to close?");
    EXPECT_EQ(win.boxes[1], win.boxes[0]);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_EQ(d.GetExercise().Order()[0], order0);
    EXPECT_EQ(d.GetExercise().OrderLeft(), left);
    EXPECT_EQ(d.GetExercise().Target(), target);
    EXPECT_EQ(d.GetExercise().TotalKeys(), keys);
    EXPECT_EQ(d.GetScene().ApplePos(), apple);
    EXPECT_EQ(d.GetExercise().WrongKeys(), 1);
    EXPECT_TRUE(testing_hooks::IsTimerRunning(d, TIMER_HAND_BLINK));
    EXPECT_EQ(d.GetScene().AppleBackground().size(), 3834u);

    win.answer = IDYES;
    testing_hooks::PressKey(d, VK_ESCAPE);
    EXPECT_TRUE(d.IsEnded());
    EXPECT_EQ(d.Result(), IDCANCEL);
    EXPECT_TRUE(d.GetScene().AppleBackground().empty());
    for (const UINT_PTR id : {TIMER_KEY_BLINK, TIMER_HAND_BLINK, TIMER_CLOCK, TIMER_AMBIENT}) {
        EXPECT_FALSE(testing_hooks::IsTimerRunning(d, id)) << id;
    }
}

TEST(AboutBox, SystemCommandsSixteenToThirtyOneOpenItInSimplifiedChinese)
{
    PracticeWindow win(1024, 768, "de_DE.UTF-8");
    int opened = 0;
    testing_hooks::SetModalDialogHook([&](CDialog& about) {
        ++opened;
        EXPECT_EQ(about.TemplateId(), static_cast<UINT>(IDD_ABOUTBOX));
        EXPECT_EQ(testing_hooks::WindowTitle(about), "关于 Pomarel");
        EXPECT_EQ(testing_hooks::ControlTextOf(about, 1), "Pomarel 1.0 版");
        EXPECT_EQ(testing_hooks::ControlTextOf(about, 3), "确定");
        testing_hooks::PressKey(about, VK_RETURN);  // its default button, OK
        EXPECT_TRUE(about.IsEnded());
    });
    for (UINT id = 16; id <= 31; ++id) {
        win.dlg().OnSysCommand(id, 0);
    }
    win.dlg().OnSysCommand(32, 0);
    win.dlg().OnSysCommand(0x0F, 0);
    testing_hooks::SetModalDialogHook({});
    EXPECT_EQ(opened, 16);
}

TEST(Notice, ARightClickOnTheWindowShowsTheNoticeOnAControlItDoesNot)
{
    PracticeWindow win(1024, 768, "en_US.UTF-8");
    testing_hooks::RightClick(win.dlg(), 500, 200);
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0],
              "This software is a keyboard fingering exercises, do not expect you to use the mouse to click on the "
              "desktop or keyboard button");
    const RECT start = testing_hooks::ControlRect(win.dlg(), IDOK);
    testing_hooks::RightClick(win.dlg(), start.left + 5, start.top + 5);
    EXPECT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.dlg().OnQueryDragIcon(), win.dlg().Icon());
    EXPECT_NE(win.dlg().Icon(), nullptr);
}
