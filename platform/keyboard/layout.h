// The user's keyboard layout as plain data for the on-screen keyboard: what each physical key of
// its four upper rows types at each level. No toolkit and no keyboard system here: the readers
// (keymap.h, keymap_sources.h) fill it in.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// Shift levels a key is typed at: nothing held, Shift held, AltGr (the third level) held.
enum class KeyLevel { Plain = 0, Shift = 1, AltGr = 2 };

constexpr int kLayoutRows = 4;  // rows 0..3 of the on-screen keyboard; the bottom row types nothing
constexpr int kLayoutCols = 14;
constexpr int kKeyLevels = 3;

// For each cell (row 0..3, column 0..13) of the on-screen keyboard, the character its physical key
// types at each level; 0 where it types none (a dead key, a modifier, Backspace, Tab, Enter, a cell
// beyond the row's end). The cells are the keys of a PC keyboard, by xkb key name:
//   row 0: TLDE AE01..AE12 BKSP     row 1: TAB AD01..AD12 BKSL
//   row 2: CAPS AC01..AC11 RTRN     row 3: LFSH AB01..AB10 RTSH LSGT
// LSGT, the key between the left Shift and Z on ISO keyboards, sits in the spare cell (3, 12).
using LayoutChars = std::array<std::array<std::array<char32_t, kKeyLevels>, kLayoutCols>, kLayoutRows>;
constexpr int kIsoKeyRow = 3;
constexpr int kIsoKeyCol = 12;

// One group (layout) of a keymap that holds several ("ru,us": Russian and US), by its short name.
struct KeyboardGroup {
    std::string name;
    LayoutChars chars{};
    friend bool operator==(const KeyboardGroup&, const KeyboardGroup&) = default;
};

struct KeyboardLayout {
    // Short name of the layout and variant, as the keyboard settings spell it: "us", "fr", "de",
    // "us(dvorak)"; a long description ("French") where no short name can be read.
    std::string name;
    LayoutChars chars{};
    // The keymap's other groups, in the keymap's order, the one above left out: what the user can
    // switch to. Empty for a keymap of one group.
    std::vector<KeyboardGroup> otherGroups;

    char32_t At(int row, int col, KeyLevel level) const
    {
        return chars[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)][static_cast<std::size_t>(level)];
    }
    friend bool operator==(const KeyboardLayout&, const KeyboardLayout&) = default;
};

// US QWERTY without consulting anything: the layout where none can be read.
KeyboardLayout UsKeyboardLayout();
