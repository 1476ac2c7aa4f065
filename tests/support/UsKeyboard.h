// The built-in US keyboard's tables as the keyboard model builds them: the characters of every
// key unshifted and shifted, the keys' sound names, and the key of every target.
#pragma once

#include <array>
#include <string>

#include "practice/KeyboardModel.h"

struct UsKeyboard {
    KeyChars plain{};
    KeyChars shifted{};
    std::array<std::string, kKeyCells> names;
    KeyCell targets[kTargetCount]{};
    UsKeyboard()
    {
        BuildKeyCharacters(plain, shifted, names);
        BuildTargetTable(targets);
    }
};
