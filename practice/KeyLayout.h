// The on-screen keyboard after the user's keyboard layout: the legends of the keys, the key and
// shift level that type each target, the targets the layout cannot type, and the spoken name of a
// target. Pure functions of a KeyboardLayout; with US QWERTY they give the built-in keyboard.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/keyboard/layout.h"
#include "practice/KeyboardModel.h"

// US QWERTY, the keyboard the program draws when no layout can be read.
const KeyboardLayout& BuiltInKeyboardLayout();

// A character of each cell of the five rows; unused cells hold a space.
using KeyLegends = std::array<std::array<char32_t, kKeyCols>, kKeyRows>;

// The board the layout needs: ISO when the key between the left Shift and Z types a character, plain
// or with Shift, that no other key types plain or with Shift (German < >, UK \ |); ANSI otherwise,
// also where that key only repeats others (US and Dvorak on a 105-key keyboard), so those keep the
// board they always had.
BoardShape ShapeOfLayout(const KeyboardLayout& layout);

// True when the layout types the lower-case Latin letters a to z (not Cyrillic, Greek ...).
bool HasLatinLetters(const LayoutChars& chars);

// The key and level that type 'ch' in a table: the lowest level first, then row order; false when
// no key types it.
bool FindTypedKey(const LayoutChars& chars, BoardShape shape, char32_t ch, KeyCell& key, KeyLevel& level);

// Plain and shifted legends of every cell, filled as the built-in keyboard fills its characters: a
// space where the key types nothing (dead keys, Enter, Shift, the bottom row, cells past a row's
// end), byte 9 on Backspace, 7 on Tab and 0 on Caps Lock. With US QWERTY: exactly the built-in
// characters, letters with their capital as the shifted character.
void BuildKeyLegends(const KeyboardLayout& layout, KeyLegends& plain, KeyLegends& shifted);
// The third legend of every cell: what AltGr types there, a space where it types nothing of its own.
void BuildAltGrLegends(const KeyboardLayout& layout, KeyLegends& altGr);

// True for a letter key: its shifted character is the capital of its plain one (Q over q, Ü over
// ü). Such a key shows only its capital.
bool IsLetterKey(char32_t plain, char32_t shifted);

// The character target n (0..71) asks for, whatever the layout: a..z, A..Z, 1..9, then
// ` - = \ [ ] ; ' , . /
char32_t TargetCharOf(int n);

// How target n is typed: the key of rows 0..3 and the level it is typed at; 'missing' when no key
// types it at any of the three levels (the practice set leaves it out).
struct TargetKey {
    KeyCell key{};
    KeyLevel level = KeyLevel::Plain;
    bool missing = true;
    friend bool operator==(const TargetKey&, const TargetKey&) = default;
};
using TargetKeys = std::array<TargetKey, kTargetCount>;

// For each target the key that types it at the lowest level (plain, then Shift, then AltGr), the
// first such key in row order; on an ISO board the extra key is searched as well.
TargetKeys BuildTargetKeys(const KeyboardLayout& layout);

// No key: a cell outside the board.
constexpr KeyCell kNoKey{-1, -1};
// Cells of the modifier keys that blink beside a target: the left and right Shift and AltGr (the
// right Alt of the bottom row).
constexpr KeyCell kLeftShiftKey{3, 0};
constexpr KeyCell kRightShiftKey{3, 11};
constexpr KeyCell kAltGrKey{4, 4};

// The modifier to hold for a target typed on 'target' at its level, when the cap alone does not say
// so: AltGr for the third level; for the Shift level of a letter key (its cap shows only the
// capital) the Shift of the other hand, as a touch typist uses it. kNoKey otherwise.
KeyCell ModifierKeyFor(const TargetKey& target, char32_t plain, char32_t shifted);

// The characters of the targets 0..setSize-1 that the layout cannot type, in target order.
std::u32string MissingTargets(const TargetKeys& keys, int setSize);

// The target numbers of 0..setSize-1 that the layout can type, ascending, in numbers[0..count-1];
// returns count. A pass draws from these instead of 0..setSize-1.
int AvailableTargets(const TargetKeys& keys, int setSize, int (&numbers)[kTargetCount]);

// The resource of target n's spoken name: "Z" and the digit or the lower-case letter ("Z1", "Za"
// for both a and A); empty for the symbols, which have none. It follows the character, not the
// key: on AZERTY the key that types & unshifted says "one" for the target 1.
std::string TargetSoundName(int n);

// UTF-8 of characters, for legends and notes.
std::string ToUtf8(std::u32string_view text);
