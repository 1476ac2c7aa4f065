// From a key press as the toolkit reports it to the messages the program's keystroke filter sees.
#pragma once

#include <string>
#include <vector>

#include "platform/face/winapi.h"

// A key pressed while Alt is held (or Alt itself): a system key. The program's filter sees it but
// acts only on WM_KEYDOWN, so Alt+F3 does not choose a set.
constexpr UINT WM_SYSKEYDOWN = 0x0104;

// Modifier keys held during a press.
enum KeyModifier : unsigned {
    kShiftHeld = 1u,
    kControlHeld = 2u,
    kAltHeld = 4u,
};

// One key press: the toolkit's key code (a Qt::Key value: a function-key code, or the Unicode
// value of the key's upper-case character), the modifiers held, and the characters it types.
struct KeyPress {
    int toolkitKey = 0;
    unsigned modifiers = 0;
    std::u32string text;
};

// The messages a press gives, in order: WM_KEYDOWN (WM_SYSKEYDOWN with Alt) with its virtual-key
// code, then one WM_CHAR per typed character (none with Alt, none for Esc, Enter, Tab, Delete),
// with KF_CAPSLOCKON in its lParam for a letter in the case that only Caps Lock gives.
// Only the function keys themselves have the codes VK_F1 to VK_F24; a key the program has no code
// for (a media key, a letter of another script) gets 0.
std::vector<MSG> KeyMessages(const KeyPress& press);
