#include "app/ControlLayout.h"

#include <algorithm>

#include "practice/KeyboardModel.h"

namespace {

// Narrowest gap between two check boxes, and between a box and the screen's edge, in pixels.
constexpr int kMinSetGap = 6;
// The part of a check box's width that its square and margins take, not its caption.
constexpr int kCheckIndicator = 30;
// The hand prompts stand on the top key row, this tall (the hand pictures' height).
constexpr int kHandPromptHeight = 83;
// Apples hang with their box's top at y 0..317 and their letter's 30-pixel cell 25 rows below it:
// no letter reaches this row.
constexpr int kAppleLettersEnd = 372;

// Lines a caption that fills oneLine pixels on one line needs in a box width pixels wide. Word
// wrapping leaves the ends of lines empty, so a fifth more than the bare text is allowed for.
int CaptionLines(int oneLine, int width)
{
    if (width >= oneLine) {
        return 1;
    }
    const int need = std::max(1, oneLine - kCheckIndicator);
    const int have = std::max(1, width - kCheckIndicator);
    return std::max(1, (6 * need + 5 * have - 1) / (5 * have));
}

}  // namespace

ControlLayout ComputeControlLayout(int W, int H, int bw, int bh, const int (&setW)[4], const int (&setH)[4])
{
    ControlLayout l{};
    // Three buttons in one row above the report box; the report box is as tall as a button.
    const int g = (W - bw) / 6;
    const int top = H - 2 * bh - 5;
    l.start = {g, top, g + bw, H - bh};
    l.help = {2 * g + bw, top, 2 * g + 2 * bw, H - bh};
    l.exit = {3 * g + 2 * bw, top, 3 * g + 3 * bw, H - bh};
    l.report = {2, H - bh, W - 2, H};

    // The check boxes share one row, spaced evenly. Where the screen is narrower than their
    // one-line widths they narrow in proportion and their captions wrap.
    int w[4] = {setW[0], setW[1], setW[2], setW[3]};
    const int oneLine = setW[0] + setW[1] + setW[2] + setW[3];
    const int room = W - 5 * kMinSetGap;
    int lines = 1;
    if (oneLine > room && oneLine > 0) {
        for (int i = 0; i < 4; ++i) {
            w[i] = std::max(1, static_cast<int>(static_cast<long long>(setW[i]) * room / oneLine));
            lines = std::max(lines, CaptionLines(setW[i], w[i]));
        }
    }
    int h[4] = {};
    int rowHeight = 0;
    for (int i = 0; i < 4; ++i) {
        h[i] = setH[i] + (lines - 1) * kCaptionLinePitch;
        rowHeight = std::max(rowHeight, h[i]);
    }

    // Their row goes below the keyboard, 3 heights + 8 pixels above the screen's bottom, where
    // that leaves the keys and the buttons clear; else just above the buttons. Where the keyboard
    // leaves no room above the buttons, the row goes above the hand prompts, under the lowest
    // apple letters; and where even that is taken, to the top of the screen.
    KeyRects keys{};
    ComputeKeyRects(ComputeKeyScale(W, H), H, keys);
    int keysBottom = keys[4][0].bottom;
    for (int c = 0; c < kKeysInRow[4]; ++c) {
        keysBottom = std::max(keysBottom, keys[4][c].bottom);
    }
    const auto clear = [&](int t) { return t > keysBottom && t + rowHeight < top; };
    int t = H - 3 * setH[0] - 8;
    if (!clear(t)) {
        t = top - 2 - rowHeight;
    }
    if (!clear(t)) {
        t = keys[0][0].top - kHandPromptHeight - 1 - rowHeight;
        if (t < kAppleLettersEnd) {
            t = 2;
        }
    }

    const int s = (W - w[0] - w[1] - w[2] - w[3]) / 5;
    int left = s;
    for (int i = 0; i < 4; ++i) {
        l.set[i] = {left, t, left + w[i], t + h[i]};
        left = l.set[i].right + s;
    }
    return l;
}
