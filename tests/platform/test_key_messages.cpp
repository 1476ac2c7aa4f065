// Key presses become keystroke messages: only the function keys themselves, without Alt, are F2 to F6.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/face/keys.h"
#include "tests/support/DialogFixture.h"

namespace {

// Qt::Key values as the toolkit reports them (this test links no toolkit header).
constexpr int kF1 = 0x01000030;
constexpr int kEscape = 0x01000000;
constexpr int kReturn = 0x01000004;
constexpr int kTab = 0x01000001;
constexpr int kAltKey = 0x01000023;
constexpr int kRefresh = 0x01000064;
constexpr int kReply = 0x010000e5;   // XF86Reply
constexpr int kReload = 0x010000e6;  // XF86Reload
constexpr int kUnknown = 0x01ffffff;

struct Msg {
    UINT message;
    WPARAM wParam;
    bool operator==(const Msg&) const = default;
};

std::vector<Msg> Messages(int key, unsigned mods, std::u32string text)
{
    std::vector<Msg> out;
    for (const MSG& m : KeyMessages(KeyPress{key, mods, std::move(text)})) {
        out.push_back({m.message, m.wParam});
    }
    return out;
}

}  // namespace

TEST(KeyMessages, OnlyTheFunctionKeysThemselvesWithoutAltAreF2ToF6)
{
    struct Case {
        const char* what;
        int key;
        unsigned mods;
        std::u32string text;
        std::vector<Msg> want;
    };
    const Case cases[] = {
        {"F2", kF1 + 1, 0, U"", {{WM_KEYDOWN, VK_F2}}},
        {"F6", kF1 + 5, 0, U"", {{WM_KEYDOWN, VK_F6}}},
        {"Shift+F3", kF1 + 2, kShiftHeld, U"", {{WM_KEYDOWN, VK_F3}}},
        {"Ctrl+F5", kF1 + 4, kControlHeld, U"", {{WM_KEYDOWN, VK_F5}}},
        {"Alt+F3", kF1 + 2, kAltHeld, U"", {{WM_SYSKEYDOWN, VK_F3}}},
        {"Alt+F4", kF1 + 3, kAltHeld, U"", {{WM_SYSKEYDOWN, VK_F4}}},
        {"Ctrl+Alt+F6", kF1 + 5, kControlHeld | kAltHeld, U"", {{WM_SYSKEYDOWN, VK_F6}}},
        {"XF86Reload (keysym 0x1008FF73)", kReload, 0, U"", {{WM_KEYDOWN, 0}}},
        {"XF86Reply (keysym 0x1008FF72)", kReply, 0, U"", {{WM_KEYDOWN, 0}}},
        {"XF86Refresh (keysym 0x1008FF29)", kRefresh, 0, U"", {{WM_KEYDOWN, 0}}},
        {"Armenian dza U+0571", 0x0541, 0, U"\u0571", {{WM_KEYDOWN, 0}, {WM_CHAR, 0x0571}}},
        {"Armenian yi U+0575", 0x0545, 0, U"\u0575", {{WM_KEYDOWN, 0}, {WM_CHAR, 0x0575}}},
        {"a composed e-acute", kUnknown, 0, U"\u00e9", {{WM_KEYDOWN, 0}, {WM_CHAR, 0x00e9}}},
        {"a", 'A', 0, U"a", {{WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}}},
        {"Shift+a", 'A', kShiftHeld, U"A", {{WM_KEYDOWN, 'A'}, {WM_CHAR, 'A'}}},
        {"7", '7', 0, U"7", {{WM_KEYDOWN, '7'}, {WM_CHAR, '7'}}},
        {"Esc", kEscape, 0, U"\x1b", {{WM_KEYDOWN, VK_ESCAPE}}},
        {"Enter", kReturn, 0, U"\r", {{WM_KEYDOWN, VK_RETURN}}},
        {"Tab", kTab, 0, U"\t", {{WM_KEYDOWN, VK_TAB}}},
        {"Alt+Space", ' ', kAltHeld, U" ", {{WM_SYSKEYDOWN, VK_SPACE}}},
        {"Alt+q", 'Q', kAltHeld, U"q", {{WM_SYSKEYDOWN, 'Q'}}},
        {"Alt alone", kAltKey, 0, U"", {{WM_SYSKEYDOWN, VK_MENU}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Messages(c.key, c.mods, c.text), c.want) << c.what;
    }
}

TEST(KeyMessages, NoOtherToolkitKeyCodeReadsAsAFunctionKey)
{
    // Every character key of the Basic Multilingual Plane and every named key but F1 to F24.
    std::vector<int> keys;
    for (int k = 0x20; k <= 0xFFFF; ++k) {
        keys.push_back(k);
    }
    for (int k = 0x01000000; k <= 0x01001200; ++k) {
        if (k < kF1 || k > kF1 + 23) {
            keys.push_back(k);
        }
    }
    keys.push_back(kUnknown);
    int wrong = 0;
    for (const int k : keys) {
        const WPARAM vk = KeyMessages(KeyPress{k, 0, U""}).front().wParam;
        if (vk >= static_cast<WPARAM>(VK_F1) && vk <= static_cast<WPARAM>(VK_F1 + 23) && wrong++ < 5) {
            ADD_FAILURE() << "toolkit key 0x" << std::hex << k << " gives virtual key 0x" << vk;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(KeyMessages, AltWithAFunctionKeyChoosesNoSetAndAltF4AsksTheExitQuestion)
{
    PracticeWindow win;
    PracticeDialog& d = win.dlg();
    for (const int vk : {VK_F2, VK_F3, VK_F5, VK_F6}) {
        testing_hooks::PressKey(d, vk, {}, false, true);
    }
    EXPECT_EQ(d.GetExercise().Practising(), 0) << "Alt+F2, Alt+F3, Alt+F5 or Alt+F6 started practice";
    EXPECT_TRUE(win.boxes.empty());
    win.answer = IDNO;
    testing_hooks::PressKey(d, VK_F4, {}, false, true);
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0], "Do you really want to close?");
    EXPECT_EQ(d.GetExercise().Practising(), 0) << "Alt+F4 chose set 2";
    EXPECT_FALSE(d.IsEnded());
    // The plain keys still work.
    win.Key(VK_F4);
    EXPECT_EQ(d.GetExercise().Practising(), 1);
    EXPECT_EQ(d.GetExercise().SetChosen(1), 1);
}

TEST(KeyMessages, ALetterInTheCaseOnlyCapsLockGivesSaysCapsLockIsOn)
{
    struct Case {
        std::u32string text;
        unsigned mods;
        bool capsLock;
    };
    const Case cases[] = {
        {U"a", 0, false},
        {U"A", 0, true},
        {U"a", kShiftHeld, true},
        {U"A", kShiftHeld, false},
        {U"\u0436", kShiftHeld, true},
        {U"\u0416", 0, true},
        {U"1", 0, false},
        {U"!", kShiftHeld, false},
    };
    for (const Case& c : cases) {
        const std::vector<MSG> msgs = KeyMessages(KeyPress{static_cast<int>(c.text[0]), c.mods, c.text});
        ASSERT_EQ(msgs.size(), 2u);
        EXPECT_EQ(msgs[1].message, static_cast<UINT>(WM_CHAR));
        EXPECT_EQ((msgs[1].lParam & KF_CAPSLOCKON) != 0, c.capsLock) << static_cast<unsigned>(c.text[0]);
    }
}
