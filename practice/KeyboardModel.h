// The on-screen keyboard as data: characters, targets, hands, key rectangles. Pure functions,
// used by the practice window at start-up and by tests.
#pragma once

#include <array>
#include <string>

#include "platform/surface/wintypes.h"

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

// The shape of the board. An ISO keyboard (most European ones) has one more key in row 3, between
// the left Shift and Z, kept in the spare cell (3, 12), and a tall Return over rows 1 and 2 with the
// backslash key (1, 13) moved down beside it.
enum class BoardShape { Ansi, Iso };
constexpr KeyCell kIsoExtraKey{3, 12};

// Keys in a row of a board of this shape: cells 0..KeysInRow - 1.
inline int KeysInRow(int row, BoardShape shape)
{
    return kKeysInRow[row] + (shape == BoardShape::Iso && row == kIsoExtraKey.row ? 1 : 0);
}

using KeyChars = char[kKeyRows][kKeyCols];
using KeyRects = RECT[kKeyRows][kKeyCols];

// Plain and shifted characters of every key, and the sound name of every cell ("Z1", "Za", or
// empty), by cell index row * 14 + column.
void BuildKeyCharacters(KeyChars& plain, KeyChars& shifted, std::array<std::string, kKeyCells>& soundNames);

// Target number 0..71 -> the key to strike.
void BuildTargetTable(KeyCell (&targets)[kTargetCount]);

// The character target n asks for: the shifted one for 26..51, the plain one otherwise.
char TargetCharacter(const KeyCell (&targets)[kTargetCount], const KeyChars& plain, const KeyChars& shifted, int n);

// 1 for the left hand, 0 for the right. The ISO extra key is the left hand's.
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
// An ISO board keeps rows 0 and 4; its Tab is as wide as Caps Lock, its Return spans rows 1 and 2.
void ComputeKeyRects(const KeyScale& scale, int screenHeight, KeyRects& rects, BoardShape shape = BoardShape::Ansi);

// Pixels of a key rectangle with both edges inclusive.
inline int KeyArea(const RECT& rc)
{
    return (rc.right - rc.left + 1) * (rc.bottom - rc.top + 1);
}
