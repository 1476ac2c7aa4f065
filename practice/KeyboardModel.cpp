#include "practice/KeyboardModel.h"

#include <cstring>

namespace {

// Index of a key cell in the per-cell arrays.
std::size_t CellIndex(int row, int col)
{
    return static_cast<std::size_t>(row) * kKeyCols + static_cast<std::size_t>(col);
}

}  // namespace

void BuildKeyCharacters(KeyChars& plain, KeyChars& shifted, std::array<std::string, kKeyCells>& soundNames)
{
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyCols; ++c) {
            plain[r][c] = ' ';
            shifted[r][c] = ' ';
            soundNames[CellIndex(r, c)].clear();
        }
    }
    // Shifted symbols of rows 0 to 3.
    std::memcpy(shifted[0], "~!@#$%^&*()_+", 13);
    std::memcpy(shifted[1] + 11, "{}|", 3);
    std::memcpy(shifted[2] + 10, ":\"", 2);
    std::memcpy(shifted[3] + 8, "<>?", 3);
    // Plain characters; byte 9 on Backspace, 7 on Tab and 0 on Caps Lock.
    std::memcpy(plain[0], "`1234567890-=", 13);
    plain[0][13] = 9;
    plain[1][0] = 7;
    std::memcpy(plain[1] + 1, "qwertyuiop[]\\", 13);
    plain[2][0] = 0;
    std::memcpy(plain[2] + 1, "asdfghjkl;'", 11);
    std::memcpy(plain[3] + 1, "zxcvbnm,./", 10);
    for (int c = 1; c <= 10; ++c) {
        soundNames[static_cast<std::size_t>(c)] = std::string("Z") + plain[0][c];
    }
    // Letters: the capital is the shifted character and the letter names the sound.
    for (int r = 1; r <= 3; ++r) {
        for (int c = 0; c <= 12; ++c) {
            const char ch = plain[r][c];
            if (ch >= 'a' && ch <= 'z') {
                shifted[r][c] = static_cast<char>(ch - 'a' + 'A');
                soundNames[CellIndex(r, c)] = std::string("Z") + ch;
            }
        }
    }
}

void BuildTargetTable(KeyCell (&targets)[kTargetCount])
{
    static constexpr KeyCell kLetters[26] = {{2, 1}, {3, 5}, {3, 3}, {2, 3}, {1, 3}, {2, 4}, {2, 5},  {2, 6}, {1, 8},
                                             {2, 7}, {2, 8}, {2, 9}, {3, 7}, {3, 6}, {1, 9}, {1, 10}, {1, 1}, {1, 4},
                                             {2, 2}, {1, 5}, {1, 7}, {3, 4}, {1, 2}, {3, 2}, {1, 6},  {3, 1}};
    static constexpr KeyCell kSymbols[11] = {{0, 0},  {0, 11}, {0, 12}, {1, 13}, {1, 11}, {1, 12},
                                             {2, 10}, {2, 11}, {3, 8},  {3, 9},  {3, 10}};
    for (int i = 0; i < 26; ++i) {
        targets[i] = kLetters[i];
        targets[26 + i] = kLetters[i];
    }
    for (int i = 0; i < 9; ++i) {
        targets[52 + i] = {0, 1 + i};
    }
    // Entry 26 keeps the key of a, so target 26 asks for the capital A like its neighbours
    // ask for B to Z.
    for (int i = 0; i < 11; ++i) {
        targets[61 + i] = kSymbols[i];
    }
}

char TargetCharacter(const KeyCell (&targets)[kTargetCount], const KeyChars& plain, const KeyChars& shifted, int n)
{
    const KeyCell k = targets[n];
    return (n >= 26 && n <= 51) ? shifted[k.row][k.col] : plain[k.row][k.col];
}

int HandOfKey(int row, int col)
{
    if (row < 0 || row > 4) {
        return 1;
    }
    if (row == kIsoExtraKey.row && col == kIsoExtraKey.col) {
        return 1;
    }
    if (row <= 3) {
        return col <= 5 ? 1 : 0;
    }
    return col <= 3 ? 1 : 0;
}

int KeyWidthUnits(int row, int col, int unitsWide)
{
    const int last = kKeysInRow[row] - 1;
    switch (row) {
    case 0: return col == last ? 54 : 26;
    case 1: return (col == 0 || col == last) ? 40 : 26;
    case 2: return col == 0 ? 49 : (col == last ? 58 : 26);
    case 3: return col == 0 ? 65 : (col == last ? 68 : 26);
    default: {
        static constexpr int kBottom[7] = {38, 39, 39, 0, 39, 39, 39};
        return col == 3 ? unitsWide - 212 : kBottom[col];
    }
    }
}

KeyScale ComputeKeyScale(int screenWidth, int screenHeight)
{
    KeyScale s;
    s.unitsWide = 26 + 13 * 27;
    s.unitsHigh = 5 * 21;
    // Single precision on purpose: the key edges are truncated from these stored values.
    s.unitsPerPixelX = static_cast<float>(static_cast<double>(s.unitsWide) / screenWidth * 1.08);
    s.unitsPerPixelY = static_cast<float>(static_cast<double>(s.unitsHigh) / screenHeight * 4.0);
    return s;
}

namespace {

// An ISO board in units, row by row: x and width of each cell, and the rows it spans (Return and the
// backslash key are placed apart from their cells' rows). Rows 1 to 3 only; 0 and 4 are as on ANSI.
struct UnitKey {
    int x, width, topRow, bottomRow;
};
UnitKey IsoUnitKey(int row, int col)
{
    switch (row) {
    case 1:
        if (col == 13) {
            return {347, 26, 2, 2};  // the backslash key, beside the last key of row 2
        }
        return col == 0 ? UnitKey{0, 49, 1, 1} : UnitKey{50 + 27 * (col - 1), 26, 1, 1};
    case 2:
        if (col == 12) {
            return {374, 30, 1, 2};  // the tall Return
        }
        return col == 0 ? UnitKey{0, 49, 2, 2} : UnitKey{50 + 27 * (col - 1), 26, 2, 2};
    default:
        if (col == 0) {
            return {0, 38, 3, 3};
        }
        if (col == kIsoExtraKey.col) {
            return {39, 26, 3, 3};
        }
        return col == 11 ? UnitKey{66 + 270, 68, 3, 3} : UnitKey{66 + 27 * (col - 1), 26, 3, 3};
    }
}

}  // namespace

void ComputeKeyRects(const KeyScale& scale, int screenHeight, KeyRects& rects, BoardShape shape)
{
    const double upx = scale.unitsPerPixelX;
    const double upy = scale.unitsPerPixelY;
    const double base = screenHeight * 0.6666666666666666 - 10;
    for (int r = 0; r < kKeyRows; ++r) {
        for (int c = 0; c < kKeyCols; ++c) {
            rects[r][c] = RECT{};
        }
        int x = 0;
        for (int c = 0; c < KeysInRow(r, shape); ++c) {
            UnitKey k{x, KeyWidthUnits(r, c, scale.unitsWide), r, r};
            if (shape == BoardShape::Iso && r >= 1 && r <= 3) {
                k = IsoUnitKey(r, c);
            }
            RECT& rc = rects[r][c];
            // The bottom edge is that of the last row the key spans.
            rc.top = static_cast<int>((22.0 * k.topRow) / upy + base);
            rc.bottom = static_cast<int>(20.0 / upy + static_cast<int>((22.0 * k.bottomRow) / upy + base));
            rc.left = static_cast<int>(k.x / upx);
            rc.right = static_cast<int>(k.width / upx + rc.left);
            x += k.width + 1;
        }
    }
}
