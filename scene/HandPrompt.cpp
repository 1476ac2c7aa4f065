// The hand prompt: after a wrong key the hand that should strike blinks above the keyboard,
// with a gold ring on the finger.
#include "scene/HandPrompt.h"

#include <algorithm>

#include "practice/KeyboardModel.h"

namespace {

// Just below the nail of each finger: [finger][0 left hand, 1 right hand].
constexpr POINT kFingerMark[4][2] = {
    {{47, 15}, {29, 15}},  // index
    {{30, 12}, {45, 12}},  // middle
    {{19, 23}, {57, 23}},  // ring
    {{11, 37}, {63, 37}},  // little
};

}  // namespace

int FingerNumber(int row, int col)
{
    if (row == kIsoExtraKey.row && col == kIsoExtraKey.col) {
        return 3;  // the little finger, as for the left Shift beside it
    }
    const bool left = HandOfKey(row, col) == 1;
    if (left) {
        if (row == 4) {
            return std::clamp(3 - col, 0, 3);
        }
        return col >= 4 ? 0 : std::min(4 - col, 3);
    }
    if (row == 4) {
        return std::clamp(col - 3, 0, 3);
    }
    return col <= 7 ? 0 : std::min(col - 7, 3);
}

POINT FingerMark(int bRight, int finger)
{
    return kFingerMark[std::clamp(finger, 0, 3)][bRight != 0 ? 1 : 0];
}
