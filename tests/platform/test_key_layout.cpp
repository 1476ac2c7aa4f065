// The on-screen keyboard after the user's layout: legends, the key and level of every target, the
// targets a layout lacks, and spoken names. Each chosen key is checked against xkbcommon itself.
#include <gtest/gtest.h>

#include <string>

#include "platform/keyboard/keymap.h"
#include "practice/Exercise.h"
#include "practice/KeyLayout.h"
#include "tests/support/UsKeyboard.h"
#include "tests/support/XkbKeys.h"

namespace {

struct LayoutCase {
    const char* layout;
    const char* variant;
    std::u32string missing;  // of the largest practice set, targets 0..69
    KeyCell keyOfA;          // where target "a" blinks
    KeyLevel levelOfOne;     // how target "1" is typed
};
const LayoutCase kLayouts[] = {
    {"us", "", U"", {2, 1}, KeyLevel::Plain},  {"fr", "", U"", {1, 1}, KeyLevel::Shift},
    {"de", "", U"`", {2, 1}, KeyLevel::Plain},  // the grave accent is a dead key
    {"es", "", U"`", {2, 1}, KeyLevel::Plain}, {"us", "dvorak", U"", {2, 1}, KeyLevel::Plain},
};

}  // namespace

TEST(KeyLayout, UsGivesExactlyTheBuiltInKeyboard)
{
    const UsKeyboard model;
    const auto& [plain, shifted, names, targets] = model;
    // xkb's own us is this table (the keymap tests prove it).
    const KeyboardLayout us = UsKeyboardLayout();
    KeyLegends lp{};
    KeyLegends ls{};
    BuildKeyLegends(us, lp, ls);
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyCols; ++c) {
            EXPECT_EQ(lp[r][c], static_cast<char32_t>(plain[r][c])) << r << "," << c;
            EXPECT_EQ(ls[r][c], static_cast<char32_t>(shifted[r][c])) << r << "," << c;
        }
    }
    const TargetKeys keys = BuildTargetKeys(us);
    for (int n = 0; n < kTargetCount; ++n) {
        const KeyCell k = targets[n];
        const KeyLevel level = (n >= 26 && n <= 51) ? KeyLevel::Shift : KeyLevel::Plain;
        EXPECT_EQ(keys[n], (TargetKey{k, level, false})) << "target " << n;
        EXPECT_EQ(TargetCharOf(n), static_cast<char32_t>(TargetCharacter(targets, plain, shifted, n)));
        EXPECT_EQ(TargetSoundName(n), names[k.row * kKeyCols + k.col]) << "target " << n;
    }
}

TEST(KeyLayout, EveryTargetBlinksTheKeyThatTypesItAtTheLowestLevel)
{
    for (const LayoutCase& lc : kLayouts) {
        const std::string label = std::string(lc.layout) + "(" + lc.variant + ")";
        const TargetKeys keys = BuildTargetKeys(KeyboardLayoutFromNames("evdev", "pc105", lc.layout, lc.variant, ""));
        for (int n = 0; n < kTargetCount; ++n) {
            const TargetKey& t = keys[n];
            const char32_t ch = TargetCharOf(n);
            // No key types the character at a lower level (or at all, when it is missing).
            const int below = t.missing ? kKeyLevels : static_cast<int>(t.level);
            for (int level = 0; level < below; ++level) {
                for (int r = 0; r < kLayoutRows; ++r) {
                    for (int c = 0; c < kLayoutCols; ++c) {
                        const char* key = XkbKeyName(r, c);
                        EXPECT_TRUE(key == nullptr ||
                                    TypedCharacter(lc.layout, lc.variant, XkbHeld(KeyLevel(level)), key) != ch)
                            << label << " target " << n << " is typed by " << key << " at level " << level;
                    }
                }
            }
            if (!t.missing) {
                EXPECT_EQ(TypedCharacter(lc.layout, lc.variant, XkbHeld(t.level), XkbKeyName(t.key.row, t.key.col)), ch)
                    << label << " target " << n;
            }
        }
        EXPECT_EQ(MissingTargets(keys, 70), lc.missing) << label;
        EXPECT_EQ(keys[0].key, lc.keyOfA) << label;
        EXPECT_EQ(keys[52].level, lc.levelOfOne) << label;

        int numbers[kTargetCount]{};
        const int count = AvailableTargets(keys, 70, numbers);
        ASSERT_EQ(count, 70 - static_cast<int>(lc.missing.size())) << label;
        for (int i = 0; i < count; ++i) {
            EXPECT_FALSE(keys[numbers[i]].missing);
            EXPECT_TRUE(i == 0 || numbers[i] > numbers[i - 1]);
        }
    }
}

TEST(KeyLayout, SpokenNamesFollowTheCharacterLegendsShowCapitals)
{
    // On AZERTY the key of "1" types "&" unshifted; target 1 still says "one", target "a" "a".
    const KeyboardLayout fr = KeyboardLayoutFromNames("evdev", "pc105", "fr", "", "");
    const TargetKeys keys = BuildTargetKeys(fr);
    EXPECT_EQ(keys[52], (TargetKey{{0, 1}, KeyLevel::Shift, false}));
    EXPECT_EQ(TargetSoundName(52), "Z1");
    EXPECT_EQ(TargetSoundName(26), "Za");
    EXPECT_EQ(TargetSoundName(25), "Zz");
    EXPECT_EQ(TargetSoundName(61), "");
    EXPECT_EQ(HandOfKey(keys[0].key.row, keys[0].key.col), 1) << "a on AZERTY: left hand";

    KeyLegends plain{};
    KeyLegends shifted{};
    BuildKeyLegends(KeyboardLayoutFromNames("evdev", "pc105", "de", "", ""), plain, shifted);
    EXPECT_EQ(ToUtf8(std::u32string{plain[2][10], shifted[2][10]}), "\xC3\xB6\xC3\x96");  // ö Ö
    EXPECT_TRUE(IsLetterKey(plain[2][10], shifted[2][10]));
    EXPECT_EQ(plain[0][12], U' ') << "a dead key shows nothing";

    struct Case {
        char32_t plain, shifted;
        bool letter;
    };
    for (const Case c :
         {Case{U'q', U'Q', true}, Case{0xFC, 0xDC, true}, Case{0x107, 0x106, true}, Case{0x13E, 0x13D, true},
          Case{0x436, 0x416, true}, Case{U'1', U'!', false}, Case{0xDF, U'?', false}, Case{U'Q', U'Q', false}}) {
        EXPECT_EQ(IsLetterKey(c.plain, c.shifted), c.letter) << std::hex << static_cast<unsigned>(c.plain);
    }
    EXPECT_EQ(ToUtf8(U"a\u00e9\u20ac\U0001F34E"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8D\x8E");
}

TEST(KeyLayout, IsoKeyAltGrLegendsAndTheModifiersThatBlinkFollowTheLayout)
{
    struct Case {
        const char* layout;
        const char* variant;
        BoardShape shape;
        KeyCell backslashKey;  // the key that types target "\"
    };
    // US and Dvorak on a 105-key keyboard keep their board: their < > | repeat other keys.
    const Case cases[] = {
        {"us", "", BoardShape::Ansi, {1, 13}}, {"us", "dvorak", BoardShape::Ansi, {1, 13}},
        {"de", "", BoardShape::Iso, {0, 11}},  {"gb", "", BoardShape::Iso, {3, 12}},
        {"fr", "", BoardShape::Iso, {0, 8}},   {"es", "", BoardShape::Iso, {0, 0}},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.layout) + "(" + c.variant + ")";
        const KeyboardLayout layout = KeyboardLayoutFromNames("evdev", "pc105", c.layout, c.variant, "");
        ASSERT_EQ(ShapeOfLayout(layout), c.shape) << label;
        KeyLegends plain{};
        KeyLegends shifted{};
        KeyLegends altGr{};
        BuildKeyLegends(layout, plain, shifted);
        BuildAltGrLegends(layout, altGr);
        const char32_t extra = TypedCharacter(c.layout, c.variant, {}, "LSGT");
        EXPECT_EQ(plain[3][12], c.shape == BoardShape::Iso ? extra : U' ') << label;

        const TargetKeys keys = BuildTargetKeys(layout);
        const TargetKey& backslash = keys[64];
        ASSERT_EQ(TargetCharOf(64), U'\\');
        EXPECT_EQ(backslash.key, c.backslashKey) << label;
        for (int n = 0; n < kTargetCount; ++n) {
            const TargetKey& t = keys[n];
            if (t.missing) {
                continue;
            }
            const auto r = static_cast<std::size_t>(t.key.row);
            const auto col = static_cast<std::size_t>(t.key.col);
            const KeyCell modifier = ModifierKeyFor(t, plain[r][col], shifted[r][col]);
            if (t.level == KeyLevel::AltGr) {
                // AltGr blinks, and the cap shows the character as its third legend.
                EXPECT_EQ(modifier, kAltGrKey) << label << " target " << n;
                EXPECT_EQ(altGr[r][col], TargetCharOf(n)) << label << " target " << n;
            } else if (n >= 26 && n <= 51) {
                // A capital: the Shift of the other hand.
                EXPECT_EQ(modifier, HandOfKey(t.key.row, t.key.col) == 1 ? kRightShiftKey : kLeftShiftKey)
                    << label << " target " << n;
            } else if (t.level == KeyLevel::Plain) {
                EXPECT_EQ(modifier, kNoKey) << label << " target " << n;
            }
        }
    }
}

TEST(KeyLayout, NonLatinLayoutsPractiseOnTheUsersLatinLayoutOrByThePlaceOfTheKey)
{
    struct Case {
        const char* layouts;  // the first is the active group
        LayoutUse use;
        const char* switchTo;
    };
    const Case cases[] = {
        {"ru,us", LayoutUse::OtherGroup, "us"}, {"gr,us", LayoutUse::OtherGroup, "us"},
        {"ua,de", LayoutUse::OtherGroup, "de"}, {"ru", LayoutUse::UsPositions, ""},
        {"gr,ru", LayoutUse::UsPositions, ""},  {"us,ru", LayoutUse::AsIs, ""},
    };
    for (const Case& c : cases) {
        const std::string active = std::string(c.layouts).substr(0, std::string(c.layouts).find(','));
        Exercise ex;
        ex.SetLayout(KeyboardLayoutFromNames("evdev", "pc105", c.layouts, "", ""));
        EXPECT_EQ(ex.UseOfLayout(), c.use) << c.layouts;
        EXPECT_EQ(ex.SwitchTo(), c.switchTo) << c.layouts;
        ex.ChooseSet(1, 8);
        ex.NextTarget(true, 8);
        ex.Start();
        for (int i = 0; i < 20; ++i) {
            // What the active layout types on the key that blinks, at the target's level.
            const TargetKey& t = ex.TargetTable()[static_cast<std::size_t>(ex.TargetNumber())];
            const char32_t there =
                TypedCharacter(active.c_str(), "", XkbHeld(t.level), XkbKeyName(t.key.row, t.key.col));
            const KeyOutcome got = ex.Judge(there);
            if (c.use == LayoutUse::UsPositions) {
                EXPECT_EQ(got, KeyOutcome::Right) << c.layouts << " typed U+" << std::hex << unsigned(there);
            } else if (c.use == LayoutUse::OtherGroup) {
                // A Greek or Cyrillic letter names the layout to switch to; what the Latin layout
                // types as well (a digit, ; on Greek Q) is only a wrong key.
                EXPECT_NE(got, KeyOutcome::Right) << c.layouts;
                EXPECT_EQ(ex.Hint(), there >= 0x370 ? KeyHint::SwitchLayout : KeyHint::None)
                    << c.layouts << " typed U+" << std::hex << unsigned(there);
                EXPECT_EQ(ex.Judge(ex.Target()), KeyOutcome::Right);
            } else {
                EXPECT_EQ(got, KeyOutcome::Right) << c.layouts;
            }
            ex.NextTarget(false, 9);
        }
    }
}
