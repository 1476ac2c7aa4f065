#include "practice/KeyLayout.h"

namespace {

// Characters of targets 0..71: letters, capitals, digits 1 to 9, then the symbol keys.
constexpr std::u32string_view kTargetChars = U"abcdefghijklmnopqrstuvwxyz"
                                             U"ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                             U"123456789"
                                             U"`-=\\[];',./";
static_assert(kTargetChars.size() == kTargetCount, "one character per target");

// Upper case of the lower-case letters of Latin, Greek and Cyrillic keyboards; other characters
// unchanged.
char32_t UpperCase(char32_t c)
{
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    // Latin Extended-A: capital and small letters in pairs, the capital first (two stretches are odd-first).
    const bool oddFirst = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F && (c % 2 == 1) != oddFirst) {
        return c - 1;
    }
    return c;
}

}  // namespace

const KeyboardLayout& BuiltInKeyboardLayout()
{
    static const KeyboardLayout us = [] {
        KeyboardLayout layout;
        layout.name = "us";
        KeyChars plain;
        KeyChars shifted;
        std::array<std::string, kKeyCells> sounds;
        BuildKeyCharacters(plain, shifted, sounds);
        for (int r = 0; r < kLayoutRows; ++r) {
            for (int c = 0; c < kKeysInRow[r]; ++c) {
                const auto typed = [](char ch) -> char32_t { return ch > ' ' ? static_cast<char32_t>(ch) : 0; };
                auto& cell = layout.chars[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
                cell[0] = typed(plain[r][c]);
                cell[1] = typed(shifted[r][c]);
            }
        }
        return layout;
    }();
    return us;
}

BoardShape ShapeOfLayout(const KeyboardLayout& layout)
{
    // Plain and shifted characters only: what AltGr gives elsewhere is no substitute for a key.
    for (const KeyLevel level : {KeyLevel::Plain, KeyLevel::Shift}) {
        const char32_t ch = layout.At(kIsoExtraKey.row, kIsoExtraKey.col, level);
        bool elsewhere = ch == 0;
        for (int r = 0; r < kLayoutRows && !elsewhere; ++r) {
            for (int c = 0; c < kKeysInRow[r] && !elsewhere; ++c) {
                elsewhere = layout.At(r, c, KeyLevel::Plain) == ch || layout.At(r, c, KeyLevel::Shift) == ch;
            }
        }
        if (!elsewhere) {
            return BoardShape::Iso;
        }
    }
    return BoardShape::Ansi;
}

bool HasLatinLetters(const LayoutChars& chars)
{
    for (char32_t ch = U'a'; ch <= U'z'; ++ch) {
        KeyCell key;
        KeyLevel level = KeyLevel::Plain;
        if (!FindTypedKey(chars, BoardShape::Ansi, ch, key, level)) {
            return false;
        }
    }
    return true;
}

bool FindTypedKey(const LayoutChars& chars, BoardShape shape, char32_t ch, KeyCell& key, KeyLevel& level)
{
    for (int l = 0; l < kKeyLevels; ++l) {
        for (int r = 0; r < kLayoutRows; ++r) {
            for (int c = 0; c < KeysInRow(r, shape); ++c) {
                if (chars[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)][static_cast<std::size_t>(l)] ==
                    ch) {
                    key = KeyCell{r, c};
                    level = static_cast<KeyLevel>(l);
                    return true;
                }
            }
        }
    }
    return false;
}

void BuildKeyLegends(const KeyboardLayout& layout, KeyLegends& plain, KeyLegends& shifted)
{
    for (auto& row : plain) {
        row.fill(U' ');
    }
    for (auto& row : shifted) {
        row.fill(U' ');
    }
    const BoardShape shape = ShapeOfLayout(layout);
    for (int r = 0; r < kLayoutRows; ++r) {
        for (int c = 0; c < KeysInRow(r, shape); ++c) {
            const char32_t p = layout.At(r, c, KeyLevel::Plain);
            const char32_t s = layout.At(r, c, KeyLevel::Shift);
            plain[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = p != 0 ? p : U' ';
            shifted[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = s != 0 ? s : U' ';
        }
    }
    plain[0][13] = 9;  // Backspace
    plain[1][0] = 7;   // Tab
    plain[2][0] = 0;   // Caps Lock
}

void BuildAltGrLegends(const KeyboardLayout& layout, KeyLegends& altGr)
{
    for (auto& row : altGr) {
        row.fill(U' ');
    }
    const BoardShape shape = ShapeOfLayout(layout);
    for (int r = 0; r < kLayoutRows; ++r) {
        for (int c = 0; c < KeysInRow(r, shape); ++c) {
            const char32_t a = layout.At(r, c, KeyLevel::AltGr);
            if (a != 0 && a != layout.At(r, c, KeyLevel::Plain) && a != layout.At(r, c, KeyLevel::Shift)) {
                altGr[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = a;
            }
        }
    }
}

bool IsLetterKey(char32_t plain, char32_t shifted)
{
    return plain != shifted && UpperCase(plain) == shifted;
}

char32_t TargetCharOf(int n)
{
    return kTargetChars[static_cast<std::size_t>(n)];
}

TargetKeys BuildTargetKeys(const KeyboardLayout& layout)
{
    TargetKeys keys{};
    const BoardShape shape = ShapeOfLayout(layout);
    for (int n = 0; n < kTargetCount; ++n) {
        TargetKey& t = keys[static_cast<std::size_t>(n)];
        t.missing = !FindTypedKey(layout.chars, shape, TargetCharOf(n), t.key, t.level);
        if (t.missing) {
            t = TargetKey{};
        }
    }
    return keys;
}

KeyCell ModifierKeyFor(const TargetKey& target, char32_t plain, char32_t shifted)
{
    if (target.missing) {
        return kNoKey;
    }
    if (target.level == KeyLevel::AltGr) {
        return kAltGrKey;
    }
    if (target.level == KeyLevel::Shift && IsLetterKey(plain, shifted)) {
        return HandOfKey(target.key.row, target.key.col) == 1 ? kRightShiftKey : kLeftShiftKey;
    }
    return kNoKey;
}

std::u32string MissingTargets(const TargetKeys& keys, int setSize)
{
    std::u32string out;
    for (int n = 0; n < setSize && n < kTargetCount; ++n) {
        if (keys[static_cast<std::size_t>(n)].missing) {
            out += TargetCharOf(n);
        }
    }
    return out;
}

int AvailableTargets(const TargetKeys& keys, int setSize, int (&numbers)[kTargetCount])
{
    int count = 0;
    for (int n = 0; n < setSize && n < kTargetCount; ++n) {
        if (!keys[static_cast<std::size_t>(n)].missing) {
            numbers[count++] = n;
        }
    }
    return count;
}

std::string TargetSoundName(int n)
{
    const char32_t ch = TargetCharOf(n);
    if ((ch >= U'a' && ch <= U'z') || (ch >= U'0' && ch <= U'9')) {
        return std::string("Z") + static_cast<char>(ch);
    }
    if (ch >= U'A' && ch <= U'Z') {
        return std::string("Z") + static_cast<char>(ch - U'A' + U'a');
    }
    return {};
}

std::string ToUtf8(std::u32string_view text)
{
    std::string out;
    for (const char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
