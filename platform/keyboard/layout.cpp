#include "platform/keyboard/layout.h"

KeyboardLayout UsKeyboardLayout()
{
    // Plain and shifted characters of the character keys; a space marks a key that types none.
    static constexpr const char* kPlain[kLayoutRows] = {"`1234567890-= ", " qwertyuiop[]\\", " asdfghjkl;'  ",
                                                        " zxcvbnm,./ < "};
    static constexpr const char* kShift[kLayoutRows] = {"~!@#$%^&*()_+ ", " QWERTYUIOP{}|", " ASDFGHJKL:\"  ",
                                                        " ZXCVBNM<>? > "};
    KeyboardLayout out;
    out.name = "us";
    for (std::size_t r = 0; r < kLayoutRows; ++r) {
        for (std::size_t c = 0; c < kLayoutCols; ++c) {
            out.chars[r][c][0] = kPlain[r][c] == ' ' ? 0 : static_cast<char32_t>(kPlain[r][c]);
            out.chars[r][c][1] = kShift[r][c] == ' ' ? 0 : static_cast<char32_t>(kShift[r][c]);
        }
    }
    return out;
}
