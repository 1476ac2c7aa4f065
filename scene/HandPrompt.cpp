// The hand prompt: after a wrong key the hand that should strike blinks above the keyboard,
// with a gold ring on the finger.
#include "scene/HandPrompt.h"

#include <algorithm>

#include "app/PracticeDialog.h"

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

void PracticeDialog::RestoreHandArea(CDC* dc, int bRight)
{
    if (dc == nullptr) {
        return;
    }
    const RECT& k = m_rcKey[0][bRight != 0 ? 11 : 2];
    const PixelBuffer& saved = bRight != 0 ? m_rightHandBackground : m_leftHandBackground;
    std::size_t i = 0;
    for (int y = k.top - m_handHeight; y <= k.top - 1; ++y) {
        for (int x = k.left; x <= k.left + m_handWidth - 1 && i < saved.size(); ++x) {
            dc->SetPixel(x, y, saved[i++]);
        }
    }
}

void PracticeDialog::DrawHandPrompt(int bRight, int bShow, CDC* dc)
{
    if (dc == nullptr) {
        return;
    }
    CPen pen;
    pen.CreatePen(PS_SOLID, 2, RGB(255, 225, 128));
    CPen* oldPen = dc->SelectObject(&pen);
    if (bShow != 0) {
        const RECT& k = m_rcKey[0][bRight != 0 ? 11 : 2];
        const int x0 = k.left;
        const int y0 = k.top - m_handHeight;
        CBitmap hand;
        hand.LoadBitmap(IDB_LEFT_HAND + (bRight != 0 ? 1 : 0));
        BITMAP bm{};
        hand.GetObject(&bm);
        CDC memory;
        memory.CreateCompatibleDC(dc);
        CBitmap* oldBitmap = memory.SelectObject(&hand);
        dc->BitBlt(x0, y0, bm.bmWidth, bm.bmHeight, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(oldBitmap);
        // Black is the picture's surround: the first paint's screen shows through it.
        const PixelBuffer& saved = bRight != 0 ? m_rightHandBackground : m_leftHandBackground;
        std::size_t i = 0;
        for (int y = y0; y <= y0 + bm.bmHeight - 1; ++y) {
            for (int x = x0; x <= x0 + bm.bmWidth - 1; ++x, ++i) {
                if (dc->GetPixel(x, y) == 0 && i < saved.size()) {
                    dc->SetPixel(x, y, saved[i]);
                }
            }
        }
        const POINT mark = FingerMark(bRight, FingerNumber(m_nTargetRow, m_nTargetCol));
        const int mx = x0 + mark.x;
        const int my = y0 + mark.y;
        dc->Arc(mx - 5, my - 5, mx + 5, my + 5, mx - 5, my, mx + 3, my);
    } else {
        RestoreHandArea(dc, bRight);
    }
    dc->SelectObject(oldPen);
}
