#include "app/ControlLayout.h"

#include <algorithm>

#include "practice/KeyboardModel.h"

namespace {

// Narrowest gap between two check boxes, between rows of controls, and between a box and the
// screen's edge, in pixels.
constexpr int kGap = 6;
// The hand prompts stand on the top key row, this tall (the hand pictures' height).
constexpr int kHandPromptHeight = 83;
// Apples hang with their box's top at y 0..317 and their letter's 30-pixel cell 25 rows below it:
// no letter reaches this row.
constexpr int kAppleLettersEnd = 372;

// Lines a caption that fills oneLine pixels of a box on one line needs in a box width pixels
// wide; indicator pixels of either are the check square and its margin. Word wrapping leaves the
// ends of lines empty, so a fifth more than the bare text is allowed for.
int CaptionLines(int oneLine, int width, int indicator)
{
    if (width >= oneLine) {
        return 1;
    }
    const int need = std::max(1, oneLine - indicator);
    const int have = std::max(1, width - indicator);
    return std::max(1, (6 * need + 5 * have - 1) / (5 * have));
}

// The four check boxes in cols columns (4: one row; 2: two rows of two; 1: one column), filled
// row by row. Box i stands in column i % cols.
struct Block {
    bool fits = false;
    int cols = 4;
    int w[4] = {};
    int colW[4] = {};
    int rowHeight = 0;
    int height = 0;
};

Block Arrange(int W, const int (&setW)[4], int setH, int cols, bool wrap)
{
    Block b;
    b.cols = cols;
    int sum = 0;
    for (int c = 0; c < cols; ++c) {
        for (int i = c; i < 4; i += cols) {
            b.colW[c] = std::max(b.colW[c], setW[i]);
        }
        sum += b.colW[c];
    }
    const int room = W - (cols + 1) * kGap;
    int lines = 1;
    std::copy(std::begin(setW), std::end(setW), b.w);
    if (sum > room) {
        if (!wrap || room <= 0) {
            return b;
        }
        // Columns narrow in proportion; a caption wider than its column wraps.
        for (int c = 0; c < cols; ++c) {
            b.colW[c] = std::max(1, static_cast<int>(static_cast<long long>(b.colW[c]) * room / sum));
        }
        for (int i = 0; i < 4; ++i) {
            b.w[i] = std::min(setW[i], b.colW[i % cols]);
            lines = std::max(lines, CaptionLines(setW[i], b.w[i], setH));
        }
    }
    // A further caption line adds a 12-pixel caption's line pitch, scaled as the box is.
    b.rowHeight = setH + (lines - 1) * ((7 * setH + 9) / 10);
    const int rows = 4 / cols;
    b.height = rows * b.rowHeight + (rows - 1) * kGap;
    b.fits = true;
    return b;
}

// Moves the block's boxes to their places with its top row at t; the columns are spread evenly
// over the width (one column stands in the middle).
void PlaceBlock(const Block& b, int W, int t, RECT (&set)[4])
{
    int sum = 0;
    for (int c = 0; c < b.cols; ++c) {
        sum += b.colW[c];
    }
    const int s = b.cols == 1 ? (W - sum) / 2 : (W - sum) / (b.cols + 1);
    int colLeft[4] = {};
    int left = s;
    for (int c = 0; c < b.cols; ++c) {
        colLeft[c] = left;
        left += b.colW[c] + s;
    }
    for (int i = 0; i < 4; ++i) {
        const int top = t + (i / b.cols) * (b.rowHeight + kGap);
        set[i] = {colLeft[i % b.cols], top, colLeft[i % b.cols] + b.w[i], top + b.rowHeight};
    }
}

}  // namespace

ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4])
{
    KeyRects keys{};
    ComputeKeyRects(ComputeKeyScale(W, H), H, keys);
    int keysBottom = keys[4][0].bottom;
    for (int c = 0; c < kKeysInRow[4]; ++c) {
        keysBottom = std::max(keysBottom, keys[4][c].bottom);
    }
    // Controls above the keyboard end here (exclusive), a pixel clear of the hand prompts.
    const int upperBottom = keys[0][0].top - kHandPromptHeight - 1;

    ControlLayout l{};
    // Three buttons in one row above the report box; the report box is as tall as a button. Where
    // the screen is too narrow for the spacing, the buttons share out what is left.
    int g = (W - bw) / 6;
    if (3 * g + 3 * bw > W - 2) {
        g = std::max(0, (W - 3 * bw) / 4);
    }
    const auto placeButtons = [&](int top, int bottom) {
        l.start = {g, top, g + bw, bottom};
        l.help = {2 * g + bw, top, 2 * g + 2 * bw, bottom};
        l.exit = {3 * g + 2 * bw, top, 3 * g + 3 * bw, bottom};
    };
    l.report = {2, H - bh, W - 2, H};
    const int buttonsTop = H - 2 * bh - 5;
    // A pixel between keys and controls: on a fractional scale a control's edge may round outward.
    const bool buttonsBelowKeys = buttonsTop > keysBottom + 1;
    const int buttonsHeight = bh + 5;
    if (buttonsBelowKeys) {
        placeButtons(buttonsTop, H - bh);
    }

    // Where the block of check boxes can go with its top at t: between the keyboard and the
    // buttons, or above the hand prompts (the buttons below it where they do not fit under the keys).
    const auto belowKeys = [&](const Block& b, int t) {
        return buttonsBelowKeys && t > keysBottom + 1 && t + b.height < buttonsTop;
    };
    const auto upperTop = [&](const Block& b) {
        return upperBottom - b.height - (buttonsBelowKeys ? 0 : kGap + buttonsHeight);
    };
    const auto place = [&](const Block& b, int t) {
        PlaceBlock(b, W, t, l.set);
        if (!buttonsBelowKeys) {
            placeButtons(t + b.height + kGap, t + b.height + kGap + buttonsHeight);
        }
    };

    // One row of one-line captions first, then two rows, then one column; captions wrap only
    // where none of these fits the width. Between the keyboard and the buttons first (at the
    // window's own spot where that is clear), then above the hand prompts under the apples'
    // letters; where neither has room, as low above the hand prompts as the screen allows.
    Block tried[6];
    int n = 0;
    for (const bool wrap : {false, true}) {
        for (const int cols : {4, 2, 1}) {
            tried[n++] = Arrange(W, setW, setH[0], cols, wrap);
        }
    }
    for (const Block& b : tried) {
        if (!b.fits) {
            continue;
        }
        if (b.cols == 4 && belowKeys(b, H - 3 * setH[0] - 8)) {
            place(b, H - 3 * setH[0] - 8);
            return l;
        }
        if (belowKeys(b, buttonsTop - 2 - b.height)) {
            place(b, buttonsTop - 2 - b.height);
            return l;
        }
        if (upperTop(b) >= kAppleLettersEnd) {
            place(b, upperTop(b));
            return l;
        }
    }
    for (const Block& b : tried) {
        if (b.fits && upperTop(b) >= 2) {
            place(b, upperTop(b));
            return l;
        }
    }
    const Block& last = tried[5].fits ? tried[5] : tried[3];
    place(last, std::max(2, upperTop(last)));
    return l;
}
