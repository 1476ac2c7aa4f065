// The xkb names of the board's keys and of the modifiers held for each level, written out apart
// from the program's own tables so the checks do not share the table under test.
#pragma once

#include <initializer_list>

#include "platform/keyboard/layout.h"

// The key in row 'row', column 'col' of the board's character rows; nullptr where no key types.
inline const char* XkbKeyName(int row, int col)
{
    static const char* const kRows[kLayoutRows][kLayoutCols] = {
        {"TLDE", "AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10", "AE11", "AE12"},
        {nullptr, "AD01", "AD02", "AD03", "AD04", "AD05", "AD06", "AD07", "AD08", "AD09", "AD10", "AD11", "AD12",
         "BKSL"},
        {nullptr, "AC01", "AC02", "AC03", "AC04", "AC05", "AC06", "AC07", "AC08", "AC09", "AC10", "AC11"},
        {nullptr, "AB01", "AB02", "AB03", "AB04", "AB05", "AB06", "AB07", "AB08", "AB09", "AB10", nullptr, "LSGT"},
    };
    return row >= 0 && row < kLayoutRows && col >= 0 && col < kLayoutCols ? kRows[row][col] : nullptr;
}

inline std::initializer_list<const char*> XkbHeld(KeyLevel level)
{
    static const std::initializer_list<const char*> kHeld[kKeyLevels] = {{}, {"LFSH"}, {"RALT"}};
    return kHeld[static_cast<int>(level)];
}
