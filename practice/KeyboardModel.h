// The on-screen keyboard as data: characters, targets, hands, key rectangles. Pure functions,
// used by the practice window at start-up and by tests.
#pragma once

#include <array>
#include <string>

#include "platform/wintypes.h"

// A key's address: row 0..4 (top to bottom), column 0..13 (left to right).
struct KeyCell {
    int row = 0;
    int col = 0;
    friend bool operator==(const KeyCell&, const KeyCell&) = default;
};

constexpr int kKeyRows = 5;
constexpr int kKeyCols = 14;
constexpr int kKeyCells = kKeyRows * kKeyCols;
constexpr int kTargetCount = 72;
constexpr int kKeysInRow[kKeyRows] = {14, 14, 13, 12, 7};

using KeyChars = char[kKeyRows][kKeyCols];
using KeyRects = RECT[kKeyRows][kKeyCols];

// Plain and shifted characters of every key, and the sound name of every cell ("Z1", "Za", or
// empty), by cell index row * 14 + column.
void BuildKeyCharacters(KeyChars& plain, KeyChars& shifted, std::array<std::string, kKeyCells>& soundNames);

// Target number 0..71 -> the key to strike.
void BuildTargetTable(KeyCell (&targets)[kTargetCount]);

// The character target n asks for: the shifted one for 26..51, the plain one otherwise.
char TargetCharacter(const KeyCell (&targets)[kTargetCount], const KeyChars& plain, const KeyChars& shifted, int n);

// 1 for the left hand, 0 for the right.
int HandOfKey(int row, int col);

// Widths in layout units of the keys of a row, left to right.
int KeyWidthUnits(int row, int col, int unitsWide);

struct KeyScale {
    int unitsWide = 0;
    int unitsHigh = 0;
    float unitsPerPixelX = 0;
    float unitsPerPixelY = 0;
};
KeyScale ComputeKeyScale(int screenWidth, int screenHeight);

// Pixel rectangles of all keys (both edges belong to the key); cells beyond a row's size stay empty.
void ComputeKeyRects(const KeyScale& scale, int screenHeight, KeyRects& rects);

// Pixels of a key rectangle with both edges inclusive.
inline int KeyArea(const RECT& rc)
{
    return (rc.right - rc.left + 1) * (rc.bottom - rc.top + 1);
}
